#include "repopulate.h"

#include "base/datafolder.h"
#include "base/prompter.h"
#include "base/textnumber.h"
#include "cellpool.h"
#include "config/dnssettings.h"
#include "domainlistmodel.h"
#include "runstate.h"
#include "workfile.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

// The number at the start of a date part, as the lenient reader takes it.
std::optional<int> partValue(QStringView part)
{
    qsizetype i = 0;
    while (i < part.size() && part[i] == u' ')
        ++i;
    if (i < part.size() && (part[i] == u'-' || part[i] == u'+'))
        ++i;
    if (i >= part.size() || part[i] < u'0' || part[i] > u'9')
        return std::nullopt;
    return static_cast<int>(std::trunc(leadingNumber(part)));
}

// Whole days from `today` to the date of a dd-mm-yy or dd-mm-yyyy text; nothing
// when the text names no real day (31 April, month 13, letters).
std::optional<qint64> daysUntil(QStringView text, const QDate &today)
{
    const auto day = partValue(text.mid(0, 2));
    const auto month = partValue(text.mid(3, 2));
    const auto year = partValue(text.mid(6, 4));
    if (!day || !month || !year || *year < 0)
        return std::nullopt;
    // Short years belong to this century: 5 and 05 are 2005, 10 is 2010, 123 is 2123.
    const int fullYear = *year < 1000 ? 2000 + *year : *year;
    const QDate date(fullYear, *month, *day);
    if (!date.isValid() || !today.isValid())
        return std::nullopt;
    return today.daysTo(date);
}

// Builds rows from result lines, sharing repeated cell texts.
class RowBuilder
{
public:
    RowBuilder(const TldSuffixList &suffixes, const QDate &today)
        : m_suffixes(suffixes)
        , m_today(today)
        , m_todayText(today.toString(QStringLiteral("dd-MM-yy")))
    {
    }

    QString text(QStringView s) { return m_pool.intern(s); }

    QString lengthText(qsizetype n)
    {
        if (n < 0 || n >= 1024)
            return QString::number(n);
        if (m_lengths.empty())
            m_lengths.resize(1024);
        QString &t = m_lengths[static_cast<size_t>(n)];
        if (t.isNull())
            t = QString::number(n);
        return t;
    }

    QString daysText(std::optional<qint64> days)
    {
        if (!days)
            return cellText::notAvailable();
        auto it = m_days.constFind(*days);
        if (it == m_days.constEnd())
            it = m_days.insert(*days, QString::number(*days) + QStringLiteral(" days"));
        return *it;
    }

    // The derived cells of one result line (name, result, expiration,
    // information). Returns the number of days left when the row has one.
    std::optional<qint64> fill(DomainRow &row, const QString &name, QStringView result,
                               QStringView expiration, QStringView information)
    {
        std::optional<qint64> days;
        auto &c = row.cells;
        c[ColDomain] = name;
        if (name.contains(u'.')) {
            const QStringView tld = m_suffixes.getextView(name);
            c[ColTld] = text(tld);
            c[ColLength] = lengthText(name.size() - tld.size() - 1);
        } else {
            c[ColTld] = cellText::notAvailable();
            c[ColLength] = cellText::notAvailable();
        }
        if (result == u"FREE") {
            c[ColAvailability] = cellText::free();
            c[ColExpiration] = cellText::notAvailable();
            c[ColExpiresIn] = cellText::zeroDays();
            days = 0;
        } else if (expiration.size() != 8 && expiration.size() != 10) {
            c[ColAvailability] = cellText::taken();
            c[ColExpiration] = cellText::notAvailable();
            c[ColExpiresIn] = cellText::notAvailable();
        } else {
            days = daysUntil(expiration, m_today);
            c[ColExpiresIn] = daysText(days);
            c[ColAvailability] = cellText::taken();
            c[ColExpiration] = c[ColExpiresIn] == cellText::zeroDays() ? m_todayText : text(expiration);
        }
        // An error text, or the empty text of a name a Stop never reached, with no
        // date at all means the name was not checked. A delegation found in DNS
        // has no date and is taken all the same.
        if (information != u"N/A" && !information.startsWith(u"status:", Qt::CaseInsensitive) &&
            !information.startsWith(kDelegatedPrefix) && c[ColExpiration] == cellText::notAvailable() &&
            c[ColExpiresIn] == cellText::notAvailable())
            c[ColAvailability] = cellText::notAvailable();
        c[ColInformation] = text(information);
        return days;
    }

private:
    const TldSuffixList &m_suffixes;
    QDate m_today;
    QString m_todayText;
    CellTextPool m_pool;
    std::vector<QString> m_lengths;
    QHash<qint64, QString> m_days;
};

enum class Tally { None, Free, Taken, Unchecked };

// Gives the row the colour of its availability; says how it counts. `days`,
// when given, is the number in the row's Expires in (days) text.
Tally paint(DomainRow &row, qint32 blueLimit, std::optional<qint64> days = std::nullopt)
{
    const QString &availability = row.cells[ColAvailability];
    if (availability == cellText::free()) {
        row.colour = ColourGreen;
        row.bold = true;
        return Tally::Free;
    }
    if (availability == cellText::taken()) {
        const QString &left = row.cells[ColExpiresIn];
        if (left != cellText::notAvailable() && (days ? double(*days) : leadingNumber(left)) <= blueLimit) {
            row.colour = ColourBlue;
            row.bold = true;
        }
        return Tally::Taken;
    }
    if (availability == cellText::notAvailable()) {
        row.colour = ColourGrey;
        row.bold = false;
        return Tally::Unchecked;
    }
    return Tally::None;
}

