#include "tldservertable.h"

#include "base/hostport.h"
#include "base/idn.h"

#include <algorithm>

namespace {

bool hasAceLabels(const QString &lowerTld)
{
    // Letters, or the ASCII form of an internationalised TLD ("xn--p1ai" for "рф").
    for (QStringView label : QStringView(lowerTld).split(u'.')) {
        const bool letters = std::all_of(
            label.begin(), label.end(), [](QChar c) { return (c.unicode() >= u'a' && c.unicode() <= u'z'); });
        if (!letters && !isAceLabel(label))
            return false;
    }
    return true;
}

} // namespace

bool TldServerTable::isValidTld(const QString &lowerTld)
{
    if (lowerTld.size() < 2 || lowerTld.size() > 255)
        return false;
    for (QChar c : lowerTld) {
        const char16_t u = c.unicode();
        if (!((u >= u'a' && u <= u'z') || u == u'.'))
            return hasAceLabels(lowerTld);
    }
    return true;
}

QString TldServerTable::tldKey(const QString &tld)
{
    return asciiName(tld);
}

bool TldServerTable::AddTldEntry(const QString &tld, const QString &servers, const QString &freeResponse)
{
    const QString key = tldKey(tld);
    if (key.isEmpty() || servers.isEmpty() || !isValidTld(key))
        return false;
    if (m_keys.contains(key))
        return false;
    TldEntry entry;
    entry.key = key;
    entry.tld = key.toUpper();
    entry.servers = servers;
    if (!freeResponse.isEmpty())
        entry.freeResponse = freeResponse.toLower();
    m_keys.insert(key, count());
    m_rows.push_back(std::move(entry));
    return true;
}

bool TldServerTable::EditTldEntry(int i, const QString &tld, const QString &servers,
                                  const QString &freeResponse)
{
    if (i < 0 || i >= count())
        return false;
    const QString key = tldKey(tld);
    if (key.isEmpty() || servers.isEmpty() || !isValidTld(key))
        return false;
    const int other = m_keys.value(key, -1);
    if (other >= 0 && other != i)
        return false;
    TldEntry &entry = m_rows[static_cast<size_t>(i)];
    m_keys.remove(entry.key);
    entry.key = key;
    entry.tld = key.toUpper();
    entry.servers = servers;
    // An empty field leaves the row's own free response as it was.
    if (!freeResponse.isEmpty())
        entry.freeResponse = freeResponse.toLower();
    m_keys.insert(key, i);
    return true;
}

void TldServerTable::setRow(int i, const QString &tld, const QString &servers, const QString &freeResponse)
{
    if (i < 0 || i >= count())
        return;
    TldEntry &entry = m_rows[static_cast<size_t>(i)];
    m_keys.remove(entry.key);
    entry.key = tldKey(tld);
    entry.tld = entry.key.toUpper();
    entry.servers = servers;
    entry.freeResponse = freeResponse.toLower();
    m_keys.insert(entry.key, i);
}

void TldServerTable::removeRow(int i)
{
    if (i < 0 || i >= count())
        return;
    m_rows.erase(m_rows.begin() + i);
    m_keys.clear();
    for (size_t r = 0; r < m_rows.size(); ++r)
        m_keys.insert(m_rows[r].key, static_cast<int>(r));
}

void TldServerTable::clear()
{
    m_rows.clear();
    m_keys.clear();
}

QStringList TldServerTable::tlds() const
{
    QStringList out;
    out.reserve(count());
    for (const TldEntry &e : m_rows)
        out << e.key;
    return out;
}

std::vector<TldServerRecord> populatewservers(const TldServerTable &table)
{
    std::vector<TldServerRecord> records;
    records.reserve(static_cast<size_t>(table.count()));
    for (const TldEntry &row : table.rows()) {
        TldServerRecord rec;
        rec.freeResponse = row.freeResponse;
        QString s = row.servers;
        s.remove(u' ');
        // A trailing comma leaves an empty server; it stays one of the servers.
        rec.servers = s.split(u',', Qt::KeepEmptyParts);
        rec.serverCount = static_cast<qint16>(rec.servers.size());
        rec.tld = row.tld.toLower();
        records.push_back(std::move(rec));
    }
    return records;
}

int findTldRecord(const std::vector<TldServerRecord> &records, const QString &tld)
{
    for (size_t i = 0; i < records.size(); ++i) {
        if (records[i].tld == tld)
            return static_cast<int>(i);
    }
    return -1;
}

ServerAddress parseServerAddress(const QString &server)
{
    const HostPort parsed = parseHostPort(server, 43);
    ServerAddress out;
    out.host = parsed.host;
    out.valid = parsed.valid();
    if (out.valid)
        out.port = parsed.port;
    return out;
}
