#include "dnssettings.h"

#include "extrasettings.h"

QString dnsModeName(DnsMode mode)
{
    return mode == DnsMode::First ? QStringLiteral("first") : QStringLiteral("off");
}

std::optional<DnsMode> parseDnsMode(QStringView text)
{
    const QString t = text.trimmed().toString().toLower();
    for (const DnsMode mode : {DnsMode::Off, DnsMode::First}) {
        if (t == dnsModeName(mode))
            return mode;
    }
    return std::nullopt;
}

namespace {

// A whole number within 1..high, or the default with the reason in `problems`.
int boundedNumber(const ExtraSettings &extra, const QString &key, int high, int fallback,
                  QStringList &problems)
{
    if (!extra.contains(key))
        return fallback;
    const QString text = extra.text(key);
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (ok && n >= 1 && n <= high)
        return n;
    problems << QStringLiteral("%1: the value of %2, \"%3\", is not a number from 1 to %4; using %5.")
                    .arg(extra.path(), key, text)
                    .arg(high)
                    .arg(fallback);
    return fallback;
}

} // namespace

DnsSettings dnsSettings(const ExtraSettings &extra)
{
    DnsSettings s;
    if (extra.contains(kDnsModeKey)) {
        const QString text = extra.text(kDnsModeKey);
        if (const std::optional<DnsMode> mode = parseDnsMode(text))
            s.mode = *mode;
        else
            s.problems << QStringLiteral("%1: the value of %2, \"%3\", is not off or first; using off.")
                              .arg(extra.path(), kDnsModeKey, text);
    }
    // QSettings reads "a, b" as a list and "a" as a text.
    for (const QString &server : extra.value(kDnsServersKey).toStringList()) {
        for (const QString &part : server.split(u',', Qt::SkipEmptyParts)) {
            if (!part.trimmed().isEmpty())
                s.servers << part.trimmed();
        }
    }
    s.lookups = boundedNumber(extra, kDnsLookupsKey, DnsSettings::kMaxLookups, DnsSettings::kDefaultLookups,
                              s.problems);
    s.timeoutSecs = boundedNumber(extra, kDnsTimeoutKey, DnsSettings::kMaxTimeoutSecs,
                                  DnsSettings::kDefaultTimeoutSecs, s.problems);
    return s;
}

void setDnsMode(ExtraSettings &extra, DnsMode mode)
{
    extra.setValue(kDnsModeKey, dnsModeName(mode));
}
