#include "engine/domainsyntax.h"

#include <gtest/gtest.h>

TEST(ParseDom, AcceptsRejectsAndSplitsAtTheFirstDot)
{
    const struct {
        const char *name;
        bool valid;
    } cases[] = {
        {"ab.org", true},   {"a-b.org", true}, {"12.de", true},   {"ab.co.uk", true}, {"sub.ab.org", true},
        {"a.org", false},   {"-ab.org", false}, {"ab-.org", false}, {"ab..org", false}, {"aborg", false},
        {"ab.c", false},    {"a.b.c.d", false}, {"AB.ORG", false},  {"ab.c0.uk", false}, {"a.x-y.org", false},
        {"ab_c.org", false}, {"", false},       {".org", false},    {"ab.org.", false},
    };
    for (const auto &c : cases) {
        std::array<QString, 3> parts{QString::fromLatin1(c.name), {}, {}};
        parsedom(parts);
        EXPECT_EQ(parts[0], c.valid ? "1" : "0") << c.name;
        EXPECT_EQ(parts[1], QString::fromLatin1(c.name));
        EXPECT_EQ(isValidDomain(QString::fromLatin1(c.name)), c.valid) << c.name;
    }
    std::array<QString, 3> parts{QStringLiteral("sub.ab.org"), {}, {}};
    parsedom(parts);
    EXPECT_EQ(parts[2], "ab.org");
    // 256 characters: too long even though every other rule holds.
    const QString longName = QString(252, u'a') + QStringLiteral(".org");
    EXPECT_FALSE(isValidDomain(longName));
    EXPECT_TRUE(isValidDomain(longName.mid(1)));
}

TEST(GetExt, LongestSuffixByDots)
{
    TldSuffixList list;
    EXPECT_EQ(list.getext("example.co.uk"), "uk"); // empty list: last label
    EXPECT_EQ(list.getext("nodot"), "nodot");
    list.mylist({});
    // Landmarks of the built-in order, which is not alphabetical ("sv" before "st").
    const QStringList &e = list.entries();
    EXPECT_EQ(QStringList({e[0], e[26], e[75], e[232], e[233], e[275]}),
              QStringList({".com", ".ac.uk", ".co.uk", ".sv", ".st", ".zw"}));
    EXPECT_EQ(e.size(), 276);
    EXPECT_EQ(list.getext("example.co.uk"), "co.uk");
    EXPECT_EQ(list.getext("exampleco.uk"), "uk");
    EXPECT_EQ(list.getext("example.org.au"), "au");
    EXPECT_EQ(list.getext("example.zz"), "zz");
    list.mylist({QStringLiteral("ORG.AU"), QStringLiteral("com")});
    EXPECT_EQ(list.entries().size(), 277);
    EXPECT_EQ(list.getext("example.org.au"), "org.au");
    EXPECT_EQ(registrablePart("a.b.org", "org"), "b.org");
    EXPECT_EQ(registrablePart("x.ab.co.uk", "co.uk"), "ab.co.uk");
}
