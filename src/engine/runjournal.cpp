#include "runjournal.h"

#include "base/datafolder.h"
#include "base/textfile.h"
#include "workfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

const QString kMagic = QStringLiteral("Quorvane run journal");
const QString kOptions = QStringLiteral("options");
const QString kNames = QStringLiteral("names");
const QString kEnd = QStringLiteral("end");

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

std::optional<bool> readFlag(QStringView text)
{
    if (text == u"1")
        return true;
    if (text == u"0")
        return false;
    return std::nullopt;
}

QStringList fieldsOf(const QString &line)
{
    return line.split(QChar(kFieldSeparator));
}

} // namespace

bool syncFile(int fd)
{
    return fd >= 0 && ::fsync(fd) == 0;
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    syncFile(fd);
    ::close(fd);
}

QString RunJournal::path(const QString &dataFolder)
{
    return dataFile(dataFolder, QString::fromLatin1(kJournalFileName));
}

bool RunJournal::exists(const QString &dataFolder)
{
    return QFileInfo::exists(path(dataFolder));
}

bool RunJournal::remove(const QString &dataFolder)
{
    const QString file = path(dataFolder);
    if (!QFileInfo::exists(file))
        return true;
    const bool removed = QFile::remove(file);
    syncFolder(dataFolder);
    return removed;
}

std::optional<QString> RunJournal::write(const QString &dataFolder) const
{
    const QString target = path(dataFolder);
    const QString temporary = target + QStringLiteral(".new");
    WorkFileWriter out;
    if (!out.open(temporary, true))
        return out.errorString();
    const auto fail = [&](QString reason) {
        out.close();
        QFile::remove(temporary);
        return std::optional<QString>(std::move(reason));
    };
    const QString count = QString::number(names.size());
    bool ok = out.writeLine({kMagic, QString::number(kVersion)}) &&
              out.writeLine({kOptions, connections, timeoutSecs, flag(retry), retryTimes, expireDays,
                             flag(selectedOnly), rdapModeName(rdapMode), flag(recognition)}) &&
              out.writeLine({kNames, count});
    for (qsizetype i = 0; ok && i < names.size(); ++i)
        ok = out.writeLine({names[i]});
    ok = ok && out.writeLine({kEnd, count}) && out.flush();
    if (!ok)
        return fail(out.errorString());
    if (!out.sync())
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!out.close())
        return fail(out.errorString());
    // rename() replaces an earlier journal in one step; QFile::rename would not.
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temporary);
        return reason;
    }
    syncFolder(dataFolder);
    return std::nullopt;
}

std::optional<RunJournal> RunJournal::read(const QString &dataFolder, QString *error)
{
    const QString file = path(dataFolder);
    error->clear();
    if (!QFileInfo::exists(file))
        return std::nullopt;
    const auto bad = [&](const QString &reason) {
        *error = reason;
        return std::optional<RunJournal>();
    };
    LineReader reader(file, LineReader::Ends::CrOnly);
    if (!reader.open())
        return bad(reader.errorString());
    QString line;
    if (!reader.readLine(line))
        return bad(reader.failed() ? reader.errorString() : QStringLiteral("the file is empty"));
    QStringList f = fieldsOf(line);
    if (f.size() != 2 || f[0] != kMagic)
        return bad(QStringLiteral("it is not a run journal"));
    if (f[1] != QString::number(kVersion))
        return bad(QStringLiteral("it is of another version (%1)").arg(f[1]));

    RunJournal j;
    const QString cut = QStringLiteral("it is incomplete");
    if (!reader.readLine(line))
        return bad(cut);
    f = fieldsOf(line);
    if (f.size() != 9 || f[0] != kOptions)
        return bad(cut);
    const auto retry = readFlag(f[3]);
    const auto selected = readFlag(f[6]);
    const auto rdap = parseRdapMode(f[7]);
    const auto recognition = readFlag(f[8]);
    if (!retry || !selected || !rdap || !recognition)
        return bad(QStringLiteral("its options cannot be read"));
    j.connections = f[1];
    j.timeoutSecs = f[2];
    j.retry = *retry;
    j.retryTimes = f[4];
    j.expireDays = f[5];
    j.selectedOnly = *selected;
    j.rdapMode = *rdap;
    j.recognition = *recognition;

    if (!reader.readLine(line))
        return bad(cut);
    f = fieldsOf(line);
    bool countOk = false;
    const qint64 count = f.size() == 2 && f[0] == kNames ? f[1].toLongLong(&countOk) : -1;
    if (!countOk || count < 0)
        return bad(cut);
    // A count the file cannot hold must not reserve memory for it: a name takes three bytes at least.
    j.names.reserve(static_cast<qsizetype>(std::min<qint64>(count, QFileInfo(file).size() / 3)));
    while (j.names.size() < count && reader.readLine(line))
        j.names.append(line);
    if (j.names.size() != count || !reader.readLine(line) || line != kEnd + QChar(kFieldSeparator) + f[1])
        return bad(reader.failed() ? reader.errorString() : cut);
    return j;
}

std::optional<QString> readRunProgress(const QString &dataFolder, const RunJournal &journal,
                                       RunProgress &progress)
{
    progress = RunProgress();
    progress.total = journal.names.size();
    QSet<QString> finished;
    const QString path = dataFile(dataFolder, QString::fromLatin1(kTempFileName));
    QFile file(path);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadWrite))
            return file.errorString();
        // Only the end of the file can be torn: look back for the last line end.
        const qint64 size = file.size();
        qint64 keep = 0;
        std::vector<char> block(1 << 16);
        for (qint64 end = size; end > 0 && keep == 0;) {
            const qint64 begin = std::max<qint64>(0, end - static_cast<qint64>(block.size()));
            if (!file.seek(begin) || file.read(block.data(), end - begin) != end - begin)
                return file.errorString();
            for (qint64 i = end - begin; i > 0; --i) {
                if (block[static_cast<size_t>(i - 1)] == '\n') {
                    keep = begin + i;
                    break;
                }
            }
            end = begin;
        }
        if (keep != size && !file.resize(keep))
            return file.errorString();
        file.close();

        LineReader reader(path);
        if (!reader.open())
            return reader.errorString();
        QString line;
        while (reader.readLine(line)) {
            // A result line has four fields, as the rebuild of the list reads them.
            if (line.count(QChar(kFieldSeparator)) == 3)
                finished.insert(trimSpaces(QStringView(line).left(line.indexOf(QChar(kFieldSeparator))))
                                    .toString()
                                    .toLower());
        }
        if (reader.failed())
            return reader.errorString();
    }
    for (const QString &name : journal.names) {
        if (!finished.contains(name))
            progress.unfinished.append(name);
    }
    return std::nullopt;
}
