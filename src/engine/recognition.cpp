#include "recognition.h"

#include "recognitiontables.h"
#include "replybytes.h"
#include "replydates.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using Text = std::string_view;
constexpr size_t npos = Text::npos;

// Statements are short lines. Longer ones are terms of use, read by nobody here.
constexpr size_t kMaxStatementLine = 400;
// A throttling notice is a line of its own, never a sentence of the terms of use.
constexpr size_t kMaxNoticeLine = 200;
// Beyond the queried name, a statement has a few words.
constexpr size_t kMaxSentenceLine = 120;
constexpr size_t kMaxKeyLength = 60;
constexpr int kMaxKeyWords = 6;

using replybytes::isBlank;
using replybytes::isDigit;
using replybytes::trimmed;

using replybytes::isWordByte;

bool contains(Text text, Text part)
{
    return text.find(part) != npos;
}

template <size_t N> bool containsAny(Text text, const std::string_view (&parts)[N])
{
    return std::any_of(std::begin(parts), std::end(parts),
                       [text](Text part) { return contains(text, part); });
}

// ---- Lines -----------------------------------------------------------------------------

// A reply line in the shape statements are compared in: lower case, blanks
// collapsed to one space, without the comment marks and arrows registries put
// around statements, without closing punctuation, and without an error code in
// front ("%error:101: no entries found").
struct ShapedLine {
    std::string text;
    size_t gap = npos; // where two or more blanks, or a tab, first separated words
};

bool isLeadMark(char c)
{
    return isBlank(c) || c == '%' || c == '#' || c == '>' || c == '*' || c == ';' || c == '!' || c == '|';
}

bool isTrailMark(char c)
{
    return isBlank(c) || c == '.' || c == '!' || c == '<' || c == '*';
}

void shapeLine(Text raw, ShapedLine &line)
{
    line.text.clear();
    line.gap = npos;
    size_t b = 0;
    size_t e = raw.size();
    while (b < e && isLeadMark(raw[b]))
        ++b;
    while (e > b && isTrailMark(raw[e - 1]))
        --e;
    size_t run = 0;
    bool tab = false;
    for (size_t i = b; i < e; ++i) {
        const char c = raw[i];
        if (isBlank(c)) {
            ++run;
            tab = tab || c == '\t';
            continue;
        }
        if (run > 0) {
            if (line.gap == npos && (run >= 2 || tab))
                line.gap = line.text.size();
            line.text += ' ';
            run = 0;
            tab = false;
        }
        line.text += replybytes::lowerLatin1(c);
    }
    if (line.text.compare(0, 6, "error:") == 0) {
        size_t j = 6;
        while (j < line.text.size() && isDigit(line.text[j]))
            ++j;
        if (j > 6 && j < line.text.size() && line.text[j] == ':') {
            ++j;
            while (j < line.text.size() && line.text[j] == ' ')
                ++j;
            line.text.erase(0, j);
            line.gap = npos;
        }
    }
}

// "key: value", "[key]   value", "key....: value", "key      value".
struct Field {
    std::string key; // blanks, hyphens, underscores, dots and slashes as single spaces; no "(...)"
    Text value;
    DayOrder order = DayOrder::Unknown; // a "(dd/mm/yyyy)" in the key
    bool found = false;
    // A label of more words than kMaxKeyWords, ended by a colon or a bracket:
    // a sentence as often as a label, so it counts only as evidence of a
    // record, never for a status.
    bool longLabel = false;
};

