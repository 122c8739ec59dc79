#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

class ExtraSettings;

// RDAP, the JSON-over-HTTPS successor of port-43 WHOIS. A server entry of the
// TLD table that starts with http:// or https:// is an RDAP base URL; it takes
// its turn in a TLD's server list like any WHOIS host. Beyond the table, the
// registry of RDAP services (the bootstrap: which base URL serves which TLD)
// lets a run ask RDAP for TLDs the table does not know, or whose WHOIS servers
// failed.

// When a run asks the bootstrap's RDAP services (quorvane.ini, rdap/mode).
enum class RdapMode {
    Off,      // never; RDAP servers written into the table are still asked
    Fallback, // after a name's WHOIS servers failed, and for TLDs without a row
    First,    // before the WHOIS servers, wherever the bootstrap knows the TLD
};

inline const QString kRdapModeKey = QStringLiteral("rdap/mode");
inline constexpr RdapMode kDefaultRdapMode = RdapMode::Fallback;

// The Config window's row for the mode: its caption and its choices, in the
// order of RdapMode.
inline const QString kRdapModeCaption = QStringLiteral("Ask RDAP servers (the successor of WHOIS):");
inline const QStringList kRdapModeChoices{
    QStringLiteral("Never (only those in the TLD table)"),
    QStringLiteral("When a TLD's WHOIS servers fail, or it has none"),
    QStringLiteral("Before the WHOIS servers"),
};

QString rdapModeName(RdapMode mode); // "off", "fallback", "first"
std::optional<RdapMode> parseRdapMode(QStringView text);

// The mode in quorvane.ini; an unusable value gives the default and says why.
struct RdapModeSetting {
    RdapMode mode = kDefaultRdapMode;
    QString problem;
};
RdapModeSetting rdapModeSetting(const ExtraSettings &extra);
void setRdapMode(ExtraSettings &extra, RdapMode mode);

// A server entry that is an RDAP base URL rather than a WHOIS host.
bool isRdapServer(QStringView server);
// The address of the domain query: <base>domain/<name>, the name in its ASCII
// (punycode) form.
QUrl rdapDomainUrl(const QString &base, const QString &name);
// What one server is known by (scheme, host and port), for a wait it asked for.
QString rdapServerKey(const QUrl &url);

// The bootstrap registry for domain names: TLDs and the base URLs that serve them.
class RdapBootstrap
{
public:
    // A bootstrap file is a few tens of kilobytes; anything far larger is not one.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

    // Reads the registry's JSON; nullopt (with the reason) when it holds no usable service.
    static std::optional<RdapBootstrap> parse(const QByteArray &json, QString *error = nullptr);
    // The snapshot shipped inside the program.
    static std::shared_ptr<const RdapBootstrap> builtin();
    // The registry in force: rdap-dns.json in the data folder when there is one
    // and it can be used, the shipped snapshot otherwise (`problem` says why a
    // file that is there was not used).
    static std::shared_ptr<const RdapBootstrap> load(const QString &dataFolder, QString *problem = nullptr);

    // Base URL of the service for `name` (a domain or a TLD), by its longest
    // known suffix; https preferred. Empty when no service covers it.
    QString serviceFor(QStringView name) const;
    int tldCount() const { return static_cast<int>(m_tlds.size()); }
    int serviceCount() const { return static_cast<int>(m_services.size()); }

private:
    QList<QString> m_services; // the preferred base URL of each service
    QHash<QString, int> m_tlds;
};

inline constexpr const char *kRdapBootstrapFileName = "rdap-dns.json";
