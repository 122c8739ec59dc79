#include "commands.h"

#include "cliprompter.h"

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
        return {
            {QStringLiteral("data-dir"),
             QStringLiteral("folder holding settings.ini and quorvane.ini (default: the\n"
                            "program's data folder)"),
             QStringLiteral("DIR")},
            {QStringLiteral("keywords"),
             QStringLiteral("read keywords from FILE, one a line (after any KEYWORDs;\n"
                            "'-' reads standard input)"),
             QStringLiteral("FILE")},
            {QStringLiteral("host"),
             QStringLiteral("the search engine's web host (default: harvest/host of\n"
                            "quorvane.ini, else www.google.com; port 80 unless given)"),
             QStringLiteral("HOST[:PORT]")},
            {QStringLiteral("top"),
             QStringLiteral("only the top N results of each keyword: 10, 20 ... 100\n"
                            "or 200, 300 ... 1000 (default: no limit)"),
             QStringLiteral("N")},
            {QStringLiteral("delay"),
             QStringLiteral("seconds between queries: 1 to 20, or 25, 30 ... 60\n"
                            "(default: 3)"),
             QStringLiteral("SECONDS")},
            {QStringLiteral("remove-subdomains"),
             QStringLiteral("reduce each name to its registered domain")},
        };
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
    int execute(const QCommandLineParser &parser) override;
};

int HarvestCommand::execute(const QCommandLineParser &parser)
{
    HarvestRequest request;
    if (parser.isSet(QStringLiteral("top"))) {
        const std::optional<int> top = chosenValue(parser.value(QStringLiteral("top")), topResultChoices());
        if (!top)
            return usageError(QStringLiteral("--top must be one of ") + choiceList(topResultChoices()));
        request.topOnly = true;
        request.topLimit = *top;
    }
    request.delayMs = 3000;
    if (parser.isSet(QStringLiteral("delay"))) {
        const std::optional<int> delay =
            chosenValue(parser.value(QStringLiteral("delay")), queryDelayChoices());
        if (!delay)
            return usageError(QStringLiteral("--delay must be one of ") + choiceList(queryDelayChoices()));
        request.delayMs = *delay * 1000;
    }
    request.removeSubdomains = parser.isSet(QStringLiteral("remove-subdomains"));

    std::optional<SearchEngine> hostOption;
    if (parser.isSet(QStringLiteral("host"))) {
        hostOption = parseSearchHost(parser.value(QStringLiteral("host")));
        if (!hostOption)
            return usageError(QStringLiteral("--host needs HOST or HOST:PORT, not '%1'")
                                  .arg(parser.value(QStringLiteral("host"))));
    }

    QString folderError;
    const QString dataDir = dataFolderOption(parser, folderError);
    if (dataDir.isEmpty())
        return usageError(folderError);

    // Keywords as the window's list takes them: lower case, each once.
    QStringList keywords;
    auto addKeyword = [&keywords](const QString &keyword) {
        if (!keyword.isEmpty() && !keywords.contains(keyword))
            keywords.append(keyword);
    };
    for (const QString &word : parser.positionalArguments())
        addKeyword(word.toLower());
    if (parser.isSet(QStringLiteral("keywords"))) {
        const QString file = parser.value(QStringLiteral("keywords"));
        CliInputFile in;
        QString error;
        if (!in.open(file, error)) {
            printError(QStringLiteral("cannot read %1: %2").arg(file, error));
            return cliexit::kUsage;
        }
        LineReader &reader = in.reader();
        QString line;
        while (reader.readLine(line))
            addKeyword(trimSpaces(line).toString().toLower());
        if (reader.failed()) {
            printError(QStringLiteral("cannot read %1: %2").arg(file, reader.errorString()));
            return cliexit::kUsage;
        }
    }
    if (keywords.isEmpty())
        return usageError(harvesttexts::kNoKeywords);
    request.keywords = keywords;

    CliPrompter prompter;
    AppContext ctx(dataDir, prompter);
    ctx.loadConfiguration();
    request.tableTlds = ctx.config.table.tlds();
    QString suffixProblem;
    request.publicSuffixes = publicSuffixesFor(ctx.extra, &suffixProblem);
    if (!suffixProblem.isEmpty())
        printError(suffixProblem);

    WebSearchHarvester harvester;
    if (hostOption) {
        SearchEngine engine = searchEngineFromSettings(ctx.extra);
        engine.host = hostOption->host;
        engine.port = hostOption->port;
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
