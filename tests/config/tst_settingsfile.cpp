#include "config/settingsfile.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>

#include "config/deftlds.h"
#include "config/programoptions.h"
#include "config/tldservertable.h"
#include "support/filesizelimit.h"
#include "support/qtprinters.h"
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

// The table's rows, then the free and the error responses, one text each.
QStringList configText(const WhoisConfig &c)
{
    QStringList out;
    for (const TldEntry &e : c.table.rows())
        out << e.tld + u'|' + e.servers + u'|' + e.freeResponse;
    return out + QStringList{"[free]"} + c.freeResponses + QStringList{"[error]"} + c.errorResponses;
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

// Loads `bytes` (null: no file) over the default lists and `options`.
WhoisConfig loadOver(const QByteArray &bytes, ProgramOptions &options)
{
    static const TempDataFolder folder;
    QFile::remove(folder.file("settings.ini"));
    if (!bytes.isNull())
        folder.write("settings.ini", bytes);
    WhoisConfig config = defaultConfig();
    LoadSettings(folder.path(), config, options);
    return config;
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
    WhoisConfig config, loaded;
    config.table.AddTldEntry("com", "a.example, b.example", "no match");
    config.table.AddTldEntry("co.uk", "c.example", "");
    config.freeResponses = {"Not Found"}; // typed in the settings window: kept as typed
    config.errorResponses = {"too many"};
    ASSERT_TRUE(SaveSettings(folder.path(), config, kInFile, prompter));
    EXPECT_EQ(folder.read("settings.ini"), kSmallLists + kAllOptions);

    // The cx row's free response holds a line feed; separators, line ends and
    // markers typed into texts must not break the file's structure.
    WhoisConfig expected = config = defaultConfig();
    config.table.AddTldEntry("zz",
                             "127.0.0.1:10043,\x01"
                             "b",
                             "$Domain$ Is\r\nFree");
    config.freeResponses << "Typed With Capitals"
                         << "[END]"
                         << "cr\rinside";
    config.errorResponses << "[TLD servers]";
    ProgramOptions options = kChanged, back;
    options.connections = "2\r\n50";
    ASSERT_TRUE(SaveSettings(folder.path(), config, options, prompter));
    LoadSettings(folder.path(), loaded, back);
    expected.table.AddTldEntry("zz", "127.0.0.1:10043, b", "$domain$ is\nfree");
    expected.freeResponses << "typed with capitals"
                           << "[end]"
                           << "cr\ninside"; // lower-cased on loading
    expected.errorResponses << "[tld servers]";
    EXPECT_EQ(configText(loaded), configText(expected));
    EXPECT_EQ(optionTexts(back), optionTexts(kChanged));
}

TEST(SettingsFile, LoadingStopsWhereTheFileFails)
{
    // The file (null: none), TLD rows, free and error responses after loading, options taken from it.
    const std::tuple<const char *, QByteArray, const char *, int> cases[] = {
        {"complete", kSmallLists + kAllOptions, "2 1 1", 13},
        {"no file", QByteArray(), "111 28 9", 0},
        {"empty file", QByteArray(""), "111 28 9", 0},
        {"first line not a marker", "hello\r\n" + kSmallLists + kAllOptions, "0 0 0", 0},
        {"two-field table line",
         "[TLD servers]\r\nCOM\x01"
         "a\x01\r\nNET\x01"
         "b\r\n[END]\r\n" +
             kAllOptions,
         "1 0 0", 0},
        {"end of file before [END]", kSmallLists.left(kSmallLists.indexOf("[END]")), "2 1 1", 0},
        {"five option lines", kSmallLists + "1\r\n1\r\n0\r\n3\r\n4\r\n", "2 1 1", 5},
        {"choice position out of range", kSmallLists + "1\r\n1\r\n0\r\n19\r\n4\r\n2\r\n", "2 1 1", 3},
        {"check box value 5", kSmallLists + "1\r\n5\r\n", "2 1 1", 1},
        {"CR-only line ends", QByteArray(kSmallLists + kAllOptions).replace("\r\n", "\r"), "2 1 1", 13},
        {"invalid and duplicate TLD rows skipped",
         "[TLD servers]\r\nC0M\x01x\x01\r\nCOM\x01y\x01\r\ncom\x01z\x01\r\nNET\x01\x01\r\n[END]\r\n", "1 0 0",
         0},
    };
    for (const auto &[what, bytes, lists, applied] : cases) {
        ProgramOptions o = kChanged;
        const WhoisConfig config = loadOver(bytes, o);
        EXPECT_EQ(QString::asprintf("%d %d %d", config.table.count(), int(config.freeResponses.size()),
                                    int(config.errorResponses.size())),
                  lists)
            << what;
        EXPECT_EQ(optionTexts(o), optionTexts(kInFile).mid(0, applied) + optionTexts(kChanged).mid(applied))
            << what;
    }
}

TEST(SettingsFile, ReadsOptionNumbersLenientlyAndTheSeparatorAsText)
{
    ProgramOptions o;
    const QByteArray f = "[TLD servers]\r\n[FREE response]\r\nNo Match\r\n\r\n[ERROR response]\r\n[END]\r\n"
                         " 1\r\n0x\r\n1.0\r\n2.9\r\n0\r\n7\r\n 25abc\r\nabc\r\n1.5\r\n-3\r\n1\r\n0\r\n0\r\n";
    EXPECT_EQ(loadOver(f, o).freeResponses, QStringList({"no match"})); // an empty one would match any reply
    EXPECT_EQ(optionTexts(o).join(u' '), "1 0 1 2 0 2 25 0 1.5 -3 1 0 0");
    for (const auto &[text, separator] : std::initializer_list<std::pair<QByteArray, int>>{
             {"1", 0}, {"2", 1}, {"3", 2}, {" 1", 2}, {"01", 2}, {"2x", 2}, {"1.0", 2}, {"", 2}}) {
        o.keywordSeparator = 1; // and loading goes on past its line
        loadOver(kSmallLists + "0\r\n0\r\n0\r\n0\r\n0\r\n" + text + "\r\n20\r\n", o);
        EXPECT_EQ(QString::number(o.keywordSeparator) + o.connections, QString::number(separator) + "20")
            << text.data();
    }
}

TEST(SettingsFile, GarbageAndTruncatedFilesNeverCrash)
{
    for (int cut = 0; cut < kSmallLists.size(); ++cut) {
        ProgramOptions o = kChanged;
        EXPECT_LE(loadOver(kSmallLists.left(cut), o).table.count(), 111);
        EXPECT_EQ(optionTexts(o), optionTexts(kChanged)) << cut; // options keep their values
    }
    QRandomGenerator rng(1234);
    for (int round = 0; round < 200; ++round) {
        QByteArray junk(int(rng.bounded(600)), '\0');
        for (char &ch : junk)
            ch = "\x01\r\n[]ENDTLD servers\0\xff"[rng.bounded(21)];
        ProgramOptions o;
        loadOver(round % 2 ? "[TLD servers]\r\n" + junk : junk, o);
        EXPECT_GE(o.topResultsIndex, 0);
        EXPECT_LT(o.topResultsIndex, ProgramOptions::kTopResultsChoices);
        EXPECT_GE(o.queryDelayIndex, 0);
        EXPECT_LT(o.queryDelayIndex, ProgramOptions::kQueryDelayChoices);
    }
}

TEST(SettingsFile, FailedSaveKeepsTheOldFileAndSaysWhy)
{
    TempDataFolder folder;
    ScriptedPrompter prompter;
    folder.write("settings.ini", kSmallLists + kAllOptions);
    {
        // The disk fills up half way through the new file.
        const FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.active());
        EXPECT_FALSE(SaveSettings(folder.path(), defaultConfig(), ProgramOptions(), prompter));
    }
    EXPECT_EQ(folder.read("settings.ini"), kSmallLists + kAllOptions);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"rdap-dns.json", "settings.ini"}));
    EXPECT_FALSE(SaveSettings(folder.file("missing-folder"), defaultConfig(), ProgramOptions(), prompter));
    const QRegularExpression message("^The following error ocurred while trying to load your settings\\."
                                     "\r\n\r\nNumber: \\d+\r\nDescription: .+$");
    ASSERT_EQ(prompter.count(ScriptedPrompter::Kind::Fail), 2);
    for (const auto &entry : prompter.log()) {
        EXPECT_EQ(entry.title, kProgramTitle);
        EXPECT_TRUE(message.match(entry.text).hasMatch()) << entry.text.toStdString();
    }
}
