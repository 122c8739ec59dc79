#include "replydates.h"

#include "recognitiontables.h"
#include "replybytes.h"

#include <string>

namespace {

using Text = std::string_view;
using replybytes::isBlank;
using replybytes::isDigit;
using replybytes::isWordByte;

constexpr int kEarliestYear = 1980;

class DateReader
{
public:
    // `lenient`: the converter's reading (see parseFreeDate).
    DateReader(Text text, DayOrder order, bool lenient = false)
        : m_text(text)
        , m_order(lenient && order == DayOrder::Unknown ? DayOrder::DayFirst : order)
        , m_lenient(lenient)
    {
    }

    QDate read()
    {
        skipBlanks();
        skipWeekday();
        if (m_pos < m_text.size() && isDigit(m_text[m_pos])) {
            const size_t start = m_pos;
            if (const QDate numeric = readNumeric(); numeric.isValid())
                return numeric;
            m_pos = start;
        }
        return readWithMonthName();
    }

private:
    QDate checked(int year, int month, int day) const
    {
        if (year < kEarliestYear && !m_lenient)
            return {};
        const QDate date(year, month, day);
        return date.isValid() ? date : QDate();
    }

    // A year written with `digits` digits; 0 when it says nothing for certain.
    int yearOf(int value, size_t digits) const
    {
        if (digits == 4)
            return value;
        if (digits == 2 && m_lenient)
            return value < 30 ? 2000 + value : 1900 + value;
        return 0;
    }

    static int monthOf(Text word)
    {
        const RecognitionTables &t = recognitionTables();
        if (const auto it = t.months.find(word); it != t.months.end())
            return it->second;
        if (word.size() >= 3) {
            for (int m = 0; m < 12; ++m) {
                if (kEnglishMonths[m].starts_with(word))
                    return m + 1;
            }
        }
        return 0;
    }

    char at(size_t i) const { return i < m_text.size() ? m_text[i] : '\0'; }

