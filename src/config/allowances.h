#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

class ExtraSettings;

// How often one server may be asked: at most `count` queries in any
// `windowMs`. A server may have several ("5/s,1000/d"); each holds.
struct Allowance {
    int count = 0;
    qint32 windowMs = 0;

    static constexpr int kMaxCount = 1000000;
    static constexpr qint32 kDayMs = 24 * 3600 * 1000;

    bool perDay() const { return windowMs == kDayMs; }
    friend bool operator==(const Allowance &, const Allowance &) = default;
};
using Allowances = QList<Allowance>;
// Per server, by allowanceServerName().
using AllowanceTable = QHash<QString, Allowances>;

// RATES as users write them: comma-separated COUNT/[N]UNIT, the unit one of
// s, m, h, d ("5/s,1000/d", "1800/15m", "100/h"; blanks allowed around each
// part). COUNT is 1 to 1,000,000, the window at most one day. Two rates over
// the same window keep the lower. nullopt, with `error` saying which part is
// wrong, for anything else.
std::optional<Allowances> parseAllowances(QStringView text, QString *error);

// The name allowances are looked up by, for a server as the pacer keys it: a
// WHOIS entry "host" or "host:port" (lower case, ":43" left out), and for an
// RDAP server ("https://host:443") its host.
QString allowanceServerName(QStringView server);

// The allowances registries publish.
const AllowanceTable &builtInAllowances();

// The [pacing] section of quorvane.ini (a key per server, RATES as its value)
// over the built-in allowances; a value that cannot be used adds a line to
// `problems` and leaves the server as it was.
AllowanceTable configuredAllowances(const ExtraSettings &extra, QStringList *problems);

// "SERVER=RATES", as --server-limit takes it; `error` says what is wrong.
std::optional<std::pair<QString, Allowances>> parseServerLimit(QStringView text, QString *error);
