#include "engine/runjournal.h"

#include "support/qtprinters.h"
#include "support/tempdatafolder.h"

#include <gtest/gtest.h>

namespace {

RunJournal sample()
{
    RunJournal j;
    j.connections = "7";
    j.timeoutSecs = "12";
    j.retry = true;
    j.retryTimes = "3";
    j.expireDays = "40";
    j.selectedOnly = true;
    j.rdapMode = RdapMode::First;
    j.recognition = true;
    j.names = {"a.com", "b.net", "c.org"};
    return j;
}

} // namespace

TEST(RunJournal, WrittenJournalReadsBackAndReplacesAnEarlierOne)
{
    TempDataFolder folder;
    QString error;
    EXPECT_FALSE(RunJournal::read(folder.path(), &error));
    EXPECT_TRUE(error.isEmpty()); // no journal is no fault
    RunJournal j = sample();
    j.names = QStringList{"old.com"};
    ASSERT_FALSE(j.write(folder.path()));
    j = sample();
    ASSERT_FALSE(j.write(folder.path()));
    EXPECT_FALSE(folder.exists("journal.txt.new"));
    const auto back = RunJournal::read(folder.path(), &error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(back->names, j.names);
    EXPECT_EQ(QStringList({back->connections, back->timeoutSecs, back->retryTimes, back->expireDays}),
              QStringList({"7", "12", "3", "40"}));
    EXPECT_TRUE(back->retry && back->selectedOnly && back->recognition);
    EXPECT_EQ(back->rdapMode, RdapMode::First);
    EXPECT_TRUE(RunJournal::remove(folder.path()));
    EXPECT_FALSE(RunJournal::exists(folder.path()));
}

TEST(RunJournal, UnusableJournalsAreRefusedWithTheirReason)
{
    TempDataFolder folder;
    ASSERT_FALSE(sample().write(folder.path()));
    const QByteArray whole = folder.read("journal.txt");
    const QByteArray head = "Quorvane run journal\x01"
                            "1\r\n";
    const std::pair<QByteArray, const char *> cases[] = {
        {"", "the file is empty"},
        {"a.com\r\nb.com\r\n", "it is not a run journal"},
        {"Quorvane run journal\x01"
         "9\r\n",
         "it is of another version (9)"},
        {whole.left(whole.size() - 12), "it is incomplete"},        // cut inside the names
        {whole.left(whole.indexOf("end\x01")), "it is incomplete"}, // the end line is missing
        {head + "options\x01"
                "7\x01"
                "12\x01yes\x01"
                "3\x01"
                "40\x01"
                "1\x01"
                "first\x01"
                "1\x01"
                "0\r\n",
         "its options cannot be read"},
        {head + "options\x01"
                "7\r\n",
         "it is incomplete"},
    };
    for (const auto &[bytes, reason] : cases) {
        folder.write("journal.txt", bytes);
        QString error;
        EXPECT_FALSE(RunJournal::read(folder.path(), &error));
        EXPECT_EQ(error, QString::fromLatin1(reason)) << bytes.left(60).toStdString();
        EXPECT_EQ(folder.read("journal.txt"), bytes); // left as it is
    }
}

TEST(RunJournal, ProgressIgnoresATornLastLineAndCutsItOff)
{
    const RunJournal j = sample();
    const QByteArray a = "a.com\x01"
                         "FREE\x01N/A\x01N/A\r\n";
    const std::tuple<QByteArray, QStringList, QByteArray> cases[] = {
        // temp.txt, the names still to ask, temp.txt afterwards
        {a, {"b.net", "c.org"}, a},
        {a + "C.ORG\x01Taken\x01N/A\x01Status: ok\r\n",
         {"b.net"},
         a + "C.ORG\x01Taken\x01N/A\x01Status: ok\r\n"},
        // The program died while writing: a line with all its fields but a cut information text.
        {a + "b.net\x01Taken\x01N/A\x01Stat", {"b.net", "c.org"}, a},
        {"b.ne", {"a.com", "b.net", "c.org"}, ""},
    };
    for (const auto &[temp, unfinished, after] : cases) {
        TempDataFolder folder;
        if (!temp.isNull())
            folder.write("temp.txt", temp);
        RunProgress progress;
        EXPECT_FALSE(readRunProgress(folder.path(), j, progress));
        EXPECT_EQ(progress.unfinished, unfinished) << temp.toStdString();
        EXPECT_EQ(progress.total, 3);
        EXPECT_EQ(folder.read("temp.txt"), after);
    }
}
