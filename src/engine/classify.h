#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// What a WHOIS reply says about a name. Replies stay bytes (one byte is one
// Latin-1 character, as the reply came): compared in lower case with plain
// substring search, and turned into text only for the few characters that
// end up in a result line. "$domain$" in a response string stands for the
// full name being checked.
enum class ReplyClass { Erroneous, Free, Taken };

struct ReplyVerdict {
    ReplyClass kind = ReplyClass::Taken;
    QString expiration;  // Taken: the converter's date text, "Unknown" or "N/A"
    QString information; // Taken: "Status: " + the status line, or "N/A"
    // Whether the recognition read the reply (it did not when a configured
    // error string matched, or with the recognition off), and found it a
    // throttling or refusal notice.
    bool recognized = false;
    bool refused = false;
};

// A response string as a reply is searched for it: lower-cased and one byte
// per character. A string with a character outside Latin-1 can never occur in
// a reply and comes back empty, which never matches.
QByteArray responseBytes(const QString &response);
QList<QByteArray> responseBytes(const QStringList &responses);

// Whether `response` (with "$domain$" replaced by `name`) occurs in `reply`.
// An empty response string never occurs: it would otherwise match every reply.
bool responseOccurs(QByteArrayView reply, const QByteArray &response, const QByteArray &name);

// Classifies a reply: error responses first, then the TLD's own free response,
// then the global free responses; anything else is taken, and then the
// expiration date and status line are read from it. `reply` must be lower
// case as lowerLatin1() makes it (the engine lowers every reply as it comes),
// response strings as responseBytes() makes them. `reply` is only read.
//
// With `recognition` on, a reply those strings leave as taken is read once more
// by the program's own recognition (recognizeReply, about `query`, the name the
// server was asked about): it may still be free, or erroneous (throttled,
// refused, empty), and a date the configured labels do not give may be read.
// The configured strings always decide first. `cut`: the reply reached the
// receive cap, and the recognition never calls it free.
ReplyVerdict classifyReply(QByteArrayView reply, const QByteArray &name, const QByteArray &tldFreeResponse,
                           const QList<QByteArray> &freeResponses, const QList<QByteArray> &errorResponses,
                           bool recognition = false, QByteArrayView query = {}, bool cut = false);

// The converted rest of the line after the first "expiration date:" of a
// lower-case `reply`, where the first of expirationLabels() that the reply
// holds counts as one; "N/A" when there is no label or no line end after it.
QString extractExpiration(QByteArrayView reply);

// "Status: " + the text after the first "status:" (or "state:") of a
// lower-case `reply`, cut at the line end and at 100 characters; "N/A" when
// there is none.
QString extractStatus(QByteArrayView reply);

// Lower-cases 8-bit (Latin-1) reply bytes in place, the same as
// QString::toLower on the decoded text but without its cost on a busy run.
void lowerLatin1(QByteArray &bytes);

// The labels registries put before an expiration date, in the order they are tried.
const QList<QByteArray> &expirationLabels();

inline constexpr int kStatusMaxLength = 100;
