#include "pacingledger.h"

#include "base/datafolder.h"
#include "base/iowrite.h"
#include "base/regularfile.h"
#include "runjournal.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Far beyond a line for every server a run can ask.
constexpr qint64 kMaxLedgerBytes = 4 * 1024 * 1024;

std::optional<LedgerEntry> ledgerLine(const QByteArray &line)
{
    const QList<QByteArray> fields = line.split('\t');
    if (fields.size() != 3 || fields[0].isEmpty())
        return std::nullopt;
    LedgerEntry entry;
    entry.server = QString::fromUtf8(fields[0]);
    entry.start = QDateTime::fromString(QString::fromLatin1(fields[1]), Qt::ISODateWithMs);
    bool ok = false;
    entry.count = fields[2].toInt(&ok);
    if (!entry.start.isValid() || !ok || entry.count < 0)
        return std::nullopt;
    return entry;
}

} // namespace

QString pacingLedgerPath(const QString &dataFolder)
{
    return dataFile(dataFolder, QString::fromLatin1(kLedgerFileName));
}

QList<LedgerEntry> readPacingLedger(const QString &dataFolder, QString *problem)
{
    problem->clear();
    const QString path = pacingLedgerPath(dataFolder);
    const RegularFileRead file = readRegularFile(path, kMaxLedgerBytes);
    if (!file.exists)
        return {};
    if (!file.problem.isEmpty()) {
        *problem =
            QStringLiteral("%1 was not read (%2); daily allowances count from zero.").arg(path, file.problem);
        return {};
    }
    QList<LedgerEntry> entries;
    int bad = 0;
    int firstBad = 0;
    int number = 0;
    for (QByteArray line : file.bytes.split('\n')) {
        ++number;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        if (const auto entry = ledgerLine(line)) {
            entries.append(*entry);
        } else if (++bad == 1) {
            firstBad = number;
        }
    }
    if (bad)
        *problem = QStringLiteral("%1: %2 line(s) not understood and passed over (the first is line %3).")
                       .arg(path)
                       .arg(bad)
                       .arg(firstBad);
    return entries;
}

std::optional<QString> writePacingLedger(const QString &dataFolder, const QList<LedgerEntry> &entries)
{
    const QString path = pacingLedgerPath(dataFolder);
    if (entries.isEmpty()) {
        if (QFileInfo::exists(path) && !QFile::remove(path))
            return QStringLiteral("cannot remove %1").arg(path);
        return std::nullopt;
    }
    QByteArray text;
    for (const LedgerEntry &entry : entries) {
        if (entry.server.contains(u'\t') || entry.server.contains(u'\r') || entry.server.contains(u'\n'))
            continue;
        text += entry.server.toUtf8() + '\t' + entry.start.toUTC().toString(Qt::ISODateWithMs).toLatin1() +
                '\t' + QByteArray::number(entry.count) + "\r\n";
    }
    // The temporary file is synced before it replaces the ledger.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    if (const std::optional<IoError> error = writeAll(file, text)) {
        file.cancelWriting();
        return QStringLiteral("cannot write %1: %2").arg(path, error->description);
    }
    if (!file.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    syncFolder(dataFolder);
    return std::nullopt;
}
