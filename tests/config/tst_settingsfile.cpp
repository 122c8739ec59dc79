#include "config/deftlds.h"
#include "config/programoptions.h"
#include "config/settingsfile.h"
#include "config/tldservertable.h"
#include "engine/qtprinters.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

WhoisConfig defaultConfig()
{
    WhoisConfig c;
    deftlds(c.table);
    c.freeResponses = defaultFreeResponses();
    c.errorResponses = defaultErrorResponses();
    return c;
}

ProgramOptions changedOptions()
{
    ProgramOptions o;
    o.topResultsOnly = 1;
    o.removeSubdomains = 1;
    o.exportAndStart = 1;
    o.topResultsIndex = 18;
    o.queryDelayIndex = 27;
    o.keywordSeparator = 1;
    o.connections = "250";
    o.retryTimes = "7";
    o.timeoutSecs = "45";
    o.expireDays = "365";
    o.retry = false;
    o.checkSelected = true;
    o.hideWizard = true;
    return o;
}

QStringList optionTexts(const ProgramOptions &o)
{
    return {QString::number(o.topResultsOnly),  QString::number(o.removeSubdomains),
            QString::number(o.exportAndStart),  QString::number(o.topResultsIndex),
            QString::number(o.queryDelayIndex), QString::number(o.keywordSeparator),
            o.connections,                      o.retryTimes,
            o.timeoutSecs,                      o.expireDays,
            QString::number(o.retry),           QString::number(o.checkSelected),
            QString::number(o.hideWizard)};
}

QByteArray settingsText(const QByteArray &lists, const QByteArray &options)
{
    return lists + options;
}

const QByteArray kSmallLists = "[TLD servers]\r\nCOM\x01"
                               "a.example, b.example\x01no match\r\nCO.UK\x01"
                               "c.example\x01\r\n[FREE response]\r\nNot Found\r\n"
                               "[ERROR response]\r\ntoo many\r\n[END]\r\n";
const QByteArray kAllOptions = "1\r\n1\r\n0\r\n3\r\n4\r\n2\r\n50\r\n3\r\n15\r\n60\r\n0\r\n1\r\n1\r\n";

} // namespace

TEST(SettingsFile, WritesTheExactLayout)
{
    TempDataFolder folder;
    ScriptedPrompter prompter;
    WhoisConfig config;
    config.table.AddTldEntry("com", "a.example, b.example", "no match");
    config.table.AddTldEntry("co.uk", "c.example", "");
    config.freeResponses = {"Not Found"}; // typed in the settings window: kept as typed
    config.errorResponses = {"too many"};
    ProgramOptions options;
    options.topResultsOnly = 1;
    options.removeSubdomains = 1;
    options.topResultsIndex = 3;
    options.queryDelayIndex = 4;
    options.keywordSeparator = 1;
    options.connections = "50";
    options.retryTimes = "3";
    options.timeoutSecs = "15";
    options.expireDays = "60";
    options.retry = false;
    options.checkSelected = true;
    options.hideWizard = true;
    ASSERT_TRUE(SaveSettings(folder.path(), config, options, prompter));
    EXPECT_EQ(folder.read("settings.ini"), settingsText(kSmallLists, kAllOptions));
    EXPECT_TRUE(prompter.log().isEmpty());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"settings.ini"}));

    for (int sep : {0, 1, 2}) {
        options.keywordSeparator = sep;
        ASSERT_TRUE(SaveSettings(folder.path(), config, options, prompter));
        const QList<QByteArray> lines = folder.read("settings.ini").split('\n');
        EXPECT_EQ(lines[lines.size() - 9], QByteArray::number(sep + 1) + '\r');
    }
}

