#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

class ExtraSettings;

// The DNS pre-check of a run (quorvane.ini, dns/...): a name whose registrable
// part has NS records is delegated, hence registered, and is written as taken
// without a WHOIS or RDAP query. Every other answer (NXDOMAIN, no records, a
// failure, silence) sends the name on to WHOIS: names on hold, in redemption
// or registered without delegation do not resolve, so DNS never makes a name free.
enum class DnsMode {
    Off,   // no DNS
    First, // NS lookup before WHOIS
};

inline const QString kDnsModeKey = QStringLiteral("dns/mode");
inline const QString kDnsServersKey = QStringLiteral("dns/servers");
inline const QString kDnsLookupsKey = QStringLiteral("dns/lookups");
inline const QString kDnsTimeoutKey = QStringLiteral("dns/timeout");

struct DnsSettings {
    static constexpr int kDefaultLookups = 200;
    static constexpr int kMaxLookups = 5000;
    static constexpr int kDefaultTimeoutSecs = 3;
    static constexpr int kMaxTimeoutSecs = 60;
    // The lookup is tried once more after a time-out.
    static constexpr int kTries = 2;

    DnsMode mode = DnsMode::Off;
    QStringList servers;                   // host[:port]; empty: the system's resolvers
    int lookups = kDefaultLookups;         // in flight at once
    int timeoutSecs = kDefaultTimeoutSecs; // per try
    QStringList problems;                  // values that could not be used (their defaults were)
};

QString dnsModeName(DnsMode mode); // "off", "first"
std::optional<DnsMode> parseDnsMode(QStringView text);
DnsSettings dnsSettings(const ExtraSettings &extra);
void setDnsMode(ExtraSettings &extra, DnsMode mode);

// The Config window's row for the mode: its caption, its choices in the order
// of DnsMode, and what the mode costs.
inline const QString kDnsModeCaption = QStringLiteral("Ask DNS for name servers:");
inline const QStringList kDnsModeChoices{
    QStringLiteral("Never"),
    QStringLiteral("Before WHOIS: names with name servers are taken, with no expiry date"),
};
inline const QString kDnsModeToolTip = QStringLiteral(
    "A name with name servers is registered: DNS settles thousands a second and leaves the WHOIS "
    "allowance for the names that may be free. Taken names settled by DNS have no expiry date "
    "(Expiration \"N/A\"). A name without name servers is still asked at WHOIS: DNS never makes a "
    "name free.");

// The Information of a name settled by DNS: "Delegated: " and its first name servers.
inline const QString kDelegatedPrefix = QStringLiteral("Delegated: ");
inline constexpr int kDelegationServersShown = 2;
inline constexpr int kDnsPort = 53;
