#include "listfilters.h"

#include "base/idn.h"
#include "base/textfile.h"
#include "engine/appcontext.h"
#include "engine/domainsyntax.h"

QStringList tldFilterRows(const QStringList &tableTlds)
{
    QStringList rows;
    QSet<QString> seen;
    auto add = [&](const QString &tld) {
        const QString key = asciiName(tld);
        if (!key.isEmpty() && !seen.contains(key)) {
            seen.insert(key);
            rows << key;
        }
    };
    for (const QString &tld : tableTlds)
        add(tld);
    for (const QString &tld : TldSuffixList::builtinSuffixes())
        add(tld);
    return rows;
}

QString filterString(QStringView text)
{
    return trimSpaces(text).toString().toLower();
}

QStringList readFilterStrings(const QString &path)
{
    QStringList strings;
    LineReader reader(path, LineReader::Ends::AnyLineEnd, LineReader::Decoding::Utf8Names);
    if (!reader.open())
        return strings;
    QString line;
    while (reader.readLine(line)) {
        const QString s = filterString(line);
        if (!s.isEmpty())
            strings << s;
    }
    return strings;
}

namespace {

RebuildOutcome filterRows(AppContext &ctx, FilterMode mode,
                          const std::function<bool(const DomainRow &)> &matches)
{
    if (ctx.list.size() == 0)
        return RebuildOutcome::EmptyList;
    if (!ctx.run.stopped)
        return RebuildOutcome::Busy;
    ctx.run.suffixes.mylist(ctx.config.table.tlds());
    const bool keepMatches = mode == FilterMode::Keep;
    return rebuildThroughRowFile(
        ctx, [&](int, const DomainRow &row) { return matches(row) == keepMatches; }, SortMode::Keep);
}

} // namespace

RebuildOutcome filterByTld(AppContext &ctx, const QSet<QString> &upperTlds, FilterMode mode)
{
    return filterRows(ctx, mode, [&upperTlds](const DomainRow &row) {
        const QString &tld = row.cells[ColTld];
        return tld != cellText::notAvailable() && upperTlds.contains(tld.toUpper());
    });
}

RebuildOutcome filterByStrings(AppContext &ctx, const QStringList &strings, FilterMode mode)
{
    // Names are kept in their ASCII form; a string in another script is looked
    // for in the Unicode form of the names that have one.
    QStringList ascii;
    QStringList unicode;
    for (const QString &s : strings) {
        if (!s.isEmpty())
            (hasNonAscii(s) ? unicode : ascii) << s;
    }
    return filterRows(ctx, mode, [&ascii, &unicode](const DomainRow &row) {
        const QString &name = row.cells[ColDomain];
        for (const QString &s : ascii) {
            if (name.contains(s, Qt::CaseSensitive))
                return true;
        }
        if (unicode.isEmpty() || !name.contains(u"xn--"))
            return false;
        const QString shown = unicodeName(name);
        for (const QString &s : unicode) {
            if (shown.contains(s, Qt::CaseSensitive))
                return true;
        }
        return false;
    });
}
