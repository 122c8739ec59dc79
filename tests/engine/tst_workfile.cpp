#include "engine/workfile.h"

#include "support/qtprinters.h"
#include "support/tempdatafolder.h"

#include <gtest/gtest.h>

TEST(WorkFile, ReaderSplitsAtEveryLineEndAndCutsOverlongLines)
{
    // A binary file or an endless stream must not take all memory: cut, then skip to the line's end.
    const qsizetype limit = LineReader::kMaxLineLength, block = 1 << 20;
    const auto any = LineReader::Ends::AnyLineEnd, crOnly = LineReader::Ends::CrOnly;
    const std::tuple<QByteArray, LineReader::Ends, QStringList> cases[] = {
        {"a\r\nb\nc\rd", any, {"a", "b", "c", "d"}},
        {"a\r\n\r\nb\n\nc\r\n", any, {"a", "", "b", "", "c"}},
        {"", any, {}},
        {"a\nb\r\nc\rd\n", crOnly, {"a\nb", "c", "d\n"}},
        {"x\x01y\xe9\xff", any, {QString::fromLatin1("x\x01y\xe9\xff")}},
        {QByteArray(limit * 3 + 12345, '\0') + "\nabc.test\r\n", any, {QString(limit, QChar(0)), "abc.test"}},
        {QByteArray(limit, 'b') + "\rnext", crOnly, {QString(limit, u'b'), "next"}},
        // The reader fills 1 MiB blocks: a CR ends the first block, its LF starts the second.
        {QByteArray(block - 1, 'x') + "\r\ny\r\nz", any, {QString(block - 1, u'x'), "y", "z"}},
    };
    for (const auto &[bytes, ends, lines] : cases) {
        TempDataFolder folder;
        folder.write("f.txt", bytes);
        LineReader reader(folder.file("f.txt"), ends);
        EXPECT_TRUE(reader.open());
        QStringList got;
        QString line;
        while (reader.readLine(line))
            got << line; // copies: the next read must not change them
        EXPECT_FALSE(reader.failed());
        EXPECT_EQ(got, lines) << bytes.left(40).toStdString();
    }
    TempDataFolder folder;
    EXPECT_EQ(splitFields(u"c.com\x01N/A\x01N/A\x01").size(), 4);
    LineReader missing(folder.file("none.txt"));
    EXPECT_FALSE(missing.open());
    EXPECT_FALSE(missing.errorString().isEmpty());
}

TEST(WorkFile, ListsOfNamesReadUtf8LinesAndLeaveEightBitOnesAlone)
{
    using namespace Qt::StringLiterals;
    const auto latin1 = [](const char *bytes) { return QString::fromLatin1(bytes); };
    const struct {
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"\xEF\xBB\xBF"
         "b\xC3\xBC"
         "cher.de\r\nplain.com\n",
         {u"b\u00fccher.de"_s, u"plain.com"_s}},
        {"b\xFC"
         "cher.de\n\xD0\xBF\xD1\x80.\xD1\x80\xD1\x84\n",
         {u"b\u00fccher.de"_s, u"\u043f\u0440.\u0440\u0444"_s}},
        // Not UTF-8: an 8-bit line, byte for byte; a BOM counts only at the start.
        {"caf\xE9 \xC3\n\xC3\xA9\xFF\nx\xEF\xBB\xBFy\n",
         {latin1("caf\xE9 \xC3"), latin1("\xC3\xA9\xFF"), u"x\ufeffy"_s}},
        // Overlong forms, surrogates and code points past U+10FFFF are no UTF-8.
        {"\xC0\xAF\n\xED\xA0\x80\n\xF4\x90\x80\x80\n",
         {latin1("\xC0\xAF"), latin1("\xED\xA0\x80"), latin1("\xF4\x90\x80\x80")}},
    };
    for (const auto &c : cases) {
        TempDataFolder folder;
        folder.write("names.txt", c.bytes);
        for (const bool utf8 : {true, false}) {
            LineReader reader(folder.file("names.txt"), LineReader::Ends::AnyLineEnd,
                              utf8 ? LineReader::Decoding::Utf8Names : LineReader::Decoding::EightBit);
            ASSERT_TRUE(reader.open());
            QStringList got;
            QString line;
            while (reader.readLine(line))
                got << line;
            // Read as work files are, every byte stays one character.
            QStringList eightBit;
            for (QByteArray l : c.bytes.split('\n').mid(0, c.lines.size()))
                eightBit << QString::fromLatin1(l.endsWith('\r') ? l.chopped(1) : l);
            EXPECT_EQ(got, utf8 ? c.lines : eightBit) << c.bytes.toStdString();
        }
    }
}
