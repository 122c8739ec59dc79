#pragma once

#include "base/textfile.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

// Appends SOH-separated lines with CR LF ends to a work file (temp.txt,
// remember.txt). A field never carries SOH, CR or LF into the file: such bytes
// would split the line and lose the row when the list is read back, so they are
// replaced by blanks.
//
// Every write is checked. Lines are buffered and handed to the file in blocks;
// the first block the file does not take completely (a full disk, a file-size
// limit) puts the writer in the failed state: from then on nothing more is
// written, and writeLine, flush and close all return false, so the caller can
// tell exactly which lines may be missing. The file then ends after the last
// line it took completely.
class WorkFileWriter
{
public:
    WorkFileWriter() = default;
    ~WorkFileWriter();

    bool open(const QString &path, bool truncate);
    bool isOpen() const { return m_file.isOpen(); }
    // Writes what is buffered and closes the file; false when any write failed.
    bool close();
    // Why the file could not be opened or written.
    QString errorString() const;
    bool failed() const { return m_failed; }

    // False when this line, or an earlier one, could not be handed to the file.
    // A true result means the line is buffered or written, not that it has
    // reached the disk: flush() or close() tells that.
    bool writeLine(std::initializer_list<QStringView> fields);
    bool writeLine(const QStringList &fields);
    // Hands every buffered line to the file; false when that fails.
    bool flush();
    // Hands every buffered line to the file and waits until the disk has them
    // (fsync); false when either fails.
    bool sync();
    // Lines handed to the file completely so far.
    qint64 linesWritten() const { return m_linesWritten; }

    static QString cleanField(QStringView field);

private:
    void appendField(QStringView field);
    bool endLine();
    bool writePending();

    QFile m_file;
    QByteArray m_pending;
    qint64 m_pendingLines = 0;
    qint64 m_linesWritten = 0;
    qint64 m_committedSize = 0; // bytes of complete lines in the file
    bool m_failed = false;
    QString m_error;
};