void splitField(const ShapedLine &line, Field &field)
{
    field.found = false;
    field.longLabel = false;
    field.key.clear();
    field.order = DayOrder::Unknown;
    Text t = line.text;
    Text rawKey;
    bool byGap = false; // "key      value": no mark ends the key
    if (t.size() > 3 && t[0] >= 'a' && t[0] <= 'z' && t[1] == '.' && t[2] == ' ' && t[3] == '[')
        t.remove_prefix(3); // "a. [domain name]"
    if (!t.empty() && t[0] == '[') {
        const size_t close = t.find(']');
        if (close == npos)
            return;
        rawKey = t.substr(1, close - 1);
        field.value = t.substr(close + 1);
    } else {
        const size_t colon = t.find(':');
        const size_t at = std::min(colon, line.gap);
        if (at == npos)
            return;
        // "see http://...": an address, not a label
        if (at == colon && t.substr(colon + 1, 2) == "//")
            return;
        rawKey = t.substr(0, at);
        byGap = at != colon;
        field.value = t.substr(at == colon ? at + 1 : at);
    }
    while (!field.value.empty() &&
           (isBlank(field.value.front()) || field.value.front() == ':' || field.value.front() == '.'))
        field.value.remove_prefix(1);
    field.value = trimmed(field.value);

    if (contains(rawKey, "dd/mm") || contains(rawKey, "dd.mm") || contains(rawKey, "dd-mm"))
        field.order = DayOrder::DayFirst;
    else if (contains(rawKey, "mm/dd") || contains(rawKey, "mm.dd") || contains(rawKey, "mm-dd"))
        field.order = DayOrder::MonthFirst;
    // Padding ("registrar.........: x") does not count towards the length:
    // the label as read does.
    int depth = 0;
    bool space = true;
    for (char c : rawKey) {
        if (field.key.size() > kMaxKeyLength)
            return;
        if (c == '(') {
            ++depth;
            continue;
        }
        if (c == ')') {
            depth = std::max(0, depth - 1);
            continue;
        }
        if (depth > 0)
            continue;
        if (isBlank(c) || c == '-' || c == '_' || c == '.' || c == '/') {
            if (!space)
                field.key += ' ';
            space = true;
        } else {
            field.key += c;
            space = false;
        }
    }
    while (!field.key.empty() && field.key.back() == ' ')
        field.key.pop_back();
    if (field.key.empty() || field.key.size() > kMaxKeyLength)
        return;
    // Labels are a few words; more is a sentence with a colon or a wide gap in it.
    field.found = std::count(field.key.begin(), field.key.end(), ' ') < kMaxKeyWords;
    field.longLabel = !field.found && !byGap;
}

bool isExpiryKey(Text key)
{
    if (key.size() > kMaxKeyLength)
        return false;
    if (key != "valid date" && !containsAny(key, kExpiryKeyParts))
        return false;
    return !containsAny(key, kOtherDateKeyParts);
}

// Keys whose value only a registered name has.
bool isRecordKey(Text key)
{
    if (key.size() > kMaxKeyLength)
        return false;
    return containsAny(key, kRecordKeyParts);
}

// A statement about the name or a domain ("example.com is reserved", "This
// domain is not available for registration") that says it cannot be had. Terms
// of use ("... is expressly prohibited", "All rights reserved") say nothing
// about the name and are no such statement.
bool deniesRegistration(Text sentence)
{
    const bool aboutTheName = contains(sentence, "@") || sentence.starts_with("domain") ||
                              sentence.starts_with("the domain") || sentence.starts_with("this domain") ||
                              sentence.starts_with("name ") || sentence.starts_with("the name") ||
                              sentence.starts_with("this name") || sentence.starts_with("object");
    if (!aboutTheName)
        return false;
    return containsAny(sentence, kDenialPhrases);
}

bool isThrottleNotice(Text sentence)
{
    // "number of allowed queries exceeded", "maximum number of requests per second exceeded"
    if (contains(sentence, "exceeded") && (contains(sentence, "request") || contains(sentence, "quer") ||
                                           contains(sentence, "lookup") || contains(sentence, "connection")))
        return true;
    return containsAny(sentence, kThrottlePhrases);
}

bool hasNoticeWord(Text sentence)
{
    const RecognitionTables &t = recognitionTables();
    size_t i = 0;
    while (i < sentence.size()) {
        while (i < sentence.size() && !isWordByte(sentence[i]))
            ++i;
        const size_t start = i;
        while (i < sentence.size() && isWordByte(sentence[i]))
            ++i;
        if (i > start && t.noticeWords.count(sentence.substr(start, i - start)))
            return true;
    }
    return false;
}

