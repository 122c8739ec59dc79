#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

class DomainListModel;
class ExportToMain;
class LineReader;
class TldSuffixList;

// Names read from text files straight into the main list (open the reader with
// LineReader::Decoding::Utf8Names). Each line is taken without the spaces
// around it, lower-cased; then
// - Load (a plain list): the line is the name;
// - Extract (the list files of back-order services, "name date" or
//   "field,field,..."): a line with a space is cut at its first space, and
//   the rest is split at every ","; each field, as it is, may be a name. A
//   line with neither a space nor a "," holds no name.
// A candidate with characters beyond ASCII ("bücher.de") is taken in its ASCII
// form ("xn--bcher-kva.de"). Candidates that fail the syntax check are
// skipped; names already in the list are refused by adddomain, which is how
// duplicates drop out.
enum class ImportRule { Load, Extract };

// The stand-by count line is refreshed after this many accepted names and
// every time as many more have come.
inline constexpr int kImportRefreshEvery = 1001;

// The candidate name of one Load line ("" for an empty line).
QString loadedName(QStringView line);
// The candidates of one Extract line, in order (before the syntax check).
QStringList extractedNames(QStringView line);

struct ImportResult {
    qint64 lines = 0;      // lines read
    qint64 accepted = 0;   // candidates that passed the syntax check
    qint64 rejected = 0;   // lines with text but no candidate that passed it
    bool declined = false; // the user said No to the many-rows question
};

// Reads `reader` to its end (or until the user declines to go on) and hands
// every accepted name to `exporter`, which asks the many-rows question.
// `progress`, when given, is called after every kImportRefreshEvery accepted
// names. `fileBytes`, the size of the file when known, lets the list make room
// for all its names at once.
ImportResult importNames(LineReader &reader, ImportRule rule, ExportToMain &exporter,
                         const std::function<void()> &progress = {}, qint64 fileBytes = 0);

// What an import did, in a line for the status bar: "Added 3 names from
// list.txt; 1 line was not a valid name." `added` counts the rows the list
// gained (names it held already are not added again).
QString importSummary(const QString &fileName, qint64 added, qint64 rejected);

// The same for programs without a user: every name goes in, in one bulk
// update of the list, and nothing is asked. Returns the number of rows added.
int loadNamesFromFile(LineReader &reader, DomainListModel &list, const TldSuffixList &suffixes,
                      ImportRule rule = ImportRule::Load);
