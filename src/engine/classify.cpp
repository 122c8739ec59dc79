#include "classify.h"

#include "base/textfile.h"
#include "checktexts.h"
#include "converter.h"
#include "domainrow.h"
#include "recognition.h"
#include "replybytes.h"

#include <optional>

namespace {

const QByteArray kDomainToken = QByteArrayLiteral("$domain$");
const QByteArray kExpirationLabel = QByteArrayLiteral("expiration date:");
const QByteArray kStatusLabel = QByteArrayLiteral("status:");
const QByteArray kStateLabel = QByteArrayLiteral("state:");

QByteArrayView trimLeadingSpaces(QByteArrayView s)
{
    return replybytes::trimmedFront(s, [](char c) { return c == ' '; });
}

QStringView trimTrailingBlanks(QStringView s)
{
    qsizetype n = s.size();
    while (n > 0 && (s[n - 1] == u' ' || s[n - 1] == u'\t'))
        --n;
    return s.first(n);
}

QByteArrayView cutAt(QByteArrayView s, char c)
{
    const qsizetype i = s.indexOf(c);
    return i < 0 ? s : s.first(i);
}

// The text after the first of `a` and `b` in `reply`; none when it holds neither.
std::optional<QByteArrayView> textAfterFirst(QByteArrayView reply, QByteArrayView a, QByteArrayView b)
{
    qsizetype at = reply.indexOf(a);
    qsizetype length = a.size();
    const qsizetype atB = reply.indexOf(b);
    if (atB >= 0 && (at < 0 || atB < at)) {
        at = atB;
        length = b.size();
    }
    if (at < 0)
        return std::nullopt;
    return reply.sliced(at + length);
}

} // namespace

void lowerLatin1(QByteArray &bytes)
{
    for (char &c : bytes)
        c = replybytes::lowerLatin1(c);
}

const QList<QByteArray> &expirationLabels()
{
    static const QList<QByteArray> labels{
        "expires on:",     "renewal date:", "renewal-date:",     "renewal:",
        "domain expires:", "expires at:",   "expires:",          "expire:",
        "expiry date:",    "expiry:",       "record expires on", "domain_datebilleduntil:",
        "paid-till:",      "exp date:",
    };
    return labels;
}

QByteArray responseBytes(const QString &response)
{
    const QString lower = response.toLower();
    for (const QChar c : lower) {
        if (c.unicode() > 0xff)
            return {};
    }
    return lower.toLatin1();
}

QList<QByteArray> responseBytes(const QStringList &responses)
{
    QList<QByteArray> out;
    out.reserve(responses.size());
    for (const QString &r : responses)
        out.append(responseBytes(r));
    return out;
}

bool responseOccurs(QByteArrayView reply, const QByteArray &response, const QByteArray &name)
{
    if (response.isEmpty())
        return false;
    if (!response.contains(kDomainToken))
        return reply.contains(response);
    QByteArray expanded = response;
    expanded.replace(kDomainToken, name);
    return reply.contains(expanded);
}

QString extractExpiration(QByteArrayView reply)
{
    // The first label of the list that the reply holds stands for
    // "expiration date:": the text after whichever of the two comes first.
    QByteArrayView label = kExpirationLabel;
    for (const QByteArray &l : expirationLabels()) {
        if (reply.contains(l)) {
            label = l;
            break;
        }
    }
    const std::optional<QByteArrayView> after = textAfterFirst(reply, label, kExpirationLabel);
    if (!after)
        return cellText::notAvailable();
    QByteArrayView text = replybytes::trimmedFront(*after, replybytes::isSpaceOrTab);
    const qsizetype lf = text.indexOf('\n');
    if (lf < 0)
        return cellText::notAvailable();
    text = cutAt(text.first(lf), '\r');
    // Stray control bytes count as blanks, and trailing blanks before the line
    // end would shift the fixed positions the date forms are read at.
    QString date = decode8bit(text);
    for (QChar &c : date) {
        if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f)
            c = u' ';
    }
    return converter(trimTrailingBlanks(date).toString());
}

QString extractStatus(QByteArrayView reply)
{
    const std::optional<QByteArrayView> after = textAfterFirst(reply, kStatusLabel, kStateLabel);
    if (!after)
        return cellText::notAvailable();
    QByteArrayView text = trimLeadingSpaces(*after);
    if (text.startsWith('\r'))
        text = text.sliced(1);
    if (text.startsWith('\n'))
        text = text.sliced(1);
    text = trimLeadingSpaces(text);
    text = cutAt(cutAt(text, '\r'), '\n');
    QString status = decode8bit(text.first(std::min<qsizetype>(text.size(), kStatusMaxLength)));
    if (text.size() > kStatusMaxLength)
        status += QStringLiteral("...");
    status.remove(u'\t');
    // Other control bytes from a hostile or broken server are of no use in a
    // status text and must not reach the work file or the reports.
    for (QChar &c : status) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    }
    return checkText::kStatusPrefix + trimSpaces(status).toString();
}

ReplyVerdict classifyReply(QByteArrayView reply, const QByteArray &name, const QByteArray &tldFreeResponse,
                           const QList<QByteArray> &freeResponses, const QList<QByteArray> &errorResponses,
                           bool recognition, QByteArrayView query, bool cut)
{
    ReplyVerdict verdict;
    for (const QByteArray &error : errorResponses) {
        if (responseOccurs(reply, error, name)) {
            verdict.kind = ReplyClass::Erroneous;
            return verdict;
        }
    }
    bool free = responseOccurs(reply, tldFreeResponse, name);
    for (qsizetype i = 0; !free && i < freeResponses.size(); ++i)
        free = responseOccurs(reply, freeResponses[i], name);
    ReplyRecognition recognized;
    verdict.recognized = recognition;
    // A reply a free string matched is read only for a notice beside it.
    if (recognition && (!free || mayHoldNotice(reply))) {
        recognized = recognizeReply(reply, query, cut);
        verdict.refused = recognized.kind == ReplyRecognition::Kind::Refused;
    }
    if (free) {
        // "No entries found" beside "Query rate limit exceeded": the server
        // answered no query, and the name is not known to be free.
        verdict.kind =
            recognized.kind == ReplyRecognition::Kind::Refused ? ReplyClass::Erroneous : ReplyClass::Free;
        return verdict;
    }
    if (recognition) {
        if (recognized.kind == ReplyRecognition::Kind::Free) {
            verdict.kind = ReplyClass::Free;
            return verdict;
        }
        if (recognized.kind == ReplyRecognition::Kind::Refused) {
            verdict.kind = ReplyClass::Erroneous;
            return verdict;
        }
    }
    verdict.kind = ReplyClass::Taken;
    verdict.expiration = extractExpiration(reply);
    if (!recognized.expiration.isEmpty() &&
        (verdict.expiration == cellText::notAvailable() || verdict.expiration == checkText::kUnknownDate))
        verdict.expiration = recognized.expiration;
    verdict.information = extractStatus(reply);
    return verdict;
}
