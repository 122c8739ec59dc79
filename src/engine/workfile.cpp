#include "workfile.h"

#include "base/iowrite.h"
#include "runjournal.h"

#include <cerrno>
#include <cstring>

namespace {
constexpr qsizetype kFlushSize = 1 << 16;
}

WorkFileWriter::~WorkFileWriter()
{
    close();
}

bool WorkFileWriter::open(const QString &path, bool truncate)
{
    close();
    m_failed = false;
    m_error.clear();
    m_linesWritten = 0;
    m_file.setFileName(path);
    // Unbuffered: QFile's own buffer would hide a failed write until it is flushed.
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered |
                    (truncate ? QIODevice::Truncate : QIODevice::Append))) {
        m_committedSize = m_file.size();
        return true;
    }
    m_error = m_file.errorString();
    return false;
}

QString WorkFileWriter::errorString() const
{
    return m_error.isEmpty() ? m_file.errorString() : m_error;
}

bool WorkFileWriter::writePending()
{
    if (m_failed || !m_file.isOpen()) {
        m_pending.clear();
        m_pendingLines = 0;
        return false;
    }
    if (m_pending.isEmpty())
        return true;
    qint64 written = 0;
    if (const std::optional<IoError> error = writeAll(m_file, m_pending, &written)) {
        m_failed = true;
        m_error = error->description;
        // Half a line at the end would be read back as a line of its own, with
        // a result cut short: the file ends after its last complete line.
        if (written > 0)
            m_file.resize(m_committedSize);
        m_pending.clear();
        m_pendingLines = 0;
        return false;
    }
    m_committedSize += written;
    m_linesWritten += m_pendingLines;
    m_pending.clear();
    m_pendingLines = 0;
    return true;
}

bool WorkFileWriter::close()
{
    if (!m_file.isOpen())
        return !m_failed;
    const bool ok = flush();
    m_file.close();
    return ok && !m_failed;
}

bool WorkFileWriter::flush()
{
    return writePending() && !m_failed;
}

bool WorkFileWriter::sync()
{
    if (!flush())
        return false;
    if (syncFile(m_file.handle()))
        return true;
    m_error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

QString WorkFileWriter::cleanField(QStringView field)
{
    QString out = field.toString();
    for (QChar &c : out) {
        if (c == QChar(kFieldSeparator) || c == u'\r' || c == u'\n')
            c = u' ';
    }
    return out;
}

void WorkFileWriter::appendField(QStringView field)
{
    const qsizetype start = m_pending.size();
    m_pending += encode8bit(field);
    for (qsizetype i = start; i < m_pending.size(); ++i) {
        char &c = m_pending[i];
        if (c == '\x01' || c == '\r' || c == '\n')
            c = ' ';
    }
}

bool WorkFileWriter::endLine()
{
    m_pending += kLineEnd;
    ++m_pendingLines;
    if (m_pending.size() >= kFlushSize)
        return writePending();
    return !m_failed;
}

bool WorkFileWriter::writeLine(std::initializer_list<QStringView> fields)
{
    if (m_failed)
        return false;
    bool first = true;
    for (QStringView f : fields) {
        if (!first)
            m_pending += '\x01';
        first = false;
        appendField(f);
    }
    return endLine();
}

bool WorkFileWriter::writeLine(const QStringList &fields)
{
    if (m_failed)
        return false;
    bool first = true;
    for (const QString &f : fields) {
        if (!first)
            m_pending += '\x01';
        first = false;
        appendField(f);
    }
    return endLine();
}
