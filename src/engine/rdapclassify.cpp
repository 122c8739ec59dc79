#include "rdapclassify.h"

#include "checktexts.h"
#include "classify.h"
#include "converter.h"
#include "domainrow.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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
    const QString ldhName = domain.value(QLatin1String("ldhName")).toString();
    const bool isDomain = objectClass.compare(QLatin1String("domain"), Qt::CaseInsensitive) == 0 ||
                          (objectClass.isEmpty() && !ldhName.isEmpty());
    if (error.error != QJsonParseError::NoError || !doc.isObject() || !isDomain) {
        v.text = erroneous(rdaptexts::kNotRdap);
        return v;
    }
    if (!ldhName.isEmpty() && comparableName(ldhName) != comparableName(name)) {
        v.text = erroneous(rdaptexts::kOtherDomain);
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
