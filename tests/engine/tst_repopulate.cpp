#include "engine/repopulate.h"

#include "engine/domainlistmodel.h"
#include "engine/runstate.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "support/qtprinters.h"

#include <gtest/gtest.h>

namespace {

const QDate kToday(2026, 1, 15);

// A work file line; "|" stands for the field separator.
QByteArray line(const char *fields)
{
    return QByteArray(fields).replace('|', '\x01') + "\r\n";
}

struct Fixture {
    TempDataFolder folder;
    DomainListModel list;
    RunState run;
    ScriptedPrompter prompter;

    RebuildSources sources; // as the list-maintenance commands rebuild unless a test says otherwise

    Fixture() { run.suffixes.mylist({}); }
    void repopulate() { ::repopulate(list, run, folder.path(), kToday, prompter, sources); }
    std::array<int, 3> counts() const { return {run.freeCount, run.takenCount, run.uncheckedCount}; }
    QStringList rows() const // each row's seven cells, its colour code and "bold", joined by "|"
    {
        QStringList out;
        for (int i = 0; i < list.size(); ++i) {
            const DomainRow &r = list.rowAt(i);
            out << QStringList(r.cells.begin(), r.cells.end()).join(u'|') + u'|' + QString::number(r.colour) +
                       (r.bold ? "|bold" : "|");
        }
        return out;
    }
};

} // namespace

