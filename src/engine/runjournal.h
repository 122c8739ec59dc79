#pragma once

#include "config/rdapbootstrap.h"

#include <QString>
#include <QStringList>

#include <optional>

// The run journal (journal.txt in the data folder): everything a check run
// needs to go on after the program died in the middle of it. It is written
// before the list is emptied, to a temporary file that is synced and then
// renamed into place, so the folder holds either the whole journal or none.
// The results of the run are in temp.txt; the rows a selected-only run left
// alone in remember.txt, which is synced before the journal is written.
//
// The file is SOH-separated lines, like the other work files:
//   Quorvane run journal SOH <version>
//   options SOH connections SOH timeout SOH retry SOH retries SOH expire days
//           SOH selected only SOH rdap mode SOH recognition
//   names SOH <count>
//   <one lower-cased name a line, in the run's order>
//   end SOH <count>
// The end line tells a whole journal from one cut short.
struct RunJournal {
    static constexpr int kVersion = 1;

    // The options in force for the run, after the option boxes were corrected.
    QString connections;
    QString timeoutSecs;
    bool retry = false;
    QString retryTimes;
    QString expireDays;
    bool selectedOnly = false;
    RdapMode rdapMode = RdapMode::Off;
    bool recognition = false;
    QStringList names;

    // Writes the journal into `dataFolder`; the reason when it cannot.
    std::optional<QString> write(const QString &dataFolder) const;
    // Reads the journal of `dataFolder`: nothing when there is none, otherwise
    // the journal or, in `error`, why it cannot be used.
    static std::optional<RunJournal> read(const QString &dataFolder, QString *error);
    static bool exists(const QString &dataFolder);
    static bool remove(const QString &dataFolder);
    static QString path(const QString &dataFolder);
};

// What temp.txt says about an interrupted run.
struct RunProgress {
    QStringList unfinished; // the journal's names without a complete result line, in its order
    qint64 total = 0;
};

// Cuts a torn last line (the program died while writing it) off temp.txt, so
// results appended later start on a line of their own, and reads which of
// the journal's names have a result. The reason when temp.txt cannot be
// read or cut.
std::optional<QString> readRunProgress(const QString &dataFolder, const RunJournal &journal,
                                       RunProgress &progress);

// Pushes what a file took to the disk: fsync on the open file.
bool syncFile(int fd);
// The folder's entry for a file renamed into it, or removed from it, reaches
// the disk only when the folder is synced.
void syncFolder(const QString &folder);

inline constexpr const char *kJournalFileName = "journal.txt";