bool isNameByte(char c)
{
    return (c >= 'a' && c <= 'z') || isDigit(c) || c == '-' || static_cast<unsigned char>(c) >= 0x80;
}

bool isQuoteByte(unsigned char c)
{
    return c == '"' || c == '\'' || c == '`' || c == '[' || c == ']' || c == '(' || c == ')' || c == '<' ||
           c == '>' || c == '{' || c == '}' || c == 0xAB || c == 0xBB;
}

// The line that dates the registry's data, ">>> Last update of WHOIS
// database: ... <<<": its notes and terms of use come after it ("access to
// the whois service is rate limited", "... will result in being permanently
// blacklisted"), and a server that refuses a query sends no such line.
bool isUpdateLine(Text raw)
{
    if (raw.size() > kMaxStatementLine)
        return false;
    size_t i = 0;
    while (i < raw.size() && isLeadMark(raw[i]))
        ++i;
    const auto startsHere = [&raw](size_t at, Text word) {
        if (raw.size() - at < word.size())
            return false;
        for (size_t k = 0; k < word.size(); ++k) {
            if (replybytes::lowerLatin1(raw[at + k]) != word[k])
                return false;
        }
        return true;
    };
    if (!startsHere(i, "last update of "))
        return false;
    for (size_t at = i + 15; at < raw.size(); ++at) {
        if (startsHere(at, " database"))
            return true;
    }
    return false;
}

// Where the line that dates the data starts; the reply's size when it has none.
size_t updateLineAt(Text all)
{
    for (size_t pos = 0; pos < all.size();) {
        size_t end = all.find('\n', pos);
        if (end == npos)
            end = all.size();
        if (isUpdateLine(all.substr(pos, end - pos)))
            return pos;
        pos = end + 1;
    }
    return all.size();
}

// What follows an E2 byte in a curly quote in UTF-8: E2 80 98/99/9C/9D.
bool isCurlyQuoteTail(Text next)
{
    if (next.size() < 2 || static_cast<unsigned char>(next[0]) != 0x80)
        return false;
    const auto q = static_cast<unsigned char>(next[1]);
    return q == 0x98 || q == 0x99 || q == 0x9C || q == 0x9D;
}

// The line as a sentence: the queried name as "@", without quotes and brackets,
// with ":" "," ";" as blanks, and without a closing "in (the) ... database".
void sentenceOf(Text line, Text query, std::string &out)
{
    // Every byte written stands for at least one byte of the line: the
    // sentence is written in place, then cut to its length.
    out.resize(line.size());
    size_t n = 0;
    bool space = false;
    auto put = [&](char c) {
        if (c == ' ') {
            space = n != 0;
            return;
        }
        if (space) {
            out[n++] = ' ';
            space = false;
        }
        out[n++] = c;
    };
    size_t name = query.empty() ? npos : line.find(query);
    for (size_t i = 0; i < line.size();) {
        if (i == name) {
            const size_t end = i + query.size();
            const bool whole = (i == 0 || (!isNameByte(line[i - 1]) && line[i - 1] != '.')) &&
                               (end == line.size() || !isNameByte(line[end]));
            name = line.find(query, whole ? end : i + 1);
            if (whole) {
                put('@');
                i = end;
                continue;
            }
        }
        const auto u = static_cast<unsigned char>(line[i]);
        if (u == 0xE2 && isCurlyQuoteTail(line.substr(i + 1))) {
            i += 3;
            continue;
        }
        if (isQuoteByte(u)) {
            ++i;
            continue;
        }
        put(u == ':' || u == ',' || u == ';' || isBlank(line[i]) ? ' ' : line[i]);
        ++i;
    }
    out.resize(n);
    while (!out.empty() && (out.back() == '.' || out.back() == '!' || out.back() == ' '))
        out.pop_back();
    // "... does not exist in database", "... in the registry nask database",
    // "... no se encuentra registrado en nic argentina": where, not whether.
    for (const char *in : {" in ", " en "}) {
        const size_t at = out.rfind(in);
        if (at == npos)
            continue;
        const Text place = Text(out).substr(at + 4);
        for (const char *word : {"database", "registry", "whois", "nic", "register", "registro", "server"}) {
            if (contains(place, word)) {
                out.erase(at);
                return;
            }
        }
    }
}

