#include "engine/workfile.h"

#include "engine/qtprinters.h"
#include "support/tempdatafolder.h"

#include <gtest/gtest.h>

namespace {

QStringList readAll(const QString &path, LineReader::Ends ends = LineReader::Ends::AnyLineEnd)
{
    LineReader reader(path, ends);
    EXPECT_TRUE(reader.open());
    QStringList lines;
    QString line;
    while (reader.readLine(line))
        lines << line; // copies: the next read must not change them
    EXPECT_FALSE(reader.failed());
    return lines;
}

} // namespace

TEST(LineReader, SplitsAtEveryKindOfLineEndAndCutsOverlongLines)
{
    // A binary file or an endless stream must not take all memory: an over-long
    // line is cut at the limit and reading goes on after its end.
    const qsizetype limit = LineReader::kMaxLineLength;
    const struct {
        QByteArray bytes;
        LineReader::Ends ends;
        QStringList lines;
    } cases[] = {
        {"a\r\nb\nc\rd", LineReader::Ends::AnyLineEnd, {"a", "b", "c", "d"}},
        {"a\r\n\r\nb\n\nc\r\n", LineReader::Ends::AnyLineEnd, {"a", "", "b", "", "c"}},
        {"", LineReader::Ends::AnyLineEnd, {}},
        {"a\nb\r\nc\rd\n", LineReader::Ends::CrOnly, {"a\nb", "c", "d\n"}},
        {"x\x01y\xe9\xff", LineReader::Ends::AnyLineEnd, {QString::fromLatin1("x\x01y\xe9\xff")}},
        {QByteArray(limit * 3 + 12345, '\0') + "\nabc.test\r\n", LineReader::Ends::AnyLineEnd,
         {QString(limit, QChar(0)), "abc.test"}},
        {QByteArray(limit * 2 + 7, 'a'), LineReader::Ends::CrOnly, {QString(limit, u'a')}},
        {QByteArray(limit, 'b') + "\rnext", LineReader::Ends::CrOnly, {QString(limit, u'b'), "next"}},
        // The reader fills 1 MiB blocks: a CR ends the first block, its LF starts the second.
        {QByteArray((1 << 20) - 1, 'x') + "\r\ny\r\nz", LineReader::Ends::AnyLineEnd,
         {QString((1 << 20) - 1, u'x'), "y", "z"}},
    };
    for (const auto &c : cases) {
        TempDataFolder folder;
        folder.write("f.txt", c.bytes);
        EXPECT_EQ(readAll(folder.file("f.txt"), c.ends), c.lines) << c.bytes.left(40).toStdString();
    }
}

TEST(WorkFile, WriterKeepsEveryFieldOnItsLineAndReaderReportsAMissingFile)
{
    TempDataFolder folder;
    WorkFileWriter out;
    ASSERT_TRUE(out.open(folder.file("temp.txt"), true));
    out.writeLine({u"a.com", u"Taken", u"N/A", u"Status: x\r\ny\x01z"});
    out.close();
    ASSERT_TRUE(out.open(folder.file("temp.txt"), false)); // appends
    out.writeLine(QStringList{"c.com", "N/A", "N/A", ""});
    out.close();
    EXPECT_EQ(folder.read("temp.txt"), "a.com\x01Taken\x01N/A\x01Status: x  y z\r\n"
                                       "c.com\x01N/A\x01N/A\x01\r\n");
    EXPECT_EQ(splitFields(u"c.com\x01N/A\x01N/A\x01").size(), 4);

    LineReader missing(folder.file("none.txt"));
    EXPECT_FALSE(missing.open());
    EXPECT_FALSE(missing.errorString().isEmpty());
}
