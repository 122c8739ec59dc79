#include "config/settingsfile.h"

#include <csignal>
#include <sys/resource.h>

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>

#include "config/deftlds.h"
#include "config/programoptions.h"
#include "config/tldservertable.h"
#include "engine/qtprinters.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <gtest/gtest.h>

namespace {

WhoisConfig defaultConfig()
{
    WhoisConfig c;
    deftlds(c.table);
    c.restorefreeresponses();
    c.restorefailedresponses();
    return c;
}

// O1..O13 as the file writes them, apart from the separator (O6), which is written one higher.
QStringList optionTexts(const ProgramOptions &o)
{
    const auto n = [](int v) { return QString::number(v); };
    return {n(o.topResultsOnly),  n(o.removeSubdomains), n(o.exportAndStart), n(o.topResultsIndex),
            n(o.queryDelayIndex), n(o.keywordSeparator), o.connections,       o.retryTimes,
            o.timeoutSecs,        o.expireDays,          n(o.retry),          n(o.checkSelected),
            n(o.hideWizard)};
}

const ProgramOptions kChanged{1, 1, 1, 18, 27, 1, "250", "7", "45", "365", false, true, true};
const ProgramOptions kInFile{1, 1, 0, 3, 4, 1, "50", "3", "15", "60", false, true, true}; // kAllOptions
const QByteArray kAllOptions = "1\r\n1\r\n0\r\n3\r\n4\r\n2\r\n50\r\n3\r\n15\r\n60\r\n0\r\n1\r\n1\r\n";
const QByteArray kSmallLists = "[TLD servers]\r\nCOM\x01"
                               "a.example, b.example\x01no match\r\nCO.UK\x01"
                               "c.example\x01\r\n[FREE response]\r\nNot Found\r\n"
                               "[ERROR response]\r\ntoo many\r\n[END]\r\n";

} // namespace

TEST(SettingsFile, WritesTheExactLayoutAndReadsEverythingBack)
{
    TempDataFolder folder;
    ScriptedPrompter prompter;
    WhoisConfig config;
    config.table.AddTldEntry("com", "a.example, b.example", "no match");
    config.table.AddTldEntry("co.uk", "c.example", "");
    config.freeResponses = {"Not Found"}; // typed in the settings window: kept as typed
    config.errorResponses = {"too many"};
    ASSERT_TRUE(SaveSettings(folder.path(), config, kInFile, prompter));
    EXPECT_EQ(folder.read("settings.ini"), kSmallLists + kAllOptions);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"settings.ini"}));

    config = defaultConfig(); // the cx row's free response holds a line feed
    config.table.AddTldEntry("zz", "127.0.0.1:10043,", "$Domain$ Is Free");
    config.freeResponses << "Typed With Capitals";
    ASSERT_TRUE(SaveSettings(folder.path(), config, kChanged, prompter));
    WhoisConfig loaded;
    ProgramOptions options;
    LoadSettings(folder.path(), loaded, options);
    ASSERT_EQ(loaded.table.count(), 112);
    for (int i = 0; i < loaded.table.count(); ++i) {
        const TldEntry &a = loaded.table.row(i), &b = config.table.row(i);
        EXPECT_EQ(QStringList({a.tld, a.servers, a.freeResponse}),
                  QStringList({b.tld, b.servers, b.freeResponse}));
    }
    config.freeResponses.last() = "typed with capitals"; // responses come back lower-cased
    EXPECT_EQ(loaded.freeResponses, config.freeResponses);
    EXPECT_EQ(loaded.errorResponses, config.errorResponses);
    EXPECT_EQ(optionTexts(options), optionTexts(kChanged));
    EXPECT_TRUE(prompter.log().isEmpty());
}

