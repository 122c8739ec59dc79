#include "listops/headersort.h"
#include "listops/listcommands.h"
#include "listops/listfilters.h"
#include "listops/listtexts.h"
#include "support/contextfixture.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>

#include "support/qtprinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The list filled with rows given as "name|availability|expiration|information"
// (Length, TLD and days are derived as a rebuild derives them).
struct Fixture : ContextFixture {
    explicit Fixture(const QStringList &rows = {})
    {
        ctx.config.table.AddTldEntry(u"co.uk"_s, u"whois.example"_s, {});
        ctx.run.suffixes.mylist(ctx.config.table.tlds());
        for (const QString &r : rows) {
            const QStringList f = r.split(u'|');
            DomainRow row{{f[0], u"N/A"_s, ctx.run.suffixes.getext(f[0]), f[1], f[2], u"N/A"_s, f[3]}};
            ctx.list.addRow(row);
        }
    }
    QStringList names() const { return column(ColDomain); }
};

const QStringList kResults = {"b-free.com|FREE|N/A|N/A",     "a-taken.co.uk|Taken|05-03-2026|Status: ok",
                              "c-error.net|N/A|N/A|Timeout", "d-lower.com|free|N/A|N/A",
                              "e-unreached.org|||",          "f-taken.com|Taken|N/A|Status: hold"};

} // namespace

TEST(ListCommands, StatusDeletionsMatchExactlyAndKeepTheDisplayOrder)
{
    const struct {
        const char *status;
        bool uncheckedToo;
        const char *left; // in the order shown before, which a sort by name made descending
    } cases[] = {
        {"Taken", false, "e-unreached.org d-lower.com c-error.net b-free.com"},
        {"FREE", false, "f-taken.com e-unreached.org d-lower.com c-error.net a-taken.co.uk"},
        {"N/A", true, "f-taken.com d-lower.com b-free.com a-taken.co.uk"},
    };
    for (const auto &c : cases) {
        Fixture f(kResults);
        sortByHeaderClick(f.ctx.list, ColDomain); // descending, and the list keeps itself so
        ASSERT_TRUE(f.ctx.list.autoSort());
        EXPECT_EQ(DeleteByStatus(f.ctx, QString::fromLatin1(c.status), c.uncheckedToo),
                  RebuildOutcome::Rebuilt);
        EXPECT_EQ(f.names().join(u' '), QLatin1String(c.left)) << c.status;
        EXPECT_FALSE(f.ctx.list.autoSort()) << c.status;
        // The rows come back through temp.txt and repopulate: recomputed and counted.
        EXPECT_EQ(f.ctx.run.freeCount + f.ctx.run.takenCount + f.ctx.run.uncheckedCount, f.ctx.list.size());
        EXPECT_TRUE(f.prompter.log().isEmpty());
    }
    Fixture f(kResults);
    DeleteByStatus(f.ctx, u"Taken"_s, false);
    // The lower-case "free" of a row is not FREE: the rebuild makes it Taken.
    EXPECT_EQ(f.column(ColAvailability).join(u' '), u"FREE N/A Taken N/A"_s);
    EXPECT_EQ(f.column(ColLength).join(u' '), u"6 7 7 11"_s);
    EXPECT_EQ(f.folder.read(u"temp.txt"_s).count("\r\n"), 4);
}

