#include "regularfile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

namespace {

QString statProblem(const struct stat &info, qint64 cap)
{
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("it is a folder");
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("it is not a regular file");
    if (info.st_size > cap)
        return QStringLiteral("it is larger than %1 bytes").arg(cap);
    return {};
}

} // namespace

QString regularFileProblem(const QString &path, qint64 cap)
{
    struct stat info {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ENOENT ? QString() : qt_error_string(errno);
    return statProblem(info, cap);
}

RegularFileRead readRegularFile(const QString &path, qint64 cap)
{
    RegularFileRead out;
    const QByteArray name = QFile::encodeName(path);
    struct stat info {
    };
    if (::stat(name.constData(), &info) != 0) {
        out.exists = errno != ENOENT;
        if (out.exists)
            out.problem = qt_error_string(errno);
        return out;
    }
    out.exists = true;
    // Looked at before it is opened (opening a device may do something), and
    // again once open: the path may have been replaced in between.
    out.problem = statProblem(info, cap);
    if (!out.problem.isEmpty())
        return out;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        out.problem = qt_error_string(errno);
        return out;
    }
    if (::fstat(fd, &info) != 0)
        out.problem = qt_error_string(errno);
    else
        out.problem = statProblem(info, cap);
    // The file may grow while it is read: one byte past the cap tells.
    QByteArray bytes;
    if (out.problem.isEmpty()) {
        bytes.resize(static_cast<qsizetype>(std::min<qint64>(info.st_size, cap) + 1));
        qsizetype got = 0;
        for (;;) {
            if (got == bytes.size()) {
                if (got > cap)
                    break;
                bytes.resize(std::min<qsizetype>(bytes.size() * 2, static_cast<qsizetype>(cap) + 1));
            }
            const ssize_t n = ::read(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                out.problem = qt_error_string(errno);
                break;
            }
            if (n == 0)
                break;
            got += n;
        }
        bytes.truncate(got);
        if (out.problem.isEmpty() && got > cap)
            out.problem = QStringLiteral("it is larger than %1 bytes").arg(cap);
    }
    ::close(fd);
    if (out.problem.isEmpty())
        out.bytes = std::move(bytes);
    return out;
}
