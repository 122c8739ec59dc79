#include "keywordgenerator.h"

#include "base/idn.h"
#include "base/textfile.h"
#include "engine/domainsyntax.h"
#include "sources/namelistmodel.h"

#include <QtNumeric>

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

namespace {

// A phrase or a ".tld" in its two spellings: joints as dashes, joints left out.
struct Spellings {
    QString dashed;
    QString plain;
    bool ascii = true; // false: the names made with it need their ASCII form
};

void spell(QStringView text, Spellings &out)
{
    out.dashed.resize(0);
    out.plain.resize(0);
    out.ascii = !hasNonAscii(text);
    for (QChar c : text) {
        if (c == kKeywordJoint) {
            out.dashed.append(u'-');
        } else {
            out.dashed.append(c);
            out.plain.append(c);
        }
    }
}

} // namespace

QStringList keywordWords(QStringView text)
{
    QStringList words;
    const QString lower = text.toString().toLower();
    qsizetype begin = 0;
    const qsizetype size = lower.size();
    for (qsizetype i = 0; i <= size; ++i) {
        if (i < size && lower[i] != u'\r' && lower[i] != u'\n')
            continue;
        if (i > begin)
            words.append(lower.sliced(begin, i - begin));
        if (i < size && lower[i] == u'\r' && i + 1 < size && lower[i + 1] == u'\n')
            ++i;
        begin = i + 1;
    }
    return words;
}

QStringList keywordWords(LineReader &reader)
{
    QStringList words;
    QString line;
    while (reader.readLine(line)) {
        if (!line.isEmpty())
            words.append(line.toLower());
    }
    return words;
}

namespace {

// The candidates of a keyword run in their order, each with its place in that
// order (its ordinal), and any one of them made again from its ordinal alone.
class KeywordCandidates
{
public:
    explicit KeywordCandidates(const KeywordInput &input)
        : m_beginning(input.beginning.isEmpty() ? m_oneEmptyWord : input.beginning)
        , m_middle(input.middle.isEmpty() ? m_oneEmptyWord : input.middle)
        , m_end(input.end.isEmpty() ? m_oneEmptyWord : input.end)
        , m_hasBeginning(!input.beginning.isEmpty())
        , m_hasMiddle(!input.middle.isEmpty())
        , m_hasEnd(!input.end.isEmpty())
        , m_dashed(input.separator != KeywordSeparator::None)
        , m_plain(input.separator != KeywordSeparator::Dashes)
    {
        // The joint is replaced in the whole name, TLD included, so the TLD's two
        // spellings are worked out once instead of for every phrase.
        m_tlds.resize(static_cast<size_t>(input.tlds.size()));
        for (qsizetype i = 0; i < input.tlds.size(); ++i)
            spell(QString(u'.' + input.tlds[i]), m_tlds[static_cast<size_t>(i)]);
    }

    // How many ordinals there are (an upper bound of the names), or 0 when
    // that does not fit in 64 bits.
    quint64 count() const
    {
        quint64 n = 2;
        for (const qsizetype factor :
             {m_beginning.size(), m_middle.size(), m_end.size(), static_cast<qsizetype>(m_tlds.size())}) {
            if (factor == 0)
                return 1;
            if (qMulOverflow(n, static_cast<quint64>(factor), &n))
                return 0;
        }
        return n;
    }

    // Calls `visit(candidate, ordinal)` for every candidate that passes the
    // syntax check, in order, and `afterTld()` after each TLD of a phrase;
    // either returning false stops there (and this returns false).
    template <typename Visit, typename AfterTld> bool forEach(Visit visit, AfterTld afterTld)
    {
        quint64 ordinal = 0;
        for (const QString &b : m_beginning) {
            for (const QString &m : m_middle) {
                for (const QString &e : m_end) {
                    const bool hasPhrase = makePhrase(b, m, e, m_run);
                    for (const Spellings &tld : m_tlds) {
                        if (hasPhrase) {
                            if (m_dashed && make(tld, false, m_run) &&
                                !visit(std::as_const(m_run.candidate), ordinal))
                                return false;
                            if (m_plain && make(tld, true, m_run) &&
                                !visit(std::as_const(m_run.candidate), ordinal + 1))
                                return false;
                        }
                        ordinal += 2;
                        if (!afterTld())
                            return false;
                    }
                }
            }
        }
        return true;
    }

    // The candidate of `ordinal`, made again (also while forEach runs).
    const QString &remake(quint64 ordinal)
    {
        const bool plain = ordinal % 2;
        ordinal /= 2;
        const auto next = [&ordinal](size_t size) {
            const size_t i = static_cast<size_t>(ordinal % size);
            ordinal /= size;
            return i;
        };
        const size_t t = next(m_tlds.size());
        const size_t e = next(static_cast<size_t>(m_end.size()));
        const size_t m = next(static_cast<size_t>(m_middle.size()));
        const size_t b = next(static_cast<size_t>(m_beginning.size()));
        makePhrase(m_beginning[static_cast<qsizetype>(b)], m_middle[static_cast<qsizetype>(m)],
                   m_end[static_cast<qsizetype>(e)], m_again);
        make(m_tlds[t], plain, m_again);
        return m_again.candidate;
    }

private:
    struct Work {
        QString phrase;
        Spellings spellings;
        QString candidate;
    };

    bool makePhrase(const QString &b, const QString &m, const QString &e, Work &w) const
    {
        w.phrase.resize(0);
        if (m_hasBeginning)
            w.phrase.append(b).append(kKeywordJoint);
        if (m_hasMiddle)
            w.phrase.append(m).append(kKeywordJoint);
        if (m_hasEnd)
            w.phrase.append(e);
        if (w.phrase.endsWith(kKeywordJoint))
            w.phrase.chop(1);
        if (w.phrase.isEmpty())
            return false;
        spell(w.phrase, w.spellings);
        return true;
    }