TEST(Repopulate, DerivesCellsCountsAndColoursInOneReset)
{
    // Each temp.txt line and the row it gives (none: the line is skipped). Blue
    // is 0, green 1, grey 2, no colour -1; the blue limit is 30 days.
    const char *const cases[][2] = {
        {"free.com|FREE|N/A|N/A", "free.com|4|com|FREE|N/A|0 days|N/A|1|bold"},
        {"t.co.uk|Taken|05-03-2026|Status: ok", "t.co.uk|1|co.uk|Taken|05-03-2026|49 days|Status: ok|-1|"},
        {"past.com|Taken|12-01-2026|N/A", "past.com|4|com|Taken|12-01-2026|-3 days|N/A|0|bold"},
        {"today.com|Taken|15-01-2026|N/A", "today.com|5|com|Taken|15-01-26|0 days|N/A|0|bold"},
        {"edge.com|Taken|14-02-2026|N/A", "edge.com|4|com|Taken|14-02-2026|30 days|N/A|0|bold"},
        {"far.com|Taken|15-02-2026|N/A", "far.com|3|com|Taken|15-02-2026|31 days|N/A|-1|"},
        {"up.com|Taken|N/A|STATUS: Locked", "up.com|2|com|Taken|N/A|N/A|STATUS: Locked|-1|"},
        {"slow.com|N/A|N/A|Timeout", "slow.com|4|com|N/A|N/A|N/A|Timeout|2|"},
        {"bad.com|Taken|31-04-2026|N/A", "bad.com|3|com|Taken|31-04-2026|N/A|N/A|-1|"},
        {"nodot|FREE|N/A|N/A", "nodot|N/A|N/A|FREE|N/A|0 days|N/A|1|bold"},
        {"  spaced.com |FREE|N/A|N/A", "spaced.com|6|com|FREE|N/A|0 days|N/A|1|bold"},
        {"three.com|FREE|N/A", nullptr},
        {"five.com|FREE|N/A|N/A|x", nullptr},
        {"dup.com|FREE|N/A|N/A", "dup.com|3|com|FREE|N/A|0 days|N/A|1|bold"},
        {"dup.com|N/A|N/A|", nullptr}, // a Stop's extra line loses to the real result
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
    f.repopulate();
    EXPECT_EQ(f.rows(), expected);
    EXPECT_EQ(f.counts(), (std::array{4, 7, 1}));
    EXPECT_EQ(reset.count(), 1);
    EXPECT_FALSE(f.list.autoSort());
    EXPECT_TRUE(f.prompter.log().isEmpty());
}

TEST(Repopulate, NamesThatNeverReachedTheFileComeBackUnchecked)
{
    // A run whose temp.txt filled up: the names of the lost lines follow the
    // file's rows, unchecked, unless the file holds a row for them already.
    Fixture f;
    f.folder.write("temp.txt", line("saved.com|FREE|N/A|N/A") + line("kept.com|N/A|N/A|Timeout"));
    f.sources.uncheckedNames = QStringList{"lost.com", "saved.com", "lost.com", "nodot"};
    f.repopulate();
    EXPECT_EQ(f.rows(), QStringList({"saved.com|5|com|FREE|N/A|0 days|N/A|1|bold",
                                     "kept.com|4|com|N/A|N/A|N/A|Timeout|2|",
                                     "lost.com|4|com|N/A|N/A|N/A||2|", "nodot|N/A|N/A|N/A|N/A|N/A||2|"}));
    EXPECT_EQ(f.counts(), (std::array{1, 0, 3}));

    // They come back even when the file itself cannot be read.
    Fixture g;
    g.sources.uncheckedNames = QStringList{"lost.com"};
    g.repopulate();
    EXPECT_EQ(g.rows(), QStringList({"lost.com|4|com|N/A|N/A|N/A||2|"}));
    EXPECT_EQ(g.prompter.count(ScriptedPrompter::Kind::Fail), 1);
}

TEST(Repopulate, SelectedOnlyRunKeepsUnselectedRowsAndReportsAMissingFileAfterTheReset)
{
    Fixture f, g;
    f.sources.keptRows = g.sources.keptRows = true;
    f.folder.write("remember.txt", line("kept1.com|5|com|FREE|N/A|0 days|N/A") +
                                       line("kept2.com|5|com|Taken|01-02-2026|17 days|Status: old"));
    for (const Fixture *x : {&f, &g}) {
        x->folder.write("temp.txt", line("new1.com|FREE|N/A|N/A") + line("new2.com|N/A|N/A|Timeout") +
                                        line("kept1.com|Taken|N/A|N/A")); // a kept row stays as it was
    }
    f.repopulate();
    EXPECT_EQ(f.rows(), QStringList({"kept1.com|5|com|FREE|N/A|0 days|N/A|1|bold",
                                     "kept2.com|5|com|Taken|01-02-2026|17 days|Status: old|0|bold",
                                     "new1.com|4|com|FREE|N/A|0 days|N/A|1|bold",
                                     "new2.com|4|com|N/A|N/A|N/A|Timeout|2|"}));
    EXPECT_EQ(f.counts(), (std::array{2, 1, 1}));
    EXPECT_TRUE(f.prompter.log().isEmpty());

    // remember.txt missing: the message names the failure, and the run's results
    // still come back. A modal message inside the reset would meet a half-built view.
    qsizetype atReset = -1;
    QObject::connect(&g.list, &QAbstractItemModel::modelReset, [&] { atReset = g.prompter.log().size(); });
    g.repopulate();
    EXPECT_EQ(atReset, 0);
    EXPECT_EQ(g.prompter.count(ScriptedPrompter::Kind::Fail), 1);
    EXPECT_TRUE(g.prompter.lastText().startsWith("An error occured while repopulating the list: "));
    EXPECT_GT(g.prompter.lastText().size(), kRepopulateError.size()); // with the reason
    EXPECT_EQ(g.counts(), (std::array{1, 1, 1}));
}

TEST(DaysLeft, YearFormsAndImpossibleDates)
{
    // The date and the expiry it means (year 0: "N/A").
    const std::tuple<const char *, int, int, int> cases[] = {
        {"15-01-2026", 2026, 1, 15}, {"05-03-10", 2010, 3, 5},   {"01-01-00", 2000, 1, 1},
        {"31-12-99", 2099, 12, 31},  {"01-01-0005", 2005, 1, 1}, {"01-01-0123", 2123, 1, 1},
        {"29-02-2024", 2024, 2, 29}, {"29-02-2025", 0, 0, 0},    {"31-04-2026", 0, 0, 0},
        {"01-13-2026", 0, 0, 0},     {"-5-03-2026", 0, 0, 0},    {"05-03", 0, 0, 0},
    };
    for (const auto &[text, y, m, d] : cases) {
        const QString expected = y ? QString::number(kToday.daysTo(QDate(y, m, d))) + " days" : "N/A";
        EXPECT_EQ(daysleft(QString::fromLatin1(text), kToday), expected) << text;
    }
}
