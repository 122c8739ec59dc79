#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

class QIODevice;

// What went wrong on a file or another device: its error number (a
// QFileDevice::FileError for files) and the reason in words.
struct IoError {
    int number = 0;
    QString description;
};

// The device's last error, or a write error when it names none.
IoError ioError(const QIODevice &device);

// Writes all of `bytes` to `out`, in as many writes as the device needs. A
// device that stops taking them gives its reason (no space left, file too
// large), or else how much it took; `written` receives that count either way.
std::optional<IoError> writeAll(QIODevice &out, QByteArrayView bytes, qint64 *written = nullptr);
