#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// What a server's daily allowance has used of its current 24 hours: the
// queries sent since `start`. Kept across runs in pacing-ledger.txt in the data
// folder, one CR LF line a server:
//   server TAB window start (ISO 8601, UTC, with milliseconds) TAB count
// The file is replaced in one step (a synced temporary file renamed into
// place); a line that cannot be read is passed over, never fatal.
struct LedgerEntry {
    QString server;
    QDateTime start;
    int count = 0;

    friend bool operator==(const LedgerEntry &, const LedgerEntry &) = default;
};

inline constexpr const char *kLedgerFileName = "pacing-ledger.txt";

QString pacingLedgerPath(const QString &dataFolder);
// The entries of the file (none when there is none); `problem` says what was
// passed over, empty when nothing was.
QList<LedgerEntry> readPacingLedger(const QString &dataFolder, QString *problem);
// Writes `entries` in place of the file, or removes it when there are none;
// the reason on failure.
std::optional<QString> writePacingLedger(const QString &dataFolder, const QList<LedgerEntry> &entries);
