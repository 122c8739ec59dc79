#include "converter.h"

#include "base/textnumber.h"
#include "checktexts.h"

#include <QList>

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

const char *const kMonthNames[12] = {"january", "february", "march",     "april",   "may",      "june",
                                     "july",    "august",   "september", "october", "november", "december"};
const char *const kWeekdayNames[7] = {"monday", "tuesday",  "wednesday", "thursday",
                                      "friday", "saturday", "sunday"};

// "mar" -> "03"; any other text is kept, which then fails the length check.
QString monthNumber(const QString &threeLetters)
{
    for (int m = 0; m < 12; ++m) {
        if (threeLetters == QLatin1String(kMonthNames[m], 3))
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

bool allLetters(QStringView s)
{
    for (QChar c : s) {
        if (c < u'a' || c > u'z')
            return false;
    }
    return !s.isEmpty();
}

// A month name, whole or cut after at least three letters ("sep", "sept", "september").
int monthOfWord(QStringView word)
{
    if (word.size() < 3)
        return 0;
    for (int m = 0; m < 12; ++m) {
        if (QLatin1String(kMonthNames[m]).startsWith(word))
            return m + 1;
    }
    return 0;
}

bool isWeekday(QStringView word)
{
    if (word.size() < 3)
        return false;
    for (const char *day : kWeekdayNames) {
        if (QLatin1String(day).startsWith(word))
            return true;
    }
    return false;
}

bool isNoiseWord(QStringView word)
{
    static const char *const words[] = {"utc", "gmt", "z", "am", "pm", "of", "the", "at"};
    for (const char *w : words) {
        if (word == QLatin1String(w))
            return true;
    }
    return isWeekday(word);
}

// Two-digit years are read in the window 1930-2029.
int fullYear(int year, qsizetype digits)
{
    if (digits > 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

struct Number {
    int value = 0;
    qsizetype digits = 0;
};

} // namespace

QDate parseFreeDate(QStringView text)
{
    QList<Number> numbers;
    int month = 0;
    int monthWords = 0;

    for (QStringView chunk : text.split(u' ', Qt::SkipEmptyParts)) {
        if (chunk.contains(u':'))
            continue; // a time of day
        qsizetype i = 0;
        while (i < chunk.size()) {
            // Separators inside a chunk: "5-march-2010", "5/3/2010", "march 5,".
            const QChar c = chunk[i];
            if (c == u',' || c == u'-' || c == u'/' || c == u'.' || c == u'\t') {
                ++i;
                continue;
            }
            qsizetype j = i;
            const bool digit = c >= u'0' && c <= u'9';
            while (j < chunk.size()) {
                const QChar d = chunk[j];
                const bool isDigitChar = d >= u'0' && d <= u'9';
                if (isDigitChar != digit || d == u',' || d == u'-' || d == u'/' || d == u'.' || d == u'\t')
                    break;
                ++j;
            }
            const QStringView token = chunk.sliced(i, j - i);
            i = j;
            if (digit) {
                if (token.size() > 4)
                    return {};
                // An ordinal ending belongs to the number ("5th").
                if (chunk.size() - i >= 2) {
                    const QStringView rest = chunk.sliced(i, 2);
                    const qsizetype after = i + 2;
                    const bool wordEnds = after == chunk.size() || chunk[after] < u'a' || chunk[after] > u'z';
                    if (wordEnds && (rest == u"st" || rest == u"nd" || rest == u"rd" || rest == u"th"))
                        i = after;
                }
                numbers.append({token.toInt(), token.size()});
            } else if (allLetters(token)) {
                if (const int m = monthOfWord(token)) {
                    month = m;
                    ++monthWords;
                } else if (!isNoiseWord(token)) {
                    return {};
                }
            } else {
                return {};
            }
        }
    }

    int day = 0;
    int year = 0;
    if (monthWords > 1)
        return {};
    if (monthWords == 1) {
        if (numbers.size() != 2)
            return {};
        Number first = numbers[0];
        Number second = numbers[1];
        // The year is the four-digit number, or the one too large for a day.
        if (first.digits > 2 || first.value > 31)
            std::swap(first, second);
        if (first.digits > 2)
            return {};
        day = first.value;
        year = fullYear(second.value, second.digits);
    } else {
        if (numbers.size() != 3)
            return {};
        if (numbers[0].digits > 2) {
            year = numbers[0].value;
            month = numbers[1].value;
            day = numbers[2].value;
            if (numbers[1].digits > 2 || numbers[2].digits > 2)
                return {};
        } else {
            if (numbers[1].digits > 2)
                return {};
            day = numbers[0].value;
            month = numbers[1].value;
            year = fullYear(numbers[2].value, numbers[2].digits);
            // Day first is the rule; a month that cannot be one means the text was month first.
            if (month > 12 && day <= 12)
                std::swap(day, month);
        }
    }
    const QDate date(year, month, day);
    return date.isValid() ? date : QDate();
}

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
