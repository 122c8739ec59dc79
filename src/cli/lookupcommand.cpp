#include "commands.h"

#include "app/appcontext.h"
#include "engine/datafolder.h"
#include "engine/domainsyntax.h"
#include "lookup/whoislookup.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <cstdio>

namespace {

const char *kLookupUsage =
    "Usage: quorvane-cli lookup [--data-dir DIR] [--server HOST[:PORT]] [--override] DOMAIN\n"
    "\n"
    "Shows the raw reply of a WHOIS server for DOMAIN, exactly as received.\n"
    "\n"
    "  --data-dir DIR        folder holding settings.ini (default: the program's data folder)\n"
    "  --server HOST[:PORT]  ask this server (default: the first configured server of\n"
    "                        the domain's TLD; port 43 unless given)\n"
    "  --override            send DOMAIN as typed (lower-cased, without a leading '='),\n"
    "                        without the name check and without cutting it down to the\n"
    "                        registered domain\n"
    "  -h, --help            show this help\n"
    "\n"
    "The reply goes to standard output; status and errors go to standard error.\n"
    "Exit status: 0 reply received, 1 no reply (time-out, connection error, no\n"
    "server for the domain), 2 usage error.\n";

void printErr(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

int usageError(const QString &text)
{
    printErr(QStringLiteral("quorvane-cli lookup: ") + text + QStringLiteral(" (try --help)"));
    return 2;
}

// Messages reach the console; a question can't be answered here and means No.
class ConsolePrompter : public Prompter
{
public:
    bool askYesNo(const QString &, const QString &text, PromptIcon, bool) override
    {
        printErr(text);
        return false;
    }
    void inform(const QString &, const QString &text) override { printErr(text); }
    void warn(const QString &, const QString &text) override { printErr(text); }
    void fail(const QString &, const QString &text) override { printErr(text); }
    QString chooseOpenFile(const QString &, const QString &) override { return {}; }
    QString chooseSaveFile(const QString &, const QString &) override { return {}; }
};

struct LookupArgs {
    QString dataDir;
    QString server;
    QString domain;
    bool overrideCheck = false;
    bool help = false;
};

// Returns an error text, empty when the words parse.
QString parseArgs(const QStringList &args, LookupArgs &out)
{
    bool domainSeen = false;
    for (int i = 0; i < args.size(); ++i) {
        QString word = args[i];
        QString value;
        bool hasInlineValue = false;
        if (word.startsWith(QLatin1String("--")) && word.contains(u'=')) {
            const qsizetype eq = word.indexOf(u'=');
            value = word.mid(eq + 1);
            word = word.left(eq);
            hasInlineValue = true;
        }
        const auto takeValue = [&](QString &target) -> QString {
            if (hasInlineValue) {
                target = value;
            } else if (i + 1 < args.size()) {
                target = args[++i];
            } else {
                return QStringLiteral("option '%1' needs a value").arg(word);
            }
            return {};
        };
        if (word == QLatin1String("-h") || word == QLatin1String("--help")) {
            out.help = true;
        } else if (word == QLatin1String("--data-dir")) {
            if (QString e = takeValue(out.dataDir); !e.isEmpty())
                return e;
        } else if (word == QLatin1String("--server")) {
            if (QString e = takeValue(out.server); !e.isEmpty())
                return e;
        } else if (word == QLatin1String("--override") && !hasInlineValue) {
            out.overrideCheck = true;
        } else if (word == QLatin1String("--")) {
            // Everything after is the domain.
            if (i + 1 < args.size()) {
                if (domainSeen || i + 2 < args.size())
                    return QStringLiteral("only one DOMAIN may be given");
                out.domain = args[++i];
                domainSeen = true;
            }
        } else if (word.startsWith(u'-') && word.size() > 1) {
            return QStringLiteral("unknown option '%1'").arg(args[i]);
        } else {
            if (domainSeen)
                return QStringLiteral("only one DOMAIN may be given");
            out.domain = word;
            domainSeen = true;
        }
    }
    return {};
}

} // namespace

int runLookupCommand(const QStringList &args)
{
    using namespace lookuptexts;
    LookupArgs a;
    if (const QString error = parseArgs(args, a); !error.isEmpty())
        return usageError(error);
    if (a.help) {
        std::fputs(kLookupUsage, stdout);
        return 0;
    }
    if (a.domain.isEmpty())
        return usageError(QStringLiteral("missing DOMAIN"));

    ConsolePrompter prompter;
    AppContext context(a.dataDir.isEmpty() ? defaultDataFolder() : a.dataDir, prompter);
    context.loadConfiguration();

    TldSuffixList suffixes;
    suffixes.mylist(context.config.table.tlds());
    const std::optional<QString> query = formLookupQuery(a.domain, a.overrideCheck, suffixes);
    if (!query) {
        printErr(QStringLiteral("quorvane-cli lookup: ") + kInvalidDomain);
        return 2;
    }
    QString server = a.server.trimmed();
    if (server.isEmpty()) {
        const QStringList servers = lookupServersFor(a.domain, context.config);
        if (servers.isEmpty()) {
            printErr(kNoServers);
            return 1;
        }
        server = servers.first();
    }

    WhoisLookup lookup;
    QEventLoop loop;
    int exitCode = 1;
    QObject::connect(&lookup, &WhoisLookup::finished, &loop, [&](WhoisLookup::Outcome outcome) {
        switch (outcome) {
        case WhoisLookup::Outcome::Done: {
            const QByteArray &reply = lookup.reply();
            std::fwrite(reply.constData(), 1, static_cast<size_t>(reply.size()), stdout);
            std::fflush(stdout);
            printErr(kDone);
            exitCode = 0;
            break;
        }
        case WhoisLookup::Outcome::Timeout:
            printErr(kDoneTimeout);
            break;
        case WhoisLookup::Outcome::Error:
            printErr(kDoneError);
            break;
        }
        loop.quit();
    });
    // The window waits out its time-out after a connection error; a script
    // would rather hear about it at once.
    QObject::connect(&lookup, &WhoisLookup::socketError, &loop, [&](int, const QString &description) {
        lookup.cancel();
        printErr(QStringLiteral("Error: ") + description);
        printErr(kDoneError);
        loop.quit();
    });

    printErr(QStringLiteral("Asking %1 for %2").arg(server, *query));
    printErr(kWorking);
    lookup.start(server, *query);
    if (lookup.isRunning())
        loop.exec();
    return exitCode;
}