    void skipBlanks()
    {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos]))
            ++m_pos;
    }

    void skipWeekday()
    {
        size_t end = m_pos;
        while (end < m_text.size() && isWordByte(m_text[end]))
            ++end;
        if (end > m_pos && recognitionTables().weekdays.count(m_text.substr(m_pos, end - m_pos))) {
            m_pos = end;
            while (m_pos < m_text.size() && (isBlank(m_text[m_pos]) || m_text[m_pos] == ','))
                ++m_pos;
        }
    }

    // A run of digits: its value and length (values beyond int are never dates).
    bool number(int &value, size_t &digits)
    {
        const size_t start = m_pos;
        value = 0;
        while (m_pos < m_text.size() && isDigit(m_text[m_pos])) {
            if (m_pos - start < 9)
                value = value * 10 + (m_text[m_pos] - '0');
            ++m_pos;
        }
        digits = m_pos - start;
        return digits > 0;
    }

    // After a date written in numbers comes its end, a blank or a time ("t07:41").
    bool numberEnds() const
    {
        const char c = at(m_pos);
        return c == '\0' || isBlank(c) || c == 't' || c == 'z' || c == ',' || c == ';' || c == '(' ||
               c == '+' || c == '_';
    }

    QDate readNumeric()
    {
        int a = 0, b = 0, c = 0;
        size_t da = 0, db = 0, dc = 0;
        number(a, da);
        if (da == 8 || da == 14) {
            // 20140921, 20131218000000
            if (!numberEnds())
                return {};
            const Text digits = m_text.substr(m_pos - da, 8);
            const int year = std::stoi(std::string(digits.substr(0, 4)));
            const int month = std::stoi(std::string(digits.substr(4, 2)));
            const int day = std::stoi(std::string(digits.substr(6, 2)));
            return checked(year, month, day);
        }
        const char sep = at(m_pos);
        if (sep != '-' && sep != '.' && sep != '/')
            return {};
        // "2014. 09. 13.": a blank may follow a dot.
        const auto skipSeparator = [this, sep] {
            ++m_pos;
            if (sep == '.' && at(m_pos) == ' ')
                ++m_pos;
        };
        skipSeparator();
        if (!number(b, db) || db > 2 || at(m_pos) != sep)
            return {};
        skipSeparator();
        if (!number(c, dc) || !(numberEnds() || (sep == '.' && at(m_pos) == '.')))
            return {};
        if (da == 4 && dc <= 2)
            return checked(a, b, c); // 2016-04-01, 2010.10.16, 2014/05/31
        if (da > 2)
            return {};
        c = yearOf(c, dc);
        if (c == 0)
            return {}; // two-digit years say nothing for certain
        if (sep != '/' && !m_lenient)
            return checked(c, b, a); // 22.07.2014, 31-03-2014: day first wherever they are written
        if (a > 12 && b <= 12)
            return checked(c, b, a);
        if (b > 12 && a <= 12)
            return checked(c, a, b);
        if (a == b)
            return checked(c, a, a);
        if (m_order == DayOrder::DayFirst)
            return checked(c, b, a);
        if (m_order == DayOrder::MonthFirst)
            return checked(c, a, b);
        return {};
    }

    QDate readWithMonthName()
    {
        const RecognitionTables &t = recognitionTables();
        int day = 0, month = 0, year = 0;
        while (m_pos < m_text.size() && !(day && month && year)) {
            const char ch = m_text[m_pos];
            if (isBlank(ch) || ch == ',' || ch == '-' || ch == '.' || ch == '/') {
                ++m_pos;
                continue;
            }
            if (isDigit(ch)) {
                int value = 0;
                size_t digits = 0;
                number(value, digits);
                if (at(m_pos) == ':') {
                    // A time of day: "23:59:59", "10:02", "11:14:47.77"
                    while (m_pos < m_text.size() &&
                           (isDigit(m_text[m_pos]) || m_text[m_pos] == ':' || m_text[m_pos] == '.'))
                        ++m_pos;
                    continue;
                }
                if (digits <= 2 && !day && value >= 1 && value <= 31) {
                    day = value;
                    // "5th", "1st", "22nd", "3rd"
                    const Text rest = m_text.substr(m_pos, 2);
                    if ((rest == "st" || rest == "nd" || rest == "rd" || rest == "th") &&
                        !isWordByte(at(m_pos + 2)))
                        m_pos += 2;
                } else if (!year && yearOf(value, digits) != 0) {
                    year = yearOf(value, digits);
                } else {
                    return {};
                }
                continue;
            }
            if (!isWordByte(ch))
                return {};
            const size_t start = m_pos;
            while (m_pos < m_text.size() && isWordByte(m_text[m_pos]))
                ++m_pos;
            const Text word = m_text.substr(start, m_pos - start);
            if (const int m = monthOf(word)) {
                if (month)
                    return {};
                month = m;
            } else if (t.fillerWords.count(word) || t.weekdays.count(word)) {
                // "5th of march", "sun mar 30"
            } else if (day && month && word.size() <= 5) {
                // A time zone between the time and the year: "mon apr 25 23:59:59 gmt 2016"
            } else {
                return {};
            }
        }
        if (!(day && month && year))
            return {};
        return checked(year, month, day);
    }

    Text m_text;
    DayOrder m_order;
    bool m_lenient;
    size_t m_pos = 0;
};

} // namespace

QDate readDate(std::string_view lowered, DayOrder order)
{
    return DateReader(lowered, order).read();
}

QDate readExpiryDate(QByteArrayView text, DayOrder order)
{
    std::string lowered(static_cast<size_t>(text.size()), ' ');
    for (qsizetype i = 0; i < text.size(); ++i)
        lowered[static_cast<size_t>(i)] = replybytes::lowerLatin1(text[i]);
    return DateReader(lowered, order).read();
}

QDate parseFreeDate(QStringView text)
{
    std::string bytes(static_cast<size_t>(text.size()), ' ');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        bytes[static_cast<size_t>(i)] = c <= 0xff ? static_cast<char>(c) : '?';
    }
    return DateReader(bytes, DayOrder::Unknown, true).read();
}
