#include "cli/commands.h"
#include "support/qtprinters.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The usage error the words of a command line make, read in this process
// without running anything; empty when they make a request.
QString usageErrorOf(QStringList words)
{
    std::unique_ptr<CliCommand> commands[] = {makeLookupCommand(), makeCheckCommand(), makeGenerateCommand(),
                                              makeHarvestCommand()};
    const QString name = words.takeFirst();
    for (auto &command : commands) {
        if (command->name() == name)
            return command->usageErrorIn(words);
    }
    return u"no command "_s + name;
}

struct UsageCase {
    const char *name;
    const char *words; // after "quorvane-cli", split at spaces; $T is a folder that exists
    // What is said after "quorvane-cli COMMAND: " and before " (try --help)"; empty for a request.
    QString error;
};

const char *const kDelays = "--delay must be one of 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, "
                            "17, 18, 19, 20, 25, 30, 35, 40, 45, 50, 55, 60";
const char *const kNoTld = "You must select at least one top level domain.";

} // namespace

// Every usage error of every command, and requests at the edges of what each
// option takes, which must not give one.
TEST(CliUsage, EachCommandRefusesWhatItCannotRun)
{
    const UsageCase cases[] = {
        {"check: no file", "check --data-dir $T", "no FILE given"},
        {"check: unknown option", "check --frobnicate n.txt", "unknown option '--frobnicate'"},
        {"check: value missing", "check n.txt --output", "Missing value after '--output'."},
        {"check: retries and no retry", "check --retries 2 --no-retry n",
         "--retries and --no-retry exclude each other"},
        {"check: connections", "check --connections many n", "--connections needs a number, not 'many'"},
        {"check: empty output", "check --output= n", "--output needs a file name"},
        {"check: format", "check --format pdf n", "unknown format: pdf (txt, csv, html or xml)"},
        {"check: no title, html", "check --no-title --format html n",
         "--no-title applies to the txt and csv formats only"},
        {"check: rdap mode", "check --rdap sometimes n",
         "--rdap needs off, fallback or first, not 'sometimes'"},
        {"check: dns mode", "check --dns sometimes n", "--dns needs first or off, not 'sometimes'"},
        {"check: dns server", "check --dns-server a/b n", "--dns-server needs ADDRESS[:PORT], not 'a/b'"},
        {"check: pacing mode", "check --pacing sometimes n",
         "--pacing needs adaptive or off, not 'sometimes'"},
        {"check: server limit", "check --server-limit whois.example.net=5/week n",
         "--server-limit needs SERVER=RATES, not 'whois.example.net=5/week': '5/week' is not COUNT/UNIT "
         "(units "
         "s, m, h, d: 5/s, 1800/15m, 1000/d; at most one day)"},
        {"check: server limit without server", "check --server-limit 5/s n",
         "--server-limit needs SERVER=RATES, not '5/s': no SERVER before '='"},
        {"check: server limit, pacing off", "check --pacing off --server-limit a=1/s n",
         "--server-limit needs --pacing adaptive"},
        {"check: column 8", "check --columns 1,8 n", "unknown column: '8' (1-7 or a column title)"},
        {"check: data folder", "check --data-dir /nonexistent/qv n", "no such folder: /nonexistent/qv"},
        {"check: every option",
         "check --data-dir $T --connections 1 --timeout 60 --retries 200 --expire-days 100000 "
         "--output r --format CSV --columns 7,Domain --no-title --rdap first --pacing off --quiet --extract "
         "--configured-strings-only --no-public-suffixes --dns first --dns-server 127.0.0.1:53 "
         "--dns-server [::1] a -",
         ""},
        {"check: no title, txt", "check --data-dir $T --no-title n", ""},
        {"check: resume and a file", "check --resume n",
         "--resume takes no FILE: the names are those of the interrupted run"},
        {"check: resume and an option it fixes", "check --resume --rdap off",
         "--resume goes on with the options of the interrupted run, not --rdap"},
        {"check: resume", "check --data-dir $T --resume --quiet --output r --format csv", ""},

        {"lookup: no domain", "lookup --data-dir $T", "missing DOMAIN"},
        {"lookup: two domains", "lookup a.com b.com", "only one DOMAIN may be given"},
        {"lookup: timeout 0", "lookup --data-dir $T --timeout 0 a.com",
         u"--timeout needs a number of seconds above 0 and up to 86400, not '0'"_s},
        {"lookup: timeout above a day", "lookup --data-dir $T --timeout 86400.5 a.com",
         u"--timeout needs a number of seconds above 0 and up to 86400, not '86400.5'"_s},
        {"lookup: rdap and server", "lookup --data-dir $T --rdap --server h a.com",
         "--rdap and --server exclude each other"},
        {"lookup: port 65536", "lookup --data-dir $T --server host:65536 a.com",
         "--server 'host:65536': the port '65536' is not a number from 1 to 65535"},
        {"lookup: colon, no port", "lookup --data-dir $T --server host: a.com",
         "--server 'host:' has no port after the colon"},
        {"lookup: bad host", "lookup --data-dir $T --server a/b a.com",
         "--server 'a/b' is not a host name or an IP address"},
        {"lookup: port, no host", "lookup --data-dir $T --server :43 a.com", "--server ':43' names no host"},
        {"lookup: URL, no host", "lookup --data-dir $T --server https:// a.com",
         "--server 'https://' is not a usable http or https address"},
        {"lookup: edges", "lookup --data-dir $T --timeout 86400 --server host:65535 --override =A.com", ""},

        {"generate: no generator", "generate", "which generator: keywords or typos?"},
        {"generate: unknown", "generate anagrams", "unknown generator 'anagrams'"},
        {"keywords: no tld", "generate keywords --begin b", kNoTld},
        {"keywords: blank tlds", "generate keywords --begin b --tld=,", kNoTld},
        {"keywords: separator", "generate keywords --tld a --separator dot",
         "--separator takes none, dash or both, not 'dot'"},
        {"keywords: no list", "generate keywords --tld aa",
         "give at least one of --begin, --middle and --end"},
        {"keywords: two from stdin", "generate keywords --tld a --begin - --end -",
         "only one word list can come from standard input"},
        {"keywords: a word", "generate keywords --tld aa --begin b extra", "unexpected argument 'extra'"},
        {"keywords: all lists", "generate keywords --tld a --begin - --middle m --end e --separator none",
         ""},
        {"typos: no file", "generate typos", "no FILE given"},
        {"typos: stdin twice", "generate typos - a.txt -", "standard input can be read only once"},

        {"harvest: no keyword", "harvest --data-dir $T", "There are no keywords to use."},
        {"harvest: delay 21", "harvest --data-dir $T --delay 21 k", kDelays},
        {"harvest: top 15", "harvest --data-dir $T --top 15 k",
         "--top must be one of 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 200, 300, 400, 500, 600, 700, 800, "
         "900, 1000"},
        {"harvest: port 65536", "harvest --host h:65536 k", "--host needs HOST or HOST:PORT, not 'h:65536'"},
        {"harvest: edges", "harvest --data-dir $T --delay 60 --top 1000 --host h:65535 --remove-subdomains k",
         ""},
    };
    for (const UsageCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList words = QString::fromLatin1(c.words).replace(u"$T"_s, QDir::tempPath()).split(u' ');
        QString command = words.first();
        if (words.size() > 1 && (words[1] == u"keywords" || words[1] == u"typos"))
            command += u' ' + words[1];
        EXPECT_EQ(usageErrorOf(words),
                  c.error.isEmpty() ? QString()
                                    : u"quorvane-cli "_s + command + u": "_s + c.error + u" (try --help)"_s);
    }
}
