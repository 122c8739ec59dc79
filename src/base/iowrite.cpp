#include "iowrite.h"

#include <QFileDevice>

IoError ioError(const QIODevice &device)
{
    IoError error;
    const auto *file = qobject_cast<const QFileDevice *>(&device);
    error.number =
        file && file->error() != QFileDevice::NoError ? int(file->error()) : int(QFileDevice::WriteError);
    error.description = device.errorString();
    if (error.description.isEmpty())
        error.description = QStringLiteral("Unknown error");
    return error;
}

std::optional<IoError> writeAll(QIODevice &out, QByteArrayView bytes, qint64 *written)
{
    qint64 done = 0;
    // A short write sets no error of its own; writing the rest then fails with
    // the system's reason.
    while (done < bytes.size()) {
        const qint64 n = out.write(bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += n;
    }
    if (written)
        *written = done;
    if (done == bytes.size())
        return std::nullopt;
    IoError error = ioError(out);
    if (error.description == QLatin1String("Unknown error"))
        error.description =
            QStringLiteral("only %1 of %2 bytes could be written").arg(done).arg(bytes.size());
    return error;
}
