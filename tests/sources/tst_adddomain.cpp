#include "base/textfile.h"
#include "sources/fileimport.h"
#include "sourcetesting.h"
#include "support/qtprinters.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

const QString kManyRows = QStringLiteral(
    "You have now added over 100,000 domains to the main list!\r\nThis uses a LOT of ram on your "
    "computer.\r\n\r\n"
    "We suggest that you check no more than 100,000 domains at a time unless you have a lot of RAM.\r\n\r\n"
    "Are you sure that you would like to continue?");

// Notes whether the view was up to date whenever a question came.
struct ViewCheckingPrompter : ScriptedPrompter {
    explicit ViewCheckingPrompter(const DomainListModel &list)
        : list(list)
    {
    }
    bool askYesNo(const QString &title, const QString &text, PromptIcon icon, bool defaultYes) override
    {
        askedWhileHidden = askedWhileHidden || list.inBulk() || list.rowCount() != list.size();
        return ScriptedPrompter::askYesNo(title, text, icon, defaultYes);
    }
    const DomainListModel &list;
    bool askedWhileHidden = false;
};

struct Import {
    DomainListModel list;
    TldSuffixList suffixes;
    ScriptedPrompter prompter;
    TempDataFolder folder;

    ImportResult run(const QByteArray &file, ImportRule rule)
    {
        folder.write("in.txt", file);
        LineReader reader(folder.file("in.txt"), LineReader::Ends::AnyLineEnd,
                          LineReader::Decoding::Utf8Names);
        EXPECT_TRUE(reader.open());
        ExportToMain exporter(list, suffixes, prompter);
        const ImportResult result = importNames(reader, rule, exporter, {});
        exporter.finish();
        return result;
    }
};

} // namespace

TEST(AddDomain, BuildsUncheckedRowsAtTheirSortedPlace)
{
    DomainListModel list;
    TldSuffixList suffixes;
    suffixes.mylist({});
    for (QString name : {"Example.TEST", "example.co.uk", "sub.example.org", "localhost", "EXAMPLE.test"})
        adddomain(list, suffixes, name);
    EXPECT_EQ(column(list), "example.test,example.co.uk,sub.example.org,localhost");
    EXPECT_EQ(column(list, ColLength) + u' ' + column(list, ColTld), "7,7,11,N/A test,co.uk,org,N/A");
    EXPECT_EQ(column(list, ColAvailability) + column(list, ColInformation), "N/A,N/A,N/A,N/A,,,");
    EXPECT_EQ(list.rowAt(0).colour, ColourGrey);
    // With automatic sorting on, a single add and a bulk hand-over land in place, one insertion each.
    list.setSortKey(ColDomain, Qt::DescendingOrder);
    list.setAutoSort(true);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QString name = "M.com";
    EXPECT_EQ(adddomain(list, suffixes, name), 1); // at row 1
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 1);
    list.selectRows({list.rowOfKey("example.co.uk")});
    ScriptedPrompter prompter;
    exporttomain(list, suffixes, {"aa.com", "zz.com", "f.com", "m.com"}, prompter);
    EXPECT_EQ(column(list), "zz.com,sub.example.org,m.com,localhost,f.com,example.test,example.co.uk,aa.com");
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(list.selectedMask()[list.rowOfKey("example.co.uk")], 1);
    EXPECT_TRUE(prompter.log().isEmpty());
}

TEST(ExportToMain, AsksOnceAtOneHundredThousandRows)
{
    // Rows before, names handed over, answers, names taken, rows after.
    const std::tuple<int, QStringList, QList<bool>, int, int> cases[] = {
        {99999, {"a.new", "b.new", "c.new"}, {true}, 3, 100002},
        {99999, {"a.new", "b.new"}, {false}, 1, 100000},        // No keeps the 100,000th
        {100000, {"filler1.com", "b.new"}, {false}, 1, 100000}, // a duplicate still asks
        {99997, {"a.new", "b.new"}, {}, 2, 99999},
    };
    for (const auto &[before, names, answers, handedOver, rowsAfter] : cases) {
        DomainListModel list;
        TldSuffixList suffixes;
        ViewCheckingPrompter prompter(list);
        fillRows(list, suffixes, before);
        for (bool a : answers)
            prompter.queueAnswer(a);
        ExportToMain exporter(list, suffixes, prompter);
        for (const QString &name : names)
            exporter.add(name);
        exporter.finish();
        EXPECT_EQ(std::tuple(exporter.handedOver(), exporter.declined(), list.rowCount()),
                  std::tuple(handedOver, answers == QList<bool>{false}, rowsAfter));
        EXPECT_EQ(prompter.texts(), QStringList(answers.size(), kManyRows));
        EXPECT_FALSE(prompter.askedWhileHidden);
    }
}

