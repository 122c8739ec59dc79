#include "commands.h"

#include "cliprompter.h"
#include "options.h"

#include "base/textfile.h"
#include "config/publicsuffixes.h"
#include "engine/appcontext.h"
#include "sources/websearch.h"

#include <QEventLoop>

#include <csignal>
#include <cstdio>

namespace {

QString choiceList(const QList<int> &choices)
{
    QStringList texts;
    for (int c : choices)
        texts << QString::number(c);
    return texts.join(QStringLiteral(", "));
}

// The value of a numeric option when it is one of `choices`.
std::optional<int> chosenValue(const QString &text, const QList<int> &choices)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || !choices.contains(value))
        return std::nullopt;
    return value;
}

class HarvestCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("harvest"); }
    QString summary() const override { return QStringLiteral("find domains in web search results"); }

protected:
    QString synopsis() const override { return QStringLiteral("[OPTIONS] KEYWORD..."); }
    QString description() const override
    {
        return QStringLiteral("Runs each KEYWORD as a query on the web search engine and prints the domain\n"
                              "names the result pages link to, one per line, in the order they were found.");
    }
    QList<QCommandLineOption> options() const override
    {
        return {m_dataDir, m_keywords, m_host, m_top, m_delay, m_removeSubdomains};
    }
    QString epilogue() const override
    {
        return QStringLiteral(
            "Keywords are lower-cased; repeats are searched once. Names go to standard\n"
            "output as they are found (LF line ends); progress goes to standard error.\n"
            "\n"
            "Exit status: 0 the search finished; 1 the names could not be written; 2 usage\n"
            "error, no keyword, or an unreadable keyword FILE.");
    }
    QString readRequest(const QCommandLineParser &parser) override;
    int execute() override;

private:
    const CliOption m_dataDir =
        cliopt::dataDir(QStringLiteral("folder holding settings.ini and quorvane.ini (default: the\n"
                                       "program's data folder)"));
    const CliOption m_keywords{QStringLiteral("keywords"),
                               QStringLiteral("read keywords from FILE, one a line (after any KEYWORDs;\n"
                                              "'-' reads standard input)"),
                               QStringLiteral("FILE")};
    const CliOption m_host{QStringLiteral("host"),
                           QStringLiteral("the search engine's web host (default: harvest/host of\n"
                                          "quorvane.ini, else www.google.com; port 80 unless given)"),
                           QStringLiteral("HOST[:PORT]")};
    const CliOption m_top{QStringLiteral("top"),
                          QStringLiteral("only the top N results of each keyword: 10, 20 ... 100\n"
                                         "or 200, 300 ... 1000 (default: no limit)"),
                          QStringLiteral("N")};
    const CliOption m_delay{QStringLiteral("delay"),
                            QStringLiteral("seconds between queries: 1 to 20, or 25, 30 ... 60\n"
                                           "(default: 3)"),
                            QStringLiteral("SECONDS")};
    const CliOption m_removeSubdomains{QStringLiteral("remove-subdomains"),
                                       QStringLiteral("reduce each name to its registered domain")};

    // What a harvest is asked to do, as read from the command line.
    struct Request {
        HarvestRequest search;
        // The engine's host from --host; the settings' when not given.
        std::optional<SearchEngine> host;
        QString dataDir;
        // The KEYWORDs given, as the window's list takes them: lower case, each once.
        QStringList keywords;
        // --keywords FILE, read after them; empty when not given.
        QString keywordFile;
    } m_request;
};

// Adds a keyword as the window's list takes it: lower case, each once.
void addKeyword(QStringList &keywords, const QString &keyword)
{
    const QString lower = keyword.toLower();
    if (!lower.isEmpty() && !keywords.contains(lower))
        keywords.append(lower);
}

QString HarvestCommand::readRequest(const QCommandLineParser &parser)
{
    Request request;
    if (m_top.isSet(parser)) {
        const std::optional<int> top = chosenValue(m_top.value(parser), topResultChoices());
        if (!top)
            return QStringLiteral("--top must be one of ") + choiceList(topResultChoices());
        request.search.topOnly = true;
        request.search.topLimit = *top;
    }
    request.search.delayMs = 3000;
    if (m_delay.isSet(parser)) {
        const std::optional<int> delay = chosenValue(m_delay.value(parser), queryDelayChoices());
        if (!delay)
            return QStringLiteral("--delay must be one of ") + choiceList(queryDelayChoices());
        request.search.delayMs = *delay * 1000;
    }
    request.search.removeSubdomains = m_removeSubdomains.isSet(parser);
    if (m_host.isSet(parser)) {
        request.host = parseSearchHost(m_host.value(parser));
        if (!request.host)
            return QStringLiteral("--host needs HOST or HOST:PORT, not '%1'").arg(m_host.value(parser));
    }
    QString folderError;
    request.dataDir = dataFolderOption(parser, m_dataDir, folderError);
    if (request.dataDir.isEmpty())
        return folderError;
    for (const QString &word : parser.positionalArguments())
        addKeyword(request.keywords, word);
    if (m_keywords.isSet(parser))
        request.keywordFile = m_keywords.value(parser);
    else if (request.keywords.isEmpty())
        return harvesttexts::kNoKeywords;
    m_request = request;
    return {};
}

