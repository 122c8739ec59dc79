#include "commands.h"

#include "cliprompter.h"
#include "options.h"

#include "base/hostport.h"
#include "config/publicsuffixes.h"
#include "config/rdapbootstrap.h"
#include "config/tldservertable.h"
#include "engine/appcontext.h"
#include "engine/domainsyntax.h"
#include "lookup/whoislookup.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <cstdio>

namespace {

constexpr double kMaxTimeoutSeconds = 86400;

// What is wrong with a --server value, empty when nothing is.
QString serverProblem(const QString &server)
{
    if (isRdapServer(server)) {
        if (!rdapDomainUrl(server, QStringLiteral("example.com")).isValid() ||
            QUrl(server, QUrl::StrictMode).host().isEmpty())
            return QStringLiteral("--server '%1' is not a usable http or https address").arg(server);
        return {};
    }
    const HostPort address = parseHostPort(server, 43);
    switch (address.problem) {
    case HostPort::Problem::None:
        return {};
    case HostPort::Problem::NoHost:
        return QStringLiteral("--server '%1' names no host").arg(server);
    case HostPort::Problem::BadHost:
        return QStringLiteral("--server '%1' is not a host name or an IP address").arg(server);
    case HostPort::Problem::NoPort:
        return QStringLiteral("--server '%1' has no port after the colon").arg(server);
    case HostPort::Problem::BadPort:
        break;
    }
    return QStringLiteral("--server '%1': the port '%2' is not a number from 1 to 65535")
        .arg(server, address.portText);
}

class LookupCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("lookup"); }
    QString summary() const override
    {
        return QStringLiteral("show the raw WHOIS (or RDAP) reply for one domain");
    }

protected:
    QString synopsis() const override { return QStringLiteral("[OPTIONS] DOMAIN"); }
    QString description() const override
    {
        return QStringLiteral("Shows the raw reply of a WHOIS server for DOMAIN, exactly as received, or\n"
                              "the JSON reply of an RDAP server, pretty-printed.");
    }
    QList<QCommandLineOption> options() const override
    {
        return {m_dataDir, m_server, m_rdap, m_timeout, m_override};
    }
    QString epilogue() const override
    {
        return QStringLiteral("The reply goes to standard output; status and errors go to standard error.\n"
                              "An RDAP answer other than 200 is named on standard error (404: the name\n"
                              "is not registered).\n"
                              "Exit status: 0 reply received, 1 no reply (time-out, connection error, no\n"
                              "server for the domain), 2 usage error (a --server port outside 1-65535\n"
                              "included).");
    }
    QString readRequest(const QCommandLineParser &parser) override;
    int execute() override;

private:
    const CliOption m_dataDir =
        cliopt::dataDir(QStringLiteral("folder holding settings.ini (default: the program's data folder)"));
    const CliOption m_server{QStringLiteral("server"),
                             QStringLiteral("ask this server: a WHOIS host (port 43 unless given) or an\n"
                                            "RDAP base address such as https://rdap.example.net/ (default:\n"
                                            "the first configured server of the domain's TLD; with\n"
                                            "rdap/mode fallback or first, the RDAP bootstrap's service\n"
                                            "for a TLD without one)"),
                             QStringLiteral("HOST[:PORT]|URL")};
    const CliOption m_rdap{QStringLiteral("rdap"),
                           QStringLiteral("ask the RDAP service the bootstrap names for the domain's TLD")};
    const CliOption m_timeout{QStringLiteral("timeout"),
                              QStringLiteral("give up after SECONDS without a byte from the server\n"
                                             "(default 20, fractions allowed); however often it sends,\n"
                                             "a server gets at most eleven times SECONDS in all"),
                              QStringLiteral("SECONDS")};
    const CliOption m_override{QStringLiteral("override"),
                               QStringLiteral("send DOMAIN as typed (lower-cased, without a leading '='),\n"
                                              "without the name check and without cutting it down to the\n"
                                              "registered domain")};

    // What a lookup is asked to do, as read from the command line.
    struct Request {
        QString domain;
        QString dataDir;
        int timeoutMs = WhoisLookup::kDefaultTimeoutMs;
        // --server; empty for the domain's configured server.
        QString server;
        bool askBootstrap = false;
        bool asTyped = false;
    } m_request;
};

