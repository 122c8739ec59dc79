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

LineReader::LineReader(const QString &path, Ends ends)
    : m_file(std::make_unique<QFile>(path))
    , m_device(m_file.get())
    , m_ends(ends)
{
}

LineReader::LineReader(QIODevice *device, Ends ends)
    : m_device(device)
    , m_ends(ends)
{
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
            // Refilling the caller's string reuses its buffer: no allocation per line.
            line.resize(0);
            line.append(QLatin1StringView(begin, i));
            return true;
        }
        if (m_discarding) {
            m_pos += avail;
            m_scanned = 0;
        } else if (avail >= kMaxLineLength) {
            line.resize(0);
            line.append(QLatin1StringView(begin, kMaxLineLength));
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
                line.resize(0);
                line.append(QLatin1StringView(m_buffer.constData() + m_pos, m_buffer.size() - m_pos));
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
