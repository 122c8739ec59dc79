#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

// One compiled record of the TLD server table: what a run and the manual lookup
// use to find the servers of a name's TLD.
struct TldServerRecord {
    QStringList servers; // in the order entered; servers[0] is tried first
    qint16 serverCount = 0;
    QString freeResponse; // lower case, may be empty
    QString tld;          // lower case
};

// One row of the TLD server table.
struct TldEntry {
    QString key;          // the TLD, lower case; unique in the table
    QString tld;          // the TLD as shown: upper case
    QString servers;      // as entered: host[:port] names separated by commas
    QString freeResponse; // lower case; empty when the row has none
};

// The editable table of TLDs and their WHOIS servers, in insertion order.
class TldServerTable
{
public:
    // Validates and appends one row; false (table unchanged) for an empty,
    // too short, too long or malformed TLD, empty servers, or a TLD already there.
    bool AddTldEntry(const QString &tld, const QString &servers, const QString &freeResponse);

    int count() const { return static_cast<int>(m_rows.size()); }
    const TldEntry &row(int i) const { return m_rows[static_cast<size_t>(i)]; } // 0-based
    const std::vector<TldEntry> &rows() const { return m_rows; }
    bool contains(const QString &key) const { return m_keys.contains(tldKey(key)); }
    void removeRow(int i);
    void clear();
    // The settings editor's "Update" of row i (0-based): the same checks as
    // AddTldEntry, except that the row itself does not count as a duplicate. An
    // empty free response leaves the row's own one unchanged. False: row unchanged.
    bool EditTldEntry(int i, const QString &tld, const QString &servers, const QString &freeResponse);
    // Changes row i in place, all three fields as given (free response lowered);
    // the caller has validated.
    void setRow(int i, const QString &tld, const QString &servers, const QString &freeResponse);

    // Lower-case TLDs of every row, in order (for the suffix list).
    QStringList tlds() const;

    static bool isValidTld(const QString &lowerTld);
    // The key a TLD is kept under: lower case, an internationalised one ("рф")
    // in its ASCII form ("xn--p1ai").
    static QString tldKey(const QString &tld);

private:
    std::vector<TldEntry> m_rows;
    QHash<QString, int> m_keys;
};

// Compiles the table into lookup records: spaces removed from the server text,
// split at commas (empty pieces count as servers).
std::vector<TldServerRecord> populatewservers(const TldServerTable &table);

// Index of the first record whose tld equals `tld` exactly; -1 when none.
int findTldRecord(const std::vector<TldServerRecord> &records, const QString &tld);

// A server entry may carry a port: "host:port" (1-65535); 43 otherwise. Written
// as parseHostPort() reads servers.
struct ServerAddress {
    QString host;
    int port = 43;
    bool valid = true; // false when a port is written but is not 1-65535
};
ServerAddress parseServerAddress(const QString &server);

// The whole WHOIS configuration.
struct WhoisConfig {
    TldServerTable table;
    QStringList freeResponses;  // FreeResponseList
    QStringList errorResponses; // ErrorResponseList

    // The built-in response lists again (config/deftlds.cpp).
    void restorefreeresponses();
    void restorefailedresponses();
};
