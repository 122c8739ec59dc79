#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class DomainListModel;
class Prompter;
struct RunState;

// Days from `today` to a dd-mm-yy or dd-mm-yyyy date, as "<n> days"; "N/A"
// when the text is not a real calendar date.
QString daysleft(const QString &dateText, const QDate &today);

// What a rebuild reads besides temp.txt.
struct RebuildSources {
    // A selected-only run ends: the rows it left alone come first, from
    // remember.txt, and the counters and colours then cover the whole list.
    bool keptRows = false;
    // Names whose result lines never reached temp.txt (a full disk): they
    // follow the file's rows as unchecked, with an empty information text, the
    // way a Stop writes the names it never reached. A name the file already
    // has a row for keeps that row.
    QStringList uncheckedNames;
};

// Rebuilds the main list from temp.txt in `dataFolder` (and what `sources`
// adds): derived columns, colours and the free/taken/unchecked counts in
// `run`. Uses run.suffixes for the TLD column and run.blueLimit for blue
// marking. A file that cannot be read ends the rebuild with "An error occured
// while repopulating the list: " + the reason, through `prompter`.
//
// Rows are added to what the list holds; callers empty it first. Writers of
// temp.txt must be closed (flushed) before the call. Automatic sorting is
// switched off, so the rows keep the order of the files. The view sees one
// reset; the message, if any, comes after it.
void repopulate(DomainListModel &list, RunState &run, const QString &dataFolder, const QDate &today,
                Prompter &prompter, const RebuildSources &sources);
// The rebuild of the list-maintenance commands: temp.txt alone.
void repopulate(DomainListModel &list, RunState &run, const QString &dataFolder, const QDate &today,
                Prompter &prompter);

inline const QString kRepopulateError = QStringLiteral("An error occured while repopulating the list: ");
