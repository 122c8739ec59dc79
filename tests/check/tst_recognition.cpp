#include "engine/classify.h"
#include "engine/recognition.h"
#include "engine/recognitiontables.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;
using Kind = ReplyRecognition::Kind;

Kind recognize(const QByteArray &reply, const QByteArray &query = "example.com", bool cut = false)
{
    return recognizeReply(reply, query, cut).kind;
}

TEST(Recognition, StatementsOfRegistries)
{
    const struct {
        const char *reply;
        Kind expected;
        const char *query = "example.com";
        bool cut = false; // the reply reached the receive cap
    } cases[] = {
        // "Not registered" in shapes of registries that the corpus of real replies (the recognition run)
        // does not hold.
        {"The queried object does not exist: Domain name can not be found\n", Kind::Free, "example.tw"},
        {"%ERROR:103: Domain is not registered\n", Kind::Free, "example.rs"},
        {"No match found for \"example.com.tr\"\n", Kind::Free, "example.com.tr"},
        // Terms of use around a statement change nothing.
        {"Domain Status: No Object Found\nCopyright 2014 CiiA, All rights reserved.\n"
         "You are not authorized to access or query our WHOIS database through automated means.\n",
         Kind::Free, "example.cx"},

        // Taken, or not clearly free: it stays taken.
        {"example.com is not available for registration\n", Kind::Taken},
        {"example.com is reserved\nexample.com is available\n", Kind::Taken},
        {"Status: AVAILABLE\nRegistrar: Example Registrar, Inc.\nCreation Date: 2010-01-01\n", Kind::Taken},
        {"No match for example.com\nName Server: ns1.example.net\n", Kind::Taken},
        {"domain: example.ru\nstate: REGISTERED, DELEGATED\nfree-date: 2026-10-17\n", Kind::Taken,
         "example.ru"},
        {"Domain freeway.com is free software\n", Kind::Taken, "freeway.com"},
        {"Status: Available soon (pending delete)\n", Kind::Taken},
        {"other.com is available\n", Kind::Taken},
        {"Domain example.com is available for backorder\n", Kind::Taken},
        {"Domain Name: example.com\nRegistrar: Example\nQuery limit exceeded for this record's details\n",
         Kind::Taken},
        // Record evidence in layouts of its own forbids "free": the value on the next line, indented or
        // alone; a label of many words; a label padded far beyond a statement's length.
        {"Domain not found.\nRegistrar:\n  Example Registrar Ltd\n", Kind::Taken},
        {"Domain not found.\nRegistrar:\nExample Registrar Ltd\n", Kind::Taken},
        {"Registrar:\n    Name: Example Registrar Ltd\nDomain not found.\n", Kind::Taken},
        {"Domain not found.\nRegistry Expiry Date:\n2031-01-01 10:00:00\n", Kind::Taken},
        {"Domain not found.\nSponsoring Registrar Of The Domain Name Record: Example Ltd\n", Kind::Taken},
        {"Domain not found.\n[Sponsoring Registrar Of The Domain Name Record] Example Ltd\n", Kind::Taken},
        // ... but not what only looks like one: a blank line, "nothing", a statement or a label below it.
        {"Registrar:\n\nDomain not found.\n", Kind::Free},
        {"Registrar:\n  n/a\nDomain not found.\n", Kind::Free},
        {"Registrar:\n  Domain not found.\n", Kind::Free},
        {"Registrar:\nDomain Status: No Object Found\n", Kind::Free},
        {"Domain not found.\nRegistrar: none\n", Kind::Free},
        {"Domain not found.\nThe data in this whois database is provided to you for information: only\n",
         Kind::Free},
        // A reply cut at the cap, whatever it says.
        {"Domain not found.\n", Kind::Free, "example.com", false},
        {"Domain not found.\n", Kind::Taken, "example.com", true},
        {"Too many requests, try again later\n", Kind::Refused, "example.com", true},
        // A query word beside a throttling word, without "exceeded", is no notice.
        {"Query rate\n", Kind::Taken},
        // A throttling word inside a record says nothing about the query.
        {"% Query rate limit exceeded. Reduced information.\ndomain: example.br\nowner: Example Ltda\n",
         Kind::Taken, "example.br"},

        // Refused: ask the next server. Each throttling phrase alone is the quick look's test below.
        {"", Kind::Refused},
        {"\r\n \r\n", Kind::Refused},
        {"query_status: 440 Request Denied\n", Kind::Refused, "example.jp"},
        {"Your request can temporarily not be answered. Please try again.\n", Kind::Refused, "example.at"},
        // A notice beside a "not registered" statement: the server answered no query.
        {"% Query rate limit exceeded\n% No entries found for the selected source(s).\n", Kind::Refused},
        {"No entries found\nQuery rate limit exceeded\n", Kind::Refused},
        // A line of the terms of use is no notice, in a record or beside a statement.
        {"Domain Name: example.com\nRegistrar: Example\n"
         "By querying, you agree not to exceed the established limit of queries.\n",
         Kind::Taken},
        {"By querying, you agree not to exceed the established limit of queries.\n"
         "Domain Name: example.com\nRegistrar: Example\n",
         Kind::Taken},
        {"No match for example.com\n"
         "By querying, you agree not to exceed the established limit of queries.\n",
         Kind::Free},
        // Nor is a line of the notes after the line that dates the data.
        {"DOMAIN NOT FOUND\n>>> Last update of WHOIS database: 2026-01-15T00:00:00Z <<<\n\n"
         "Access to the whois service is rate limited. For more information, please\n"
         "see https://example.net/whois_guidance.\n\nactions in contravention of these terms will result in "
         "being permanently\nblacklisted. All data is (c) Example Ltd\n",
         Kind::Free, "example.xyz"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(recognize(c.reply, c.query, c.cut), c.expected) << c.reply;
}

TEST(Recognition, LongLinesAreNeverStatements)
{
    // Each length limit, and one byte over it: a line, a statement (a few words beyond the name), a
    // throttling notice.
    const auto padded = [](const char *text, int size) {
        const QByteArray t(text);
        return t + QByteArray(size - t.size(), t.endsWith(' ') ? 'x' : ' ') + '\n';
    };
    const struct {
        const char *text;
        int size;
        Kind atLimit, overLimit;
    } limits[] = {
        {"Domain not found.", 400, Kind::Free, Kind::Taken},
        {"The queried object does not exist: ", 120 + 11, Kind::Free, Kind::Taken},
        {"Please try again later ", 200, Kind::Refused, Kind::Taken},
    };
    for (const auto &l : limits) {
        EXPECT_EQ(recognize(padded(l.text, l.size)), l.atLimit) << l.text;
        EXPECT_EQ(recognize(padded(l.text, l.size + 1)), l.overLimit) << l.text;
    }
    // A label of 60 letters is one, 61 are none.
    EXPECT_EQ(recognize("Domain not found.\nRegistrar" + QByteArray(51, 'x') + ": Example\n"), Kind::Taken);
    EXPECT_EQ(recognize("Domain not found.\nRegistrar" + QByteArray(52, 'x') + ": Example\n"), Kind::Free);
    // A record's label padded past that length still shows a record.
    for (const QByteArray &padded : {"Registrar:" + QByteArray(500, ' ') + "Example Registrar Ltd",
                                     "Registrar" + QByteArray(500, '.') + ": Example Registrar Ltd",
                                     "Registrar: Example Registrar Ltd" + QByteArray(500, ' '),
                                     "Registrar:" + QByteArray(500, ' ') + "\n  Example Registrar Ltd"}) {
        EXPECT_EQ(recognize("Domain not found.\n" + padded + '\n'), Kind::Taken) << padded.left(12).data();
        EXPECT_EQ(recognize(padded + "\nDomain not found.\n"), Kind::Taken) << padded.left(12).data();
    }
    EXPECT_EQ(recognize("Domain not found.\nRegistrar:" + QByteArray(500, ' ') + "n/a\n"), Kind::Free);
}

TEST(Recognition, ExpiryDatesOfReplies)
{
    const struct {
        const char *reply;
        const char *expected;
    } cases[] = {
        {"Renewal date:\n   Registration status: renewal required\n", ""},
        {"a. [Domain Name]   EXAMPLE.JP\n[Expires on]   2014/05/31\n", "31-05-2014"},
        {"Expiration Time: 2024-08-12T15:02:53+02:00\n", "12-08-2024"},
        {"Domain expires: 21. M\xe4rz 2015\n", "21-03-2015"},
        {"Expiration date: 1 f\xc3\xa9vrier 2020\n", "01-02-2020"},
        {"Fecha de vencimiento: 15 de marzo de 2021\n", "15-03-2021"},
        {"Data de expira\xc3\xa7\xc3\xa3o / Expiration Date (dd/mm/yyyy): 01/02/2015\n", "01-02-2015"},
        {"Expiration date: 03/04/2014\n", ""},                          // day or month first? not said
        {"Expiry date of the domain name: 2031-01-02\n", "02-01-2031"}, // a label of six words
        {"The expiry date of the domain name: 2031-01-02\n", ""},       // seven: a sentence
        {"Creation Date: 2001-02-03\nUpdated Date: 2020-01-01\n", ""},
        {"free-date: 2016-10-17\n", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(recognizeReply(c.reply, "example.com").expiration, QString::fromLatin1(c.expected))
            << c.reply;
}

TEST(Recognition, DatesAreReadOnlyWhenClear)
{
    const struct {
        const char *text;
        DayOrder order;
        QDate expected;
    } cases[] = {
        {"2016-04-01t07:41:59z", DayOrder::Unknown, {2016, 4, 1}},
        {"2010.10.16", DayOrder::Unknown, {2010, 10, 16}},
        {"22.07.2014", DayOrder::Unknown, {2014, 7, 22}},
        {"31-03-2014", DayOrder::Unknown, {2014, 3, 31}},
        {"20140921", DayOrder::Unknown, {2014, 9, 21}},
        {"21-march-2015", DayOrder::Unknown, {2015, 3, 21}},
        {"may 22 2014", DayOrder::Unknown, {2014, 5, 22}},
        {"sun mar 30 23:59:00 2014", DayOrder::Unknown, {2014, 3, 30}},
        {"5th of june 2019", DayOrder::Unknown, {2019, 6, 5}},
        {"3 ottobre 2022", DayOrder::Unknown, {2022, 10, 3}},
        {"12/25/2015", DayOrder::Unknown, {2015, 12, 25}},
        {"03/04/2014", DayOrder::DayFirst, {2014, 4, 3}},
        {"03/04/2014", DayOrder::MonthFirst, {2014, 3, 4}},
        // Either side of month 12 and of day 12, 30 and 31, and of the earliest year.
        {"25/12/2015", DayOrder::Unknown, {2015, 12, 25}},
        {"12/13/2015", DayOrder::Unknown, {2015, 12, 13}},
        {"12/12/2015", DayOrder::Unknown, {2015, 12, 12}},
        {"13/13/2015", DayOrder::Unknown, {}},
        {"12/11/2015", DayOrder::Unknown, {}},
        {"31 dec 2014", DayOrder::Unknown, {2014, 12, 31}},
        {"32 dec 2014", DayOrder::Unknown, {}},
        {"31 april 2014", DayOrder::Unknown, {}},
        {"0 april 2014", DayOrder::Unknown, {}},
        {"1 septem 2014", DayOrder::Unknown, {2014, 9, 1}}, // three letters or more of an English name
        {"1 se 2014", DayOrder::Unknown, {}},
        {"1980-01-01", DayOrder::Unknown, {1980, 1, 1}},
        {"1979-12-31", DayOrder::Unknown, {}},
        {"19791231", DayOrder::Unknown, {}},
        // Never a guess:
        {"03/04/2014", DayOrder::Unknown, {}},
        {"05.03.10", DayOrder::Unknown, {}},
        {"10-mar-05", DayOrder::Unknown, {}},
        {"2014-13-01", DayOrder::Unknown, {}},
        {"31.02.2014", DayOrder::Unknown, {}},
        {"1970-01-01", DayOrder::Unknown, {}},
        {"march 2015", DayOrder::Unknown, {}},
        {"12 13 mar 2014", DayOrder::Unknown, {}},
        {"mar 5 may 2014", DayOrder::Unknown, {}},
        {"", DayOrder::Unknown, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(readExpiryDate(c.text, c.order), c.expected) << c.text;
}

// The quick look that spares a reading of configured-free replies passes every
// notice the reading finds: each phrase as servers write it, in capitals, cut
// by quotes, with marks and separators, alone and beside a statement.
TEST(Recognition, EveryNoticeIsSeenByTheQuickLook)
{
    const auto shapes = [](const QByteArray &phrase) {
        QByteArray quoted = phrase;
        quoted.insert(2, '\'');
        QByteArray curly = phrase;
        curly.insert(1, "\xe2\x80\x99");
        QByteArray separated = phrase;
        separated.replace(' ', " :\t, ");
        return QList<QByteArray>{phrase, phrase.toUpper(), quoted, curly, "% " + separated + " !"};
    };
    int notices = 0;
    for (std::string_view p : kThrottlePhrases) {
        const QByteArray phrase(p.data(), qsizetype(p.size()));
        // A few phrases are notices only beside a word of one ("cannot be answered at the moment").
        if (recognize(phrase + '\n') != Kind::Refused)
            continue;
        ++notices;
        for (const QByteArray &line : shapes(phrase)) {
            for (const QByteArray &reply : {line + '\n', "No match for example.com\r\n" + line + "\r\n"}) {
                EXPECT_EQ(recognize(reply), Kind::Refused) << reply.constData();
                EXPECT_TRUE(mayHoldNotice(reply)) << reply.constData();
            }
        }
    }
    EXPECT_GT(notices, int(std::size(kThrottlePhrases)) * 9 / 10);
    // Notes after the line that dates the data are never looked at; what comes before is.
    const QByteArray dated = ">>> Last update of WHOIS database: 2026-01-15T00:00:00Z <<<\n";
    EXPECT_TRUE(mayHoldNotice("Query rate limit exceeded\n" + dated));
    EXPECT_EQ(recognize("Query rate limit exceeded\n" + dated), Kind::Refused);
    EXPECT_FALSE(mayHoldNotice("No match for example.com\n" + dated + "Query rate limit exceeded\n"));
    EXPECT_TRUE(mayHoldNotice(" \r\n\t\n"));
    EXPECT_FALSE(mayHoldNotice("No match for example.com\r\nBy querying you agree to these terms.\r\n"));
}

// The configured strings decide first; the recognition only reads what they leave as taken.
TEST(Recognition, ConfiguredStringsComeFirst)
{
    const QList<QByteArray> free = responseBytes(QStringList{u"no match for"_s});
    const QList<QByteArray> errors = responseBytes(QStringList{u"limit exceeded"_s});
    const auto classify = [&](QByteArray reply, bool recognition) {
        lowerLatin1(reply);
        return classifyReply(reply, "example.com", {}, free, errors, recognition, "example.com");
    };
    const struct {
        const char *reply;
        ReplyClass off, on;
        const char *expirationOn;
    } cases[] = {
        {"Status: free\n", ReplyClass::Taken, ReplyClass::Free, ""},
        {"Limit exceeded\nStatus: free\n", ReplyClass::Erroneous, ReplyClass::Erroneous, ""},
        // A notice overrules a configured free string, but only with the recognition on.
        {"No match for example.com\nPlease try again later\n", ReplyClass::Free, ReplyClass::Erroneous, ""},
        // Read as its sentences are: a word a quote cuts, in any case.
        {"No match for example.com\nToo MA'NY requests\n", ReplyClass::Free, ReplyClass::Erroneous, ""},
        {"No match for example.com\nToo mainy requests\n", ReplyClass::Free, ReplyClass::Free, ""},
        {"", ReplyClass::Taken, ReplyClass::Erroneous, ""},
        {"Access denied\n", ReplyClass::Taken, ReplyClass::Erroneous, ""},
        // A date the configured labels read stays as they read it.
        {"Expires on: 2010-05-03\nPaid-till: 2011-01-01\n", ReplyClass::Taken, ReplyClass::Taken, "03-05-10"},
        // A label they know with the date on the next line gives "Unknown": read again.
        {"Renewal date:\n   16-Jun-2014\n", ReplyClass::Taken, ReplyClass::Taken, "16-06-2014"},
        {"Registry Expiry Date: soon\nValid until: 2030-01-02\n", ReplyClass::Taken, ReplyClass::Taken,
         "02-01-2030"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(classify(c.reply, false).kind, c.off) << c.reply;
        const ReplyVerdict on = classify(c.reply, true);
        EXPECT_EQ(on.kind, c.on) << c.reply;
        if (on.kind == ReplyClass::Taken) {
            EXPECT_EQ(on.expiration, QString::fromLatin1(c.expirationOn)) << c.reply;
        }
    }
    // Off, the date the recognition would read is not taken either.
    EXPECT_EQ(classify("Renewal date:\n   16-Jun-2014\n", false).expiration, u"Unknown"_s);
}

} // namespace
