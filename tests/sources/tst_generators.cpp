#include "config/publicsuffixes.h"
#include "engine/domainsyntax.h"
#include "sources/keywordgenerator.h"
#include "sources/misspellings.h"
#include "sources/namelistfile.h"
#include "sources/namelistmodel.h"
#include "sourcetesting.h"
#include "support/qtprinters.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QStringList generatedNames(const KeywordInput &input)
{
    PendingNames pending;
    generateKeywordDomains(input, pending);
    QStringList out;
    for (qsizetype i = 0; i < pending.size(); ++i)
        out << QString(pending.at(i));
    return out;
}

QStringList streamedNames(const KeywordInput &input)
{
    QStringList out;
    EXPECT_EQ(streamKeywordDomains(input, [&out](QStringView name) { out << name.toString(); }),
              KeywordStream::Done);
    return out;
}

} // namespace

TEST(KeywordGenerator, OrderJointsAndSyntaxCheck)
{
    using S = KeywordSeparator;
    const struct {
        const char *beginning, *middle, *end, *tlds;
        S separator;
        const char *pending;
        const char *streamed = nullptr; // each name once; the same as pending when not given
    } cases[] = {
        // The TLD varies fastest, then the End word, then Middle, then Beginning.
        {"best\ntop", "", "shop", "aa bb", S::Dashes, "best-shop.aa,best-shop.bb,top-shop.aa,top-shop.bb"},
        {"best\ntop", "", "shop", "aa bb", S::Both,
         "best-shop.aa,bestshop.aa,best-shop.bb,bestshop.bb,top-shop.aa,topshop.aa,top-shop.bb,topshop.bb"},
        {"a\r\nb", "x\ry", "1", "aa", S::Dashes, "a-x-1.aa,a-y-1.aa,b-x-1.aa,b-y-1.aa"},
        // One word alone, both spellings alike: pending holds it twice.
        {"shop", "", "", "aa", S::Both, "shop.aa,shop.aa", "shop.aa"},
        // Lines are lower-cased and kept whole: a space makes every candidate fail.
        {"My Shop\nBest", "", "", "aa", S::Both, "best.aa,best.aa", "best.aa"},
        // Different words, one name: the first is kept.
        {"ab\na", "", "c\nbc", "aa", S::None, "abc.aa,abbc.aa,ac.aa,abc.aa", "abc.aa,abbc.aa,ac.aa"},
        {"a%b\nab", "", "", "aa", S::Both, "a-b.aa,ab.aa,ab.aa,ab.aa", "a-b.aa,ab.aa"},
        {"shop%", "", "", "aa", S::Dashes, ""},
        // A one-letter label fails alone and passes joined.
        {"a", "", "", "aa", S::Both, ""},
        {"a", "", "b", "aa", S::Both, "a-b.aa,ab.aa"},
        // Leading and trailing dashes are refused by the check, an inner one is fine.
        {"-x\nxy-", "", "", "aa", S::Both, ""},
        // Two-level TLDs, and TLDs the check refuses.
        {"shop", "", "", "co.uk x 1a", S::None, "shop.co.uk"},
        // Words and TLDs in other scripts (UTF-8 here), in their ASCII form.
        {"B\u00fccher\nshop", "", "laden", "de \u0440\u0444", S::Dashes,
         "xn--bcher-laden-thb.de,xn--bcher-laden-thb.xn--p1ai,shop-laden.de,shop-laden.xn--p1ai"},
    };
    for (const auto &c : cases) {
        KeywordInput input;
        input.beginning = keywordWords(QString(c.beginning));
        input.middle = keywordWords(QString(c.middle));
        input.end = keywordWords(QString(c.end));
        input.tlds = QString(c.tlds).split(u' ');
        input.separator = c.separator;
        EXPECT_EQ(generatedNames(input).join(u','), c.pending)
            << c.beginning << '|' << c.end << '|' << c.tlds;
        EXPECT_EQ(streamedNames(input).join(u','), c.streamed ? c.streamed : c.pending) << c.beginning;
    }
}

TEST(KeywordGenerator, MoreThan100000AsksOnceAndStreamsEachNameOnce)
{
    KeywordInput input;
    for (int i = 0; i < 4000; ++i)
        input.beginning << u"w%1"_s.arg(i % 2000);
    input.end = {"a", "b"};
    input.tlds = {"aa", "bb", "cc", "dd", "ee", "ff", "gg"};
    input.separator = KeywordSeparator::Both;
    // Two names a step: the question comes once, right after the step that
    // passed 100,000.
    for (bool goOn : {true, false}) {
        PendingNames pending;
        int asked = 0;
        qsizetype pendingWhenAsked = 0;
        const bool finished = generateKeywordDomains(input, pending, [&] {
            ++asked;
            pendingWhenAsked = pending.size();
            return goOn;
        });
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(pendingWhenAsked, 100002);
        EXPECT_EQ(finished, goOn);
        EXPECT_EQ(pending.size(), goOn ? 4000 * 2 * 7 * 2 : 100002);
    }
    // Streamed, every name made twice is printed once, in the order first made, however often the table
    // of names seen grew.
    QStringList distinct = generatedNames(input);
    distinct.removeDuplicates();
    EXPECT_EQ(distinct.size(), 2000 * 2 * 7 * 2);
    EXPECT_EQ(streamedNames(input), distinct);
}