QString LookupCommand::readRequest(const QCommandLineParser &parser)
{
    Request request;
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return QStringLiteral("missing DOMAIN");
    if (words.size() > 1)
        return QStringLiteral("only one DOMAIN may be given");
    request.domain = words.first();
    QString folderError;
    request.dataDir = dataFolderOption(parser, m_dataDir, folderError);
    if (request.dataDir.isEmpty())
        return folderError;
    if (m_timeout.isSet(parser)) {
        const QString text = m_timeout.value(parser).trimmed();
        bool ok = false;
        const double seconds = text.toDouble(&ok);
        if (!ok || !(seconds > 0) || seconds > kMaxTimeoutSeconds)
            return QStringLiteral("--timeout needs a number of seconds above 0 and up to %1, not '%2'")
                .arg(kMaxTimeoutSeconds)
                .arg(text);
        request.timeoutMs = std::max(1, static_cast<int>(seconds * 1000 + 0.5));
    }
    request.server = m_server.value(parser).trimmed();
    request.askBootstrap = m_rdap.isSet(parser);
    if (request.askBootstrap && m_server.isSet(parser))
        return QStringLiteral("--rdap and --server exclude each other");
    if (m_server.isSet(parser)) {
        const QString problem = serverProblem(request.server);
        if (!problem.isEmpty())
            return problem;
    }
    request.asTyped = m_override.isSet(parser);
    m_request = request;
    return {};
}

int LookupCommand::execute()
{
    using namespace lookuptexts;
    const QString &domain = m_request.domain;
    QString server = m_request.server;
    CliPrompter prompter;
    AppContext context(m_request.dataDir, prompter);
    loadConfiguration(context);

    TldSuffixList suffixes;
    suffixes.mylist(context.config.table.tlds());
    QString suffixProblem;
    suffixes.setPublicSuffixes(publicSuffixesFor(context.extra, &suffixProblem));
    if (!suffixProblem.isEmpty())
        printError(suffixProblem);
    const std::optional<QString> query = formLookupQuery(domain, m_request.asTyped, suffixes);
    if (!query) {
        printError(kInvalidDomain);
        return cliexit::kUsage;
    }
    if (m_request.askBootstrap) {
        QString problem;
        const std::shared_ptr<const RdapBootstrap> bootstrap =
            RdapBootstrap::load(context.dataFolder, &problem);
        if (!problem.isEmpty())
            printError(problem);
        server = bootstrap->serviceFor(*query);
        if (server.isEmpty()) {
            CliPrompter::printError(kNoRdapService);
            return cliexit::kFailed;
        }
    } else if (server.isEmpty()) {
        const RdapModeSetting setting = rdapModeSetting(context.extra);
        if (!setting.problem.isEmpty())
            printError(setting.problem);
        const std::shared_ptr<const RdapBootstrap> bootstrap =
            setting.mode == RdapMode::Off ? nullptr : RdapBootstrap::load(context.dataFolder);
        const QStringList servers = lookupServersFor(domain, context.config, bootstrap.get(), setting.mode);
        if (servers.isEmpty()) {
            CliPrompter::printError(kNoServers);
            return cliexit::kFailed;
        }
        server = servers.first();
    }

    WhoisLookup lookup;
    lookup.setTimeoutMs(m_request.timeoutMs);
    QEventLoop loop;
    int exitCode = cliexit::kFailed;
    QObject::connect(&lookup, &WhoisLookup::finished, &loop, [&](WhoisLookup::Outcome outcome) {
        switch (outcome) {
        case WhoisLookup::Outcome::Done: {
            const QByteArray &reply = lookup.reply();
            std::fwrite(reply.constData(), 1, static_cast<size_t>(reply.size()), stdout);
            std::fflush(stdout);
            if (lookup.httpStatus() != 0 && lookup.httpStatus() != 200)
                CliPrompter::printError(lookup.httpStatusLine());
            CliPrompter::printError(kDone);
            exitCode = cliexit::kOk;
            break;
        }
        case WhoisLookup::Outcome::Timeout:
            CliPrompter::printError(kDoneTimeout);
            break;
        case WhoisLookup::Outcome::Error:
            if (!lookup.errorText().isEmpty())
                CliPrompter::printError(QStringLiteral("Error: ") + lookup.errorText());
            CliPrompter::printError(kDoneError);
            break;
        }
        loop.quit();
    });
    // A connection error ends the lookup at once, with the system's word for it.
    QObject::connect(&lookup, &WhoisLookup::socketError, &loop, [&](int, const QString &description) {
        lookup.cancel();
        CliPrompter::printError(QStringLiteral("Error: ") + description);
        CliPrompter::printError(kDoneError);
        loop.quit();
    });

    CliPrompter::printError(QStringLiteral("Asking %1 for %2").arg(server, *query));
    CliPrompter::printError(kWorking);
    lookup.start(server, *query);
    if (lookup.isRunning())
        loop.exec();
    return exitCode;
}

} // namespace

std::unique_ptr<CliCommand> makeLookupCommand()
{
    return std::make_unique<LookupCommand>();
}
