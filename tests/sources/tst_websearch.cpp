#include "config/publicsuffixes.h"
#include "sources/websearch.h"

#include "config/extrasettings.h"
#include "support/qtprinters.h"
#include "support/tempdatafolder.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(WebSearch, KeywordEncoding)
{
    const std::pair<const char16_t *, const char *> cases[] = {
        {u"plain", "plain"},                         // nothing to encode
        {u"at&t #1 100%", "at%26t%20%231%20100%25"}, // would split or end the query
        {u"caf\u00e9", "caf%C3%A9"},                 // outside ASCII: its UTF-8 bytes
        {u"tab\there", "tab%09here"},                // control characters cannot reach the request line
    };
    for (const auto &[keyword, encoded] : cases)
        EXPECT_EQ(encodeKeyword(QString::fromUtf16(keyword)), QString::fromLatin1(encoded)) << encoded;
}

TEST(WebSearch, LinkScan)
{
    const struct {
        const char *page;
        const char *names;
        bool cut = false; // "Remove subdomains" on
    } cases[] = {
        {R"(<a href="http://www.Example.com/some/path?x=1">)", "example.com"},
        {R"(<a href="http://sub.example.org/">)", "sub.example.org"},
        {R"(<a href="https://www.secure.com/">)", ""}, // cut at its first "/": "https:"
        {R"(<a href="ftp://files.com/x">)", ""},       // "ftp:" is too short
        {R"(<a href="mailto:me@mail.com">)", ""},      // fails the name check
        {R"(<a href="bare.com/page">)", "bare.com"},   // no scheme at all
        {R"(<a href="http://www.google.com/x"><a href="http://maps.GOOGLE.de/">)", ""}, // the engine's own
        {R"(<a href="http://a.co">)", ""},                                              // shorter than 5
        {R"(<a href="http://ab.de">)", "ab.de"},
        {R"(<a href="http://b.com">)", ""}, // a one-letter name fails the check
        {R"(<a href="http://good.com/"><a href="http://open.com)", "good.com"}, // no closing quote
        {R"(<a href='http://single.com/'>)", ""},                               // only href=" opens a link
        {R"(<a href="http://twice.com/"><a href="http://www.twice.com/b"><a href="http://bb.com">)",
         "twice.com,twice.com,bb.com"}, // repeats are the found list's business
        {R"(<a href="http://bad_name.com/"><a href="http://x.y.z.com/">)", ""},
        // Hosts in other scripts, as UTF-8 and as Latin-1 pages write them, in their ASCII form.
        {"<a href=\"http://www.B\u00dcCHER.de/\"><a href=\"http://b\374cher.at/\">",
         "xn--bcher-kva.de,xn--bcher-kva.at"},
        {R"(<a href="http://xn--e1afmkfd.xn--p1ai/">)", "xn--e1afmkfd.xn--p1ai"},
        // Subdomains go before the syntax check: hosts it refuses whole are kept reduced.
        {R"(<a href="http://shop.cheap-flights2.net/">)", "", false},
        {R"(<a href="http://shop.cheap-flights2.net/">)", "cheap-flights2.net", true},
        {R"(<a href="http://x.y.zz.com/"><a href="http://news.example.co.uk/"><a href="http://plain.com/">)",
         "zz.com,example.co.uk,plain.com", true},
        {R"(<a href="http://a.b.com/"><a href="http://a.bad_name.com/">)", "", true}, // still checked
        // Under a registry's own suffix the name is kept with it.
        {R"(<a href="http://news.example.com.af/">)", "example.com.af", true},
    };
    TldSuffixList suffixes;
    suffixes.mylist({});
    suffixes.setPublicSuffixes(PublicSuffixes::builtin());
    for (const auto &c : cases)
        EXPECT_EQ(scanPageLinks(QByteArray(c.page), u"google"_s, c.cut ? &suffixes : nullptr).join(u','),
                  QString::fromLatin1(c.names))
            << c.page << (c.cut ? " (cut)" : "");
}

TEST(WebSearch, NextLinkAndPageSize)
{
    EXPECT_TRUE(pageHasNextLink("<img src=\"/images/NAV_NEXT.GIF\">"));
    EXPECT_FALSE(pageHasNextLink("<img src=\"/images/nav_prev.gif\">"));
    // Pages of 10 only for a top limit under 100.
    EXPECT_EQ(searchPageSize(true, 99), 10);
    EXPECT_EQ(searchPageSize(true, 100), 100);
    EXPECT_EQ(searchPageSize(false, 10), 100);
}

TEST(WebSearch, EngineHostAndSettings)
{
    // The request names no port 80.
    EXPECT_EQ(parseSearchHost(u"search.example:80"_s)->requestHost(), u"search.example"_s);
    TempDataFolder folder;
    ExtraSettings settings(folder.path());
    QStringList problems;
    const auto engineText = [&] {
        const SearchEngine e = searchEngineFromSettings(settings, &problems);
        return e.host + u' ' + QString::number(e.port) + u' ' + e.ownDomain;
    };
    // Unusable values are reported, and the defaults stand; the harvester window reads good ones.
    settings.setValue(kHarvestHostKey, u"bad host"_s);
    settings.setValue(kHarvestDomainKey, u"bad\"domain"_s);
    EXPECT_EQ(engineText(), u"www.google.com 80 google"_s);
    EXPECT_EQ(problems.size(), 2);
}
