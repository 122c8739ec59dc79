#include "converter.h"

#include "base/textnumber.h"
#include "checktexts.h"
#include "recognitiontables.h"
#include "replydates.h"

namespace {

// Positions count from 1, as registries' date layouts are usually described;
// anything past the end reads as nothing.
QChar at(const QString &s, qsizetype pos1)
{
    return pos1 >= 1 && pos1 <= s.size() ? s.at(pos1 - 1) : QChar();
}

QString mid(const QString &s, qsizetype pos1, qsizetype len)
{
    if (pos1 < 1 || pos1 > s.size())
        return {};
    return s.mid(pos1 - 1, len);
}

// "mar" -> "03"; any other text is kept, which then fails the length check.
QString monthNumber(const QString &threeLetters)
{
    for (int m = 0; m < 12; ++m) {
        if (threeLetters == QLatin1String(kEnglishMonths[m].data(), 3))
            return QStringLiteral("%1").arg(m + 1, 2, 10, QLatin1Char('0'));
    }
    return threeLetters;
}

QString padTwo(const QString &part)
{
    return part.size() == 1 ? u'0' + part : part;
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString joinDate(const QString &day, const QString &month, const QString &year)
{
    return day + u'-' + month + u'-' + year;
}

bool allDigits(QStringView s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

QString converter(const QString &text)
{
    const QString unknown = checkText::kUnknownDate;
    QString result;

    if (at(text, 3) == u'-' && at(text, 7) == u'-') {
        // 05-mar-2010, possibly followed by a time of day
        QString t = text;
        const qsizetype blank = t.indexOf(u' ');
        if (blank >= 0)
            t.truncate(blank);
        t.remove(u'.');
        result = joinDate(mid(t, 1, 2), monthNumber(mid(t, 4, 3)), t.right(2));
    } else if (at(text, 4) == u' ' && at(text, 8) == u' ') {
        // wed mar 05 2010: only a text that starts with a weekday name
        if (leadingNumber(mid(text, 1, 3)) != 0)
            return unknown;
        const QString t = text.mid(4);
        QString day = mid(t, 5, 2);
        if (day.startsWith(u' '))
            day[0] = u'0'; // "mar  5": the day padded with a blank
        QString year = t.right(4);
        if (leadingNumber(year.left(1)) == 0)
            year = mid(year, 3, 2);
        result = joinDate(day, monthNumber(mid(t, 1, 3)), year);
    } else if (at(text, 3) == u'/' && (at(text, 5) == u'/' || at(text, 6) == u'/')) {
        // 05/3/2010, 05/03/2010: day first
        const QString month = at(text, 5) == u'/' ? padTwo(mid(text, 4, 1)) : mid(text, 4, 2);
        const QString year = text.mid(text.lastIndexOf(u'/') + 1, 4);
        result = joinDate(mid(text, 1, 2), month, year);
    } else if ((at(text, 5) == u'-' && at(text, 8) == u'-') || (at(text, 5) == u'.' && at(text, 8) == u'.')) {
        // 2010-03-05, 2010.03.05, with or without a time after it
        result = joinDate(mid(text, 9, 2), mid(text, 6, 2), mid(text, 3, 2));
    } else if (text.contains(u'.') && text.count(u'.') == 2) {
        // 5.3.2010, 5.3.10: this form decides alone
        const QStringList parts = text.split(u'.');
        QString year = parts[2];
        if (year.size() == 4)
            year = year.mid(2, 2);
        result = joinDate(padTwo(parts[0]), padTwo(parts[1]), year);
        return result.size() == 8 ? result : unknown;
    } else {
        QString t = text;
        t.remove(u'\t');
        if (t.size() == 8 && allDigits(t)) {
            // 20100305
            result = joinDate(mid(t, 7, 2), mid(t, 5, 2), mid(t, 3, 2));
        } else {
            // Eight characters that are not all digits ("5/3/2010", "mar 5 10") are
            // still a date the free-form reader knows.
            const QDate date = parseFreeDate(t);
            if (!date.isValid())
                return unknown;
            const QString year4 = QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
            result = joinDate(twoDigits(date.day()), twoDigits(date.month()), year4.mid(2, 2));
        }
    }
    return result.size() == 8 || result.size() == 10 ? result : unknown;
}
