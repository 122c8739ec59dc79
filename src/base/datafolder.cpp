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

QString defaultDataFolder()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    if (isWritableFolder(appDir))
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
