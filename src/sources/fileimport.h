#pragma once

#include <QString>
#include <QStringView>

class DomainListModel;
class LineReader;
class TldSuffixList;

// "Load from file..": a plain list of names, one a line. The name is the line
// with the spaces around it removed, lower-cased; empty lines and names that
// fail the syntax check are skipped; names already in the list are refused by
// adddomain, which is how duplicates drop out.

// The candidate name of one line ("" for an empty line).
QString loadedName(QStringView line);

// Reads every line of `reader` into `list` in one bulk update. Returns the
// number of rows added; `lines` (when given) receives the number of lines read.
int loadNamesFromFile(LineReader &reader, DomainListModel &list, const TldSuffixList &suffixes,
                      qint64 *lines = nullptr);
