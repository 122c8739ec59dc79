#include "keywordgenerator.h"

#include "base/idn.h"
#include "base/textfile.h"
#include "engine/domainsyntax.h"
#include "sources/namelistmodel.h"

#include <algorithm>
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

bool generateKeywordDomains(const KeywordInput &input, PendingNames &pending,
                            const std::function<bool()> &askToContinue)
{
    const QStringList oneEmptyWord{QString()};
    const bool hasBeginning = !input.beginning.isEmpty();
    const bool hasMiddle = !input.middle.isEmpty();
    const bool hasEnd = !input.end.isEmpty();
    const QStringList &beginning = hasBeginning ? input.beginning : oneEmptyWord;
    const QStringList &middle = hasMiddle ? input.middle : oneEmptyWord;
    const QStringList &end = hasEnd ? input.end : oneEmptyWord;
    const bool dashed = input.separator != KeywordSeparator::None;
    const bool plain = input.separator != KeywordSeparator::Dashes;

    // The joint is replaced in the whole name, TLD included, so the TLD's two
    // spellings are worked out once instead of for every phrase.
    std::vector<Spellings> tlds(static_cast<size_t>(input.tlds.size()));
    for (qsizetype i = 0; i < input.tlds.size(); ++i)
        spell(QString(u'.' + input.tlds[i]), tlds[static_cast<size_t>(i)]);

    bool warned = false;
    QString phrase;
    Spellings phraseSpellings;
    QString candidate;
    // A candidate in other scripts ("bücher.de") is checked and kept in its ASCII form.
    auto offer = [&pending, &candidate](bool ascii) {
        if (!ascii)
            candidate = asciiName(candidate);
        if (isValidDomain(candidate))
            pending.append(candidate);
    };
    for (const QString &b : beginning) {
        for (const QString &m : middle) {
            for (const QString &e : end) {
                phrase.resize(0);
                if (hasBeginning)
                    phrase.append(b).append(kKeywordJoint);
                if (hasMiddle)
                    phrase.append(m).append(kKeywordJoint);
                if (hasEnd)
                    phrase.append(e);
                if (phrase.endsWith(kKeywordJoint))
                    phrase.chop(1);
                const bool hasPhrase = !phrase.isEmpty();
                if (hasPhrase)
                    spell(phrase, phraseSpellings);
                for (const Spellings &tld : tlds) {
                    if (hasPhrase) {
                        if (dashed) {
                            candidate.resize(0);
                            candidate.append(phraseSpellings.dashed).append(tld.dashed);
                            offer(phraseSpellings.ascii && tld.ascii);
                        }
                        if (plain) {
                            candidate.resize(0);
                            candidate.append(phraseSpellings.plain).append(tld.plain);
                            offer(phraseSpellings.ascii && tld.ascii);
                        }
                    }
                    if (!warned && pending.size() > kPendingQuestionLimit) {
                        warned = true;
                        if (askToContinue && !askToContinue())
                            return false;
                    }
                }
            }
        }
    }
    return true;
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
