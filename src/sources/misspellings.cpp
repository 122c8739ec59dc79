#include "misspellings.h"

#include "base/idn.h"
#include "engine/domainsyntax.h"
#include "sources/namelistmodel.h"

#include <array>
#include <vector>

namespace {

// Rows for a-z, then 0-9.
constexpr std::array<const char16_t *, 36> kRows = {
    u"aqwsz",   u"bvghn",   u"cxdfv",   u"dsefrcx", u"ew34rds", u"fdrtgvc", u"gvftyhb", u"hgyujnb",
    u"iu89okj", u"jhuikmn", u"kjiolm",  u"lkop",    u"mnjk",    u"nbhjm",   u"oi90plk", u"po0l",
    u"qaw21",   u"re45tfd", u"sawedxz", u"tr56ygf", u"uy78ijh", u"vcfgb",   u"wq23esa", u"xzsdc",
    u"yt67uhg", u"zasx",    u"09op",    u"12q",     u"213qw",   u"324we",   u"435er",   u"546rt",
    u"657ty",   u"768yu",   u"879ui",   u"980io",
};

int rowIndex(QChar key)
{
    const char16_t c = key.unicode();
    if (c >= u'a' && c <= u'z')
        return c - u'a';
    if (c >= u'0' && c <= u'9')
        return 26 + (c - u'0');
    return -1;
}

} // namespace

QStringView KeyboardNeighbourTable::row(QChar key)
{
    const int i = rowIndex(key);
    return i < 0 ? QStringView() : QStringView(kRows[static_cast<size_t>(i)]);
}

int KeyboardNeighbourTable::rowCount()
{
    return static_cast<int>(kRows.size());
}

int KeyboardNeighbourTable::replacementCount()
{
    int n = 0;
    for (const char16_t *row : kRows)
        n += static_cast<int>(QStringView(row).size());
    return n;
}

void makemisspellings(QStringView name, const TldSuffixList &suffixes,
                      const std::function<void(QStringView)> &sink)
{
    const QString lower = name.toString().toLower();
    // The name's registry suffix stays: example.com.af varies example, never com.
    const QStringView tld = suffixes.registrySuffixView(lower);
    const qsizetype labelLength = lower.size() - tld.size() - 1;
    if (labelLength <= 0)
        return;
    const QStringView dotTld = QStringView(lower).sliced(labelLength);
    // The mistakes of an internationalised name are made in the letters the
    // user types ("bücher"), not in its ASCII form, and handed on in that form.
    const QString shownLabel = unicodeName(QStringView(lower).first(labelLength));
    const bool international = shownLabel != QStringView(lower).first(labelLength);
    const QStringView label = international ? QStringView(shownLabel) : QStringView(lower).first(labelLength);
    QString variant;
    variant.reserve(lower.size() + 1);
    auto hand = [&] {
        if (international)
            sink(asciiName(variant));
        else
            sink(variant);
    };
    for (qsizetype i = 0; i < label.size(); ++i) {
        const QStringView keys = KeyboardNeighbourTable::row(label[i]);
        if (keys.isEmpty())
            continue;
        const QStringView before = label.first(i);
        const QStringView after = label.sliced(i + 1);
        for (QChar k : keys) {
            variant.resize(0);
            variant.append(before).append(k).append(after).append(dotTld);
            hand();
        }
        variant.resize(0);
        variant.append(before).append(after).append(dotTld);
        hand();
    }
}

void makemisspellings(QStringView name, const TldSuffixList &suffixes, NameListModel &generated)
{
    // The variants of one name go into the list together, which lets it look
    // several up at once.
    QString all;
    std::vector<qsizetype> ends;
    makemisspellings(name, suffixes, [&](QStringView variant) {
        all.append(variant);
        ends.push_back(all.size());
    });
    std::vector<QStringView> views;
    views.reserve(ends.size());
    qsizetype begin = 0;
    for (qsizetype end : ends) {
        views.push_back(QStringView(all).sliced(begin, end - begin));
        begin = end;
    }
    generated.addAll(views.data(), static_cast<qsizetype>(views.size()));
}

bool generateMisspellings(const QStringList &loaded, const TldSuffixList &suffixes, NameListModel &generated,
                          const std::function<bool()> &askToContinue)
{
    bool warned = false;
    bool finished = true;
    generated.beginAdding();
    for (const QString &name : loaded) {
        makemisspellings(name, suffixes, generated);
        if (!warned && generated.size() >= kGeneratedQuestionLimit) {
            warned = true;
            // The list on screen is brought up to date before the question.
            generated.endAdding();
            const bool goOn = !askToContinue || askToContinue();
            generated.beginAdding();
            if (!goOn) {
                finished = false;
                break;
            }
        }
    }
    generated.endAdding();
    return finished;
}