TEST(SettingsFile, RoundTripRestoresEverything)
{
    TempDataFolder folder;
    ScriptedPrompter prompter;
    WhoisConfig config = defaultConfig();
    config.table.AddTldEntry("zz", "127.0.0.1:10043,", "$Domain$ Is Free");
    config.freeResponses << "Typed With Capitals";
    const ProgramOptions options = changedOptions();
    ASSERT_TRUE(SaveSettings(folder.path(), config, options, prompter));

    WhoisConfig loaded;
    ProgramOptions loadedOptions;
    LoadSettings(folder.path(), loaded, loadedOptions);
    ASSERT_EQ(loaded.table.count(), 112);
    for (int i = 0; i < loaded.table.count(); ++i) {
        EXPECT_EQ(loaded.table.row(i).tld, config.table.row(i).tld);
        EXPECT_EQ(loaded.table.row(i).servers, config.table.row(i).servers);
        EXPECT_EQ(loaded.table.row(i).freeResponse, config.table.row(i).freeResponse);
    }
    EXPECT_EQ(loaded.table.row(30).freeResponse, "domain: $domain$\nstatus: not registered"); // cx
    QStringList expectedFree = config.freeResponses;
    expectedFree.last() = "typed with capitals"; // responses come back lower-cased
    EXPECT_EQ(loaded.freeResponses, expectedFree);
    EXPECT_EQ(loaded.errorResponses, config.errorResponses);
    EXPECT_EQ(optionTexts(loadedOptions), optionTexts(options));
}

TEST(SettingsFile, LoadingStopsWhereTheFileFails)
{
    struct Case {
        const char *what;
        QByteArray bytes;
        int tldRows;
        int freeCount;
        int errorCount;
        int optionsApplied; // how many of O1..O13 took the file's value
    };
    const QByteArray tldOnly = "[TLD servers]\r\nCOM\x01"
                               "a.example\x01\r\n";
    const Case cases[] = {
        {"complete", settingsText(kSmallLists, kAllOptions), 2, 1, 1, 13},
        {"first line not a marker", "hello\r\n" + kSmallLists + kAllOptions, 0, 0, 0, 0},
        {"two-field table line", tldOnly + "NET\x01" "b.example\r\nORG\x01" "c\x01\r\n[END]\r\n" + kAllOptions, 1,
         0, 0, 0},
        {"end of file before [END]", kSmallLists.left(kSmallLists.indexOf("[END]")), 2, 1, 1, 0},
        {"five option lines", kSmallLists + "1\r\n1\r\n0\r\n3\r\n4\r\n", 2, 1, 1, 5},
        {"choice position out of range", kSmallLists + "1\r\n1\r\n0\r\n19\r\n4\r\n2\r\n", 2, 1, 1, 3},
        {"negative choice position", kSmallLists + "1\r\n1\r\n0\r\n3\r\n-1\r\n2\r\n", 2, 1, 1, 4},
        {"check box value 5", kSmallLists + "1\r\n5\r\n", 2, 1, 1, 1},
        {"CR-only line ends", QByteArray(kSmallLists + kAllOptions).replace("\r\n", "\r"), 2, 1, 1, 13},
        {"invalid and duplicate TLD rows skipped",
         "[TLD servers]\r\nC0M\x01x\x01\r\nCOM\x01y\x01\r\ncom\x01z\x01\r\n\x01x\x01\r\nNET\x01\x01\r\n[END]\r\n",
         1, 0, 0, 0},
    };
    for (const Case &c : cases) {
        TempDataFolder folder;
        folder.write("settings.ini", c.bytes);
        WhoisConfig config = defaultConfig();
        ProgramOptions options = changedOptions();
        const QStringList before = optionTexts(options);
        LoadSettings(folder.path(), config, options);
        EXPECT_EQ(config.table.count(), c.tldRows) << c.what;
        EXPECT_EQ(config.freeResponses.size(), c.freeCount) << c.what;
        EXPECT_EQ(config.errorResponses.size(), c.errorCount) << c.what;
        const QStringList after = optionTexts(options);
        const QStringList fromFile = {"1", "1", "0", "3", "4", "1", "50", "3", "15", "60", "0", "1", "1"};
        for (int i = 0; i < 13; ++i)
            EXPECT_EQ(after[i], i < c.optionsApplied ? fromFile[i] : before[i]) << c.what << " O" << i + 1;
    }
}

