#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A fresh program folder for one test, removed afterwards. Its RDAP bootstrap
// knows no real TLD, so that no test reaches the Internet's RDAP servers.
class TempDataFolder
{
public:
    static constexpr const char *kLoopbackOnlyBootstrap =
        R"({"services":[[["invalid"],["http://127.0.0.1:9/"]]]})";

    TempDataFolder() { write(QStringLiteral("rdap-dns.json"), kLoopbackOnlyBootstrap); }

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return QDir(m_dir.path()).filePath(name); }

    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile f(file(name));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
    }
    QByteArray read(const QString &name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool exists(const QString &name) const { return QFile::exists(file(name)); }

private:
    QTemporaryDir m_dir;
};
