#include "recognitiontables.h"

#include "replybytes.h"

namespace {

using Text = std::string_view;

// The lower-cased UTF-8 form of a Latin-1 word: replies decoded as Latin-1 and
// lowered byte by byte turn "ä" (C3 A4) into E3 A4.
std::string loweredUtf8(Text latin1)
{
    std::string out;
    for (char c : latin1) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out += c;
        } else {
            out += replybytes::lowerLatin1(static_cast<char>(0xC0 | (u >> 6)));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

// Fills the tables, keeping the words it made (the sets hold views of them).
struct TableBuilder {
    RecognitionTables &t;

    Text keep(std::string s)
    {
        t.storage.push_back(std::move(s));
        return t.storage.back();
    }
    void add(std::unordered_set<Text> &set, std::initializer_list<const char *> words)
    {
        for (const char *w : words)
            set.insert(keep(w));
    }
};

} // namespace

const RecognitionTables &recognitionTables()
{
    static const RecognitionTables tables = [] {
        RecognitionTables t;
        TableBuilder b{t};
        b.add(t.statusKeys, {"status", "domain status", "state", "domain state", "registration status",
                             "domain registration status", "availability", "domain availability"});
        b.add(t.freeStatusValues, {"free", "available", "avail", "not registered", "unregistered",
                                   "no object found", "object not found", "not found", "does not exist",
                                   "object does not exist", "available for registration", "no match"});
        b.add(t.placeholders, {"", "n/a", "na", "-", "--", "none", "null", "(null)", "0", "not applicable",
                               "not defined", "not set", "unknown"});

        // "Not registered" statements: a few that stand alone, and subjects (with
        // or without the name, "@") combined with predicates.
        b.add(t.freeSentences, {"available",
                                "not registered",
                                "not found",
                                "no match",
                                "no matches",
                                "no match found",
                                "no object found",
                                "object not found",
                                "object_not_found",
                                "object does not exist",
                                "no such domain",
                                "no such object",
                                "no records found",
                                "no record found",
                                "no data found",
                                "nothing found",
                                "nothing found for this query",
                                "no entries found",
                                "no matching record",
                                "no matching records",
                                "domain not found",
                                "domain name not found",
                                "domain not registered",
                                "domain is not registered",
                                "domain available",
                                "available for registration",
                                "the queried object does not exist",
                                "there is no information available on the domain consulted",
                                "this query returned 0 objects",
                                "el dominio no se encuentra registrado",
                                "no match for @",
                                "no match for domain @",
                                "no entries found for @",
                                "no entries found for domain @",
                                "no records found for @",
                                "no records found for object @",
                                "no records found for domain @",
                                "no data found for @",
                                "nothing found for @",
                                "no such domain @",
                                "not found @",
                                "no records matching @ found",
                                "no information available about domain name @",
                                "no information about domain @",
                                "no information available about domain @",
                                "el dominio @ no se encuentra registrado",
                                "you queried for @ but this server does not have any data for @",
                                "no match found for @",
                                "no entries found for query @",
                                "no entries found for the selected source",
                                "no entries found for the selected sources",
                                "we do not have an entry"}); // "... in our database matching your query"
        const char *const subjects[] = {"domain",
                                        "domain name",
                                        "the domain",
                                        "the domain name",
                                        "this domain",
                                        "this domain name",
                                        "the requested domain",
                                        "@",
                                        "domain @",
                                        "domain name @",
                                        "the domain @",
                                        "the domain name @",
                                        "this domain @",
                                        "name @",
                                        "object @"};
        const char *const predicates[] = {
            "is available",
            "available",
            "- available",
            "is available for registration",
            "available for registration",
            "is available for purchase",
            "is free",
            "is not registered",
            "not registered",
            "not registred",
            "is not registred",
            "is not registered yet",
            "is not yet registered",
            "is unregistered",
            "has not been registered",
            "has not been registered yet",
            "is not found",
            "not found",
            "was not found",
            "does not exist",
            "no existe",
            "no match",
            "- no match",
            "- not found",
        };
        for (const char *s : subjects) {
            for (const char *p : predicates)
                t.freeSentences.insert(b.keep(std::string(s) + ' ' + p));
        }

        b.add(t.noticeWords,
              {"exceeded",    "exceed",      "limit",     "limits",      "limited",    "ratelimit",
               "ratelimited", "quota",       "many",      "again",       "wait",       "slow",
               "denied",      "refused",     "blocked",   "blacklisted", "banned",     "interval",
               "grace",       "unavailable", "permitted", "busy",        "rate",       "second",
               "seconds",     "away",        "reached",   "between",     "temporarily"});
        b.add(t.weekdays, {"mon", "tue", "tues", "wed", "thu", "thur", "thurs", "fri", "sat", "sun", "monday",
                           "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday"});
        b.add(t.fillerWords, {"of", "the", "de", "del", "le", "den", "der", "am", "pm", "at"});

        // Beside the English names, their usual short forms and the names in
        // German, French, Spanish, Italian, Portuguese and Dutch. No word here means two months
        // ("mar" is March in every one of them).
        const std::initializer_list<const char *> monthWords[12] = {
            {"jan", "januar", "j\xe4nner", "janvier", "janv", "enero", "ene", "gennaio", "gen", "janeiro",
             "januari"},
            {"feb", "februar", "f\xe9vrier", "fevrier", "f\xe9vr", "fevr", "febrero", "febbraio", "fevereiro",
             "fev", "februari"},
            {"mar", "m\xe4rz", "maerz", "mars", "marzo", "mar\xe7o", "marco", "maart", "mrt"},
            {"apr", "avril", "avr", "abril", "abr", "aprile"},
            {"mai", "mayo", "maggio", "mag", "maio", "mei"},
            {"jun", "juni", "juin", "junio", "giugno", "giu", "junho"},
            {"jul", "juli", "juillet", "juil", "julio", "luglio", "lug", "julho"},
            {"aug", "ao\xfbt", "aout", "agosto", "ago", "augustus"},
            {"sep", "sept", "septembre", "septiembre", "setiembre", "settembre", "set", "setembro"},
            {"oct", "oktober", "okt", "octobre", "octubre", "ottobre", "ott", "outubro", "out"},
            {"nov", "novembre", "noviembre", "novembro"},
            {"dec", "dezember", "dez",
             "d\xe9"
             "cembre",
             "decembre",
             "d\xe9"
             "c",
             "dic", "diciembre", "dicembre", "dezembro"},
        };
        for (int m = 0; m < 12; ++m) {
            t.months.emplace(kEnglishMonths[m], m + 1);
            for (const char *w : monthWords[m]) {
                const Text latin1 = b.keep(w);
                t.months.emplace(latin1, m + 1);
                const std::string utf8 = loweredUtf8(latin1);
                if (utf8 != latin1)
                    t.months.emplace(b.keep(utf8), m + 1);
            }
        }
        return t;
    }();
    return tables;
}