// The end of a registration as some registries give it in the status line:
// "ok-until 20131218000000", "connected (2010/09/30)".
QDate statusDate(Text value)
{
    if (const size_t until = value.find("until "); until != npos)
        return readDate(value.substr(until + 6));
    if (value.starts_with("connected (") && value.ends_with(')'))
        return readDate(value.substr(11, value.size() - 12));
    return {};
}

// "dd-mm-yyyy", written out by hand: QDate::toString reads its format anew on
// every call, and this runs for every reply of a taken name.
QString dayText(QDate date)
{
    QString text(10, u'-');
    const auto two = [&text](qsizetype at, int n) {
        text[at] = QChar(u'0' + n / 10);
        text[at + 1] = QChar(u'0' + n % 10);
    };
    two(0, date.day());
    two(3, date.month());
    const int year = date.year();
    two(6, year / 100);
    two(8, year % 100);
    return text;
}

size_t indentOf(Text raw)
{
    size_t n = 0;
    while (n < raw.size() && isBlank(raw[n]))
        ++n;
    return n;
}

bool isFreeSentence(Text sentence)
{
    if (recognitionTables().freeSentences.count(sentence))
        return true;
    // "the queried object does not exist: previous registration ... has been deleted"
    return sentence.starts_with("the queried object does not exist");
}

// The throttling phrases (and "exceeded") by their first four bytes: most
// places of a reply are passed over after one look-up in a 4096-bit filter.
class PhraseFilter
{
public:
    PhraseFilter()
    {
        add("exceeded");
        for (Text phrase : kThrottlePhrases)
            add(phrase);
    }
    // Four bytes as one number, the first lowest.
    static std::uint32_t fourAt(const char *at)
    {
        const auto *u = reinterpret_cast<const unsigned char *>(at);
        return std::uint32_t(u[0]) | std::uint32_t(u[1]) << 8 | std::uint32_t(u[2]) << 16 |
               std::uint32_t(u[3]) << 24;
    }
    // Whether a phrase may start with these four bytes.
    bool mayStart(std::uint32_t four) const
    {
        const unsigned s = slot(four);
        return (m_bits[s / 64] >> (s % 64)) & 1;
    }
    // Whether a phrase starts at `at` (four bytes at least before the end).
    bool startsAt(Text text, size_t at) const
    {
        const std::uint32_t four = fourAt(text.data() + at);
        const Text rest = text.substr(at);
        return std::any_of(m_phrases.begin(), m_phrases.end(),
                           [&](const auto &p) { return p.first == four && rest.starts_with(p.second); });
    }

private:
    void add(Text phrase)
    {
        const std::uint32_t four = fourAt(phrase.data());
        const unsigned s = slot(four);
        m_bits[s / 64] |= std::uint64_t(1) << (s % 64);
        m_phrases.emplace_back(four, phrase);
    }
    static unsigned slot(std::uint32_t four) { return (four * 2654435761u) >> 20; }
    std::array<std::uint64_t, 64> m_bits{};
    std::vector<std::pair<std::uint32_t, Text>> m_phrases;
};

// How the quick look for a notice takes each byte.
enum ByteRole : std::uint8_t { Kept, LineEnd, Dropped, Separator, MaybeCurlyQuote };
struct ByteRoles {
    std::array<ByteRole, 256> role{};
    std::array<char, 256> lower{};
    ByteRoles()
    {
        for (int b = 0; b < 256; ++b) {
            const char c = replybytes::lowerLatin1(static_cast<char>(b));
            lower[b] = c;
            const auto u = static_cast<unsigned char>(c);
            role[b] = c == '\n'                                        ? LineEnd
                      : isQuoteByte(u)                                 ? Dropped
                      : isBlank(c) || c == ':' || c == ',' || c == ';' ? Separator
                      : u == 0xE2                                      ? MaybeCurlyQuote
                                                                       : Kept;
        }
    }
};

} // namespace

