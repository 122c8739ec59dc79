#pragma once

#include "net/httpfetcher.h"

#include <QByteArray>
#include <QString>

// What an RDAP answer says about a name, in the terms of a WHOIS reply: free,
// taken (with the expiry date in the form the converter gives a WHOIS date and
// the status values as the Information text), or an error to retry on the
// next server.
enum class RdapClass { Free, Taken, Erroneous, Failed };

struct RdapVerdict {
    RdapClass kind = RdapClass::Erroneous;
    QString expiration;  // Taken: the converter's date text, "Unknown" or "N/A"
    QString information; // Taken: "Status: " + the status values, or "N/A"
    // Erroneous and Failed: the result text written once no retry is left.
    QString text;
};

// Classifies the answer of an RDAP domain query for `name` (lower-case ASCII):
// 404 is free; 200 with a domain object is taken; any other status, a body that
// is not an RDAP domain object (or one for another name), a redirect loop, too
// many redirects and an oversized reply are erroneous; no answer at all (refused,
// unreachable, TLS) has failed, like a connection error.
RdapVerdict classifyRdap(const HttpFetcher::Result &result, const QString &name);

// The body made readable: JSON pretty-printed, anything else as it came.
QByteArray rdapDisplayBody(const QByteArray &body);

namespace rdaptexts {
inline const QString kErroneousPrefix = QStringLiteral("Erroneous RDAP response");
inline const QString kNotRdap = QStringLiteral("not an RDAP domain reply");
inline const QString kOtherDomain = QStringLiteral("a reply for another domain");
} // namespace rdaptexts
