#include "engine/runjournal.h"

#include "support/qtprinters.h"
#include "support/tempdatafolder.h"

#include <gtest/gtest.h>

namespace {

// Work-file text with "|" for the field separator.
QByteArray fields(QByteArray text)
{
    return text.replace('|', '\x01');
}

} // namespace

TEST(RunJournal, WrittenJournalReadsBackAndReplacesAnEarlierOne)
{
    TempDataFolder folder;
    QString error;
    EXPECT_FALSE(RunJournal::read(folder.path(), &error));
    EXPECT_TRUE(error.isEmpty()); // no journal is no fault
    RunJournal j{"7", "12", true, "3", "40", true, RdapMode::First, true, {"old.com"}};
    ASSERT_FALSE(j.write(folder.path()));
    j.names = QStringList{"a.com", "b.net"};
    ASSERT_FALSE(j.write(folder.path()));
    EXPECT_FALSE(folder.exists("journal.txt.new"));
    EXPECT_EQ(folder.read("journal.txt"), fields("Quorvane run journal|1\r\noptions|7|12|1|3|40|1|first|1\r\n"
                                                 "names|2\r\na.com\r\nb.net\r\nend|2\r\n"));
    // Every field read back: written again, the journal is the same file.
    const auto back = RunJournal::read(folder.path(), &error);
    ASSERT_TRUE(back) << error.toStdString();
    const QByteArray first = folder.read("journal.txt");
    ASSERT_FALSE(back->write(folder.path()));
    EXPECT_EQ(folder.read("journal.txt"), first);
    EXPECT_TRUE(RunJournal::remove(folder.path()));
    EXPECT_FALSE(RunJournal::exists(folder.path()));
}

TEST(RunJournal, UnusableJournalsAreRefusedWithTheirReasonAndLeftAlone)
{
    const QByteArray head = fields("Quorvane run journal|1\r\noptions|7|12|1|3|40|1|first|1\r\n");
    const std::pair<QByteArray, const char *> cases[] = {
        {"", "the file is empty"},
        {"a.com\r\nb.com\r\n", "it is not a run journal"},
        {fields("Quorvane run journal|9\r\n"), "it is of another version (9)"},
        {head + fields("names|2\r\na.com\r\n"), "it is incomplete"},
        {head + fields("names|2\r\na.com\r\nb.com\r\n"), "it is incomplete"}, // no end line
        {QByteArray(head).replace(fields("|12|1|"), fields("|12|yes|")), "its options cannot be read"},
        {fields("Quorvane run journal|1\r\noptions|7\r\n"), "it is incomplete"},
    };
    for (const auto &[bytes, reason] : cases) {
        TempDataFolder folder;
        folder.write("journal.txt", bytes);
        QString error;
        EXPECT_FALSE(RunJournal::read(folder.path(), &error));
        EXPECT_EQ(error, QString::fromLatin1(reason)) << bytes.left(60).toStdString();
        EXPECT_EQ(folder.read("journal.txt"), bytes);
    }
}

TEST(RunJournal, ProgressIgnoresATornLastLineAndCutsItOff)
{
    RunJournal j;
    j.names = QStringList{"a.com", "b.net", "c.org"};
    const QByteArray a = fields("a.com|FREE|N/A|N/A\r\n"), c = fields("C.ORG|Taken|N/A|Status: ok\r\n");
    const std::tuple<QByteArray, QStringList, QByteArray> cases[] = {
        // temp.txt, the names still to ask, temp.txt afterwards
        {a, {"b.net", "c.org"}, a},
        {a + c, {"b.net"}, a + c},
        // The program died while writing: a line with all its fields but a cut information text.
        {a + fields("b.net|Taken|N/A|Stat"), {"b.net", "c.org"}, a},
        {"b.ne", {"a.com", "b.net", "c.org"}, ""},
    };
    for (const auto &[temp, unfinished, after] : cases) {
        TempDataFolder folder;
        folder.write("temp.txt", temp);
        RunProgress progress;
        EXPECT_FALSE(readRunProgress(folder.path(), j, progress));
        EXPECT_EQ(progress.unfinished, unfinished) << temp.toStdString();
        EXPECT_EQ(progress.total, 3);
        EXPECT_EQ(folder.read("temp.txt"), after);
    }
}
