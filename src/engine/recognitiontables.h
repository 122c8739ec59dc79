#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

// The words the recognition of replies knows, in the lower case replies are
// compared in. Sets are looked up whole (a label, a line in the shape of a
// sentence, a word); lists are looked for as parts of a label or sentence.
struct RecognitionTables {
    std::deque<std::string> storage; // what the sets' views point into
    std::unordered_set<std::string_view> statusKeys;
    std::unordered_set<std::string_view> freeStatusValues;
    // "Not registered" statements, the queried name written as "@".
    std::unordered_set<std::string_view> freeSentences;
    // Values that say nothing: "n/a", "-", "none"...
    std::unordered_set<std::string_view> placeholders;
    // One of these is in every throttling notice.
    std::unordered_set<std::string_view> noticeWords;
    std::unordered_set<std::string_view> weekdays;
    // Words between the parts of a written date: "5th of march".
    std::unordered_set<std::string_view> fillerWords;
    // Month names and short forms in several languages, in Latin-1 and in
    // lowered UTF-8, to the month's number.
    std::unordered_map<std::string_view, int> months;
};

const RecognitionTables &recognitionTables();

// The English month names, which the month table holds with the others.
inline constexpr std::string_view kEnglishMonths[12] = {"january",   "february", "march",    "april",
                                                        "may",       "june",     "july",     "august",
                                                        "september", "october",  "november", "december"};

// Parts of labels that name the end of a registration...
inline constexpr std::string_view kExpiryKeyParts[] = {
    "expir",
    "until",
    "till",
    "renewal",
    "datebilleduntil",
    "vencimiento",
    "ablauf",
    "scadenza",
    "vervaldatum",
    "\xe6\x9c\x89\xe5\x8a\xb9\xe6\x9c\x9f\xe9\x99\x90", // 有効期限 in UTF-8
};
// ... unless they name another date.
inline constexpr std::string_view kOtherDateKeyParts[] = {"creat", "updat",  "modif", "chang",
                                                          "notif", "notice", "free",  "period"};

// Parts of labels whose value only a registered name has.
inline constexpr std::string_view kRecordKeyParts[] = {
    "creat", "registrar", "registrant", "name server",       "nameserver",        "nserver", "holder",
    "expir", "paid till", "registered", "registration date", "registration time", "owner",   "renewal date"};

// What a statement about the name says when it cannot be had.
inline constexpr std::string_view kDenialPhrases[] = {
    "reserved",      "cannot be registered", "can not be registered", "can't be registered",
    "not available", "prohibited",           "not allowed",           "blocked",
    "withheld"};

// Throttling notices, as parts of a line.
inline constexpr std::string_view kThrottlePhrases[] = {"limit exceeded",
                                                        "limits exceeded",
                                                        "limit has been exceeded",
                                                        "limit reached",
                                                        "limit has been reached",
                                                        "quota exceeded",
                                                        "quota has been exceeded",
                                                        "has been exceeded",
                                                        "have exceeded",
                                                        "you exceeded",
                                                        "exceeded the",
                                                        "exceeded your",
                                                        "exceeded maximum",
                                                        "too many requests",
                                                        "too many queries",
                                                        "too many connection",
                                                        "too many lookups",
                                                        "too many users",
                                                        "try again later",
                                                        "try again in",
                                                        "please wait",
                                                        "slow down",
                                                        "access denied",
                                                        "access is denied",
                                                        "permission denied",
                                                        "connection refused",
                                                        "query refused",
                                                        "request refused",
                                                        "rate limit",
                                                        "rate-limit",
                                                        "ratelimit",
                                                        "temporarily blocked",
                                                        "has been blocked",
                                                        "have been blocked",
                                                        "is blocked",
                                                        "are blocked",
                                                        "blacklisted",
                                                        "been banned",
                                                        "are banned",
                                                        "interval is too short",
                                                        "grace period",
                                                        "service unavailable",
                                                        "temporarily unavailable",
                                                        "requests of this client are not permitted",
                                                        "server is busy",
                                                        "server busy",
                                                        "request per second",
                                                        "requests per second",
                                                        "go away for",
                                                        "per hour reached",
                                                        "per day reached",
                                                        "request denied",
                                                        "query denied",
                                                        "between queries",
                                                        "between requests",
                                                        "between lookups",
                                                        "between two queries",
                                                        "between two requests",
                                                        "temporarily not be answered",
                                                        "cannot be answered at the moment",
                                                        "please try again"};

// The quick look for a notice tells phrases by their first four bytes.
constexpr bool everyPhraseHasFourBytes()
{
    for (std::string_view phrase : kThrottlePhrases) {
        if (phrase.size() < 4)
            return false;
    }
    return true;
}
static_assert(everyPhraseHasFourBytes(), "a throttling phrase is shorter than four bytes");