TEST(Misspellings, VariantsInOrder)
{
    TldSuffixList suffixes;
    suffixes.mylist({});
    suffixes.setPublicSuffixes(PublicSuffixes::builtin());
    const std::pair<const char *, const char *> cases[] = {
        {"ab.xy", "ab.xy,qb.xy,wb.xy,sb.xy,zb.xy,b.xy,av.xy,ag.xy,ah.xy,an.xy,a.xy"},
        // The hyphen's position adds nothing, not even the form without it.
        {"a-b.xy", "a-b.xy,q-b.xy,w-b.xy,s-b.xy,z-b.xy,-b.xy,a-v.xy,a-g.xy,a-h.xy,a-n.xy,a-.xy"},
        // A registry's suffix (com.af) stays whole as a TLD does.
        {"lk.com.af", "lk.com.af,kk.com.af,ok.com.af,pk.com.af,k.com.af,lj.com.af,li.com.af,lo.com.af,"
                      "ll.com.af,lm.com.af,l.com.af"},
        // One more label in front of an ordinary TLD: its dot is kept as it is.
        {"l.lk.org",
         "l.lk.org,k.lk.org,o.lk.org,p.lk.org,.lk.org,l.kk.org,l.ok.org,l.pk.org,l.k.org,l.lj.org,l.li.org,"
         "l.lo.org,l.ll.org,l.lm.org,l.l.org"},
        {"LK.ORG", "lk.org,kk.org,ok.org,pk.org,k.org,lj.org,li.org,lo.org,ll.org,lm.org,l.org"},
        {"nodot", ""},
    };
    for (const auto &[name, variants] : cases) {
        NameListModel generated("Domain");
        makemisspellings(QString(name), suffixes, generated);
        EXPECT_EQ(joinedNames(generated), variants) << name;
    }
    // Names one keystroke apart share variants; each is listed once.
    NameListModel generated("Domain");
    EXPECT_TRUE(generateMisspellings({"ab.xy", "qb.xy"}, suffixes, generated));
    EXPECT_EQ(generated.size(), 11 + 7);
}

TEST(Misspellings, QuestionBetweenLoadedNamesAt100000Rows)
{
    TldSuffixList suffixes;
    suffixes.mylist({});
    QStringList loaded;
    // Each name of twelve distinct letters yields 12 x 7 + 12 variants at most.
    for (int i = 0; i < 2000; ++i)
        loaded << u"q%1wertyuiop.com"_s.arg(i, 4, 10, QLatin1Char('0')).replace(u'0', u'z');
    for (bool goOn : {true, false}) {
        NameListModel generated("Domain");
        int asked = 0;
        int rowsWhenAsked = 0;
        const bool finished = generateMisspellings(loaded, suffixes, generated, [&] {
            ++asked;
            rowsWhenAsked = generated.rowCount();
            return goOn;
        });
        EXPECT_EQ(asked, 1);
        EXPECT_GE(rowsWhenAsked, kGeneratedQuestionLimit);
        EXPECT_LT(rowsWhenAsked, kGeneratedQuestionLimit + 200); // asked after the name that got there
        EXPECT_EQ(finished, goOn);
        EXPECT_EQ(generated.size() == rowsWhenAsked, !goOn);
    }
}

// Saving in CR LF is checked through the generator windows.
TEST(NameListFile, FailedSaveAndClear)
{
    TempDataFolder folder;
    NameListModel list("Domain");
    for (const char *name : {"ab.com", "cd.net"})
        list.add(QString(name));
    // A save that fails (onto a folder here) says why.
    ScriptedPrompter prompter;
    QDir(folder.path()).mkdir("locked");
    prompter.queueFile(folder.file("locked"));
    saveNameListAs(list, prompter);
    EXPECT_EQ(prompter.count(ScriptedPrompter::Kind::Fail), 1);
    EXPECT_TRUE(prompter.lastText().startsWith("The list could not be saved to " + folder.file("locked")));
    prompter.queueFile(QString()); // cancelled: nothing written, nothing said
    saveNameListAs(list, prompter);
    EXPECT_EQ(prompter.count(ScriptedPrompter::Kind::Fail), 1);

    // Clear asks, with No as the default button.
    prompter.queueAnswer(false);
    prompter.queueAnswer(true);
    EXPECT_FALSE(clearNameList(list, prompter));
    EXPECT_TRUE(clearNameList(list, prompter));
    EXPECT_TRUE(list.isEmpty());
    EXPECT_FALSE(prompter.log().last().defaultYes);
    EXPECT_EQ(prompter.lastText(), "Are you sure that you would like to clear the list?");
}

// The mistakes of "bücher.de" are made in its own letters, and come out in the ASCII form.
TEST(Misspellings, InternationalNames)
{
    TldSuffixList suffixes;
    suffixes.mylist({});
    NameListModel generated("Domain");
    makemisspellings(u"xn--bcher-kva.de", suffixes, generated);
    const QStringList variants = generated.names();
    EXPECT_EQ(variants.mid(0, 3), QStringList({"xn--bcher-kva.de", "xn--vcher-kva.de", "xn--gcher-kva.de"}));
    EXPECT_FALSE(variants.contains(u"bcher.de"_s)); // the ü has no neighbours and stays
}