TEST(SettingsFile, ReadsTheFileAsWrittenAndOptionNumbersLeniently)
{
    TempDataFolder folder;
    folder.write("settings.ini", "[TLD servers]\r\nCX\x01whois.nic.cx\x01"
                                 "Domain: $domain$\nstatus: not registered\r\n"
                                 "[FREE response]\r\nNo Match\r\n\r\n[ERROR response]\r\n[END]\r\n"
                                 " 1\r\n0x\r\n1.0\r\n2.9\r\n0\r\n7\r\n 25abc\r\nabc\r\n1.5\r\n-3\r\n1\r\n0\r\n0\r\n");
    WhoisConfig config;
    ProgramOptions options;
    LoadSettings(folder.path(), config, options);
    ASSERT_EQ(config.table.count(), 1);
    EXPECT_EQ(config.table.row(0).freeResponse, "domain: $domain$\nstatus: not registered");
    EXPECT_EQ(config.freeResponses, QStringList({"no match"})); // the empty line would match every reply
    EXPECT_TRUE(config.errorResponses.isEmpty());
    EXPECT_EQ(options.topResultsOnly, 1);
    EXPECT_EQ(options.removeSubdomains, 0);
    EXPECT_EQ(options.exportAndStart, 1);
    EXPECT_EQ(options.topResultsIndex, 2);
    EXPECT_EQ(options.keywordSeparator, 2); // anything but 1 or 2: both
    EXPECT_EQ(options.connections, "25");
    EXPECT_EQ(options.retryTimes, "0");
    EXPECT_EQ(options.timeoutSecs, "1.5");
    EXPECT_EQ(options.expireDays, "-3");
    EXPECT_TRUE(options.retry);
    EXPECT_FALSE(options.checkSelected);
}

TEST(SettingsFile, SeparatorLineIsMatchedAsText)
{
    struct Case {
        QByteArray line;
        int separator;
    };
    const Case cases[] = {{"1", 0}, {"2", 1}, {"3", 2}, {" 1", 2}, {"01", 2}, {"2x", 2}, {"1.0", 2}, {"", 2}};
    for (const Case &c : cases) {
        TempDataFolder folder;
        folder.write("settings.ini", settingsText(kSmallLists, "0\r\n0\r\n0\r\n0\r\n0\r\n" + c.line
                                                                   + "\r\n20\r\n2\r\n10\r\n30\r\n1\r\n0\r\n0\r\n"));
        WhoisConfig config;
        ProgramOptions options;
        options.keywordSeparator = 1;
        LoadSettings(folder.path(), config, options);
        EXPECT_EQ(options.keywordSeparator, c.separator) << c.line.constData();
        EXPECT_EQ(options.connections, "20") << c.line.constData(); // loading went on past it
    }
}

TEST(SettingsFile, MissingOrEmptyFileKeepsTheDefaults)
{
    for (bool create : {false, true}) {
        TempDataFolder folder;
        if (create)
            folder.write("settings.ini", QByteArray());
        WhoisConfig config = defaultConfig();
        ProgramOptions options = changedOptions();
        LoadSettings(folder.path(), config, options);
        EXPECT_EQ(config.table.count(), 111);
        EXPECT_EQ(config.freeResponses.size(), 28);
        EXPECT_EQ(config.errorResponses.size(), 9);
        EXPECT_EQ(optionTexts(options), optionTexts(changedOptions()));
    }
}

