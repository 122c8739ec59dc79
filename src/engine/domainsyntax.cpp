#include "domainsyntax.h"

#include "base/idn.h"
#include "config/publicsuffixes.h"

namespace {

bool isLabelChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'-';
}

bool isSuffixChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || u == u'.';
}

// Past the first label only letters are allowed, except in the ASCII form of
// an internationalised label ("xn--p1ai", the ASCII form of ".рф").
bool restHasAceLabels(QStringView rest)
{
    for (QStringView label : rest.split(u'.')) {
        bool letters = true;
        for (QChar c : label) {
            if (!isSuffixChar(c)) {
                letters = false;
                break;
            }
        }
        if (!letters && !isAceLabel(label))
            return false;
    }
    return true;
}

} // namespace

bool isValidDomain(QStringView name)
{
    if (name.size() > 255)
        return false;
    const qsizetype firstDot = name.indexOf(u'.');
    if (firstDot < 0)
        return false;
    if (name.contains(u".."))
        return false;
    const qsizetype lastDot = name.lastIndexOf(u'.');
    if (name.size() - lastDot - 1 < 2)
        return false;
    if (name.count(u'.') > 2)
        return false;
    if (firstDot < 2)
        return false;
    if (name.front() == u'-')
        return false;
    const QStringView label = name.first(firstDot);
    const QStringView rest = name.sliced(firstDot + 1);
    if (label.back() == u'-')
        return false;
    for (QChar c : label) {
        if (!isLabelChar(c))
            return false;
    }
    for (QChar c : rest) {
        if (!isSuffixChar(c))
            return restHasAceLabels(rest);
    }
    return true;
}

void parsedom(std::array<QString, 3> &parts)
{
    const QString name = parts[0];
    const bool valid = isValidDomain(name);
    // The split happens at the eighth rule; a name that failed earlier leaves entry 2 alone.
    const qsizetype firstDot = name.indexOf(u'.');
    const bool reachedSplit = name.size() <= 255 && firstDot >= 2 && !name.contains(u"..") &&
                              name.size() - name.lastIndexOf(u'.') - 1 >= 2 && name.count(u'.') <= 2 &&
                              !name.startsWith(u'-');
    if (reachedSplit)
        parts[2] = name.mid(firstDot + 1);
    parts[0] = valid ? QStringLiteral("1") : QStringLiteral("0");
    parts[1] = name;
}

const QStringList &TldSuffixList::builtinSuffixes()
{
    static const QStringList list =
        QStringLiteral("com net org biz info eu aero cat coop edu gov int jobs mil mobi museum name pro "
                       "travel asia post tel "
                       "geo arpa root ac ac.uk ad ae af ag ai al am an ao aq ar as at au aw ax az ba bb bd "
                       "be bf bg bh bi bj "
                       "bm bn bo br bs bt bv bw by bz ca cc cd cf cg ch ci ck cl cm cn co co.uk cr cs cu cv "
                       "cx cy cz de dj dk "
                       "dm do dz ec ee eg eh er es et fi fj fk fm fo fr ga gb gd ge gf gg gh gi gl gm gn gp "
                       "gq gr gs gt gu gw "
                       "gy hk hm hn hr ht hu id ie il im in io iq ir is it je jm jo jp ke kg kh ki km kn kp "
                       "kr kw ky kz la lb "
                       "lc li lk lr ls lt lu lv ly ma mc md mg mh mk ml mm mn mo mp mq mr ms mt mu mv mw mx "
                       "my mz na nc ne nf "
                       "ng ni nl no np nr nt nu nz om pa pe pf pg ph pk pl pm pn pr ps pt pw py qa re ro ru "
                       "rw sa sb sc sd se "
                       "sg sh si sj sk sl sm sn so sr sv st su sy sz tc td tf tg th tj tk tl tm tn to tp tr "
                       "tt tv tw tz ua ug "
                       "uk um us uy uz va vc ve vg vi vn vu wf ws ye yt yu za zm zw")
            .split(u' ');
    return list;
}

void TldSuffixList::clear()
{
    m_entries.clear();
    m_lookup.clear();
}

void TldSuffixList::mylist(const QStringList &tableTlds)
{
    clear();
    auto insert = [this](const QString &tld) {
        const QString entry = u'.' + tld.toLower();
        if (!m_lookup.contains(entry)) {
            m_lookup.insert(entry);
            m_entries.append(entry);
        }
    };
    for (const QString &s : builtinSuffixes())
        insert(s);
    for (const QString &s : tableTlds)
        insert(s);
}

QString TldSuffixList::getext(const QString &name) const
{
    return getextView(name).toString();
}

QStringView TldSuffixList::getextView(QStringView name) const
{
    // Every entry begins with a dot, so a matching entry starts at one of the
    // name's dots; the leftmost matching dot gives the entry with the most labels.
    if (!m_lookup.isEmpty()) {
        for (qsizetype i = name.indexOf(u'.'); i >= 0; i = name.indexOf(u'.', i + 1)) {
            const QStringView suffix = name.sliced(i);
            // A non-owning QString: the lookup allocates nothing.
            const QString probe =
                QString::fromRawData(reinterpret_cast<const QChar *>(suffix.utf16()), suffix.size());
            if (m_lookup.contains(probe))
                return suffix.sliced(1);
        }
    }
    const qsizetype lastDot = name.lastIndexOf(u'.');
    return lastDot < 0 ? name : name.sliced(lastDot + 1);
}

QString registrablePart(const QString &name, const QString &tld)
{
    const qsizetype partLength = name.size() - tld.size() - 1;
    if (partLength <= 0)
        return name;
    const QStringView part = QStringView(name).first(partLength);
    const qsizetype dot = part.lastIndexOf(u'.');
    if (dot < 0)
        return name;
    return part.sliced(dot + 1).toString() + u'.' + tld;
}

void TldSuffixList::setPublicSuffixes(std::shared_ptr<const PublicSuffixes> list)
{
    m_public = std::move(list);
}

QStringView TldSuffixList::registrySuffixView(QStringView name) const
{
    const QStringView tld = getextView(name);
    if (!m_public || tld.contains(u'.') || tld.size() >= name.size())
        return tld;
    // Longest first: under wildcard rules a longer suffix may be public while
    // a shorter one is not.
    if (m_public->isIcannSuffix(name))
        return name;
    for (qsizetype i = name.indexOf(u'.'); i >= 0; i = name.indexOf(u'.', i + 1)) {
        const QStringView suffix = name.sliced(i + 1);
        if (suffix.size() <= tld.size())
            break;
        if (m_public->isIcannSuffix(suffix))
            return suffix;
    }
    return tld;
}

QString TldSuffixList::registrablePart(const QString &name) const
{
    // One label before the TLD: the name is asked as it is, whatever the list says.
    if (!m_public || name.count(u'.') <= getextView(name).count(u'.') + 1)
        return ::registrablePart(name, getext(name));
    const QStringView suffix = registrySuffixView(name);
    if (suffix.size() >= name.size())
        return name;
    return ::registrablePart(name, suffix.toString());
}
