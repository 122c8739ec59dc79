#include "reportexport.h"

#include "base/textfile.h"
#include "engine/domainlistmodel.h"

#include <QFile>
#include <QLocale>

namespace report {

namespace {

constexpr qsizetype kBlockSize = 1 << 18;

const char *const kHtmlHead =
    "<html>\r\n"
    "<head>\r\n"
    "<title>Quorvane report</title>\r\n"
    "</head>\r\n"
    "<body topmargin=\"60\" leftmargin=\"60\">\r\n"
    "<h1><font face=\"Verdana\"><font size=\"6\">Quorvane</font><br>\r\n"
    "<font size=\"2\"><span style=\"font-weight: 400\"><br>\r\n"
    "$date$</span><br>\r\n"
    "<br>\r\n"
    "<span style=\"font-weight: 400\">$doms$ domains in the list.</span></font></font></h1>\r\n"
    "<table border=\"0\" cellpadding=\"2\" cellspacing=\"1\" style=\"border-collapse: "
    "collapse\" bordercolor=\"#111111\" id=\"AutoNumber1\" bgcolor=\"#D9DFEA\">\r\n"
    "  <tr>\r\n";
const char *const kHtmlHeaderCell = "<td bgcolor=\"#2E67BE\"><font face=\"Verdana\" style=\"font-size: 8pt\" "
                                    "color=\"#FFFFFF\">";
const char *const kHtmlCell = "<td bgcolor=\"#E1EDFF\"><font face=\"Verdana\" style=\"font-size: 8pt\" "
                              "color=\"#000000\">";
const char *const kHtmlCellEnd = "</font></td>\r\n";
const char *const kHtmlFootStart = "</table>\r\n"
                                   "<p><font face=\"Verdana\" style=\"font-size: 8pt\">\r\n"
                                   "<a href=\"";
const char *const kHtmlFootEnd =
    "\">\r\n"
    "<font color=\"#2E67BE\">Quorvane - Domain name checker</font></a></font></p>\r\n"
    "</body>\r\n"
    "</html>\r\n"
    "\r\n";

// Collects the report in blocks and hands each full block to the device,
// checking every write. After the first failure nothing more is written.
class BlockWriter
{
public:
    explicit BlockWriter(QIODevice &out)
        : m_out(out)
    {
        m_buffer.reserve(kBlockSize + 4096);
    }

    QByteArray &buffer() { return m_buffer; }

    // Called after each line: writes the block once it is full.
    bool lineDone() { return m_buffer.size() < kBlockSize || flush(); }

    bool flush()
    {
        if (m_error)
            return false;
        if (m_buffer.isEmpty())
            return true;
        m_error = writeAll(m_out, m_buffer);
        m_buffer.truncate(0);
        return !m_error;
    }

    const std::optional<IoError> &error() const { return m_error; }

private:
    QIODevice &m_out;
    QByteArray m_buffer;
    std::optional<IoError> m_error;
};

// One character as the 8-bit files hold it; beyond one byte it becomes '?'.
inline char latin1(QChar c)
{
    return c.unicode() < 0x100 ? static_cast<char>(c.unicode()) : '?';
}

void appendPlain(QByteArray &out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char *d = out.data() + start;
    for (QChar c : text)
        *d++ = latin1(c);
}

void appendHtml(QByteArray &out, QStringView text)
{
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += "&amp;";
            break;
        case u'<':
            out += "&lt;";
            break;
        case u'>':
            out += "&gt;";
            break;
        case u'"':
            out += "&quot;";
            break;
        default:
            out += latin1(c);
        }
    }
}

void appendCharRef(QByteArray &out, char32_t codePoint)
{
    out += "&#";
    out += QByteArray::number(static_cast<quint32>(codePoint));
    out += ';';
}

// XML 1.0 allows TAB, LF, CR and the characters from the blank up, less the
// surrogates and U+FFFE, U+FFFF. Everything outside ASCII goes in as a
// character reference, so the file reads the same whatever encoding a reader
// assumes; characters XML cannot hold at all become U+FFFD.
void appendXml(QByteArray &out, QStringView text)
{
    constexpr char32_t kReplacement = 0xFFFD;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'&') {
            out += "&amp;";
        } else if (c == u'<') {
            out += "&lt;";
        } else if (c == u'>') {
            out += "&gt;";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (c == u'\t' || c == u'\n' || c == u'\r' || c == 0x7F) {
            appendCharRef(out, c);
        } else if (c < 0x20 || c == 0xFFFE || c == 0xFFFF) {
            appendCharRef(out, kReplacement);
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            appendCharRef(out, QChar::surrogateToUcs4(c, text[i + 1].unicode()));
            ++i;
        } else if (QChar::isSurrogate(c)) {
            appendCharRef(out, kReplacement);
        } else {
            appendCharRef(out, c);
        }
    }
}