    // The candidate of the current phrase with `tld`; whether it passes the
    // syntax check. One in other scripts ("bücher.de") is checked and kept in its ASCII form.
    static bool make(const Spellings &tld, bool plain, Work &w)
    {
        w.candidate.resize(0);
        w.candidate.append(plain ? w.spellings.plain : w.spellings.dashed)
            .append(plain ? tld.plain : tld.dashed);
        if (!(w.spellings.ascii && tld.ascii))
            w.candidate = asciiName(w.candidate);
        return isValidDomain(w.candidate);
    }

    const QStringList m_oneEmptyWord{QString()};
    const QStringList &m_beginning;
    const QStringList &m_middle;
    const QStringList &m_end;
    const bool m_hasBeginning, m_hasMiddle, m_hasEnd, m_dashed, m_plain;
    std::vector<Spellings> m_tlds;
    Work m_run;   // the candidates as forEach makes them
    Work m_again; // the one remake() makes
};

quint64 hashOf(QStringView name)
{
    quint64 h = 0xcbf29ce484222325ULL; // FNV-1a, then a final mix for the low bits the table uses
    for (QChar c : name)
        h = (h ^ c.unicode()) * 0x100000001b3ULL;
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

// The names a run has made so far, as 8 bytes each: an open-addressing table
// of ordinals, each beside a few bits of its name's hash. A name whose bits
// match is made again from its ordinal and compared in full, so two names are
// never taken for one.
class SeenNames
{
public:
    SeenNames(KeywordCandidates &candidates, int ordinalBits)
        : m_candidates(candidates)
        , m_ordinalBits(ordinalBits)
        , m_ordinalMask(ordinalBits >= 64 ? ~quint64(0) : (quint64(1) << ordinalBits) - 1)
    {
        m_slots.resize(1 << 12);
    }

    // True when `name` (of `ordinal`) was not made before; it is then kept.
    bool insert(QStringView name, quint64 ordinal)
    {
        if ((m_used + 1) * 4 > m_slots.size() * 3)
            grow();
        const quint64 hash = hashOf(name);
        const quint64 tag = tagOf(hash);
        const size_t mask = m_slots.size() - 1;
        for (size_t i = static_cast<size_t>(hash) & mask;; i = (i + 1) & mask) {
            const quint64 slot = m_slots[i];
            if (slot == 0) {
                m_slots[i] = tag | (ordinal + 1);
                ++m_used;
                return true;
            }
            if ((slot & ~m_ordinalMask) == tag && m_candidates.remake((slot & m_ordinalMask) - 1) == name)
                return false;
        }
    }

private:
    quint64 tagOf(quint64 hash) const { return m_ordinalBits >= 64 ? 0 : hash & ~m_ordinalMask; }

    void grow()
    {
        std::vector<quint64> old(m_slots.size() * 2, 0);
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (const quint64 slot : old) {
            if (slot == 0)
                continue;
            size_t i = static_cast<size_t>(hashOf(m_candidates.remake((slot & m_ordinalMask) - 1))) & mask;
            while (m_slots[i] != 0)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    KeywordCandidates &m_candidates;
    const int m_ordinalBits;
    const quint64 m_ordinalMask;
    std::vector<quint64> m_slots;
    size_t m_used = 0;
};

} // namespace

bool generateKeywordDomains(const KeywordInput &input, PendingNames &pending,
                            const std::function<bool()> &askToContinue)
{
    KeywordCandidates candidates(input);
    bool warned = false;
    return candidates.forEach(
        [&pending](QStringView name, quint64) {
            pending.append(name);
            return true;
        },
        [&] {
            if (!warned && pending.size() > kPendingQuestionLimit) {
                warned = true;
                if (askToContinue && !askToContinue())
                    return false;
            }
            return true;
        });
}

KeywordStream streamKeywordDomains(const KeywordInput &input, const std::function<void(QStringView)> &sink)
{
    KeywordCandidates candidates(input);
    const quint64 count = candidates.count();
    if (count == 0)
        return KeywordStream::TooMany;
    // An ordinal is stored plus one, so 0 marks an empty slot.
    const int ordinalBits = 64 - qCountLeadingZeroBits(count);
    try {
        SeenNames seen(candidates, ordinalBits);
        candidates.forEach(
            [&](QStringView name, quint64 ordinal) {
                if (seen.insert(name, ordinal))
                    sink(name);
                return true;
            },
            [] { return true; });
        return KeywordStream::Done;
    } catch (const std::bad_alloc &) {
        return KeywordStream::OutOfMemory;
    }
}

int movePendingNames(PendingNames &pending, NameListModel &list)
{
    const int before = list.size();
    list.beginAdding();
    list.reserve(pending.size(), pending.textSize());
    // Pending names passed the syntax check, which takes lower case only:
    // lowering them would change nothing. They go over in batches, decoded
    // into one buffer.
    constexpr qsizetype kBatch = 256;
    QString batch;
    std::vector<qsizetype> ends;
    std::vector<QStringView> views;
    for (qsizetype first = 0; first < pending.size(); first += kBatch) {
        const qsizetype n = std::min(kBatch, pending.size() - first);
        batch.resize(0);
        ends.clear();
        for (qsizetype i = 0; i < n; ++i) {
            batch.append(pending.at(first + i));
            ends.push_back(batch.size());
        }
        views.clear();
        qsizetype begin = 0;
        for (qsizetype end : ends) {
            views.push_back(QStringView(batch).sliced(begin, end - begin));
            begin = end;
        }
        list.addAll(views.data(), n);
    }
    list.endAdding();
    pending.clear();
    return list.size() - before;
}
