#pragma once

// A main list of checked names as a big run leaves it, for the list and export
// benchmarks: a result file is written and read back the way the program does.
#include "engine/domainlistmodel.h"
#include "engine/repopulate.h"
#include "engine/runstate.h"
#include "engine/workfile.h"

#include <QDate>
#include <QDir>
#include <QString>

namespace bench {

// Half the names are taken (with dates and status lines), the rest free or in
// error; names are spread so a sort has real work to do.
inline void writeResultFile(const QString &path, int lines)
{
    static const char *const tlds[] = {"com", "net", "org", "co.uk", "de", "info", "com.au", "nl"};
    static const char *const statuses[] = {"Status: clientTransferProhibited", "Status: ok", "Status: active",
                                           "Status: clientDeleteProhibited clientTransferProhibited"};
    static const char *const errors[] = {"Timeout", "Erroneous whois response", "Error: Connection refused"};
    WorkFileWriter out;
    out.open(path, true);
    for (int i = 0; i < lines; ++i) {
        const qint64 n = qint64(i) * 7919 % lines;
        const QString name =
            QStringLiteral("Name%1-example.%2").arg(n).arg(QLatin1String(tlds[i % 8])).toLower();
        if (i % 2 == 0) {
            const QString date = QStringLiteral("%1-%2-%3")
                                     .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                                     .arg(1 + (i / 28) % 12, 2, 10, QLatin1Char('0'))
                                     .arg(2024 + i % 5);
            out.writeLine({name, u"Taken", date, QString::fromLatin1(statuses[i % 4])});
        } else if (i % 6 == 1) {
            out.writeLine({name, u"N/A", u"N/A", QString::fromLatin1(errors[i % 3])});
        } else {
            out.writeLine({name, u"FREE", u"N/A", u"N/A"});
        }
    }
    out.close();
}

// Fills `list` with `rows` rows through temp.txt in `folder`.
inline void fillResultList(DomainListModel &list, RunState &run, const QString &folder, int rows,
                           Prompter &prompter)
{
    writeResultFile(QDir(folder).filePath(QStringLiteral("temp.txt")), rows);
    run.suffixes.mylist({QStringLiteral("com.au")});
    repopulate(list, run, folder, QDate(2026, 1, 15), prompter);
}

} // namespace bench