bool needsCsvQuotes(QStringView text)
{
    for (QChar c : text) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

void appendCsv(QByteArray &out, QStringView text)
{
    if (!needsCsvQuotes(text)) {
        appendPlain(out, text);
        return;
    }
    out += '"';
    for (QChar c : text) {
        if (c == u'"')
            out += '"';
        out += latin1(c);
    }
    out += '"';
}

const QString &cellOf(const DomainRow &row, int column)
{
    return row.cells[static_cast<size_t>(column)];
}

std::vector<int> includedColumns(const Columns &columns)
{
    std::vector<int> out{0}; // the domain name is always there
    for (int c = 1; c < kColumnCount; ++c) {
        if (columns[static_cast<size_t>(c)])
            out.push_back(c);
    }
    return out;
}

void writeHtml(BlockWriter &w, const DomainListModel &list, const std::vector<int> &columns,
               const QString &date)
{
    QByteArray &b = w.buffer();
    QByteArray head(kHtmlHead);
    head.replace("$date$", encode8bit(date));
    head.replace("$doms$", QByteArray::number(list.size()));
    b += head;
    for (int c : columns) {
        b += kHtmlHeaderCell;
        appendHtml(b, columnCaptions().at(c));
        b += kHtmlCellEnd;
    }
    b += "</tr>\r\n";
    for (int r = 0; r < list.size() && w.lineDone(); ++r) {
        const DomainRow &row = list.rowAt(r);
        b += "<tr>\r\n";
        for (int c : columns) {
            b += kHtmlCell;
            appendHtml(b, cellOf(row, c));
            b += kHtmlCellEnd;
        }
        b += "</tr>\r\n";
    }
    b += kHtmlFootStart;
    b += encode8bit(kHomepageUrl);
    b += kHtmlFootEnd;
}

void writeText(BlockWriter &w, const DomainListModel &list, const std::vector<int> &columns, char separator,
               TitleLine title)
{
    QByteArray &b = w.buffer();
    const auto append = separator == ',' ? appendCsv : appendPlain;
    auto writeLine = [&](auto &&cell) {
        bool first = true;
        for (int c : columns) {
            if (!first)
                b += separator;
            first = false;
            append(b, cell(c));
        }
        b += kLineEnd;
    };
    if (title == TitleLine::Written)
        writeLine([](int c) -> const QString & { return columnCaptions().at(c); });
    for (int r = 0; r < list.size() && w.lineDone(); ++r) {
        const DomainRow &row = list.rowAt(r);
        writeLine([&row](int c) -> const QString & { return cellOf(row, c); });
    }
}

void writeXml(BlockWriter &w, const DomainListModel &list, const std::vector<int> &columns)
{
    QByteArray &b = w.buffer();
    std::vector<QByteArray> names;
    for (int c : columns)
        names.push_back(encode8bit(xmlElementName(columnCaptions().at(c))));
    b += "<?xml version=\"1.0\"?>\r\n\r\n"
         "<!DOCTYPE REPORT\r\n"
         "\t[\r\n"
         "\t<!ELEMENT REPORT (DOMAIN)*>\r\n"
         "\t<!ELEMENT DOMAIN (";
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            b += ", ";
        b += names[i];
    }
    b += ")>\r\n";
    for (const QByteArray &name : names)
        b += "\t<!ELEMENT " + name + " (#PCDATA)>\r\n";
    b += "\t]\r\n"
         ">\r\n\r\n"
         "<REPORT>\r\n";
    for (int r = 0; r < list.size() && w.lineDone(); ++r) {
        const DomainRow &row = list.rowAt(r);
        b += "\t<DOMAIN>\r\n";
        for (size_t i = 0; i < names.size(); ++i) {
            b += "\t\t<";
            b += names[i];
            b += '>';
            appendXml(b, cellOf(row, columns[i]));
            b += "</";
            b += names[i];
            b += ">\r\n";
        }
        b += "\t</DOMAIN>\r\n";
    }
    b += "</REPORT>\r\n";
}

} // namespace

const QStringList &columnCaptions()
{
    static const QStringList captions{QStringLiteral("Domain"),
                                      QStringLiteral("Domain name length"),
                                      QStringLiteral("TLD"),
                                      QStringLiteral("Availability"),
                                      QStringLiteral("Expiration date"),
                                      QStringLiteral("Expires in (days)"),
                                      QStringLiteral("Information")};
    return captions;
}

