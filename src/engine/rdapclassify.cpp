#include "rdapclassify.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "base/idn.h"
#include "checktexts.h"
#include "classify.h"
#include "converter.h"
#include "domainrow.h"

namespace {

QString erroneous(const QString &detail)
{
    return rdaptexts::kErroneousPrefix + QStringLiteral(" (") + detail + u')';
}

// Server text that ends up in a result line: no control characters, which
// would break the work file's lines and fields.
QString cleanText(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    }
    return text;
}

// The number written at `pos` in `digits` digits, or -1.
int numberAt(QStringView text, qsizetype pos, qsizetype digits)
{
    if (pos < 0 || pos + digits > text.size())
        return -1;
    int value = 0;
    for (qsizetype i = pos; i < pos + digits; ++i) {
        const QChar c = text[i];
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

// RDAP writes its dates as "2031-02-03T04:05:06Z" (RFC 3339). A text in that
// form whose fields cannot be (a 13th month, a 25th hour, a zone 99 hours
// away) is no date at all; the converter, which reads only the day, month and
// year, would make one of it. Texts in other forms are left to the converter.
bool impossibleDate(QStringView text)
{
    if (text.size() < 10 || text[4] != u'-' || text[7] != u'-')
        return false;
    const int year = numberAt(text, 0, 4), month = numberAt(text, 5, 2), day = numberAt(text, 8, 2);
    if (year < 0 || month < 0 || day < 0)
        return false;
    if (!QDate(year, month, day).isValid())
        return true;
    qsizetype pos = 10;
    if (pos >= text.size() || (text[pos] != u't' && text[pos] != u' ') || numberAt(text, pos + 1, 2) < 0)
        return false;
    const int hour = numberAt(text, pos + 1, 2), minute = numberAt(text, pos + 4, 2);
    if (text.size() < pos + 6 || text[pos + 3] != u':' || minute < 0)
        return false;
    if (hour > 23 || minute > 59)
        return true;
    pos += 6;
    if (pos < text.size() && text[pos] == u':') {
        const int second = numberAt(text, pos + 1, 2);
        if (second < 0)
            return false;
        if (second > 60) // 60: a leap second
            return true;
        pos += 3;
        if (pos < text.size() && text[pos] == u'.') {
            ++pos;
            while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9')
                ++pos;
        }
    }
    if (pos >= text.size() || (text[pos] != u'+' && text[pos] != u'-'))
        return false;
    const int zoneHours = numberAt(text, pos + 1, 2);
    const qsizetype minutesAt = pos + 3 < text.size() && text[pos + 3] == u':' ? pos + 4 : pos + 3;
    const int zoneMinutes = numberAt(text, minutesAt, 2);
    return zoneHours > 23 || zoneMinutes > 59;
}

QString expirationOf(const QJsonObject &domain)
{
    for (const QJsonValue &event : domain.value(QLatin1String("events")).toArray()) {
        const QJsonObject e = event.toObject();
        if (e.value(QLatin1String("eventAction"))
                .toString()
                .compare(QLatin1String("expiration"), Qt::CaseInsensitive) != 0)
            continue;
        // The same text a WHOIS reply's "expiration date:" line gives the
        // converter: lower case, without leading or trailing blanks.
        const QString date = cleanText(e.value(QLatin1String("eventDate")).toString()).trimmed().toLower();
        if (impossibleDate(date))
            return checkText::kUnknownDate;
        return converter(date);
    }
    return cellText::notAvailable();
}

QString informationOf(const QJsonObject &domain)
{
    QStringList values;
    for (const QJsonValue &v : domain.value(QLatin1String("status")).toArray()) {
        const QString text = cleanText(v.toString()).simplified();
        if (!text.isEmpty())
            values << text;
    }
    if (values.isEmpty())
        return cellText::notAvailable();
    QString status = values.join(QStringLiteral(", "));
    if (status.size() > kStatusMaxLength)
        status = status.left(kStatusMaxLength) + QStringLiteral("...");
    return checkText::kStatusPrefix + status;
}

QString comparableName(QString name)
{
    name = name.trimmed().toLower();
    while (name.endsWith(u'.'))
        name.chop(1);
    return name;
}

enum class NamedAs { Asked, Other, Nothing };

// Whether the object is about `name`: every name it gives (the ASCII form, and
// the Unicode form taken to ASCII) must be the one asked for. An answer about
// another name, or about none, says nothing about ours.
NamedAs namedAs(const QJsonObject &domain, const QString &name)
{
    const QString wanted = comparableName(name);
    NamedAs named = NamedAs::Nothing;
    for (const QLatin1String key : {QLatin1String("ldhName"), QLatin1String("unicodeName")}) {
        const auto found = domain.constFind(key);
        if (found == domain.constEnd())
            continue;
        QString given = comparableName(found->toString());
        if (hasNonAscii(given))
            given = asciiName(given);
        if (!found->isString() || given != wanted)
            return NamedAs::Other;
        named = NamedAs::Asked;
    }
    return named;
}

bool looksLikeJson(const HttpFetcher::Result &r)
{
    QJsonParseError error;
    QJsonDocument::fromJson(r.body, &error);
    return error.error == QJsonParseError::NoError;
}

} // namespace

RdapVerdict classifyRdap(const HttpFetcher::Result &r, const QString &name)
{
    using Kind = HttpFetcher::Result::Kind;
    RdapVerdict v;
    switch (r.kind) {
    case Kind::TransportError:
        v.kind = RdapClass::Failed;
        v.text = checkText::kErrorPrefix + cleanText(r.error);
        return v;
    case Kind::TooLarge:
        v.text = erroneous(QStringLiteral("reply too large"));
        return v;
    case Kind::RedirectLoop:
        v.text = erroneous(QStringLiteral("redirect loop"));
        return v;
    case Kind::TooManyRedirects:
        v.text = erroneous(QStringLiteral("too many redirects"));
        return v;
    case Kind::BadRedirect:
        v.text = erroneous(QStringLiteral("bad redirect"));
        return v;
    case Kind::Reply:
        break;
    }

    if (r.status == 404) {
        // A web server's own error page at a wrong address is no answer about
        // the name: only an empty or JSON 404 says "no such domain".
        if (!r.body.trimmed().isEmpty() && !looksLikeJson(r)) {
            v.text = erroneous(rdaptexts::kNotRdap);
            return v;
        }
        v.kind = RdapClass::Free;
        return v;
    }
    if (r.status != 200) {
        v.text = erroneous(QStringLiteral("HTTP %1").arg(r.status));
        return v;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.body, &error);
    const QJsonObject domain = doc.object();
    const QString objectClass = domain.value(QLatin1String("objectClassName")).toString();
    const bool isDomain = objectClass.compare(QLatin1String("domain"), Qt::CaseInsensitive) == 0 ||
                          (objectClass.isEmpty() && domain.contains(QLatin1String("ldhName")));
    if (error.error != QJsonParseError::NoError || !doc.isObject() || !isDomain) {
        v.text = erroneous(rdaptexts::kNotRdap);
        return v;
    }
    switch (namedAs(domain, name)) {
    case NamedAs::Asked:
        break;
    case NamedAs::Other:
        v.text = erroneous(rdaptexts::kOtherDomain);
        return v;
    case NamedAs::Nothing:
        v.text = erroneous(rdaptexts::kNotRdap);
        return v;
    }
    v.kind = RdapClass::Taken;
    v.expiration = expirationOf(domain);
    v.information = informationOf(domain);
    return v;
}

QByteArray rdapDisplayBody(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || doc.isNull())
        return body;
    return doc.toJson(QJsonDocument::Indented);
}