bool mayHoldNotice(QByteArrayView reply)
{
    static const PhraseFilter phrases;
    static const ByteRoles roles;
    // The lines before the one that dates the data (only they can hold a
    // notice) as their sentences read: lower case, without quotes, blanks and
    // ":" "," ";" one space. A sentence is a line of this with parts cut out
    // (comment marks, the queried name), so a phrase in a sentence is also here.
    const Text all(reply.data(), static_cast<size_t>(reply.size()));
    const size_t end = updateLineAt(all);
    thread_local std::string folded;
    folded.resize(end);
    char *out = folded.data();
    size_t n = 0;
    bool space = false;
    bool words = end < all.size(); // the dating line is not blank
    const auto *bytes = reinterpret_cast<const unsigned char *>(reply.data());
    for (size_t i = 0; i < end; ++i) {
        const unsigned char b = bytes[i];
        switch (roles.role[b]) {
        case Kept:
            break;
        case LineEnd:
            space = false;
            out[n++] = '\n';
            continue;
        case Dropped:
            continue;
        case Separator:
            space = true;
            continue;
        case MaybeCurlyQuote:
            if (isCurlyQuoteTail(all.substr(i + 1, end - i - 1))) {
                i += 2;
                continue;
            }
            break;
        }
        if (space) {
            out[n++] = ' ';
            space = false;
        }
        words = true;
        out[n++] = roles.lower[b];
    }
    // A reply of blanks alone is a refusal.
    if (!words)
        return true;
    const Text text(out, n);
    for (size_t i = 0; i + 4 <= n; ++i) {
        if (phrases.mayStart(PhraseFilter::fourAt(out + i)) && phrases.startsAt(text, i))
            return true;
    }
    return false;
}

