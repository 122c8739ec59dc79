#include "datafolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

bool isWritableFolder(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return false;
    // QFileInfo::isWritable only looks at permission bits; try it for real.
    QTemporaryFile probe(QDir(path).filePath(QStringLiteral(".write-probe-XXXXXX")));
    return probe.open();
}

} // namespace

bool isSystemProgramFolder(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty())
        return false;
    for (const char *system : {QV_INSTALL_BINDIR, "/usr/bin", "/usr/local/bin"}) {
        if (QFileInfo(QString::fromLocal8Bit(system)).canonicalFilePath() == canonical)
            return true;
    }
    return false;
}

QString defaultDataFolder()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    // The system folder is ruled out before the probe, which would write there.
    if (!isSystemProgramFolder(appDir) && isWritableFolder(appDir))
        return appDir;
    QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (userDir.isEmpty())
        userDir = QDir::home().filePath(QStringLiteral(".quorvane"));
    QDir().mkpath(userDir);
    return userDir;
}

QString dataFile(const QString &folder, const QString &fileName)
{
    return QDir(folder).filePath(fileName);
}
