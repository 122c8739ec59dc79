#include "base/idn.h"
#include "config/publicsuffixes.h"
#include "engine/domainsyntax.h"

#include "support/qtprinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
    EXPECT_EQ(list.getext("example.co.uk") + u'|' + list.getext("exampleco.uk"), "co.uk|uk");
    list.mylist({QStringLiteral("ORG.AU"), QStringLiteral("com")});
    EXPECT_EQ(list.getext("example.org.au") + u'|' + registrablePart("x.ab.co.uk", "co.uk"),
              "org.au|ab.co.uk");
}

// Internationalised names are kept in their ASCII form; past the first label
// only an "xn--" label that decodes joins the letters.
TEST(ParseDom, InternationalNamesInTheirAsciiForm)
{
    const struct {
        const char16_t *typed;
        const char *ascii; // what the program keeps
        bool valid;
    } cases[] = {
        {u"b\u00fccher.de", "xn--bcher-kva.de", true},
        {u"B\u00dcCHER.DE", "xn--bcher-kva.de", true},
        {u"\u043f\u0440\u0438\u043c\u0435\u0440.\u0440\u0444", "xn--e1afmkfd.xn--p1ai", true},
        {u"ab.\u0440\u0444", "ab.xn--p1ai", true},
        {u"xn--bcher-kva.de", "xn--bcher-kva.de", true},
        {u"sub.xn--e1afmkfd.xn--p1ai", "sub.xn--e1afmkfd.xn--p1ai", true},
        {u"ab.xn--a", "ab.xn--a", false}, // not the form of any label
        {u"ab.xn--p1ai-", "ab.xn--p1ai-", false},
        {u"ab.x1--p1ai", "ab.x1--p1ai", false},         // digits stay refused elsewhere
        {u"b\u00fccher..de", "b\u00fccher..de", false}, // no ASCII form: kept, and refused
        {u"\u00e4.de", "xn--4ca.de", true},             // the rules judge the ASCII form
        {u"ab_\u00e4.de", "xn--ab_-sla.de", false},     // "_" stays refused
    };
    for (const auto &c : cases) {
        const QString ascii = asciiName(QString::fromUtf16(c.typed));
        EXPECT_EQ(ascii, QString::fromUtf8(c.ascii)) << c.ascii;
        EXPECT_EQ(isValidDomain(ascii), c.valid) << c.ascii;
    }
    EXPECT_EQ(unicodeName(u"xn--e1afmkfd.xn--p1ai"), u"\u043f\u0440\u0438\u043c\u0435\u0440.\u0440\u0444");
    EXPECT_EQ(unicodeName(u"xn--a.com"), u"xn--a.com");

    TldSuffixList list;
    list.mylist({QStringLiteral("xn--p1ai"), QStringLiteral("com.xn--p1ai")});
    EXPECT_EQ(list.getext("xn--e1afmkfd.xn--p1ai") + u'|' + list.getext("ab.com.xn--p1ai"),
              "xn--p1ai|com.xn--p1ai");
}

// The query of a name by the public suffix list (on) and by its TLD alone (off).
TEST(RegistrablePart, ByPublicSuffixListAndByTldAlone)
{
    TldSuffixList off;
    off.mylist({QStringLiteral("XN--90A3AC")});
    TldSuffixList on;
    on.mylist({QStringLiteral("XN--90A3AC")});
    on.setPublicSuffixes(PublicSuffixes::builtin());
    TldSuffixList row; // a table row for com.af settles its names either way
    row.mylist({QStringLiteral("COM.AF")});
    row.setPublicSuffixes(PublicSuffixes::builtin());
    const struct {
        const char *what, *name, *on, *off;
    } cases[] = {
        {"two-label suffix without a row", "example.com.af", "example.com.af", "com.af"},
        {"subdomain under a plain TLD", "www.example.org", "example.org", "example.org"},
        {"name directly under its TLD", "example.af", "example.af", "example.af"},
        {"built-in two-label TLD", "www.example.co.uk", "example.co.uk", "example.co.uk"},
        {"private-section suffix", "shop.blogspot.com", "blogspot.com", "blogspot.com"},
        {"wildcard rule", "example.co.ck", "example.co.ck", "co.ck"},
        {"wildcard exception", "sub.www.ck", "www.ck", "www.ck"},
        {"wildcard exception itself", "www.ck", "www.ck", "www.ck"},
        {"IDN suffix in ASCII form", "ab.xn--o1ach.xn--90a3ac", "ab.xn--o1ach.xn--90a3ac",
         "xn--o1ach.xn--90a3ac"},
        {"unknown TLD", "www.example.zz", "example.zz", "example.zz"},
        // No label is under it: asked as it is, as before.
        {"name that is a suffix", "com.af", "com.af", "com.af"},
        {"name that is a suffix by a wildcard", "abc.kawasaki.jp", "abc.kawasaki.jp", "kawasaki.jp"},
    };
    for (const auto &c : cases) {
        const QString name = QString::fromLatin1(c.name);
        EXPECT_EQ(on.registrablePart(name) + u'|' + off.registrablePart(name),
                  QString::fromLatin1(c.on) + u'|' + QString::fromLatin1(c.off))
            << c.what;
    }
    EXPECT_EQ(row.getext("example.com.af") + u'|' + row.registrablePart("example.com.af"),
              "com.af|example.com.af");
}

TEST(PublicSuffixes, FilesThatAreNoList)
{
    // A folder, or a file that is no list, is not read as one.
    QTemporaryDir dir;
    QFile none(dir.filePath("none.dat"));
    ASSERT_TRUE(none.open(QIODevice::WriteOnly) && none.write("// no rules\n") > 0);
    none.close();
    for (const QString &path : {dir.path(), none.fileName(), dir.filePath("missing.dat")})
        EXPECT_FALSE(PublicSuffixes::fromFile(path)) << path.toStdString();
}
