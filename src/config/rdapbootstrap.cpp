#include "rdapbootstrap.h"

#include "base/datafolder.h"
#include "base/regularfile.h"
#include "extrasettings.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

bool isHttpBase(const QUrl &url)
{
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

} // namespace

QString rdapModeName(RdapMode mode)
{
    switch (mode) {
    case RdapMode::Off:
        return QStringLiteral("off");
    case RdapMode::Fallback:
        return QStringLiteral("fallback");
    case RdapMode::First:
        return QStringLiteral("first");
    }
    return QStringLiteral("fallback");
}

std::optional<RdapMode> parseRdapMode(QStringView text)
{
    const QString t = text.trimmed().toString().toLower();
    for (const RdapMode mode : {RdapMode::Off, RdapMode::Fallback, RdapMode::First}) {
        if (t == rdapModeName(mode))
            return mode;
    }
    return std::nullopt;
}

RdapModeSetting rdapModeSetting(const ExtraSettings &extra)
{
    RdapModeSetting setting;
    if (!extra.contains(kRdapModeKey))
        return setting;
    const QString text = extra.text(kRdapModeKey);
    if (const std::optional<RdapMode> mode = parseRdapMode(text))
        setting.mode = *mode;
    else
        setting.problem =
            QStringLiteral("%1: the value of %2, \"%3\", is not off, fallback or first; using %4.")
                .arg(extra.path(), kRdapModeKey, text, rdapModeName(kDefaultRdapMode));
    return setting;
}

void setRdapMode(ExtraSettings &extra, RdapMode mode)
{
    extra.setValue(kRdapModeKey, rdapModeName(mode));
}

bool isRdapServer(QStringView server)
{
    const QStringView s = server.trimmed();
    return s.startsWith(u"https://", Qt::CaseInsensitive) || s.startsWith(u"http://", Qt::CaseInsensitive);
}

QUrl rdapDomainUrl(const QString &base, const QString &name)
{
    // Names reach the engine in ASCII already; a name typed into the manual
    // lookup with its override may not have.
    QString ascii = name;
    for (const QChar c : name) {
        if (c.unicode() > 0x7f) {
            const QByteArray ace = QUrl::toAce(name);
            if (!ace.isEmpty())
                ascii = QString::fromLatin1(ace);
            break;
        }
    }
    QUrl url(base.trimmed(), QUrl::TolerantMode);
    if (!url.isValid())
        return {};
    // The query goes to the path's end, and a query of the base stays after
    // it; a fragment is the reader's, never the server's.
    url.setFragment(QString());
    QString path = url.path(QUrl::FullyEncoded);
    if (!path.endsWith(u'/'))
        path += u'/';
    path +=
        QStringLiteral("domain/") + QString::fromLatin1(QUrl::toPercentEncoding(ascii, "-._~!$&'()*+,;=:@"));
    url.setPath(path, QUrl::TolerantMode);
    return url.isValid() ? url : QUrl();
}

QString rdapServerKey(const QUrl &url)
{
    const int defaultPort = url.scheme() == QLatin1String("https") ? 443 : 80;
    return url.scheme() + QStringLiteral("://") + url.host() + u':' + QString::number(url.port(defaultPort));
}

std::optional<RdapBootstrap> RdapBootstrap::parse(const QByteArray &json, QString *error)
{
    auto fail = [error](const QString &why) -> std::optional<RdapBootstrap> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(
            QStringLiteral("not JSON (%1 at byte %2)").arg(parseError.errorString()).arg(parseError.offset));
    if (!doc.isObject() || !doc.object().value(QLatin1String("services")).isArray())
        return fail(QStringLiteral("no \"services\" list"));
    RdapBootstrap out;
    const QJsonArray services = doc.object().value(QLatin1String("services")).toArray();
    for (const QJsonValue &service : services) {
        const QJsonArray pair = service.toArray();
        if (pair.size() < 2 || !pair[0].isArray() || !pair[1].isArray())
            continue;
        // The secure address first; a plain one only when there is nothing else.
        QString chosen;
        for (const QJsonValue &u : pair[1].toArray()) {
            const QString text = u.toString().trimmed();
            const QUrl url(text, QUrl::StrictMode);
            if (!isHttpBase(url))
                continue;
            if (chosen.isEmpty() || (url.scheme() == QLatin1String("https") &&
                                     !chosen.startsWith(QLatin1String("https"), Qt::CaseInsensitive)))
                chosen = text;
        }
        if (chosen.isEmpty())
            continue;
        const int index = static_cast<int>(out.m_services.size());
        bool any = false;
        for (const QJsonValue &t : pair[0].toArray()) {
            QString tld = t.toString().trimmed().toLower();
            while (tld.startsWith(u'.'))
                tld.remove(0, 1);
            if (tld.isEmpty() || out.m_tlds.contains(tld))
                continue;
            out.m_tlds.insert(tld, index);
            any = true;
        }
        if (any)
            out.m_services.append(chosen);
    }
    if (out.m_services.isEmpty())
        return fail(QStringLiteral("no usable service"));
    return out;
}

std::shared_ptr<const RdapBootstrap> RdapBootstrap::builtin()
{
    static const std::shared_ptr<const RdapBootstrap> shipped = [] {
        Q_INIT_RESOURCE(rdapbootstrap);
        QFile file(QStringLiteral(":/rdap/dns.json"));
        std::optional<RdapBootstrap> parsed;
        if (file.open(QIODevice::ReadOnly))
            parsed = parse(file.readAll());
        return std::make_shared<const RdapBootstrap>(parsed ? std::move(*parsed) : RdapBootstrap());
    }();
    return shipped;
}

std::shared_ptr<const RdapBootstrap> RdapBootstrap::load(const QString &dataFolder, QString *problem)
{
    const QString path = dataFile(dataFolder, QString::fromLatin1(kRdapBootstrapFileName));
    const RegularFileRead file = readRegularFile(path, kMaxFileBytes);
    if (!file.exists)
        return builtin();
    QString why = file.problem;
    if (why.isEmpty()) {
        if (std::optional<RdapBootstrap> parsed = parse(file.bytes, &why))
            return std::make_shared<const RdapBootstrap>(std::move(*parsed));
    }
    if (problem)
        *problem = QStringLiteral("%1 cannot be used as the RDAP bootstrap (%2); using the built-in one.")
                       .arg(path, why);
    return builtin();
}

QString RdapBootstrap::serviceFor(QStringView name) const
{
    QStringView rest = name.trimmed();
    while (rest.endsWith(u'.'))
        rest.chop(1);
    // Longest suffix first: the name itself (a TLD), then after each dot.
    for (;;) {
        const int index = m_tlds.value(rest.toString().toLower(), -1);
        if (index >= 0)
            return m_services[index];
        const qsizetype dot = rest.indexOf(u'.');
        if (dot < 0)
            return {};
        rest = rest.sliced(dot + 1);
    }
}
