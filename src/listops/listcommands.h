#pragma once

#include "engine/domainrow.h"

#include <QString>

#include <functional>

class AppContext;
class DomainListModel;

// What became of a rebuild of the main list through temp.txt.
enum class RebuildOutcome {
    Rebuilt,
    EmptyList,  // nothing to do
    Busy,       // a check run owns temp.txt and the list
    NotWritten, // temp.txt could not be written completely; the list is unchanged
};

// How the list's automatic sorting fares in a rebuild.
enum class SortMode {
    Keep,      // an automatically sorted list places the reloaded rows in sorted order
    SwitchOff, // the reloaded rows keep the order they were written in
};

// Writes the rows `keep` accepts (row position, row), in display order, to
// temp.txt as result lines (domain, availability, expiration, information) and
// rebuilds the list from that file with repopulate, which recomputes the other
// columns, the colours and the counters.
//
// Nothing is removed before the whole file is on disk: when temp.txt cannot be
// created or written, the list stays exactly as it was and the user is told.
RebuildOutcome rebuildThroughRowFile(AppContext &ctx, const std::function<bool(int, const DomainRow &)> &keep,
                                     SortMode sortMode);

// "Delete domains" -> "Selected": keeps the rows that are not selected.
RebuildOutcome deleteselected(AppContext &ctx);
// "Taken" (status "Taken"), "Free" (status "FREE") and "Unchecked and Errors"
// ("N/A" with uncheckedToo, which also removes rows with an empty availability).
// The availability must equal `status` exactly, letter case included. The
// list's automatic sorting is switched off, so the kept rows stay in order.
RebuildOutcome DeleteByStatus(AppContext &ctx, const QString &status, bool uncheckedToo);

// "Clear list": after the user's Yes, removes every row. False when nothing
// was removed.
bool clearlist(AppContext &ctx);

// The selection commands; on an empty list they do nothing.
void selectall(DomainListModel &list);
void unselectall(DomainListModel &list);
void selectinverse(DomainListModel &list);
