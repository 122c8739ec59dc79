#pragma once

#include "domainsyntax.h"

#include <QtGlobal>

// The check engine's state that outlives a run. One instance lives as long as
// the program; `stopped` doubles as the program-wide idle flag other windows
// read. What belongs to a single run is the engine's RunSession.
struct RunState {
    bool stopped = true;
    // Set right before allstarter() by a caller that starts a run itself: the
    // run then asks no questions. Cleared at every start.
    bool skipConfirmation = false;

    // Counted by repopulate: what the list shows between runs.
    qint32 freeCount = 0;
    qint32 takenCount = 0;
    qint32 uncheckedCount = 0;
    // Rows taken and expiring within this many days are painted blue; chosen at
    // run start and used by every rebuild after it.
    qint32 blueLimit = 30;

    // Known TLD suffixes, for the TLD column of every row added.
    TldSuffixList suffixes;

    // Set by a front end for its runs (quorvane-cli check --configured-strings-only):
    // replies are classified by the configured response strings alone, whatever
    // quorvane.ini says.
    bool configuredStringsOnly = false;
};