TEST(FileImport, LoadAndExtractRules)
{
    // The rule, the file, the rows and the lines with text but no valid name.
    const std::tuple<ImportRule, const char *, const char *, int> cases[] = {
        // Capitals with spaces around, an empty line, an underscore, a repeat; any line end.
        {ImportRule::Load, "  ABC.test  \r\n\r\nbad_name.test\rabc.test\nsecond.org\n", "abc.test,second.org",
         1},
        {ImportRule::Load, "a b.com\n\tab.com\nab.com ", "ab.com", 2}, // only spaces are trimmed
        {ImportRule::Load, "AZ.COM\nZa.Org\n", "az.com,za.org", 0},    // the first and last capital
        // A name, a space and a date.
        {ImportRule::Extract, "dropping.com 2024-05-01\r\nExpired.NET 05/01/2024 12:00",
         "dropping.com,expired.net", 0},
        // Several comma fields: every valid one; a lone name adds nothing.
        {ImportRule::Extract, "id,first.com,x,second.org,,\nlone.com\n", "first.com,second.org", 1},
        // The space cuts after the name's field: kept. Before it: lost.
        {ImportRule::Extract, "7,kept.com,2024-05-01 10:00\n7 x,lost.com", "kept.com", 1},
        // A space after the first comma leaves only the first field (fields are not trimmed).
        {ImportRule::Extract, "first.com, second.com,third.com\n,leading.com", "first.com,leading.com", 0},
        {ImportRule::Extract, "  spaced.com   \n", "", 1}, // trimmed first: no space, no comma left
    };
    for (const auto &[rule, file, rows, rejected] : cases) {
        Import import;
        const ImportResult result = import.run(file, rule);
        EXPECT_EQ(column(import.list), rows) << file;
        EXPECT_EQ(result.rejected, rejected) << file;
        EXPECT_FALSE(result.declined);
        EXPECT_TRUE(import.prompter.log().isEmpty());
    }
    EXPECT_EQ(extractedNames(u" A.com 2024"), QStringList({"a.com", ""}));
    EXPECT_EQ(extractedNames(u"a,,b"), QStringList({"a", "", "b"}));
    EXPECT_TRUE(extractedNames(u"a.com").isEmpty());
}

TEST(FileImport, SummaryCountsInWords)
{
    const std::tuple<int, int, const char *> cases[] = {
        {0, 0, "Added 0 names from a.txt."},
        {1, 1, "Added 1 name from a.txt; 1 line was not a valid name."},
        {2, 3, "Added 2 names from a.txt; 3 lines were not valid names."},
    };
    for (const auto &[added, rejected, text] : cases)
        EXPECT_EQ(importSummary(QStringLiteral("a.txt"), added, rejected), QLatin1String(text));
}

TEST(FileImport, NoToTheManyRowsQuestionStopsReading)
{
    for (bool goOn : {true, false}) {
        Import import;
        fillRows(import.list, import.suffixes, 99999);
        import.prompter.queueAnswer(goOn);
        const ImportResult result =
            import.run("one.com two.com\nfiller1.com,three.com\nfour.com 1\n", ImportRule::Extract);
        EXPECT_EQ(result.declined, !goOn);
        EXPECT_EQ(import.list.size(), goOn ? 100002 : 100000);
        EXPECT_EQ(import.prompter.texts(), QStringList{kTooManyRowsQuestion});
    }
}

// Names in other scripts, from a UTF-8 file or an 8-bit one, go in in their ASCII form.
TEST(FileImport, InternationalNames)
{
    const std::tuple<ImportRule, const char *, const char *> cases[] = {
        {ImportRule::Load, "B\u00dcCHER.de\n\u043f\u0440\u0438\u043c\u0435\u0440.\u0440\u0444\n",
         "xn--bcher-kva.de,xn--e1afmkfd.xn--p1ai"},
        {ImportRule::Load, "b\374cher.de\nstra\337e.de\n", "xn--bcher-kva.de,xn--strae-oqa.de"}, // Latin-1
        {ImportRule::Load, "b\u00fccher..de\nb\u00fccher.d\u00e9\n", "xn--bcher-kva.xn--d-bga"},
        {ImportRule::Extract, "7,b\u00fccher.de,x 2024\n", "xn--bcher-kva.de"},
    };
    for (const auto &[rule, file, rows] : cases) {
        Import import;
        import.run(file, rule);
        EXPECT_EQ(column(import.list), rows) << file;
    }
}
