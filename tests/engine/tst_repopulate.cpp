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

QByteArray line(std::initializer_list<const char *> fields, const char *end = "\r\n")
{
    QByteArray out;
    bool first = true;
    for (const char *f : fields) {
        if (!first)
            out += '\x01';
        first = false;
        out += f;
    }
    return out + end;
}

QStringList cells(const DomainRow &r)
{
    QStringList out;
    for (const QString &c : r.cells)
        out << c;
    return out;
}

// Records whether the list was still inside its reset when a message came.
class ResetAwarePrompter : public ScriptedPrompter
{
public:
    explicit ResetAwarePrompter(const DomainListModel &list)
        : m_list(list)
    {
    }
    void fail(const QString &title, const QString &text) override
    {
        failedInsideReset = failedInsideReset || m_list.inBulk();
        ScriptedPrompter::fail(title, text);
    }
    bool failedInsideReset = false;

private:
    const DomainListModel &m_list;
};

struct Fixture {
    TempDataFolder folder;
    DomainListModel list;
    RunState run;
    ResetAwarePrompter prompter{list};

    Fixture()
    {
        run.suffixes.mylist({});
        run.blueLimit = 30;
    }
    void repopulate() { ::repopulate(list, run, folder.path(), kToday, prompter); }
};

} // namespace

TEST(Repopulate, DerivesCellsCountsAndColoursFromResultLines)
{
    Fixture f;
    f.list.setAutoSort(true);
    QByteArray temp;
    temp += line({"free.com", "FREE", "N/A", "N/A"});
    temp += line({"taken.co.uk", "Taken", "05-03-2026", "Status: ok"}, "\n");
    temp += line({"soon.com", "Taken", "20-01-26", "N/A"}, "\r");
    temp += line({"past.com", "Taken", "12-01-2026", "N/A"});
    temp += line({"today.com", "Taken", "15-01-2026", "N/A"});
    temp += line({"limit.com", "Taken", "14-02-2026", "N/A"});
    temp += line({"beyond.com", "Taken", "15-02-2026", "N/A"});
    temp += line({"nodate.com", "Taken", "N/A", "Status: active"});
    temp += line({"upper.com", "Taken", "N/A", "STATUS: Locked"});
    temp += line({"nostatus.com", "Taken", "N/A", "N/A"});
    temp += line({"slow.com", "N/A", "N/A", "Timeout"});
    temp += line({"unreached.com", "N/A", "N/A", ""});
    temp += line({"impossible.com", "Taken", "31-04-2026", "N/A"});
    temp += line({"nodot", "FREE", "N/A", "N/A"});
    temp += line({"  spaced.com ", "FREE", "N/A", "N/A"});
    temp += line({"three.com", "FREE", "N/A"});
    temp += line({"five.com", "FREE", "N/A", "N/A", "x"});
    temp += line({"dup.com", "FREE", "N/A", "N/A"});
    temp += line({"dup.com", "N/A", "N/A", ""}); // a Stop's extra line loses to the real result
    temp += line({"free.com", "Taken", "N/A", "N/A"}, "");
    f.folder.write("temp.txt", temp);
    f.run.selectedOnly = false;
    f.repopulate();

    struct Expected {
        QStringList cells;
        int colour;
        bool bold;
    };
    const Expected expected[] = {
        {{"free.com", "4", "com", "FREE", "N/A", "0 days", "N/A"}, ColourGreen, true},
        {{"taken.co.uk", "5", "co.uk", "Taken", "05-03-2026", "49 days", "Status: ok"}, ColourNone, false},
        {{"soon.com", "4", "com", "Taken", "20-01-26", "5 days", "N/A"}, ColourBlue, true},
        {{"past.com", "4", "com", "Taken", "12-01-2026", "-3 days", "N/A"}, ColourBlue, true},
        {{"today.com", "5", "com", "Taken", "15-01-26", "0 days", "N/A"}, ColourBlue, true},
        {{"limit.com", "5", "com", "Taken", "14-02-2026", "30 days", "N/A"}, ColourBlue, true},
        {{"beyond.com", "6", "com", "Taken", "15-02-2026", "31 days", "N/A"}, ColourNone, false},
        {{"nodate.com", "6", "com", "Taken", "N/A", "N/A", "Status: active"}, ColourNone, false},
        {{"upper.com", "5", "com", "Taken", "N/A", "N/A", "STATUS: Locked"}, ColourNone, false},
        {{"nostatus.com", "8", "com", "Taken", "N/A", "N/A", "N/A"}, ColourNone, false},
        {{"slow.com", "4", "com", "N/A", "N/A", "N/A", "Timeout"}, ColourGrey, false},
        {{"unreached.com", "9", "com", "N/A", "N/A", "N/A", ""}, ColourGrey, false},
        {{"impossible.com", "10", "com", "Taken", "31-04-2026", "N/A", "N/A"}, ColourNone, false},
        {{"nodot", "N/A", "N/A", "FREE", "N/A", "0 days", "N/A"}, ColourGreen, true},
        {{"spaced.com", "6", "com", "FREE", "N/A", "0 days", "N/A"}, ColourGreen, true},
        {{"dup.com", "3", "com", "FREE", "N/A", "0 days", "N/A"}, ColourGreen, true},
    };
    ASSERT_EQ(f.list.size(), int(std::size(expected)));
    for (int i = 0; i < f.list.size(); ++i) {
        const Expected &e = expected[i];
        EXPECT_EQ(cells(f.list.rowAt(i)), e.cells) << i;
        EXPECT_EQ(f.list.rowAt(i).colour, e.colour) << e.cells[0].toStdString();
        EXPECT_EQ(f.list.rowAt(i).bold, e.bold) << e.cells[0].toStdString();
    }
    EXPECT_EQ(f.run.freeCount, 4);
    EXPECT_EQ(f.run.takenCount, 10);
    EXPECT_EQ(f.run.uncheckedCount, 2);
    EXPECT_FALSE(f.list.autoSort());
    EXPECT_TRUE(f.prompter.log().isEmpty());
}