TEST(SettingsFile, GarbageAndTruncatedFilesNeverCrash)
{
    TempDataFolder folder;
    ScriptedPrompter prompter;
    WhoisConfig config = defaultConfig();
    ASSERT_TRUE(SaveSettings(folder.path(), config, changedOptions(), prompter));
    const QByteArray good = folder.read("settings.ini");
    QRandomGenerator rng(1234);
    for (int cut = 0; cut < good.size(); cut += 1 + int(rng.bounded(40))) {
        folder.write("settings.ini", good.left(cut));
        WhoisConfig c = defaultConfig();
        ProgramOptions o = changedOptions();
        LoadSettings(folder.path(), c, o);
        EXPECT_LE(c.table.count(), 111);
        if (cut < good.indexOf("[END]")) {
            EXPECT_EQ(optionTexts(o), optionTexts(changedOptions())) << cut; // options keep their values
        }
    }
    for (int round = 0; round < 200; ++round) {
        QByteArray junk(int(rng.bounded(600)), '\0');
        for (char &ch : junk)
            ch = "\x01\r\n[]ENDTLD servers\0\xff"[rng.bounded(21)];
        if (round % 2)
            junk.prepend("[TLD servers]\r\n");
        folder.write("settings.ini", junk);
        WhoisConfig c = defaultConfig();
        ProgramOptions o;
        LoadSettings(folder.path(), c, o);
        EXPECT_GE(o.topResultsIndex, 0);
        EXPECT_LT(o.topResultsIndex, ProgramOptions::kTopResultsChoices);
        EXPECT_GE(o.queryDelayIndex, 0);
        EXPECT_LT(o.queryDelayIndex, ProgramOptions::kQueryDelayChoices);
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
    ProgramOptions loadedOptions = changedOptions();
    LoadSettings(folder.path(), loaded, loadedOptions);
    ASSERT_EQ(loaded.table.count(), 1);
    EXPECT_EQ(loaded.table.row(0).servers, "a.example b");
    EXPECT_EQ(loaded.table.row(0).freeResponse, "two\nlines");
    EXPECT_EQ(loaded.freeResponses, QStringList({"[end]", "cr\ninside"}));
    EXPECT_EQ(loaded.errorResponses, QStringList({"[tld servers]"}));
    EXPECT_EQ(optionTexts(loadedOptions), optionTexts(options).replaceInStrings("20\r\n7", "207"));
}

TEST(SettingsFile, FailedSaveKeepsTheOldFileAndSaysWhy)
{
    TempDataFolder folder;
    ScriptedPrompter prompter;
    const QByteArray old = settingsText(kSmallLists, kAllOptions);
    folder.write("settings.ini", old);

    // The disk fills up half way through the new file.
    const WhoisConfig config = defaultConfig();
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved1 = SaveSettings(folder.path(), config, ProgramOptions(), prompter);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved1);
    EXPECT_EQ(folder.read("settings.ini"), old);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"settings.ini"}));
    ASSERT_EQ(prompter.log().size(), 1);
    const ScriptedPrompter::Entry &e = prompter.log().first();
    EXPECT_EQ(e.kind, ScriptedPrompter::Kind::Fail);
    EXPECT_EQ(e.title, kProgramTitle);
    const QStringList parts = e.text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(parts.size(), 4) << e.text.toStdString();
    EXPECT_EQ(parts[0], "The following error ocurred while trying to load your settings.");
    EXPECT_EQ(parts[1], "");
    EXPECT_TRUE(QRegularExpression("^Number: \\d+$").match(parts[2]).hasMatch()) << parts[2].toStdString();
    EXPECT_TRUE(parts[3].startsWith("Description: "));
    EXPECT_GT(parts[3].size(), QStringLiteral("Description: ").size());

    // A folder that does not exist (or cannot be written) fails the same way.
    prompter.clearLog();
    EXPECT_FALSE(SaveSettings(folder.file("missing-folder"), config, ProgramOptions(), prompter));
    EXPECT_EQ(prompter.count(ScriptedPrompter::Kind::Fail), 1);
    EXPECT_TRUE(prompter.lastText().startsWith(kSettingsSaveError + "\r\n\r\nNumber: "));
}
