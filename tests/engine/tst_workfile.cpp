#include "engine/workfile.h"

#include "engine/qtprinters.h"
#include "support/tempdatafolder.h"

#include <gtest/gtest.h>

namespace {

QStringList readAll(const QString &path, LineReader::Ends ends)
{
    LineReader reader(path, ends);
    EXPECT_TRUE(reader.open());
    QStringList lines;
    QString line;
    while (reader.readLine(line))
        lines << line;
    EXPECT_FALSE(reader.failed());
    return lines;
}

} // namespace

TEST(LineReader, SplitsAtEveryKindOfLineEnd)
{
    struct Case {
        QByteArray bytes;
        LineReader::Ends ends;
        QStringList lines;
    };
    const Case cases[] = {
        {"a\r\nb\nc\rd", LineReader::Ends::AnyLineEnd, {"a", "b", "c", "d"}},
        {"a\r\n\r\nb\r\n", LineReader::Ends::AnyLineEnd, {"a", "", "b"}},
        {"a\n\nb", LineReader::Ends::AnyLineEnd, {"a", "", "b"}},
        {"", LineReader::Ends::AnyLineEnd, {}},
        {"\r\n", LineReader::Ends::AnyLineEnd, {""}},
        {"a\nb\r\nc\rd\n", LineReader::Ends::CrOnly, {"a\nb", "c", "d\n"}},
        {"x\x01y\xe9\xff", LineReader::Ends::AnyLineEnd, {QString::fromLatin1("x\x01y\xe9\xff")}},
    };
    for (const Case &c : cases) {
        TempDataFolder folder;
        folder.write("f.txt", c.bytes);
        EXPECT_EQ(readAll(folder.file("f.txt"), c.ends), c.lines) << c.bytes.toStdString();
    }
}

TEST(LineReader, LineEndAcrossABlockBoundaryAndReusedStrings)
{
    TempDataFolder folder;
    // The reader fills 1 MiB blocks: put a CR at the end of the first block and
    // its LF at the start of the second.
    const QByteArray first((1 << 20) - 1, 'x');
    folder.write("f.txt", first + "\r\ny\r\nz");
    LineReader reader(folder.file("f.txt"));
    ASSERT_TRUE(reader.open());
    QString line;
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line.size(), first.size());
    const QString kept = line; // the next read must not change a copy
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, "y");
    EXPECT_EQ(kept.size(), first.size());
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, "z");
    EXPECT_FALSE(reader.readLine(line));

    LineReader missing(folder.file("none.txt"));
    EXPECT_FALSE(missing.open());
    EXPECT_FALSE(missing.errorString().isEmpty());
}

TEST(LineReader, OverlongLinesAreCutAndTheRestSkipped)
{
    // A binary file or an endless stream must not take all memory: the line is
    // cut at the limit and reading goes on after its end.
    TempDataFolder folder;
    const qsizetype limit = LineReader::kMaxLineLength;
    folder.write("long.txt", QByteArray(limit * 3 + 12345, '\0') + "\nabc.test\r\n");
    EXPECT_EQ(readAll(folder.file("long.txt"), LineReader::Ends::AnyLineEnd),
              QStringList({QString(limit, QChar(0)), QStringLiteral("abc.test")}));

    folder.write("endless.txt", QByteArray(limit * 2 + 7, 'a'));
    EXPECT_EQ(readAll(folder.file("endless.txt"), LineReader::Ends::CrOnly), QStringList({QString(limit, u'a')}));

    folder.write("exact.txt", QByteArray(limit, 'b') + "\rnext");
    EXPECT_EQ(readAll(folder.file("exact.txt"), LineReader::Ends::CrOnly),
              QStringList({QString(limit, u'b'), QStringLiteral("next")}));
}

TEST(WorkFileWriter, KeepsEveryFieldOnItsLine)
{
    TempDataFolder folder;
    WorkFileWriter out;
    ASSERT_TRUE(out.open(folder.file("temp.txt"), true));
    out.writeLine({u"a.com", u"Taken", u"N/A", u"Status: x\r\ny\x01z"});
    out.writeLine(QStringList{"b.com", "FREE", "N/A", "N/A"});
    out.close();
    ASSERT_TRUE(out.open(folder.file("temp.txt"), false)); // appends
    out.writeLine({u"c.com", u"N/A", u"N/A", u""});
    out.close();
    EXPECT_EQ(folder.read("temp.txt"), "a.com\x01Taken\x01N/A\x01Status: x  y z\r\n"
                                       "b.com\x01" "FREE\x01N/A\x01N/A\r\n"
                                       "c.com\x01N/A\x01N/A\x01\r\n");
    EXPECT_EQ(splitFields(u"c.com\x01N/A\x01N/A\x01").size(), 4);
}