TEST(SettingsFile, LoadingStopsWhereTheFileFails)
{
    const QByteArray tldOnly = "[TLD servers]\r\nCOM\x01" "a.example\x01\r\n";
    const struct {
        const char *what;
        QByteArray bytes; // null: no file
        int tldRows, freeCount, errorCount;
        int optionsApplied; // how many of O1..O13 took the file's value
    } cases[] = {
        {"complete", kSmallLists + kAllOptions, 2, 1, 1, 13},
        {"no file", QByteArray(), 111, 28, 9, 0},
        {"empty file", QByteArray(""), 111, 28, 9, 0},
        {"first line not a marker", "hello\r\n" + kSmallLists + kAllOptions, 0, 0, 0, 0},
        {"two-field table line",
         tldOnly + "NET\x01" "b.example\r\nORG\x01" "c\x01\r\n[END]\r\n" + kAllOptions, 1, 0, 0, 0},
        {"end of file before [END]", kSmallLists.left(kSmallLists.indexOf("[END]")), 2, 1, 1, 0},
        {"five option lines", kSmallLists + "1\r\n1\r\n0\r\n3\r\n4\r\n", 2, 1, 1, 5},
        {"choice position out of range", kSmallLists + "1\r\n1\r\n0\r\n19\r\n4\r\n2\r\n", 2, 1, 1, 3},
        {"negative choice position", kSmallLists + "1\r\n1\r\n0\r\n3\r\n-1\r\n2\r\n", 2, 1, 1, 4},
        {"check box value 5", kSmallLists + "1\r\n5\r\n", 2, 1, 1, 1},
        {"CR-only line ends", QByteArray(kSmallLists + kAllOptions).replace("\r\n", "\r"), 2, 1, 1, 13},
        {"invalid and duplicate TLD rows skipped",
         "[TLD servers]\r\nC0M\x01x\x01\r\nCOM\x01y\x01\r\ncom\x01z\x01\r\n"
         "\x01x\x01\r\nNET\x01\x01\r\n[END]\r\n",
         1, 0, 0, 0},
    };
    for (const auto &c : cases) {
        TempDataFolder folder;
        if (!c.bytes.isNull())
            folder.write("settings.ini", c.bytes);
        WhoisConfig config = defaultConfig();
        ProgramOptions options = kChanged;
        LoadSettings(folder.path(), config, options);
        EXPECT_EQ(config.table.count(), c.tldRows) << c.what;
        EXPECT_EQ(config.freeResponses.size(), c.freeCount) << c.what;
        EXPECT_EQ(config.errorResponses.size(), c.errorCount) << c.what;
        const QStringList after = optionTexts(options), before = optionTexts(kChanged);
        const QStringList file = optionTexts(kInFile);
        for (int i = 0; i < 13; ++i)
            EXPECT_EQ(after[i], i < c.optionsApplied ? file[i] : before[i]) << c.what << " O" << i + 1;
    }
}

TEST(SettingsFile, ReadsOptionNumbersLenientlyAndTheSeparatorAsText)
{
    TempDataFolder folder;
    folder.write("settings.ini",
                 "[TLD servers]\r\n[FREE response]\r\nNo Match\r\n\r\n[ERROR response]\r\n[END]\r\n"
                 " 1\r\n0x\r\n1.0\r\n2.9\r\n0\r\n7\r\n 25abc\r\nabc\r\n1.5\r\n-3\r\n1\r\n0\r\n0\r\n");
    WhoisConfig config;
    ProgramOptions options;
    LoadSettings(folder.path(), config, options);
    EXPECT_EQ(config.freeResponses, QStringList({"no match"})); // the empty line would match every reply
    EXPECT_EQ(optionTexts(options),
              QStringList({"1", "0", "1", "2", "0", "2", "25", "0", "1.5", "-3", "1", "0", "0"}));

    const std::pair<QByteArray, int> separators[] = {{"1", 0},  {"2", 1},  {"3", 2},   {" 1", 2},
                                                     {"01", 2}, {"2x", 2}, {"1.0", 2}, {"", 2}};
    for (const auto &[text, separator] : separators) {
        folder.write("settings.ini", kSmallLists + "0\r\n0\r\n0\r\n0\r\n0\r\n" + text
                                         + "\r\n20\r\n2\r\n10\r\n30\r\n1\r\n0\r\n0\r\n");
        options.keywordSeparator = 1;
        LoadSettings(folder.path(), config, options);
        EXPECT_EQ(options.keywordSeparator, separator) << text.constData();
        EXPECT_EQ(options.connections, "20") << text.constData(); // loading went on past it
    }
}