TEST(Repopulate, RebuildsInOneResetAndCountsAfresh)
{
    Fixture f;
    f.run.freeCount = 7;
    f.run.takenCount = 7;
    f.run.uncheckedCount = 7;
    f.folder.write("temp.txt", line({"a.com", "FREE", "N/A", "N/A"}) + line({"b.com", "Taken", "N/A", "N/A"}));
    QAbstractItemModelTester tester(&f.list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy reset(&f.list, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&f.list, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&f.list, &QAbstractItemModel::dataChanged);
    f.repopulate();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(f.run.freeCount, 1);
    EXPECT_EQ(f.run.takenCount, 1);
    EXPECT_EQ(f.run.uncheckedCount, 0);
}

TEST(Repopulate, SelectedOnlyRunKeepsUnselectedRowsAndCountsTheWholeList)
{
    Fixture f;
    f.run.selectedOnly = true;
    QByteArray remember;
    remember += line({"kept1.com", "5", "com", "FREE", "N/A", "0 days", "N/A"});
    remember += line({"kept2.com", "5", "com", "Taken", "01-02-2026", "17 days", "Status: old"});
    remember += line({"kept3.com", "5", "com", "Taken", "01-02-2027", "382 days", "N/A"});
    remember += line({"kept4.com", "5", "com", "N/A", "N/A", "N/A", "Timeout"});
    f.folder.write("remember.txt", remember);
    QByteArray temp;
    temp += line({"new1.com", "FREE", "N/A", "N/A"});
    temp += line({"new2.com", "N/A", "N/A", "Timeout"});
    temp += line({"kept1.com", "Taken", "N/A", "N/A"}); // a kept row is not overwritten
    f.folder.write("temp.txt", temp);
    f.repopulate();

    ASSERT_EQ(f.list.size(), 6);
    EXPECT_EQ(cells(f.list.rowAt(1)),
              QStringList({"kept2.com", "5", "com", "Taken", "01-02-2026", "17 days", "Status: old"}));
    EXPECT_EQ(cells(f.list.rowAt(0))[ColAvailability], "FREE");
    EXPECT_EQ(f.list.rowAt(4).cells[ColDomain], "new1.com");
    const int colours[] = {ColourGreen, ColourBlue, ColourNone, ColourGrey, ColourGreen, ColourGrey};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(f.list.rowAt(i).colour, colours[i]) << i;
    EXPECT_EQ(f.run.freeCount, 2);
    EXPECT_EQ(f.run.takenCount, 2);
    EXPECT_EQ(f.run.uncheckedCount, 2);
    EXPECT_FALSE(f.run.selectedOnly);
}

TEST(Repopulate, UnreadableFilesAreReportedAfterTheReset)
{
    // remember.txt missing: the message names the failure, and the run's
    // results in temp.txt still come back rather than being dropped.
    Fixture f;
    f.run.selectedOnly = true;
    f.folder.write("temp.txt", line({"a.com", "FREE", "N/A", "N/A"}));
    f.repopulate();
    ASSERT_EQ(f.prompter.log().size(), 1);
    const auto &entry = f.prompter.log().first();
    EXPECT_EQ(entry.kind, ScriptedPrompter::Kind::Fail);
    EXPECT_EQ(entry.title, kProgramTitle);
    EXPECT_TRUE(entry.text.startsWith("An error occured while repopulating the list: ")) << entry.text.toStdString();
    EXPECT_GT(entry.text.size(), kRepopulateError.size());
    EXPECT_FALSE(f.prompter.failedInsideReset);
    EXPECT_FALSE(f.run.selectedOnly);
    EXPECT_EQ(f.list.size(), 1);
    EXPECT_EQ(f.run.freeCount, 1);

    // temp.txt missing too: what the list holds stays.
    Fixture g;
    g.list.addRow(DomainRow{{"old.com", "3", "com", "N/A", "N/A", "N/A", ""}});
    g.repopulate();
    ASSERT_EQ(g.prompter.log().size(), 1);
    EXPECT_TRUE(g.prompter.lastText().startsWith(kRepopulateError));
    EXPECT_EQ(g.list.size(), 1);
}

TEST(DaysLeft, YearFormsAndImpossibleDates)
{
    struct Case {
        const char *text;
        QDate date; // invalid: "N/A"
    };
    const Case cases[] = {
        {"15-01-2026", QDate(2026, 1, 15)}, {"16-01-26", QDate(2026, 1, 16)},  {"14-01-2026", QDate(2026, 1, 14)},
        {"05-03-10", QDate(2010, 3, 5)},    {"05-03-05", QDate(2005, 3, 5)},   {"01-01-00", QDate(2000, 1, 1)},
        {"01-01-0005", QDate(2005, 1, 1)},  {"01-01-0123", QDate(2123, 1, 1)}, {"05-03-2010", QDate(2010, 3, 5)},
        {"29-02-2024", QDate(2024, 2, 29)}, {"31-12-99", QDate(2099, 12, 31)},
        {"29-02-2025", QDate()},            {"31-04-2026", QDate()},           {"01-13-2026", QDate()},
        {"00-01-2026", QDate()},            {"ab-cd-efgh", QDate()},           {"", QDate()},
        {"05-03", QDate()},                 {"-5-03-2026", QDate()},
    };
    for (const Case &c : cases) {
        const QString expected =
            c.date.isValid() ? QString::number(kToday.daysTo(c.date)) + " days" : QStringLiteral("N/A");
        EXPECT_EQ(daysleft(QString::fromLatin1(c.text), kToday), expected) << c.text;
    }
    EXPECT_EQ(daysleft("15-01-2026", kToday), "0 days");
    EXPECT_EQ(daysleft("12-01-2026", kToday), "-3 days");
}
