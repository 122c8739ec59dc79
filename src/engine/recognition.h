#pragma once

#include <QByteArrayView>
#include <QDate>
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

// Which number comes first in a date written with slashes, when a label says so
// ("expiration date (dd/mm/yyyy)").
enum class DayOrder { Unknown, DayFirst, MonthFirst };

// The day an expiry value names: "2016-04-01t07:41:59z", "2010.10.16",
// "22.07.2014", "20140921", "21-march-2015", "mon apr 25 23:59:59 gmt 2016",
// "22. märz 2015" and the like, with month names in several languages. Invalid
// when the text does not name one day for certain: a two-digit year, or
// "03/04/2014" without `order`.
QDate readExpiryDate(QByteArrayView text, DayOrder order = DayOrder::Unknown);
