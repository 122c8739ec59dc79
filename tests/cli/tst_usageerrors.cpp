#include "cli/commands.h"
#include "support/qtprinters.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The usage error `words` (the command's name first) make, read in this process
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
    QStringList words;
    // The text between "quorvane-cli COMMAND: " and " (try --help)"; empty for a request.
    QString error;
};

} // namespace

// Every usage error the commands give, and requests at the edges of the accepted
// values, which must not give one.
TEST(CliUsage, EachCommandRefusesWhatItCannotRun)
{
    const QString tmp = QDir::tempPath();
    const QStringList check{u"check"_s, u"--data-dir"_s, tmp};
    const QStringList lookup{u"lookup"_s, u"--data-dir"_s, tmp};
    const QStringList keywords{u"generate"_s, u"keywords"_s, u"--begin"_s, u"b.txt"_s};
    const QStringList harvest{u"harvest"_s, u"--data-dir"_s, tmp};
    const QString portNot = u"--server '%1': the port '%2' is not a number from 1 to 65535"_s;
    const UsageCase cases[] = {
        {"check: no file", {"check"}, "no FILE given"},
        {"check: unknown option", check + QStringList{"--frobnicate", "n.txt"},
         "unknown option '--frobnicate'"},
        {"check: unknown short option", check + QStringList{"-x", "n.txt"}, "unknown option '-x'"},
        {"check: value missing", check + QStringList{"n.txt", "--output"}, "Missing value after '--output'."},
        {"check: retries and no retry", check + QStringList{"--retries", "2", "--no-retry", "n.txt"},
         "--retries and --no-retry exclude each other"},
        {"check: connections not a number", check + QStringList{"--connections", "many", "n.txt"},
         "--connections needs a number, not 'many'"},
        {"check: timeout not a number", check + QStringList{"--timeout", "x", "n.txt"},
         "--timeout needs a number, not 'x'"},
        {"check: retries not a number", check + QStringList{"--retries", "", "n.txt"},
         "--retries needs a number, not ''"},
        {"check: expire days not a number", check + QStringList{"--expire-days", "-", "n.txt"},
         "--expire-days needs a number, not '-'"},
        {"check: empty output", check + QStringList{"--output=", "n.txt"}, "--output needs a file name"},
        {"check: unknown format", check + QStringList{"--format", "pdf", "n.txt"},
         "unknown format: pdf (txt, csv, html or xml)"},
        {"check: no title for html", check + QStringList{"--no-title", "--format", "html", "n.txt"},
         "--no-title applies to the txt and csv formats only"},
        {"check: no title for xml", check + QStringList{"--format", "xml", "--no-title", "n.txt"},
         "--no-title applies to the txt and csv formats only"},
        {"check: unknown rdap mode", check + QStringList{"--rdap", "sometimes", "n.txt"},
         "--rdap needs off, fallback or first, not 'sometimes'"},
        {"check: column 8", check + QStringList{"--columns", "1,8", "n.txt"},
         "unknown column: '8' (1-7 or a column title)"},
        {"check: column 0", check + QStringList{"--columns", "0", "n.txt"},
         "unknown column: '0' (1-7 or a column title)"},
        {"check: no data folder",
         {"check", "--data-dir", "/nonexistent/qv", "n.txt"},
         "no such folder: /nonexistent/qv"},
        {"check: every option at its edge",
         check + QStringList{"--connections", "1",        "--timeout",     "60",
                             "--retries",     "200",      "--expire-days", "100000",
                             "--output",      "r.txt",    "--format",      "CSV",
                             "--columns",     "7,Domain", "--no-title",    "--rdap",
                             "first",         "--quiet",  "--extract",     "--configured-strings-only",
                             "a.txt",         "-"},
         ""},
        {"check: no title for txt", check + QStringList{"--no-title", "--no-retry", "n.txt"}, ""},

        {"lookup: no domain", {"lookup"}, "missing DOMAIN"},
        {"lookup: two domains", lookup + QStringList{"a.com", "b.com"}, "only one DOMAIN may be given"},
        {"lookup: no data folder",
         {"lookup", "--data-dir", "/nonexistent/qv", "a.com"},
         "no such folder: /nonexistent/qv"},
        {"lookup: timeout 0", lookup + QStringList{"--timeout", "0", "a.com"},
         "--timeout needs a number of seconds above 0 and up to 86400, not '0'"},
        {"lookup: timeout above a day", lookup + QStringList{"--timeout", "86400.5", "a.com"},
         "--timeout needs a number of seconds above 0 and up to 86400, not '86400.5'"},
        {"lookup: timeout not a number", lookup + QStringList{"--timeout", "soon", "a.com"},
         "--timeout needs a number of seconds above 0 and up to 86400, not 'soon'"},
        {"lookup: rdap and server", lookup + QStringList{"--rdap", "--server", "h", "a.com"},
         "--rdap and --server exclude each other"},
        {"lookup: port 0", lookup + QStringList{"--server", "127.0.0.1:0", "a.com"},
         portNot.arg("127.0.0.1:0", "0")},
        {"lookup: port 65536", lookup + QStringList{"--server", "host:65536", "a.com"},
         portNot.arg("host:65536", "65536")},
        {"lookup: port not a number", lookup + QStringList{"--server", "host:4x", "a.com"},
         portNot.arg("host:4x", "4x")},
        {"lookup: colon without port", lookup + QStringList{"--server", "host:", "a.com"},
         "--server 'host:' has no port after the colon"},
        {"lookup: port without host", lookup + QStringList{"--server", ":43", "a.com"},
         "--server ':43' names no host"},
        {"lookup: address without host", lookup + QStringList{"--server", "https://", "a.com"},
         "--server 'https://' is not a usable http or https address"},
        {"lookup: edges accepted",
         lookup + QStringList{"--timeout", "86400", "--server", "host:65535", "--override", "=A.com"}, ""},
        {"lookup: port 1 and a small timeout",
         lookup + QStringList{"--timeout", "0.001", "--server", "h:1", "a.com"}, ""},

        {"generate: no generator", {"generate"}, "which generator: keywords or typos?"},
        {"generate: unknown generator", {"generate", "anagrams"}, "unknown generator 'anagrams'"},
        {"keywords: no tld", keywords, "You must select at least one top level domain."},
        {"keywords: only blank tlds", keywords + QStringList{"--tld", " , "},
         "You must select at least one top level domain."},
        {"keywords: unknown separator", keywords + QStringList{"--tld", "aa", "--separator", "dot"},
         "--separator takes none, dash or both, not 'dot'"},
        {"keywords: no word list",
         {"generate", "keywords", "--tld", "aa"},
         "give at least one of --begin, --middle and --end"},
        {"keywords: two lists from standard input",
         {"generate", "keywords", "--tld", "aa", "--begin", "-", "--end", "-"},
         "only one word list can come from standard input"},
        {"keywords: a word after the options", keywords + QStringList{"--tld", "aa", "extra"},
         "unexpected argument 'extra'"},
        {"keywords: every list and separator",
         {"generate", "keywords", "--tld", "aa", "--begin", "-", "--middle", "m", "--end", "e", "--separator",
          "none"},
         ""},
        {"typos: no file", {"generate", "typos"}, "no FILE given"},
        {"typos: standard input twice",
         {"generate", "typos", "-", "a.txt", "-"},
         "standard input can be read only once"},

        {"harvest: no keyword", harvest, "There are no keywords to use."},
        {"harvest: only empty keywords", harvest + QStringList{""}, "There are no keywords to use."},
        {"harvest: delay 21", harvest + QStringList{"--delay", "21", "k"},
         "--delay must be one of 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 25, "
         "30, 35, 40, 45, 50, 55, 60"},
        {"harvest: delay 0", harvest + QStringList{"--delay", "0", "k"},
         "--delay must be one of 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 25, "
         "30, 35, 40, 45, 50, 55, 60"},
        {"harvest: top 15", harvest + QStringList{"--top", "15", "k"},
         "--top must be one of 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 200, 300, 400, 500, 600, 700, 800, "
         "900, 1000"},
        {"harvest: host with a bad port", harvest + QStringList{"--host", "h:65536", "k"},
         "--host needs HOST or HOST:PORT, not 'h:65536'"},
        {"harvest: no data folder",
         {"harvest", "--data-dir", "/nonexistent/qv", "k"},
         "no such folder: /nonexistent/qv"},
        {"harvest: edges accepted",
         harvest +
             QStringList{"--delay", "60", "--top", "1000", "--host", "h:65535", "--remove-subdomains", "k"},
         ""},
        {"harvest: keywords from a file only", harvest + QStringList{"--keywords", "k.txt", "--delay", "1"},
         ""},
    };
    for (const UsageCase &c : cases) {
        SCOPED_TRACE(c.name);
        QString command = c.words.first();
        if (command == u"generate" && c.words.size() > 1 && !c.words[1].startsWith(u'-') &&
            c.words[1] != u"anagrams")
            command += u' ' + c.words[1];
        EXPECT_EQ(usageErrorOf(c.words),
                  c.error.isEmpty() ? QString()
                                    : u"quorvane-cli "_s + command + u": "_s + c.error + u" (try --help)"_s);
    }
}
