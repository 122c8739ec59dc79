#include "engine/repopulate.h"

#include "engine/domainlistmodel.h"
#include "engine/runstate.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "engine/qtprinters.h"

#include <gtest/gtest.h>

namespace {

const QDate kToday(2026, 1, 15);

// A work file line; "|" stands for the field separator.
QByteArray line(const char *fields)
{
    return QByteArray(fields).replace('|', '\x01') + "\r\n";
}

// A row's seven cells, its colour code and "bold", joined by "|".
QString rowText(const DomainRow &r)
{
    return QStringList(r.cells.begin(), r.cells.end()).join(u'|') + u'|' + QString::number(r.colour)
           + (r.bold ? "|bold" : "|");
}

std::tuple<int, int, int> counts(const RunState &run)
{
    return {run.freeCount, run.takenCount, run.uncheckedCount};
}

struct Fixture {
    TempDataFolder folder;
    DomainListModel list;
    RunState run;
    ScriptedPrompter prompter;

    Fixture() { run.suffixes.mylist({}); }
    void repopulate() { ::repopulate(list, run, folder.path(), kToday, prompter); }
};

} // namespace

TEST(Repopulate, DerivesCellsCountsAndColoursInOneReset)
{
    // Each temp.txt line and the row it gives (none: the line is skipped). Blue
    // is 0, green 1, grey 2, no colour -1; the blue limit is 30 days.
    const char *const cases[][2] = {
        {"free.com|FREE|N/A|N/A", "free.com|4|com|FREE|N/A|0 days|N/A|1|bold"},
        {"t.co.uk|Taken|05-03-2026|Status: ok", "t.co.uk|1|co.uk|Taken|05-03-2026|49 days|Status: ok|-1|"},
        {"soon.com|Taken|20-01-26|N/A", "soon.com|4|com|Taken|20-01-26|5 days|N/A|0|bold"},
        {"past.com|Taken|12-01-2026|N/A", "past.com|4|com|Taken|12-01-2026|-3 days|N/A|0|bold"},
        {"today.com|Taken|15-01-2026|N/A", "today.com|5|com|Taken|15-01-26|0 days|N/A|0|bold"},
        {"edge.com|Taken|14-02-2026|N/A", "edge.com|4|com|Taken|14-02-2026|30 days|N/A|0|bold"},
        {"far.com|Taken|15-02-2026|N/A", "far.com|3|com|Taken|15-02-2026|31 days|N/A|-1|"},
        {"on.com|Taken|N/A|Status: active", "on.com|2|com|Taken|N/A|N/A|Status: active|-1|"},
        {"up.com|Taken|N/A|STATUS: Locked", "up.com|2|com|Taken|N/A|N/A|STATUS: Locked|-1|"},
        {"nostatus.com|Taken|N/A|N/A", "nostatus.com|8|com|Taken|N/A|N/A|N/A|-1|"},
        {"slow.com|N/A|N/A|Timeout", "slow.com|4|com|N/A|N/A|N/A|Timeout|2|"},
        {"bad.com|Taken|31-04-2026|N/A", "bad.com|3|com|Taken|31-04-2026|N/A|N/A|-1|"},
        {"nodot|FREE|N/A|N/A", "nodot|N/A|N/A|FREE|N/A|0 days|N/A|1|bold"},
        {"  spaced.com |FREE|N/A|N/A", "spaced.com|6|com|FREE|N/A|0 days|N/A|1|bold"},
        {"three.com|FREE|N/A", nullptr},
        {"five.com|FREE|N/A|N/A|x", nullptr},
        {"dup.com|FREE|N/A|N/A", "dup.com|3|com|FREE|N/A|0 days|N/A|1|bold"},
        {"dup.com|N/A|N/A|", nullptr}, // a Stop's extra line loses to the real result
        {"free.com|Taken|N/A|N/A", nullptr},
    };
    Fixture f;
    f.list.setAutoSort(true);
    f.run.freeCount = f.run.takenCount = f.run.uncheckedCount = 7; // counted afresh
    QByteArray temp;
    QStringList expected;
    for (const auto &c : cases) {
        temp += line(c[0]);
        if (c[1])
            expected << c[1];
    }
    f.folder.write("temp.txt", temp);
    QAbstractItemModelTester tester(&f.list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy reset(&f.list, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&f.list, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&f.list, &QAbstractItemModel::dataChanged);
    f.repopulate();

    QStringList rows;
    for (int i = 0; i < f.list.size(); ++i)
        rows << rowText(f.list.rowAt(i));
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(counts(f.run), std::tuple(4, 10, 1));
    EXPECT_FALSE(f.list.autoSort());
    EXPECT_TRUE(f.prompter.log().isEmpty());
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(inserted.count() + changed.count(), 0);
}

TEST(Repopulate, SelectedOnlyRunKeepsUnselectedRowsAndCountsTheWholeList)
{
    Fixture f;
    f.run.selectedOnly = true;
    f.folder.write("remember.txt", line("kept1.com|5|com|FREE|N/A|0 days|N/A")
                                       + line("kept2.com|5|com|Taken|01-02-2026|17 days|Status: old")
                                       + line("kept3.com|5|com|Taken|01-02-2027|382 days|N/A"));
    f.folder.write("temp.txt", line("new1.com|FREE|N/A|N/A") + line("new2.com|N/A|N/A|Timeout")
                                   + line("kept1.com|Taken|N/A|N/A")); // a kept row stays as it was
    f.repopulate();

    QStringList rows;
    for (int i = 0; i < f.list.size(); ++i)
        rows << rowText(f.list.rowAt(i));
    EXPECT_EQ(rows, QStringList({"kept1.com|5|com|FREE|N/A|0 days|N/A|1|bold",
                                 "kept2.com|5|com|Taken|01-02-2026|17 days|Status: old|0|bold",
                                 "kept3.com|5|com|Taken|01-02-2027|382 days|N/A|-1|",
                                 "new1.com|4|com|FREE|N/A|0 days|N/A|1|bold",
                                 "new2.com|4|com|N/A|N/A|N/A|Timeout|2|"}));
    EXPECT_EQ(counts(f.run), std::tuple(2, 2, 1));
    EXPECT_FALSE(f.run.selectedOnly);
}

TEST(Repopulate, UnreadableFilesAreReportedAfterTheReset)
{
    // remember.txt missing: the message names the failure, and the run's
    // results in temp.txt still come back rather than being dropped.
    Fixture f;
    f.run.selectedOnly = true;
    f.folder.write("temp.txt", line("a.com|FREE|N/A|N/A"));
    qsizetype atReset = -1; // a modal message inside the reset would meet a half-built view
    QObject::connect(&f.list, &QAbstractItemModel::modelReset, [&] { atReset = f.prompter.log().size(); });
    f.repopulate();
    EXPECT_EQ(atReset, 0);
    ASSERT_EQ(f.prompter.count(ScriptedPrompter::Kind::Fail), 1);
    EXPECT_TRUE(f.prompter.lastText().startsWith("An error occured while repopulating the list: "));
    EXPECT_GT(f.prompter.lastText().size(), kRepopulateError.size());
    EXPECT_EQ(counts(f.run), std::tuple(1, 0, 0));
    EXPECT_FALSE(f.run.selectedOnly);

    // temp.txt missing too: what the list holds stays.
    Fixture g;
    g.list.addRow(DomainRow{{"old.com", "3", "com", "N/A", "N/A", "N/A", ""}});
    g.repopulate();
    EXPECT_EQ(g.prompter.count(ScriptedPrompter::Kind::Fail), 1);
    EXPECT_EQ(g.list.size(), 1);
}

TEST(DaysLeft, YearFormsAndImpossibleDates)
{
    const struct {
        const char *text;
        int y, m, d; // year 0: "N/A"
    } cases[] = {
        {"15-01-2026", 2026, 1, 15}, {"16-01-26", 2026, 1, 16},  {"12-01-2026", 2026, 1, 12},
        {"05-03-10", 2010, 3, 5},    {"01-01-00", 2000, 1, 1},   {"31-12-99", 2099, 12, 31},
        {"01-01-0005", 2005, 1, 1},  {"01-01-0123", 2123, 1, 1}, {"29-02-2024", 2024, 2, 29},
        {"29-02-2025", 0, 0, 0},     {"31-04-2026", 0, 0, 0},    {"01-13-2026", 0, 0, 0},
        {"00-01-2026", 0, 0, 0},     {"ab-cd-efgh", 0, 0, 0},    {"", 0, 0, 0},
        {"05-03", 0, 0, 0},          {"-5-03-2026", 0, 0, 0},
    };
    for (const auto &c : cases) {
        const QString expected = c.y ? QString::number(kToday.daysTo(QDate(c.y, c.m, c.d))) + " days" : "N/A";
        EXPECT_EQ(daysleft(QString::fromLatin1(c.text), kToday), expected) << c.text;
    }
}
