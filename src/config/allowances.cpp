#include "allowances.h"

#include "base/hostport.h"
#include "config/extrasettings.h"
#include "config/pacingsetting.h"

#include <algorithm>

namespace {

inline const QString kPacingGroup = QStringLiteral("pacing");

std::optional<qint32> unitLength(QChar unit)
{
    switch (unit.toLower().unicode()) {
    case 's':
        return 1000;
    case 'm':
        return 60 * 1000;
    case 'h':
        return 3600 * 1000;
    case 'd':
        return Allowance::kDayMs;
    default:
        return std::nullopt;
    }
}

// "1000/d", "1800/15m".
std::optional<Allowance> parseRate(QStringView part)
{
    const qsizetype slash = part.indexOf(u'/');
    if (slash < 0)
        return std::nullopt;
    bool ok = false;
    const QStringView countText = part.first(slash).trimmed();
    const qint64 count = countText.toLongLong(&ok);
    if (!ok || count < 1 || count > Allowance::kMaxCount || !countText.front().isDigit())
        return std::nullopt;
    const QStringView window = part.sliced(slash + 1).trimmed();
    if (window.isEmpty())
        return std::nullopt;
    const auto unit = unitLength(window.back());
    if (!unit)
        return std::nullopt;
    qint64 units = 1;
    if (window.size() > 1) {
        const QStringView unitsText = window.chopped(1);
        units = unitsText.toLongLong(&ok);
        if (!ok || units < 1 || !unitsText.front().isDigit())
            return std::nullopt;
    }
    if (units > Allowance::kDayMs / *unit)
        return std::nullopt;
    return Allowance{static_cast<int>(count), static_cast<qint32>(units * *unit)};
}

} // namespace

std::optional<Allowances> parseAllowances(QStringView text, QString *error)
{
    Allowances rates;
    for (QStringView part : text.split(u',')) {
        part = part.trimmed();
        const auto rate = parseRate(part);
        if (!rate) {
            *error = part.isEmpty() ? QStringLiteral("an empty rate in '%1'").arg(text.trimmed())
                                    : QStringLiteral("'%1' is not COUNT/UNIT (units s, m, h, d: 5/s, "
                                                     "1800/15m, 1000/d; at most one day)")
                                          .arg(part);
            return std::nullopt;
        }
        const auto same = std::find_if(rates.begin(), rates.end(),
                                       [&](const Allowance &a) { return a.windowMs == rate->windowMs; });
        if (same == rates.end())
            rates.append(*rate);
        else
            same->count = std::min(same->count, rate->count);
    }
    return rates;
}

QString allowanceServerName(QStringView server)
{
    server = server.trimmed();
    if (const qsizetype scheme = server.indexOf(u"://"); scheme >= 0) {
        QStringView rest = server.sliced(scheme + 3);
        if (const qsizetype slash = rest.indexOf(u'/'); slash >= 0)
            rest = rest.first(slash);
        return parseHostPort(rest, 0).host.toLower();
    }
    const HostPort address = parseHostPort(server, 43);
    if (!address.valid())
        return server.toString().toLower();
    return hostPortText(address.host.toLower(), address.port, 43);
}

const AllowanceTable &builtInAllowances()
{
    static const AllowanceTable table = [] {
        constexpr qint32 second = 1000, minute = 60 * second, hour = 60 * minute;
        AllowanceTable t;
        // Nominet, ".uk WHOIS: Terms of use" (https://www.nominet.uk/whois/): at most
        // 5 queries a second and 1,000 in 24 hours from one address.
        t.insert(QStringLiteral("whois.nic.uk"), {{5, second}, {1000, Allowance::kDayMs}});
        // AFNIC, "Whois: terms of use" (https://www.afnic.fr/en/): 7,200 queries in 24 hours
        // on the public port 43.
        t.insert(QStringLiteral("whois.nic.fr"), {{7200, Allowance::kDayMs}});
        // CentralNic, "WHOIS Service Terms of Use" (https://www.centralnicregistry.com/support/whois):
        // 1,800 queries in 15 minutes.
        t.insert(QStringLiteral("whois.centralnic.com"), {{1800, 15 * minute}});
        // SIDN, "Whois service - SIDN" (https://www.sidn.nl/en/whois): "only 1 request per
        // second allowed".
        t.insert(QStringLiteral("whois.domain-registry.nl"), {{1, second}});
        // DNS Belgium, "Whois - DNS Belgium" (https://www.dnsbelgium.be/en/whois): 100 queries
        // an hour.
        t.insert(QStringLiteral("whois.dns.be"), {{100, hour}});
        // OpenSRS (Tucows), "OpenSRS WHOIS" (https://opensrs.com/resources/whois/): 1 query a
        // second.
        t.insert(QStringLiteral("whois.opensrs.net"), {{1, second}});
        return t;
    }();
    return table;
}

AllowanceTable configuredAllowances(const ExtraSettings &extra, QStringList *problems)
{
    AllowanceTable table = builtInAllowances();
    for (const QString &server : extra.childKeys(kPacingGroup)) {
        const QString key = kPacingGroup + u'/' + server;
        // The section's own settings; no server is named so.
        if (key == kPacingModeKey || key == kPacingPatienceKey)
            continue;
        // Unquoted, "2/s, 500/h" is a list to QSettings.
        const QVariant value = extra.value(key);
        const QString text =
            value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',') : value.toString();
        QString error;
        const auto rates = parseAllowances(text, &error);
        const QString name = allowanceServerName(server);
        if (!rates) {
            problems->append(QStringLiteral("%1 in %2: %3; %4 keeps %5")
                                 .arg(key, extra.path(), error, name,
                                      table.contains(name) ? QStringLiteral("its built-in allowance")
                                                           : QStringLiteral("no allowance")));
            continue;
        }
        table.insert(name, *rates);
    }
    return table;
}

std::optional<std::pair<QString, Allowances>> parseServerLimit(QStringView text, QString *error)
{
    const qsizetype equals = text.indexOf(u'=');
    const QString server = equals < 0 ? QString() : allowanceServerName(text.first(equals));
    if (server.isEmpty()) {
        *error = QStringLiteral("no SERVER before '='");
        return std::nullopt;
    }
    const auto rates = parseAllowances(text.sliced(equals + 1), error);
    if (!rates)
        return std::nullopt;
    return std::pair{server, *rates};
}