const QStringList &fileTypes()
{
    static const QStringList types{QStringLiteral("HTML File (*.html)"), QStringLiteral("Text File (*.txt)"),
                                   QStringLiteral("Comma-Separated ASCII File (*.csv)"),
                                   QStringLiteral("XML Files (*.xml)")};
    return types;
}

QString dialogFilter(Format format)
{
    switch (format) {
    case Format::Html:
        return QStringLiteral("HTML Files (*.html)|*.html|All files (*.*)|*.*|");
    case Format::Text:
        return QStringLiteral("Text Files (*.txt)|*.txt|All files (*.*)|*.*|");
    case Format::Csv:
        return QStringLiteral("Comma-Separated ASCII Files (*.csv)|*.csv|All files (*.*)|*.*|");
    case Format::Xml:
        return QStringLiteral("XML Files (*.xml)|*.xml|All files (*.*)|*.*|");
    }
    return {};
}

std::optional<Format> formatFromName(const QString &name)
{
    static const char *const names[] = {"html", "txt", "csv", "xml"};
    for (int i = 0; i < kFormatCount; ++i) {
        if (name.trimmed().compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0)
            return static_cast<Format>(i);
    }
    return std::nullopt;
}

std::optional<Columns> parseColumns(const QString &list, QString *unknown)
{
    Columns columns{};
    columns[0] = true;
    for (const QString &entry : list.split(u',')) {
        const QString name = entry.trimmed();
        bool isNumber = false;
        const int number = name.toInt(&isNumber);
        int column = isNumber && number >= 1 && number <= kColumnCount ? number - 1 : -1;
        for (int c = 0; column < 0 && !isNumber && c < kColumnCount; ++c) {
            if (name.compare(columnCaptions().at(c), Qt::CaseInsensitive) == 0)
                column = c;
        }
        if (column < 0) {
            if (unknown)
                *unknown = name;
            return std::nullopt;
        }
        columns[static_cast<size_t>(column)] = true;
    }
    return columns;
}

QString xmlElementName(const QString &caption)
{
    QString name = caption;
    name.replace(u' ', u'_');
    name.remove(u'(');
    name.remove(u')');
    return name;
}

QString dateText(const QDateTime &when)
{
    const QLocale locale = QLocale::system();
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    if (!timeFormat.contains(u's')) {
        // Seconds go after the minutes, with the separator the format puts
        // before the minutes.
        const qsizetype minutes = timeFormat.indexOf(QLatin1String("mm"));
        if (minutes > 0 && !timeFormat.at(minutes - 1).isLetter())
            timeFormat.insert(minutes + 2, QString(timeFormat.at(minutes - 1) + QStringLiteral("ss")));
        else
            timeFormat = QStringLiteral("HH:mm:ss");
    }
    return locale.toString(when.date(), QLocale::ShortFormat) + QStringLiteral(", ") +
           locale.toString(when.time(), timeFormat);
}

QString saveErrorMessage(const IoError &error)
{
    return QStringLiteral("The following error occured while trying to save to file.\r\n\r\nError number: ") +
           QString::number(error.number) + QStringLiteral("\r\nDescription: ") + error.description;
}

std::optional<IoError> writeReport(QIODevice &out, Format format, const DomainListModel &list,
                                   const Columns &columns, const QString &date, TitleLine title)
{
    BlockWriter w(out);
    const std::vector<int> included = includedColumns(columns);
    switch (format) {
    case Format::Html:
        writeHtml(w, list, included, date);
        break;
    case Format::Text:
        writeText(w, list, included, '|', title);
        break;
    case Format::Csv:
        writeText(w, list, included, ',', title);
        break;
    case Format::Xml:
        writeXml(w, list, included);
        break;
    }
    w.flush();
    return w.error();
}

std::optional<IoError> saveReport(const QString &path, Format format, const DomainListModel &list,
                                  const Columns &columns, const QString &date)
{
    QFile file(path);
    // Unbuffered: every block is checked as it is written, not when a buffer
    // happens to be flushed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return ioError(file);
    if (auto error = writeReport(file, format, list, columns, date))
        return error;
    file.close();
    if (file.error() != QFileDevice::NoError)
        return ioError(file);
    return std::nullopt;
}

QByteArray htmlEscaped(QStringView text)
{
    QByteArray out;
    appendHtml(out, text);
    return out;
}

QByteArray xmlEscaped(QStringView text)
{
    QByteArray out;
    appendXml(out, text);
    return out;
}

QByteArray csvField(QStringView text)
{
    QByteArray out;
    appendCsv(out, text);
    return out;
}

} // namespace report
