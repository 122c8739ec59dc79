#pragma once

#include "base/iowrite.h"

#include <QString>

#include <optional>

class LineReader;
class NameListModel;
class Prompter;

// Lists of names saved and loaded by the source windows: plain text, one name
// a line, CR LF ends, one byte a character.
inline const QString kNameListFilter = QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*");
inline const QString kOpenNameListTitle = QStringLiteral("Open");
inline const QString kSaveNameListTitle = QStringLiteral("Save As");
inline const QString kClearNameListQuestion =
    QStringLiteral("Are you sure that you would like to clear the list?");
// .arg(file, reason)
inline const QString kNameListNotSavedText = QStringLiteral("The list could not be saved to %1 (%2).");
inline const QString kNameFileNotReadText = QStringLiteral("The file %1 could not be read (%2).");

// Writes every row of `list` in order. The file is replaced only once all of it
// is written, so a failure leaves an earlier file as it was. The error, if any.
std::optional<IoError> saveNameList(const QString &path, const NameListModel &list);

// "Save to file..": asks for a file and saves `list` there; a cancelled choice
// does nothing, a failed write is reported. Nothing happens for an empty list.
void saveNameListAs(const NameListModel &list, Prompter &prompter);

// Adds every line of `reader` that, trimmed of spaces and lower-cased, passes
// the syntax check; names already in `list` are skipped. Returns the rows added.
int loadNameList(LineReader &reader, NameListModel &list);

// "Clear": asks first (No is the default); true when the list was emptied.
bool clearNameList(NameListModel &list, Prompter &prompter);

// "Load domains..": asks for a file and loads it into `list`; a cancelled
// choice does nothing, an unreadable file is reported.
void loadNameListFrom(NameListModel &list, Prompter &prompter);