TEST(ListCommands, DeleteSelectedKeepsTheSortModeAndNothingSelectedKeepsEveryRow)
{
    Fixture f(kResults);
    QAbstractItemModelTester tester(&f.ctx.list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const QStringList before = f.names();
    EXPECT_EQ(deleteselected(f.ctx), RebuildOutcome::Rebuilt);
    EXPECT_EQ(f.names(), before);

    sortByHeaderClick(f.ctx.list, ColDomain); // descending text sort: automatic sorting stays on
    f.ctx.list.selectRows({0, 2});
    EXPECT_EQ(deleteselected(f.ctx), RebuildOutcome::Rebuilt);
    EXPECT_EQ(f.names().join(u' '), u"e-unreached.org c-error.net b-free.com a-taken.co.uk"_s);
    EXPECT_TRUE(f.ctx.list.autoSort());
    EXPECT_EQ(f.ctx.list.addRow(DomainRow{{u"d.com"_s}}), 1); // lands at its sorted place

    Fixture empty;
    EXPECT_EQ(deleteselected(empty.ctx), RebuildOutcome::EmptyList);
    EXPECT_FALSE(empty.folder.exists(u"temp.txt"_s));
}

TEST(ListCommands, AnUnwritableRowFileLeavesTheListExactlyAsItWas)
{
    // temp.txt as a folder cannot be opened; as /dev/full it opens and every write fails.
    for (bool fullDisk : {false, true}) {
        Fixture f(kResults);
        const QString temp = f.folder.file(u"temp.txt"_s);
        ASSERT_TRUE(fullDisk ? QFile::link(u"/dev/full"_s, temp) : QDir().mkdir(temp));
        sortByHeaderClick(f.ctx.list, ColDomain);
        f.ctx.list.selectRows({1});
        const QStringList before = f.names();
        EXPECT_EQ(DeleteByStatus(f.ctx, u"FREE"_s, false), RebuildOutcome::NotWritten);
        EXPECT_EQ(deleteselected(f.ctx), RebuildOutcome::NotWritten);
        EXPECT_EQ(f.names(), before);
        EXPECT_EQ(f.ctx.list.selectedRowCount(), 1);
        EXPECT_TRUE(f.ctx.list.autoSort());
        ASSERT_EQ(f.prompter.count(ScriptedPrompter::Kind::Fail), 2);
        EXPECT_TRUE(
            f.prompter.lastText().startsWith(listtext::rowFileNotWritten(temp, {}).section(u'(', 0, 0)));
    }
}

TEST(ListCommands, ClearListAsksFirstAndRefusesDuringARunAreHarmless)
{
    Fixture f(kResults);
    f.ctx.run.freeCount = 3;
    f.prompter.queueAnswer(false);
    EXPECT_FALSE(clearlist(f.ctx));
    EXPECT_EQ(f.ctx.list.size(), 6);
    f.prompter.queueAnswer(true);
    EXPECT_TRUE(clearlist(f.ctx));
    EXPECT_EQ(f.ctx.list.size(), 0);
    EXPECT_EQ(f.ctx.run.freeCount, 0);
    EXPECT_FALSE(clearlist(f.ctx)); // an empty list: no question
    ASSERT_EQ(f.prompter.count(ScriptedPrompter::Kind::Question), 2);
    EXPECT_FALSE(f.prompter.log().first().defaultYes);

    Fixture busy(kResults);
    busy.ctx.run.stopped = false; // a run owns temp.txt
    EXPECT_EQ(deleteselected(busy.ctx), RebuildOutcome::Busy);
    EXPECT_EQ(filterByStrings(busy.ctx, {u"a"_s}, FilterMode::Delete), RebuildOutcome::Busy);
    EXPECT_EQ(busy.ctx.list.size(), 6);
}

TEST(ListFilters, TldAndStringFiltersDeleteOrKeep)
{
    const QStringList rows = {"a.com|N/A|N/A|N/A", "b.co.uk|N/A|N/A|N/A", "c-d.uk|N/A|N/A|N/A",
                              "nodot|N/A|N/A|N/A", "e-f.COM|N/A|N/A|N/A"};
    const struct {
        bool tld;
        QStringList filter; // TLDs upper-cased, or strings
        FilterMode mode;
        const char *left;
    } cases[] = {
        {true, {"COM"}, FilterMode::Keep, "a.com e-f.COM"},
        {true, {"COM"}, FilterMode::Delete, "b.co.uk c-d.uk nodot"},
        {true, {"UK"}, FilterMode::Keep, "c-d.uk"}, // co.uk is a TLD of its own
        {true, {"N/A"}, FilterMode::Keep, ""},      // a row without a TLD never matches
        {false, {"-"}, FilterMode::Delete, "a.com b.co.uk nodot"},
        {false, {"b.", "dot"}, FilterMode::Keep, "b.co.uk nodot"},
        {false, {"f.com"}, FilterMode::Keep, ""}, // letter case counts
    };
    for (const auto &c : cases) {
        Fixture f(rows);
        const QSet<QString> set(c.filter.begin(), c.filter.end());
        const RebuildOutcome first =
            c.tld ? filterByTld(f.ctx, set, c.mode) : filterByStrings(f.ctx, c.filter, c.mode);
        EXPECT_EQ(first, RebuildOutcome::Rebuilt);
        EXPECT_EQ(f.names().join(u' '), QLatin1String(c.left)) << c.filter.join(u',').toStdString();
        // Once more: what is left already passes the filter.
        const RebuildOutcome second =
            c.tld ? filterByTld(f.ctx, set, c.mode) : filterByStrings(f.ctx, c.filter, c.mode);
        EXPECT_EQ(f.names().join(u' '), QLatin1String(c.left));
        EXPECT_EQ(second, f.ctx.list.size() ? RebuildOutcome::Rebuilt : RebuildOutcome::EmptyList);
    }
}

// Names are kept in their ASCII form; a string in another script finds them by
// their own letters, a TLD row in its ASCII form by the TLD column.
TEST(ListFilters, InternationalNames)
{
    const QStringList rows = {"xn--bcher-kva.de|N/A|N/A|N/A", "buecher.de|N/A|N/A|N/A",
                              "xn--e1afmkfd.xn--p1ai|N/A|N/A|N/A"};
    Fixture f(rows);
    EXPECT_EQ(filterByStrings(f.ctx, {u"\u043f\u0440\u0438"_s, u"b\u00fccher"_s}, FilterMode::Keep),
              RebuildOutcome::Rebuilt);
    EXPECT_EQ(f.names().join(u' '), u"xn--bcher-kva.de xn--e1afmkfd.xn--p1ai"_s);
    f.ctx.config.table.AddTldEntry(u"\u0440\u0444"_s, u"whois.example.net"_s, {});
    EXPECT_EQ(filterByTld(f.ctx, {u"XN--P1AI"_s}, FilterMode::Keep), RebuildOutcome::Rebuilt);
    EXPECT_EQ(f.names(), QStringList{u"xn--e1afmkfd.xn--p1ai"_s});
    EXPECT_EQ(tldFilterRows({u"\u0420\u0424"_s}).first(), u"xn--p1ai"_s);
    EXPECT_EQ(filterString(u"  B\u00dcCHER "_s), u"b\u00fccher"_s);
}
