#pragma once

#include "config/tldservertable.h"
#include "domainsyntax.h"

#include <QString>
#include <QStringList>

#include <vector>

// The check engine's run-wide state. One instance lives as long as the program;
// `stopped` doubles as the program-wide idle flag other windows read.
struct RunState {
    QStringList runNames; // lower-cased names of the run, in list order
    qint32 runCount = 0;
    qint32 nextIndex = 0;
    qint32 processed = 0; // names finished with a written result line
    qint32 freeCount = 0; // these three are counted by repopulate only
    qint32 takenCount = 0;
    qint32 uncheckedCount = 0;

    bool stopped = true;
    bool done = false;
    bool selectedOnly = false;
    bool skipConfirmation = false;
    bool retryOn = false;
    quint8 retryLimit = 0;
    qint32 timeoutMs = 0;
    qint32 blueLimit = 30;
    qint16 topSlot = -1;
    qint32 progressUnit = 0;
    qint32 lastRefresh = 0;
    quint8 panelLines = 0;

    QStringList freeResponses; // lower-cased copies taken at run start
    QStringList errorResponses;
    std::vector<TldServerRecord> tldServerRecords;
    TldSuffixList suffixes;
};
