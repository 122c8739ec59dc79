#include "awkwardrows.h"
#include "export/plainexport.h"
#include "export/reportexport.h"
#include "support/contextfixture.h"
#include "support/filesizelimit.h"

#include <QBuffer>
#include <QXmlStreamReader>

#include "support/qtprinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using report::Format;

namespace {

QByteArray reportOf(const DomainListModel &list, Format format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_FALSE(report::writeReport(buffer, format, list, report::kAllColumns, kFixedDate).has_value());
    return buffer.data();
}

} // namespace

TEST(ReportExport, EachFormatMatchesItsGoldenFile)
{
    DomainListModel list;
    fillAwkwardRows(list);
    const std::pair<Format, const char *> files[] = {{Format::Html, "awkward.html"},
                                                     {Format::Text, "awkward.txt"},
                                                     {Format::Csv, "awkward.csv"},
                                                     {Format::Xml, "awkward.xml"}};
    for (const auto &[format, file] : files) {
        const QByteArray expected = golden(file);
        ASSERT_FALSE(expected.isEmpty()) << file;
        EXPECT_EQ(reportOf(list, format), expected) << file;
    }
}

TEST(ReportExport, HostileCellsCannotBreakOutOfTheirFormat)
{
    const struct {
        const char16_t *cell;
        const char *html, *xml, *csv;
    } cases[] = {
        {u"<b>&\"'", "&lt;b&gt;&amp;&quot;'", "&lt;b&gt;&amp;\"'", "\"<b>&\"\"'\""},
        {u"a,b", "a,b", "a,b", "\"a,b\""},
        {u"x\r\ny", "x\r\ny", "x&#13;&#10;y", "\"x\r\ny\""},
        {u"\u00e9\u00ff\x7f", "\xe9\xff\x7f", "&#233;&#255;&#127;", "\xe9\xff\x7f"},
        {u"\x01\t\uFFFF", "\x01\t?", "&#65533;&#9;&#65533;", "\x01\t?"},
        {u"\U0001F600|", "??|", "&#128512;|", "??|"},
        {u"", "", "", ""},
    };
    for (const auto &c : cases) {
        const QString cell = QString::fromUtf16(c.cell);
        EXPECT_EQ(report::htmlEscaped(cell), QByteArray(c.html)) << cell.toStdString();
        EXPECT_EQ(report::xmlEscaped(cell), QByteArray(c.xml)) << cell.toStdString();
        EXPECT_EQ(report::csvField(cell), QByteArray(c.csv)) << cell.toStdString();
    }

    // A reader gets back every cell the XML can hold, as it was.
    DomainListModel list;
    fillAwkwardRows(list);
    QXmlStreamReader xml(reportOf(list, Format::Xml));
    QStringList values;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"Information")
            values << xml.readElementText();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    ASSERT_EQ(values.size(), 5);
    EXPECT_EQ(values[0], list.rowAt(0).cells[ColInformation]);
    EXPECT_EQ(values[2], QString(list.rowAt(2).cells[ColInformation]).replace(QChar(1), QChar(0xFFFD)));
    EXPECT_EQ(values[4], list.rowAt(4).cells[ColInformation]);
}

TEST(PlainExport, NamesInDisplayOrderAllOrSelected)
{
    ContextFixture f;
    auto &[folder, prompter, clock, ctx] = f;
    ExportPlain(ctx, false); // an empty list asks for no file

    fillAwkwardRows(ctx.list);
    ctx.list.sort(ColDomain, Qt::DescendingOrder);
    ctx.list.selectRows({1, 3});
    const QString file = folder.file(u"names.txt"_s);
    const std::pair<bool, QByteArray> cases[] = {
        {false, "shop.com\r\nquote.com\r\nempty.info\r\ncomma.net\r\ncaf\xe9.org\r\n"},
        {true, "quote.com\r\ncomma.net\r\n"},
    };
    for (const auto &[selectedOnly, expected] : cases) {
        prompter.queueFile(file);
        ExportPlain(ctx, selectedOnly);
        EXPECT_EQ(folder.read(u"names.txt"_s), expected);
    }
    prompter.queueFile({}); // cancelled
    ExportPlain(ctx, false);
    EXPECT_EQ(prompter.count(ScriptedPrompter::Kind::Fail), 0);
    // A list the disk does not take is not passed over in silence.
    prompter.queueFile(u"/dev/full"_s);
    ExportPlain(ctx, false);
    EXPECT_EQ(prompter.count(ScriptedPrompter::Kind::Fail), 1);
    EXPECT_TRUE(prompter.lastText().endsWith(u"\r\nDescription: No space left on device"_s))
        << prompter.lastText().toStdString();
    EXPECT_EQ(prompter.count(ScriptedPrompter::Kind::SaveFile), 4);
}

// The one writer of files and devices: every byte, or the reason it stopped and how far it got.
TEST(WriteAll, EveryByteOrTheReason)
{
    // Takes `room` bytes, then nothing, naming no reason.
    class NarrowDevice : public QIODevice
    {
    public:
        qint64 room = 5;

    protected:
        qint64 readData(char *, qint64) override { return -1; }
        qint64 writeData(const char *, qint64 len) override
        {
            const qint64 n = std::min(len, room);
            room -= n;
            return n;
        }
    };
    TempDataFolder folder;
    QFile limited(folder.file(u"limited.txt"_s)), full(u"/dev/full"_s);
    QBuffer buffer;
    NarrowDevice narrow;
    ASSERT_TRUE(limited.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    ASSERT_TRUE(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(narrow.open(QIODevice::WriteOnly));
    const struct {
        const char *name;
        QIODevice *device;
        qint64 written;
        int number; // -1: no error
        const char *description;
    } cases[] = {
        {"buffer", &buffer, 12, -1, ""},
        {"device that stops taking bytes", &narrow, 5, int(QFileDevice::WriteError),
         "only 5 of 12 bytes could be written"},
        {"full disk", &full, 0, int(QFileDevice::ResourceError), "No space left on device"},
        {"file-size limit", &limited, 10, int(QFileDevice::WriteError), "File too large"},
    };
    const FileSizeLimit limit(10);
    ASSERT_TRUE(limit.active());
    for (const auto &c : cases) {
        qint64 written = -1;
        const std::optional<IoError> error = writeAll(*c.device, "twelve bytes", &written);
        EXPECT_EQ(written, c.written) << c.name;
        EXPECT_EQ(error ? error->number : -1, c.number) << c.name;
        EXPECT_EQ(error ? error->description : QString(), QLatin1String(c.description)) << c.name;
    }
}