int HarvestCommand::execute()
{
    HarvestRequest request = m_request.search;
    QStringList keywords = m_request.keywords;
    if (!m_request.keywordFile.isEmpty()) {
        const QString &file = m_request.keywordFile;
        CliInputFile in;
        QString error;
        if (!in.open(file, error)) {
            printError(QStringLiteral("cannot read %1: %2").arg(file, error));
            return cliexit::kUsage;
        }
        LineReader &reader = in.reader();
        QString line;
        while (reader.readLine(line))
            addKeyword(keywords, trimSpaces(line).toString());
        if (reader.failed()) {
            printError(QStringLiteral("cannot read %1: %2").arg(file, reader.errorString()));
            return cliexit::kUsage;
        }
    }
    if (keywords.isEmpty())
        return usageError(harvesttexts::kNoKeywords);
    request.keywords = keywords;

    CliPrompter prompter;
    AppContext ctx(m_request.dataDir, prompter);
    ctx.loadConfiguration();
    request.tableTlds = ctx.config.table.tlds();
    QString suffixProblem;
    request.publicSuffixes = publicSuffixesFor(ctx.extra, &suffixProblem);
    if (!suffixProblem.isEmpty())
        printError(suffixProblem);

    WebSearchHarvester harvester;
    if (m_request.host) {
        SearchEngine engine = searchEngineFromSettings(ctx.extra);
        engine.host = m_request.host->host;
        engine.port = m_request.host->port;
        harvester.setEngine(engine);
    } else {
        QStringList problems;
        harvester.setEngine(searchEngineFromSettings(ctx.extra, &problems));
        for (const QString &problem : problems)
            printError(problem);
    }

    // A reader that goes away (| head) makes the write fail instead of ending the program.
    std::signal(SIGPIPE, SIG_IGN);
    QEventLoop loop;
    bool writeFailed = false;
    KeyedListModel &found = harvester.found();
    QObject::connect(&found, &QAbstractItemModel::rowsInserted, &loop,
                     [&](const QModelIndex &, int first, int last) {
                         QByteArray lines;
                         for (int row = first; row <= last; ++row)
                             lines += encode8bit(found.items()[row]) + '\n';
                         if (std::fwrite(lines.constData(), 1, static_cast<size_t>(lines.size()), stdout) !=
                                 static_cast<size_t>(lines.size()) ||
                             std::fflush(stdout) != 0) {
                             writeFailed = true;
                             harvester.stop();
                             loop.quit();
                         }
                     });
    QObject::connect(&harvester, &WebSearchHarvester::keywordStarted, &loop,
                     [](int number, int total, const QString &keyword, int start) {
                         CliPrompter::printError(
                             harvesttexts::kKeywordProgress.arg(number).arg(total) +
                             QStringLiteral(": %1, results from %2").arg(keyword).arg(start));
                     });
    QObject::connect(&harvester, &WebSearchHarvester::pageScanned, &loop, [&](int count) {
        CliPrompter::printError(harvesttexts::kFoundCount.arg(count) + QStringLiteral(", ") +
                                receivedText(harvester.bytesReceived()));
    });
    QObject::connect(&harvester, &WebSearchHarvester::pageSkipped, &loop, [](const QString &reason) {
        CliPrompter::printError(QStringLiteral("page skipped: ") + reason);
    });
    QObject::connect(&harvester, &WebSearchHarvester::finished, &loop, [&] {
        CliPrompter::printError(harvesttexts::kSearchDone);
        loop.quit();
    });

    CliPrompter::printError(QStringLiteral("Searching %1 for %2 keywords")
                                .arg(harvester.engine().requestHost())
                                .arg(keywords.size()));
    if (!harvester.start(request))
        return usageError(harvesttexts::kNoKeywords);
    loop.exec();
    if (writeFailed) {
        printError(QStringLiteral("cannot write the names"));
        return cliexit::kFailed;
    }
    return cliexit::kOk;
}

} // namespace

std::unique_ptr<CliCommand> makeHarvestCommand()
{
    return std::make_unique<HarvestCommand>();
}
