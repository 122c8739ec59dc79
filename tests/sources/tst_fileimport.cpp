#include "base/textfile.h"
#include "engine/domainlistmodel.h"
#include "engine/domainsyntax.h"
#include "sources/adddomain.h"
#include "sources/fileimport.h"
#include "support/qtprinters.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <gtest/gtest.h>

namespace {

QString domains(const DomainListModel &list)
{
    QStringList out;
    for (int r = 0; r < list.size(); ++r)
        out << list.rowAt(r).cells[ColDomain];
    return out.join(u',');
}

struct Import {
    DomainListModel list;
    TldSuffixList suffixes;
    ScriptedPrompter prompter;
    TempDataFolder folder;
    int refreshes = 0;
    QList<int> countsSeen;

    ImportResult run(const QByteArray &file, ImportRule rule)
    {
        folder.write("in.txt", file);
        LineReader reader(folder.file("in.txt"), LineReader::Ends::AnyLineEnd,
                          LineReader::Decoding::Utf8Names);
        EXPECT_TRUE(reader.open());
        ExportToMain exporter(list, suffixes, prompter);
        const ImportResult result = importNames(reader, rule, exporter, [this] {
            ++refreshes;
            countsSeen << list.size();
        });
        exporter.finish();
        return result;
    }
};

} // namespace

TEST(FileImport, LoadAndExtractRules)
{
    const struct {
        ImportRule rule;
        const char *file;
        const char *rows;
    } cases[] = {
        // Capitals with spaces around, an empty line, an underscore, a repeat; any line end.
        {ImportRule::Load, "  ABC.test  \r\n\r\nbad_name.test\rabc.test\nsecond.org\n",
         "abc.test,second.org"},
        {ImportRule::Load, "a b.com\n\tab.com\nab.com ", "ab.com"}, // only spaces are trimmed
        // A name, a space and a date.
        {ImportRule::Extract, "dropping.com 2024-05-01\r\nExpired.NET 05/01/2024 12:00",
         "dropping.com,expired.net"},
        // Several comma fields: every valid one; a lone name adds nothing.
        {ImportRule::Extract, "id,first.com,x,second.org,,\nlone.com\n", "first.com,second.org"},
        // The space cuts after the name's field: kept. Before it: lost.
        {ImportRule::Extract, "7,kept.com,2024-05-01 10:00\n7 x,lost.com", "kept.com"},
        // A space after the first comma leaves only the first field (fields are not trimmed).
        {ImportRule::Extract, "first.com, second.com,third.com\n,leading.com", "first.com,leading.com"},
        {ImportRule::Extract, "  spaced.com   \n", ""}, // trimmed first: no space, no comma left
    };
    for (const auto &c : cases) {
        Import import;
        const ImportResult result = import.run(c.file, c.rule);
        EXPECT_EQ(domains(import.list), c.rows) << c.file;
        EXPECT_FALSE(result.declined);
        EXPECT_TRUE(import.prompter.log().isEmpty());
    }
    EXPECT_EQ(extractedNames(u" A.com 2024"), QStringList({"a.com", ""}));
    EXPECT_EQ(extractedNames(u"a,,b"), QStringList({"a", "", "b"}));
    EXPECT_TRUE(extractedNames(u"a.com").isEmpty());
}

TEST(FileImport, CountLineEvery1001AcceptedNames)
{
    Import import;
    QByteArray file;
    for (int i = 0; i < 2500; ++i)
        file += "name" + QByteArray::number(i) + ".com\r\n" + (i % 100 == 0 ? "bad_line\r\n" : "");
    const ImportResult result = import.run(file, ImportRule::Load);
    EXPECT_EQ(result.accepted, 2500);
    EXPECT_EQ(import.countsSeen, QList<int>({1001, 2002}));
    EXPECT_EQ(import.list.rowCount(), 2500); // the view has heard of every row at the end
}

TEST(FileImport, NoToTheManyRowsQuestionStopsReading)
{
    for (bool goOn : {true, false}) {
        Import import;
        import.list.beginBulk();
        QString name;
        for (int i = 0; i < 99999; ++i)
            adddomain(import.list, import.suffixes, name = QStringLiteral("filler%1.com").arg(i));
        import.list.endBulk();
        import.prompter.queueAnswer(goOn);
        const ImportResult result =
            import.run("one.com two.com\nfiller1.com,three.com\nfour.com 1\n", ImportRule::Extract);
        EXPECT_EQ(result.declined, !goOn);
        EXPECT_EQ(import.list.size(), goOn ? 100002 : 100000);
        EXPECT_EQ(import.prompter.texts(), QStringList{kTooManyRowsQuestion});
    }
}

TEST(FileImport, BulkLoadForTheCommandLine)
{
    TempDataFolder folder;
    folder.write("in.txt", "x,one.com,two.com 1\nthree.com\r\n");
    for (ImportRule rule : {ImportRule::Load, ImportRule::Extract}) {
        DomainListModel list;
        TldSuffixList suffixes;
        LineReader reader(folder.file("in.txt"));
        ASSERT_TRUE(reader.open());
        qint64 lines = 0;
        loadNamesFromFile(reader, list, suffixes, rule, &lines);
        EXPECT_EQ(domains(list), rule == ImportRule::Load ? "three.com" : "one.com,two.com");
        EXPECT_EQ(lines, 2);
    }
}

// Names in other scripts, from a UTF-8 file or an 8-bit one, go in in their ASCII form.
TEST(FileImport, InternationalNames)
{
    const struct {
        ImportRule rule;
        const char *file;
        const char *rows;
    } cases[] = {
        {ImportRule::Load,
         "B\xC3\x9C"
         "CHER.de\n\xD0\xBF\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80.\xD1\x80\xD1\x84\n",
         "xn--bcher-kva.de,xn--e1afmkfd.xn--p1ai"},
        {ImportRule::Load,
         "b\xFC"
         "cher.de\nstra\xDF"
         "e.de\n",
         "xn--bcher-kva.de,xn--strae-oqa.de"},
        {ImportRule::Load,
         "b\xC3\xBC"
         "cher..de\nb\xC3\xBC"
         "cher.d\xC3\xA9\n",
         "xn--bcher-kva.xn--d-bga"},
        {ImportRule::Extract,
         "7,b\xC3\xBC"
         "cher.de,x 2024\n",
         "xn--bcher-kva.de"},
    };
    for (const auto &c : cases) {
        Import import;
        import.run(c.file, c.rule);
        EXPECT_EQ(domains(import.list), c.rows) << c.file;
    }
    EXPECT_EQ(extractedNames(u"1,B\u00dcCHER.de 2"), QStringList({"1", "xn--bcher-kva.de", ""}));
    EXPECT_EQ(loadedName(u"  B\u00fccher.DE "), "xn--bcher-kva.de");
}
