#include "classify.h"

#include "checktexts.h"
#include "converter.h"
#include "domainrow.h"
#include "workfile.h"

namespace {

const QString kDomainToken = QStringLiteral("$domain$");
const QString kExpirationLabel = QStringLiteral("expiration date:");
const QString kStatusLabel = QStringLiteral("status:");
const QString kStateLabel = QStringLiteral("state:");

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimLeadingBlanks(QStringView s)
{
    qsizetype i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    return s.sliced(i);
}

QStringView trimLeadingSpaces(QStringView s)
{
    qsizetype i = 0;
    while (i < s.size() && s[i] == u' ')
        ++i;
    return s.sliced(i);
}

QStringView trimTrailingBlanks(QStringView s)
{
    qsizetype n = s.size();
    while (n > 0 && isBlank(s[n - 1]))
        --n;
    return s.first(n);
}

QStringView cutAt(QStringView s, QChar c)
{
    const qsizetype i = s.indexOf(c);
    return i < 0 ? s : s.first(i);
}

} // namespace

void lowerLatin1(QByteArray &bytes)
{
    // A-Z and the accented capitals 0xC0-0xDE except the multiplication sign:
    // no other Latin-1 character has a lower case inside Latin-1.
    for (char &c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
            c = static_cast<char>(u + 0x20);
    }
}

const QStringList &expirationLabels()
{
    static const QStringList labels{
        QStringLiteral("expires on:"),       QStringLiteral("renewal date:"),
        QStringLiteral("renewal-date:"),     QStringLiteral("renewal:"),
        QStringLiteral("domain expires:"),   QStringLiteral("expires at:"),
        QStringLiteral("expires:"),          QStringLiteral("expire:"),
        QStringLiteral("expiry date:"),      QStringLiteral("expiry:"),
        QStringLiteral("record expires on"), QStringLiteral("domain_datebilleduntil:"),
        QStringLiteral("paid-till:"),        QStringLiteral("exp date:"),
    };
    return labels;
}

bool responseOccurs(const QString &reply, const QString &response, const QString &name)
{
    if (response.isEmpty())
        return false;
    if (!response.contains(kDomainToken))
        return reply.contains(response);
    QString expanded = response;
    expanded.replace(kDomainToken, name);
    return reply.contains(expanded);
}

QString extractExpiration(QString &reply)
{
    for (const QString &label : expirationLabels()) {
        if (reply.contains(label)) {
            reply.replace(label, kExpirationLabel);
            break;
        }
    }
    const qsizetype at = reply.indexOf(kExpirationLabel);
    if (at < 0)
        return cellText::notAvailable();
    QStringView text = trimLeadingBlanks(QStringView(reply).sliced(at + kExpirationLabel.size()));
    const qsizetype lf = text.indexOf(u'\n');
    if (lf < 0)
        return cellText::notAvailable();
    text = cutAt(text.first(lf), u'\r');
    // Stray control bytes count as blanks, and trailing blanks before the line
    // end would shift the fixed positions the date forms are read at.
    QString date = text.toString();
    for (QChar &c : date) {
        if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f)
            c = u' ';
    }
    return converter(trimTrailingBlanks(date).toString());
}

QString extractStatus(QString &reply)
{
    if (reply.contains(kStateLabel))
        reply.replace(kStateLabel, kStatusLabel);
    const qsizetype at = reply.indexOf(kStatusLabel);
    if (at < 0)
        return cellText::notAvailable();
    QStringView text = trimLeadingSpaces(QStringView(reply).sliced(at + kStatusLabel.size()));
    if (text.startsWith(u'\r'))
        text = text.sliced(1);
    if (text.startsWith(u'\n'))
        text = text.sliced(1);
    text = trimLeadingSpaces(text);
    text = cutAt(cutAt(text, u'\r'), u'\n');
    QString status;
    if (text.size() > kStatusMaxLength)
        status = text.first(kStatusMaxLength).toString() + QStringLiteral("...");
    else
        status = text.toString();
    status.remove(u'\t');
    // Other control bytes from a hostile or broken server are of no use in a
    // status text and must not reach the work file or the reports.
    for (QChar &c : status) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    }
    return checkText::kStatusPrefix + trimSpaces(status).toString();
}

ReplyVerdict classifyReply(QString &reply, const QString &name, const QString &tldFreeResponse,
                           const QStringList &freeResponses, const QStringList &errorResponses)
{
    ReplyVerdict verdict;
    for (const QString &error : errorResponses) {
        if (responseOccurs(reply, error, name)) {
            verdict.kind = ReplyClass::Erroneous;
            return verdict;
        }
    }
    bool free = responseOccurs(reply, tldFreeResponse, name);
    for (qsizetype i = 0; !free && i < freeResponses.size(); ++i)
        free = responseOccurs(reply, freeResponses[i], name);
    if (free) {
        verdict.kind = ReplyClass::Free;
        return verdict;
    }
    verdict.kind = ReplyClass::Taken;
    verdict.expiration = extractExpiration(reply);
    verdict.information = extractStatus(reply);
    return verdict;
}