void count(RunState &run, Tally tally)
{
    switch (tally) {
    case Tally::Free:
        ++run.freeCount;
        break;
    case Tally::Taken:
        ++run.takenCount;
        break;
    case Tally::Unchecked:
        ++run.uncheckedCount;
        break;
    case Tally::None:
        break;
    }
}

// An upper bound for the number of lines, so the list grows once instead of
// copying itself while it doubles (reserved but unused memory is never touched).
qsizetype countLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    qsizetype lf = 0;
    qsizetype cr = 0;
    QByteArray block;
    block.resize(1 << 20);
    for (;;) {
        const qint64 got = f.read(block.data(), block.size());
        if (got <= 0)
            break;
        const char *begin = block.constData();
        lf += std::count(begin, begin + got, '\n');
        cr += std::count(begin, begin + got, '\r');
    }
    return std::max(lf, cr) + 1;
}

void reserveFor(DomainListModel &list, const QString &path)
{
    const qsizetype lines = countLines(path);
    if (lines > 0)
        list.reserve(static_cast<int>(std::min<qsizetype>(qsizetype(list.size()) + lines, INT_MAX / 2)));
}

// Fields of a line split at SOH, as views into the line.
void splitLine(QStringView line, std::vector<QStringView> &fields)
{
    fields.clear();
    qsizetype start = 0;
    for (;;) {
        const qsizetype sep = line.indexOf(QChar(kFieldSeparator), start);
        if (sep < 0) {
            fields.push_back(line.sliced(start));
            return;
        }
        fields.push_back(line.sliced(start, sep - start));
        start = sep + 1;
    }
}

// remember.txt: the rows a selected-only run left alone, with their cells as
// they were. Returns an error description, or nothing.
std::optional<QString> loadKeptRows(DomainListModel &list, const QString &path, RowBuilder &builder)
{
    LineReader reader(path);
    if (!reader.open())
        return reader.errorString();
    reserveFor(list, path);
    QString line;
    std::vector<QStringView> fields;
    while (reader.readLine(line)) {
        splitLine(line, fields);
        const QString name = trimSpaces(fields[0]).toString();
        QString key = name.toLower();
        if (list.containsKey(key))
            continue;
        DomainRow row;
        row.cells[ColDomain] = name;
        for (size_t c = 1; c < row.cells.size() && c < fields.size(); ++c)
            row.cells[c] = builder.text(fields[c]);
        list.addRow(key, std::move(row));
    }
    if (reader.failed())
        return reader.errorString();
    return std::nullopt;
}

// temp.txt: one result line per name; the first line for a name wins. Then
// the names whose lines never reached the file, as unchecked.
std::optional<QString> loadResults(DomainListModel &list, RunState &run, const QString &path,
                                   RowBuilder &builder, const RebuildSources &sources)
{
    const bool colour = !sources.keptRows;
    const auto add = [&](const QString &name, QStringView result, QStringView expiration,
                         QStringView information) {
        QString key = name.toLower();
        DomainRow row;
        const std::optional<qint64> days = builder.fill(row, name, result, expiration, information);
        const Tally tally = colour ? paint(row, run.blueLimit, days) : Tally::None;
        // A later line for a name already in the list is skipped, uncounted.
        if (list.addRow(key, std::move(row)) >= 0)
            count(run, tally);
    };
    std::optional<QString> failure;
    LineReader reader(path);
    if (reader.open()) {
        reserveFor(list, path);
        QString line;
        std::vector<QStringView> fields;
        while (reader.readLine(line)) {
            splitLine(line, fields);
            if (fields.size() == 4)
                add(trimSpaces(fields[0]).toString(), fields[1], fields[2], fields[3]);
        }
        if (reader.failed())
            failure = reader.errorString();
    } else {
        failure = reader.errorString();
    }
    // These exist nowhere else: they come back even when the file could not be read.
    for (const QString &name : sources.uncheckedNames)
        add(name, u"N/A", u"N/A", u"");
    return failure;
}

} // namespace

QString daysleft(const QString &dateText, const QDate &today)
{
    const auto days = daysUntil(dateText, today);
    if (!days)
        return cellText::notAvailable();
    return QString::number(*days) + QStringLiteral(" days");
}

void repopulate(DomainListModel &list, RunState &run, const QString &dataFolder, const QDate &today,
                Prompter &prompter, const RebuildSources &sources)
{
    run.freeCount = 0;
    run.takenCount = 0;
    run.uncheckedCount = 0;
    list.setAutoSort(false);
    RowBuilder builder(run.suffixes, today);
    QStringList failures;

    list.beginBulk();
    if (sources.keptRows) {
        if (auto error =
                loadKeptRows(list, dataFile(dataFolder, QString::fromLatin1(kRememberFileName)), builder))
            failures << *error;
    }
    // The results of the run are read even when the kept rows could not be: they
    // exist nowhere else once the next run overwrites temp.txt.
    if (auto error = loadResults(list, run, dataFile(dataFolder, QString::fromLatin1(kTempFileName)), builder,
                                 sources))
        failures << *error;
    if (sources.keptRows) {
        // The counters and colours cover the whole list, kept rows included.
        for (int i = 0; i < list.size(); ++i) {
            DomainRow row = list.rowAt(i);
            count(run, paint(row, run.blueLimit));
            if (row.colour != list.rowAt(i).colour || row.bold != list.rowAt(i).bold)
                list.paintrow(i + 1, row.colour, row.bold);
        }
    }
    list.endBulk();

    // Only after the reset: a modal message lets the view paint.
    for (const QString &failure : std::as_const(failures))
        prompter.fail(kProgramTitle, kRepopulateError + failure);
}

void repopulate(DomainListModel &list, RunState &run, const QString &dataFolder, const QDate &today,
                Prompter &prompter)
{
    repopulate(list, run, dataFolder, today, prompter, RebuildSources());
}
