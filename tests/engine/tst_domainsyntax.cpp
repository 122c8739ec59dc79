#include "engine/domainsyntax.h"

#include "support/qtprinters.h"

#include <gtest/gtest.h>

TEST(ParseDom, AcceptsRejectsAndSplitsAtTheFirstDot)
{
    const QString big = QString(251, u'a') + ".org"; // 255 characters
    const QStringList valid = {"ab.org", "a-b.org", "12.de", "ab.co.uk", "sub.ab.org", big};
    const QStringList invalid = {"a.org", "-ab.org", "ab-.org",   "ab..org",  "aborg",
                                 "ab.c",  "a.b.c.d", "",          "AB.ORG",   "ab.c0.uk",
                                 ".org",  "ab.org.", "a.x-y.org", "ab_c.org", 'a' + big};
    for (const QString &name : valid + invalid) {
        std::array<QString, 3> parts{name, {}, {}};
        parsedom(parts);
        const QString ok = valid.contains(name) ? "1" : "0";
        if (ok == "1") {
            EXPECT_EQ(parts[2], name.section(u'.', 1)); // what follows the first dot
        }
        EXPECT_EQ(parts[0] + u'|' + parts[1] + u'|' + QString::number(isValidDomain(name)),
                  ok + u'|' + name + u'|' + ok);
    }
}

TEST(GetExt, LongestSuffixByDots)
{
    TldSuffixList list;
    EXPECT_EQ(list.getext("example.co.uk") + u'|' + list.getext("nodot"), "uk|nodot"); // no list: last label
    list.mylist({});
    // Landmarks of the built-in order, which is not alphabetical ("sv" before "st").
    const QStringList &e = list.entries();
    EXPECT_EQ(QStringList({QString::number(e.size()), e[0], e[26], e[75], e[232], e[233], e[275]}),
              QStringList({"276", ".com", ".ac.uk", ".co.uk", ".sv", ".st", ".zw"}));
    QStringList got;
    for (const char *name : {"example.co.uk", "exampleco.uk", "example.org.au", "example.zz"})
        got << list.getext(name);
    list.mylist({QStringLiteral("ORG.AU"), QStringLiteral("com")});
    got << QString::number(list.entries().size()) << list.getext("example.org.au");
    got << registrablePart("a.b.org", "org") << registrablePart("x.ab.co.uk", "co.uk");
    EXPECT_EQ(got, QStringList({"co.uk", "uk", "au", "zz", "277", "org.au", "b.org", "ab.co.uk"}));
}
