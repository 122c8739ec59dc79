#include "fileimport.h"

#include "base/idn.h"
#include "base/textfile.h"
#include "engine/domainlistmodel.h"
#include "engine/domainsyntax.h"
#include "sources/adddomain.h"

#include <algorithm>

namespace {

// `text` lower-cased into `out`, reusing its buffer: a million lines then cost
// no allocation of their own. False when the text holds characters beyond
// ASCII: its names then need their ASCII form.
bool lowerInto(QStringView text, QString &out)
{
    out.resize(text.size());
    QChar *dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            out = text.toString().toLower();
            return false;
        }
        dst[i] = QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
    }
    return true;
}

// A candidate as the syntax check sees it: an internationalised name in its
// ASCII form, kept in `buffer`.
QStringView asciiCandidate(QStringView candidate, bool ascii, QString &buffer)
{
    if (ascii || !hasNonAscii(candidate))
        return candidate;
    buffer = asciiName(candidate);
    return buffer;
}

// Calls `take` for every candidate of `line` (already trimmed and lower-cased).
template <typename Take> void forEachCandidate(QStringView line, ImportRule rule, Take &&take)
{
    if (line.isEmpty())
        return;
    if (rule == ImportRule::Load) {
        take(line);
        return;
    }
    // A space cuts the line there and puts a "," in its place, so "name date"
    // yields the name; fields are never trimmed, so a space after a "," hides
    // everything behind it.
    const qsizetype space = line.indexOf(u' ');
    const QStringView cut = space >= 0 ? line.first(space) : line;
    if (space < 0 && !line.contains(u','))
        return;
    qsizetype begin = 0;
    for (;;) {
        const qsizetype comma = cut.indexOf(u',', begin);
        take(cut.sliced(begin, (comma < 0 ? cut.size() : comma) - begin));
        if (comma < 0)
            break;
        begin = comma + 1;
    }
    // The field after the "," that replaced the space is always empty.
}

} // namespace

QString loadedName(QStringView line)
{
    return asciiName(trimSpaces(line));
}

QStringList extractedNames(QStringView line)
{
    QString lower;
    const bool ascii = lowerInto(trimSpaces(line), lower);
    QStringList out;
    QString buffer;
    forEachCandidate(lower, ImportRule::Extract,
                     [&](QStringView field) { out.append(asciiCandidate(field, ascii, buffer).toString()); });
    if (lower.contains(u' '))
        out.append(QString());
    return out;
}

ImportResult importNames(LineReader &reader, ImportRule rule, ExportToMain &exporter,
                         const std::function<void()> &progress, qint64 fileBytes)
{
    ImportResult result;
    QString line;
    QString lower;
    QString buffer;
    int counter = 0;
    bool stop = false;
    // Growing a list of a million rows step by step copies it over and over;
    // once the first lines show how long a line is, room for the whole file is
    // made at once.
    constexpr qint64 kSampleLines = 4096;
    qint64 sampleBytes = 0;
    while (!stop && reader.readLine(line)) {
        ++result.lines;
        if (fileBytes > 0 && result.lines <= kSampleLines) {
            sampleBytes += line.size() + 2;
            if (result.lines == kSampleLines && result.accepted > 0) {
                const double namesPerByte = double(result.accepted) / double(sampleBytes);
                const double expected = namesPerByte * double(fileBytes - sampleBytes) * 1.05;
                exporter.reserve(static_cast<int>(std::min(expected, 5e7)));
            }
        }
        const bool ascii = lowerInto(trimSpaces(line), lower);
        const qint64 acceptedBefore = result.accepted;
        forEachCandidate(lower, rule, [&](QStringView field) {
            if (stop)
                return;
            const QStringView candidate = asciiCandidate(field, ascii, buffer);
            if (!isValidDomain(candidate))
                return;
            ++result.accepted;
            if (!exporter.add(candidate.toString())) {
                result.declined = true;
                stop = true;
                return;
            }
            if (progress && ++counter >= kImportRefreshEvery) {
                counter = 0;
                progress();
            }
        });
        if (result.accepted == acceptedBefore && !lower.isEmpty())
            ++result.rejected;
    }
    return result;
}

QString importSummary(const QString &fileName, qint64 added, qint64 rejected)
{
    QString text = QStringLiteral("Added %1 %2 from %3")
                       .arg(added)
                       .arg(added == 1 ? QStringLiteral("name") : QStringLiteral("names"), fileName);
    if (rejected == 1)
        text += QStringLiteral("; 1 line was not a valid name");
    else if (rejected > 1)
        text += QStringLiteral("; %1 lines were not valid names").arg(rejected);
    return text + u'.';
}

int loadNamesFromFile(LineReader &reader, DomainListModel &list, const TldSuffixList &suffixes,
                      ImportRule rule)
{
    const int before = list.size();
    QString line;
    QString lower;
    QString buffer;
    list.beginBulk();
    while (reader.readLine(line)) {
        const bool ascii = lowerInto(trimSpaces(line), lower);
        forEachCandidate(lower, rule, [&](QStringView field) {
            const QStringView candidate = asciiCandidate(field, ascii, buffer);
            if (!isValidDomain(candidate))
                return;
            QString name = candidate.toString();
            adddomain(list, suffixes, name);
        });
    }
    list.endBulk();
    return list.size() - before;
}
