#pragma once

#include "replydates.h"

#include <QByteArrayView>
#include <QString>

// What the program itself reads from a WHOIS reply that the configured response
// strings left as taken. Registries have reworded their replies many times;
// these are the shapes today's replies take, common to many registries rather
// than the text of any one. It never guesses: a reply that does not say clearly
// that the name is unregistered stays taken, and a date that is not clearly one
// day is not given.
struct ReplyRecognition {
    enum class Kind {
        Taken,   // nothing clear: the reply stays as the configured strings left it
        Free,    // a "not registered" statement, and nothing in the reply says otherwise
        Refused, // throttled, access denied, or no reply at all: the next server is asked
    };
    Kind kind = Kind::Taken;
    // The expiry date as "dd-mm-yyyy" when one was read clearly, else empty.
    QString expiration;
};

// Reads `reply` (the bytes as received, in any letter case) line by line, once.
// `query` is the name the server was asked about, in lower case: a statement
// that names a domain counts only when it names this one. A reply `cut` short
// (at the receive cap) is never called free: the rest may show a record.
ReplyRecognition recognizeReply(QByteArrayView reply, QByteArrayView query, bool cut = false);

// Whether `reply` may hold a throttling or refusal notice: false only when
// none of the words every notice has occurs in it (letter case and quotes
// aside) and it holds more than blanks. One pass over the bytes, far cheaper
// than reading the reply: a reply a configured free string matched is read
// for a notice only when this says it may hold one.
bool mayHoldNotice(QByteArrayView reply);
