#pragma once

#include "engine/domainlistmodel.h"

#include <QFile>

// Five rows whose cells hold what a hostile or sloppy WHOIS server can put into
// them: markup, ampersands, commas, quotes, line breaks, bytes beyond ASCII,
// control characters, and empty cells.
inline void fillAwkwardRows(DomainListModel &list)
{
    using namespace Qt::StringLiterals;
    const std::array<std::array<QString, 7>, 5> rows{{
        {u"shop.com"_s, u"4"_s, u"com"_s, u"Taken"_s, u"05-03-2026"_s, u"49 days"_s,
         u"Status: <script>alert(\"x\")</script> & more"_s},
        {u"comma.net"_s, u"5"_s, u"net"_s, u"FREE"_s, u"N/A"_s, u"0 days"_s, u"Status: a, b"_s},
        {QString::fromLatin1("caf\xe9.org"), u"4"_s, u"org"_s, u"N/A"_s, u"N/A"_s, u"N/A"_s,
         QString::fromLatin1("Error: tab\there\001ctl \377")},
        {u"empty.info"_s, u"5"_s, u"info"_s, {}, {}, {}, {}},
        {u"quote.com"_s, u"5"_s, u"com"_s, u"Taken"_s, u"N/A"_s, u"N/A"_s, u"Status: say \"hi\"\r\nnext"_s},
    }};
    for (const auto &cells : rows) {
        DomainRow row;
        for (size_t c = 0; c < cells.size(); ++c)
            row.cells[c] = cells[c];
        list.addRow(row);
    }
}

// A golden file of the export tests.
inline QByteArray golden(const char *name)
{
    QFile f(QStringLiteral(QV_TEST_DATA_DIR "/export/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline const QString kFixedDate = QStringLiteral("15/01/2026, 10:20:30");
