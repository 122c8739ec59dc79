#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <array>

// The syntax check every source of names applies, and the split of a name into
// its registrable part and its top-level domain.

// parsedom: on entry parts[0] holds the name. On return parts[0] is "1" (valid) or
// "0", parts[1] the name unchanged, parts[2] the text after the first dot (left
// untouched when the check stopped before the split).
void parsedom(std::array<QString, 3> &parts);

// The same check without the parts array.
bool isValidDomain(QStringView name);

// Known TLD suffixes, each with a leading dot, in the order mylist built them.
class TldSuffixList
{
public:
    // Rebuilds the list: the built-in suffixes, then `tableTlds` (lower-cased),
    // each once, in insertion order.
    void mylist(const QStringList &tableTlds);
    void clear();

    const QStringList &entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }

    // The name's TLD without its leading dot: the known suffix with the most dots
    // that ends the name, else the text after the last dot (the whole name
    // without a dot).
    QString getext(const QString &name) const;
    // The same, as a view into `name` (no copy; valid as long as `name` is).
    QStringView getextView(QStringView name) const;

    static const QStringList &builtinSuffixes(); // 276 entries, no leading dots

private:
    QStringList m_entries;
    QSet<QString> m_lookup;
};

// The query sent for a name: its registrable part. a.b.org is queried as b.org.
QString registrablePart(const QString &name, const QString &tld);
