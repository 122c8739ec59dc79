#pragma once

#include <QByteArray>
#include <QString>

// The state of one of the run's parallel connections. A slot works on one name
// at a time; the engine keeps its Dispatch1 and Retry1 timers.
struct ConnectionSlot {
    QString name;  // the name in work; kept after the slot finishes it
    QString query; // the name as sent to the server (its registrable part)
    QString tld;
    qint32 tldIndex = -1;         // into RunSession::tldServerRecords; -1 when none
    qint32 serverIndex = 0;       // the server in use within that record
    quint8 retries = 0;           // retries made for the current name
    bool exactMatchRetry = false; // the next connect sends "=" + query
    QByteArray reply;             // lower-cased reply bytes gathered so far
    qint32 lastActivity = 0;      // tick count of the slot's last dispatch, retry or socket event
    qint32 connectStart = 0;      // tick count of the slot's latest connect
    bool finished = false;        // no names were left for the slot

    // RDAP: the bootstrap's base URL for the name (empty when none or not
    // looked up yet), whether it leads the name's rotation, whether the name's
    // own servers failed and it is asked last, and whether Retry1 resumes a
    // request that waited for a server (its Retry-After, or a request of the
    // run to it to end).
    QString rdapService;
    bool rdapFirst = false;
    bool rdapFallback = false;
    bool deferred = false;
    bool waitingForServer = false; // until another slot's request to the server ends
    bool waitingForName = false;   // until the DNS pre-check passes a name on, or has none left
    QString rdapServer;            // the server the slot's request out is counted against
    QString pacedServer;           // the server of the slot's latest query, as the run paces it
    bool paceTurn = false;         // the slot's query has the turn its server's pace gave it
    bool waitingForTurn = false;   // until a waiting name's turn comes (the run's turn timer)
    quint8 silentWaits = 0;        // times the name waited after its server went silent
    qint32 pacedAt = 0;            // pace time the slot's latest paced query went out
    QString windowServer;          // the server whose slow-start window counts the slot's query out
};
