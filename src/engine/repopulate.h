#pragma once

#include <QDate>
#include <QString>

class DomainListModel;
class Prompter;
struct RunState;

// Days from `today` to a dd-mm-yy or dd-mm-yyyy date, as "<n> days"; "N/A"
// when the text is not a real calendar date.
QString daysleft(const QString &dateText, const QDate &today);

// Rebuilds the main list from remember.txt (selected-only runs) and temp.txt in
// `dataFolder`: derived columns, colours and the free/taken/unchecked counts in
// `run`. Uses run.suffixes for the TLD column, run.blueLimit for blue marking,
// and clears run.selectedOnly. A file that cannot be read ends the rebuild with
// "An error occured while repopulating the list: " + the reason, through `prompter`.
//
// Rows are added to what the list holds; callers empty it first. Writers of
// temp.txt must be closed (flushed) before the call. Automatic sorting is
// switched off, so the rows keep the order of the files. The view sees one
// reset; the message, if any, comes after it.
void repopulate(DomainListModel &list, RunState &run, const QString &dataFolder, const QDate &today,
                Prompter &prompter);

inline const QString kRepopulateError = QStringLiteral("An error occured while repopulating the list: ");
