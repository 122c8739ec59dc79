#include "engine/converter.h"

#include <gtest/gtest.h>

namespace {

TEST(Converter, ReadsEveryLayout)
{
    const struct {
        const char *input, *expected;
    } cases[] = {
        {"05-mar-2010 12:00:00", "05-03-10"},
        {"31-dec-99", "31-12-99"},
        {"05-xyz-2010", "Unknown"},
        {"wed mar  5 10:11:12 2010", "05-03-2010"},
        {"wed mar 05 12:00:00 gmt 10", "05-03-10"},
        {"123 mar 05 2010", "Unknown"},
        {"05/3/2010", "05-03-2010"},
        {"2010.03.05", "05-03-10"},
        {"2010-03-05t10:11:12z", "05-03-10"},
        {"5.3.2010", "05-03-10"},
        {"05.03.2010 10:00", "Unknown"},
        {"32.1.2010", "32-01-10"},
        {"march 5, 2010", "05-03-10"},
        {"5 march 2010", "05-03-10"},
        {"mar 5 2010", "05-03-10"},
        {"5th march 2010", "05-03-10"},
        {"5/3/2010", "05-03-10"},
        {"3/25/2010", "25-03-10"},
        {"\t2010/03/05", "05-03-10"},
        {"13/13/2010", "13-13-2010"}, // the length is right; the day count decides later
        // Texts of no fixed layout: two-digit years, month names of other languages, day first unless the
        // day cannot be the month.
        {"mar 5 10", "05-03-10"},
        {"5 mai 2010", "05-05-10"},
        {"3-25-2010", "25-03-10"},
        {"12-13-2010", "13-12-10"},
        {"march 5", "Unknown"},
        {"31 february 2010", "Unknown"},
        {"", "Unknown"},
        {"20100305", "05-03-10"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(converter(QString::fromLatin1(c.input)), QString::fromLatin1(c.expected))
            << "input: " << c.input;
}

TEST(Converter, NeverFailsOnHostileText)
{
    // Texts shorter than the positions the fixed layouts read.
    for (const char *in :
         {"-", "--", "ab-", "ab-c", "ab-cde-", "abc ", "abc def ", "ab/", "ab/c/", "....", "a.b", "1.2.", ".",
          "\x01\x02\x03", "9999 9999 9999", "0.0.0", "99999999999999999999 march 1"}) {
        const QString out = converter(QString::fromLatin1(in));
        EXPECT_TRUE(out == QLatin1String("Unknown") || out.size() == 8 || out.size() == 10) << in;
    }
    EXPECT_EQ(converter(QString(100000, u'5')), QLatin1String("Unknown"));
}

} // namespace