ReplyRecognition recognizeReply(QByteArrayView reply, QByteArrayView queryBytes, bool cut)
{
    ReplyRecognition result;
    const Text all(reply.data(), static_cast<size_t>(reply.size()));
    const Text query(queryBytes.data(), static_cast<size_t>(queryBytes.size()));
    const RecognitionTables &t = recognitionTables();
    // A statement is a short line, a few words around the name at most.
    const size_t maxSentence = kMaxSentenceLine + query.size();

    bool anything = false;
    bool freeStatement = false;
    bool record = false;
    bool denied = false;
    bool otherStatus = false;
    bool throttled = false;
    int noticePossible = -1; // not yet known
    bool dateOnNextLine = false;
    DayOrder nextLineOrder = DayOrder::Unknown;
    // A record label without a value ("registrar:"): registries that write
    // the value on the next line, indented, are common.
    bool valueOnNextLine = false;
    size_t labelIndent = 0;
    QDate expiry;
    QDate statusLineDate; // "status: ok-until 20131218000000", when no label names the date

    // Reused from reply to reply: a run classifies hundreds of thousands.
    thread_local ShapedLine line;
    thread_local Field field;
    thread_local std::string sentence;
    // One pass over the lines. Once a record shows, the name is not free and the
    // query was answered: only its expiry date is still looked for, and once
    // that is read the rest of the reply (mostly terms of use) is skipped.
    // From the line that dates the data on, no notice is looked for.
    bool pastUpdateLine = false;
    for (size_t pos = 0; pos < all.size();) {
        size_t end = all.find('\n', pos);
        if (end == npos)
            end = all.size();
        const Text raw = all.substr(pos, end - pos);
        pos = end + 1;
        // A label (with the value after it, or on the next line) whose line is a field of its kind.
        const auto readRecordLabel = [&] {
            if (!isRecordKey(field.key) && !(field.found && isExpiryKey(field.key)))
                return;
            if (!t.placeholders.count(field.value)) {
                record = true;
            } else if (field.value.empty()) {
                valueOnNextLine = true;
                labelIndent = indentOf(raw);
            }
        };
        if (raw.size() > kMaxStatementLine) {
            // Never a statement; but a label padded this far still shows a record.
            anything = true;
            dateOnNextLine = false;
            valueOnNextLine = false;
            if (!record) {
                shapeLine(raw, line);
                splitField(line, field);
                if (field.found || field.longLabel)
                    readRecordLabel();
            }
            continue;
        }
        shapeLine(raw, line);
        // Marks alone ("%", ">>>") still say the server answered.
        anything = anything || !line.text.empty() || !trimmed(raw).empty();
        if (line.text.empty()) {
            valueOnNextLine = false;
            continue;
        }

        pastUpdateLine = pastUpdateLine || isUpdateLine(raw);
        splitField(line, field);
        if (dateOnNextLine) {
            dateOnNextLine = false;
            if (!expiry.isValid()) {
                expiry = readDate(line.text, nextLineOrder);
                record = record || expiry.isValid();
            }
        }
        if (valueOnNextLine) {
            valueOnNextLine = false;
            // The value of the label above: a line of its own, or one indented
            // below the label, that is not itself "nothing" or a statement.
            if ((!(field.found || field.longLabel) || indentOf(raw) > labelIndent) &&
                !t.placeholders.count(line.text)) {
                sentenceOf(line.text, query, sentence);
                record = record || !isFreeSentence(sentence);
            }
        }
        if (field.longLabel)
            readRecordLabel();
        if (field.found) {
            if (t.statusKeys.count(field.key)) {
                if (t.freeStatusValues.count(field.value)) {
                    freeStatement = true;
                } else if (!field.value.empty()) {
                    otherStatus = true;
                    if (!statusLineDate.isValid())
                        statusLineDate = statusDate(field.value);
                }
            }
            const bool expiryKey = isExpiryKey(field.key);
            if (expiryKey && !expiry.isValid()) {
                if (field.value.empty()) {
                    dateOnNextLine = true;
                    nextLineOrder = field.order;
                } else {
                    expiry = readDate(field.value, field.order);
                }
            }
            readRecordLabel();
        }
        if (record) {
            if (expiry.isValid())
                break;
            continue;
        }
        const size_t size = line.text.size();
        // A notice that the query was not answered is looked for until one
        // shows, also beside a "not registered" statement: servers that refuse
        // a query often add that they found nothing. A statement about the
        // name itself ("this domain is blocked") is no notice.
        const bool noticeWanted = !denied && !throttled && !pastUpdateLine && size <= kMaxNoticeLine;
        if (size > maxSentence && !noticeWanted)
            continue;
        sentenceOf(line.text, query, sentence);
        bool statement = false;
        if (size <= maxSentence) {
            statement = isFreeSentence(sentence);
            freeStatement = freeStatement || statement;
            denied = denied || deniesRegistration(sentence);
        }
        if (noticeWanted && !statement && !denied) {
            if (noticePossible < 0)
                noticePossible = mayHoldNotice(reply) ? 1 : 0;
            throttled = noticePossible && hasNoticeWord(sentence) && isThrottleNotice(sentence);
        }
    }

    if (!anything) {
        // Accepted and closed without a word: the query was refused, not answered.
        result.kind = ReplyRecognition::Kind::Refused;
        return result;
    }
    // A notice outside a record: the query was not answered, whatever else the reply says.
    if (throttled && !record && !denied) {
        result.kind = ReplyRecognition::Kind::Refused;
        return result;
    }
    // Whatever a reply cut short says, the part not received may hold a record.
    if (freeStatement && !record && !denied && !otherStatus && !cut) {
        result.kind = ReplyRecognition::Kind::Free;
        return result;
    }
    if (!expiry.isValid())
        expiry = statusLineDate;
    if (expiry.isValid())
        result.expiration = dayText(expiry);
    return result;
}
