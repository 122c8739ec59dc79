#pragma once

#include "listcommands.h"

#include <QSet>
#include <QString>
#include <QStringList>

class AppContext;

enum class FilterMode {
    Delete, // remove the rows that match
    Keep,   // keep only the rows that match
};

// The rows of the TLD filter window: the TLDs of the server table in table
// order, then the built-in suffixes not yet among them; lower case (an
// internationalised TLD in its ASCII form), each once.
QStringList tldFilterRows(const QStringList &tableTlds);

// A filter string as typed or read from a file: blanks around it removed,
// lower-cased. Empty when nothing is left.
QString filterString(QStringView text);
// The non-empty filter strings of a list file, one a line (CR LF, CR or LF).
// A file that cannot be read, or stops being readable, gives what was read so far.
QStringList readFilterStrings(const QString &path);

// Rebuilds the list keeping the rows whose TLD column, upper-cased, is (Keep)
// or is not (Delete) in `upperTlds`. A row without a TLD ("N/A") never matches.
// The suffix list is rebuilt from the server table first, so the reloaded rows
// split by the current table.
RebuildOutcome filterByTld(AppContext &ctx, const QSet<QString> &upperTlds, FilterMode mode);
// The same for rows whose domain name contains any of `strings` (letter case
// counts; the strings are lower case, as the names are). A string with
// characters beyond ASCII ("bücher") is looked for in the Unicode form of the
// names ("xn--bcher-kva.de" shows as "bücher.de").
RebuildOutcome filterByStrings(AppContext &ctx, const QStringList &strings, FilterMode mode);
