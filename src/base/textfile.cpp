#include "textfile.h"

#include <algorithm>

namespace {
constexpr qsizetype kBlockSize = 1 << 20;
}

QString decode8bit(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes);
}

QByteArray encode8bit(QStringView text)
{
    // Characters beyond one byte cannot be stored in an 8-bit file; they become '?'.
    return text.toLatin1();
}

bool isValidUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                low = 0xA0; // overlong
            else if (c == 0xED)
                high = 0x9F; // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                low = 0x90; // overlong
            else if (c == 0xF4)
                high = 0x8F; // beyond U+10FFFF
        } else {
            return false;
        }
        if (i + more >= n)
            return false;
        for (int k = 1; k <= more; ++k) {
            const unsigned char d = p[i + k];
            if (k == 1 ? (d < low || d > high) : (d < 0x80 || d > 0xBF))
                return false;
        }
        i += more + 1;
    }
    return true;
}

LineReader::LineReader(const QString &path, Ends ends, Decoding decoding)
    : m_file(std::make_unique<QFile>(path))
    , m_device(m_file.get())
    , m_ends(ends)
    , m_decoding(decoding)
{
}

LineReader::LineReader(QIODevice *device, Ends ends, Decoding decoding)
    : m_device(device)
    , m_ends(ends)
    , m_decoding(decoding)
{
}

void LineReader::takeLine(QString &line, const char *begin, qsizetype size)
{
    // Refilling the caller's string reuses its buffer: no allocation per line.
    line.resize(0);
    if (m_decoding == Decoding::Utf8Names) {
        if (m_firstLine && size >= 3 && QByteArrayView(begin, 3) == "\xEF\xBB\xBF") {
            begin += 3;
            size -= 3;
        }
        m_firstLine = false;
        const QByteArrayView bytes(begin, size);
        const bool high = std::any_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; });
        if (high && isValidUtf8(bytes)) {
            line.append(QString::fromUtf8(bytes));
            return;
        }
    }
    line.append(QLatin1StringView(begin, size));
}

LineReader::~LineReader() = default;

bool LineReader::open()
{
    if (m_file)
        return m_file->open(QIODevice::ReadOnly);
    return m_device && m_device->isReadable();
}

QString LineReader::errorString() const
{
    return m_device ? m_device->errorString() : QString();
}

bool LineReader::fill()
{
    if (m_eof)
        return false;
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + kBlockSize);
    const qint64 got = m_device->read(m_buffer.data() + old, kBlockSize);
    if (got < 0) {
        m_failed = true;
        m_eof = true;
        m_buffer.resize(old);
        return false;
    }
    m_buffer.resize(old + got);
    if (got == 0) {
        // Sequential devices (a pipe) may have nothing yet without being at the end.
        if (m_device->isSequential() && !m_device->atEnd() && m_device->waitForReadyRead(-1))
            return fill();
        m_eof = true;
        return false;
    }
    return true;
}

bool LineReader::readLine(QString &line)
{
    for (;;) {
        if (m_skipLf && m_pos < m_buffer.size()) {
            if (m_buffer.at(m_pos) == '\n')
                ++m_pos;
            m_skipLf = false;
        }
        const char *begin = m_buffer.constData() + m_pos;
        const qsizetype avail = m_buffer.size() - m_pos;
        // Only the bytes that arrived since the last look are searched, so a long
        // line costs one pass however many blocks it spans.
        qsizetype i = std::min(m_scanned, avail);
        for (; i < avail; ++i) {
            const char c = begin[i];
            if (c == '\r' || (c == '\n' && m_ends == Ends::AnyLineEnd))
                break;
        }
        if (i < avail) {
            m_scanned = 0;
            m_pos += i + 1;
            if (begin[i] == '\r')
                m_skipLf = true;
            if (m_discarding) {
                m_discarding = false;
                continue;
            }
            takeLine(line, begin, i);
            return true;
        }
        if (m_discarding) {
            m_pos += avail;
            m_scanned = 0;
        } else if (avail >= kMaxLineLength) {
            takeLine(line, begin, kMaxLineLength);
            m_pos += kMaxLineLength;
            m_scanned = 0;
            m_discarding = true;
            return true;
        } else {
            m_scanned = avail;
        }
        if (!fill()) {
            m_scanned = 0;
            if (!m_discarding && m_pos < m_buffer.size()) {
                takeLine(line, m_buffer.constData() + m_pos, m_buffer.size() - m_pos);
                m_pos = m_buffer.size();
                return true;
            }
            m_discarding = false;
            return false;
        }
    }
}

QStringView trimSpaces(QStringView text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text[b] == u' ')
        ++b;
    while (e > b && text[e - 1] == u' ')
        --e;
    return text.sliced(b, e - b);
}

QList<QStringView> splitFields(QStringView line)
{
    return line.split(QChar(kFieldSeparator));
}
