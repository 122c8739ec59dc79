#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

class PublicSuffixes;

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

    // The Public Suffix List the registrable parts are found by; null (the
    // default) keeps a name's TLD as the only suffix. mylist leaves it alone.
    void setPublicSuffixes(std::shared_ptr<const PublicSuffixes> list);
    const PublicSuffixes *publicSuffixes() const { return m_public.get(); }

    // The suffix a name is registered under: its TLD; with the public suffix
    // list, and when the TLD has one label, the name's longest ICANN public
    // suffix (com.af for example.com.af, co.ck for example.co.ck, but ck for
    // www.ck). A name that is itself such a suffix is all suffix. A TLD of two
    // labels (co.uk) is its own suffix either way, and the list's private
    // section (hosting services) is never looked at.
    QStringView registrySuffixView(QStringView name) const;
    // The query sent for a name: the label directly under its registry suffix,
    // with that suffix. a.b.org is asked as b.org, a.example.com.af as
    // example.com.af. A name with no label under its suffix is asked as it is.
    QString registrablePart(const QString &name) const;

private:
    QStringList m_entries;
    QSet<QString> m_lookup;
    std::shared_ptr<const PublicSuffixes> m_public;
};

// A name's last label before `tld`, with `tld`: a.b.org is b.org by the TLD org.
QString registrablePart(const QString &name, const QString &tld);