TEST(SettingsFile, GarbageAndTruncatedFilesNeverCrash)
{
    TempDataFolder folder;
    ScriptedPrompter prompter;
    ASSERT_TRUE(SaveSettings(folder.path(), defaultConfig(), kChanged, prompter));
    const QByteArray good = folder.read("settings.ini");
    QRandomGenerator rng(1234);
    for (int cut = 0; cut < good.size(); cut += 1 + int(rng.bounded(40))) {
        folder.write("settings.ini", good.left(cut));
        WhoisConfig c = defaultConfig();
        ProgramOptions o = kChanged;
        LoadSettings(folder.path(), c, o);
        EXPECT_LE(c.table.count(), 111);
        EXPECT_EQ(optionTexts(o), optionTexts(kChanged)) << cut; // options keep their values
    }
    for (int round = 0; round < 200; ++round) {
        QByteArray junk(int(rng.bounded(600)), '\0');
        for (char &ch : junk)
            ch = "\x01\r\n[]ENDTLD servers\0\xff"[rng.bounded(21)];
        folder.write("settings.ini", round % 2 ? "[TLD servers]\r\n" + junk : junk);
        WhoisConfig c = defaultConfig();
        ProgramOptions o;
        LoadSettings(folder.path(), c, o);
        EXPECT_TRUE(o.topResultsIndex >= 0 && o.topResultsIndex < ProgramOptions::kTopResultsChoices);
        EXPECT_TRUE(o.queryDelayIndex >= 0 && o.queryDelayIndex < ProgramOptions::kQueryDelayChoices);
    }
}

TEST(SettingsFile, StructureSurvivesAwkwardTexts)
{
    TempDataFolder folder;
    ScriptedPrompter prompter;
    WhoisConfig config;
    config.table.AddTldEntry("com", "a.example\x01" "b", "two\r\nlines");
    config.freeResponses = {"[END]", "cr\rinside"};
    config.errorResponses = {"[TLD servers]"};
    ProgramOptions options;
    options.connections = "20\r\n7";
    ASSERT_TRUE(SaveSettings(folder.path(), config, options, prompter));
    WhoisConfig loaded;
    ProgramOptions loadedOptions = kChanged;
    LoadSettings(folder.path(), loaded, loadedOptions);
    ASSERT_EQ(loaded.table.count(), 1);
    EXPECT_EQ(loaded.table.row(0).servers, "a.example b");
    EXPECT_EQ(loaded.table.row(0).freeResponse, "two\nlines");
    EXPECT_EQ(loaded.freeResponses + loaded.errorResponses,
              QStringList({"[end]", "cr\ninside", "[tld servers]"}));
    EXPECT_EQ(optionTexts(loadedOptions), optionTexts(options).replaceInStrings("20\r\n7", "207"));
}

TEST(SettingsFile, FailedSaveKeepsTheOldFileAndSaysWhy)
{
    TempDataFolder folder;
    ScriptedPrompter prompter;
    folder.write("settings.ini", kSmallLists + kAllOptions);

    // The disk fills up half way through the new file.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = SaveSettings(folder.path(), defaultConfig(), ProgramOptions(), prompter);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(folder.read("settings.ini"), kSmallLists + kAllOptions);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"settings.ini"}));
    ASSERT_EQ(prompter.count(ScriptedPrompter::Kind::Fail), 1);
    EXPECT_EQ(prompter.log().first().title, kProgramTitle);
    const QRegularExpression message("^The following error ocurred while trying to load your settings\\."
                                     "\r\n\r\nNumber: \\d+\r\nDescription: .+$");
    EXPECT_TRUE(message.match(prompter.lastText()).hasMatch()) << prompter.lastText().toStdString();

    // A folder that does not exist (or cannot be written) fails the same way.
    EXPECT_FALSE(SaveSettings(folder.file("missing-folder"), defaultConfig(), ProgramOptions(), prompter));
    EXPECT_EQ(prompter.count(ScriptedPrompter::Kind::Fail), 2);
    EXPECT_TRUE(message.match(prompter.lastText()).hasMatch());
}
