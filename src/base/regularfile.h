#pragma once

#include <QByteArray>
#include <QString>

// Files the user may replace by anything (a link to a device, a named pipe, a
// folder) are read only when they are regular files, never by a call that can
// block, and never beyond a bound: a link to /dev/zero would otherwise be read
// until memory runs out, and a pipe with no writer would hold the program at
// start, deaf to Ctrl+C.

struct RegularFileRead {
    bool exists = false; // something is at the path
    QByteArray bytes;    // the whole file, when `problem` is empty
    QString problem;     // why it was not read: "it is not a regular file", ...
};

// Reads the file at `path` if it is a regular file (links followed) of at most `cap` bytes.
RegularFileRead readRegularFile(const QString &path, qint64 cap);

// Why the file at `path` could not be read that way; empty when it could, or
// when nothing is there. Reads nothing.
QString regularFileProblem(const QString &path, qint64 cap);
