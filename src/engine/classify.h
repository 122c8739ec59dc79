#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What a WHOIS reply says about a name. Replies and response strings are
// compared in lower case with plain substring search; "$domain$" in a response
// string stands for the full name being checked.
enum class ReplyClass { Erroneous, Free, Taken };

struct ReplyVerdict {
    ReplyClass kind = ReplyClass::Taken;
    QString expiration;  // Taken: the converter's date text, "Unknown" or "N/A"
    QString information; // Taken: "Status: " + the status line, or "N/A"
};

// Whether `response` (with "$domain$" replaced by `name`) occurs in `reply`.
// An empty response string never occurs: it would otherwise match every reply.
bool responseOccurs(const QString &reply, const QString &response, const QString &name);

// Classifies a lower-cased reply: error responses first, then the TLD's own free
// response, then the global free responses; anything else is taken, and then
// the expiration date and status line are read from it. `reply` is rewritten in
// place the way the extraction needs (label normalisation).
ReplyVerdict classifyReply(QString &reply, const QString &name, const QString &tldFreeResponse,
                           const QStringList &freeResponses, const QStringList &errorResponses);

// Rewrites the first known expiration label of `reply` to "expiration date:" and
// converts the rest of that line; "N/A" when there is no label or no line end after it.
QString extractExpiration(QString &reply);

// "Status: " + the text after the first "status:" (or "state:") of `reply`, cut
// at the line end and at 100 characters; "N/A" when there is none.
QString extractStatus(QString &reply);

// Lower-cases 8-bit (Latin-1) reply bytes in place, the same as
// QString::toLower on the decoded text but without its cost on a busy run.
void lowerLatin1(QByteArray &bytes);

// The labels registries put before an expiration date, in the order they are tried.
const QStringList &expirationLabels();

inline constexpr int kStatusMaxLength = 100;
