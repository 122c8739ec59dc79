#include "commands.h"

#include "cliprompter.h"
#include "options.h"

#include "base/idn.h"
#include "base/textfile.h"
#include "config/publicsuffixes.h"
#include "engine/appcontext.h"
#include "engine/domainsyntax.h"
#include "sources/keywordgenerator.h"
#include "sources/misspellings.h"
#include "sources/namelistfile.h"
#include "sources/namelistmodel.h"

#include <QCommandLineParser>
#include <QFile>

#include <cstdio>
#include <memory>

namespace {

// Names on standard output, one a line with LF ends, in large blocks. A reader
// that goes away (| head) ends the program the usual quiet way, by SIGPIPE.
class NameOutput
{
public:
    NameOutput() { m_block.reserve(kBlock + 512); }
    void write(QLatin1StringView name) { append(name); }
    void write(QStringView name)
    {
        for (QChar c : name)
            m_block += c.unicode() <= 0xff ? static_cast<char>(c.unicode()) : '?';
        endLine();
    }
    // False when standard output did not take everything.
    bool finish()
    {
        flushBlock();
        return m_ok && std::fflush(stdout) == 0;
    }

private:
    static constexpr qsizetype kBlock = 1 << 16;
    void append(QLatin1StringView name)
    {
        m_block.append(name.data(), name.size());
        endLine();
    }
    void endLine()
    {
        m_block += '\n';
        if (m_block.size() >= kBlock)
            flushBlock();
    }
    void flushBlock()
    {
        if (m_ok && !m_block.isEmpty() &&
            std::fwrite(m_block.constData(), 1, static_cast<size_t>(m_block.size()), stdout) !=
                static_cast<size_t>(m_block.size()))
            m_ok = false;
        m_block.resize(0);
    }
    QByteArray m_block;
    bool m_ok = true;
};

class KeywordsCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("generate keywords"); }
    QString summary() const override { return QStringLiteral("combine keyword lists with TLDs"); }

protected:
    QString synopsis() const override
    {
        return QStringLiteral("[--begin FILE] [--middle FILE] [--end FILE] --tld LIST [--separator MODE]");
    }
    QString description() const override
    {
        return QStringLiteral("Combines every Beginning word with every Middle word, every End word and\n"
                              "every TLD, as the keyword generator window does, and prints the names that\n"
                              "pass the name check, one a line, each once. The TLD varies fastest, then\n"
                              "the End word, the Middle word, the Beginning word. Word files hold one word\n"
                              "a line (lower-cased, not trimmed; empty lines skipped); '-' reads standard\n"
                              "input. A '%' inside a word joins two words like the separator.");
    }
    QList<QCommandLineOption> options() const override
    {
        return {m_begin, m_middle, m_end, m_tld, m_separator};
    }
    QString epilogue() const override
    {
        return QStringLiteral("Exit status: 0 names printed; 1 no name passed the check, the output\n"
                              "could not be written, or memory ran out; 2 usage error or unreadable FILE.");
    }
    bool takesArguments() const override { return false; }
    QString readRequest(const QCommandLineParser &parser) override;
    int execute() override;

private:
    const CliOption m_begin{QStringLiteral("begin"), QStringLiteral("the Beginning words"),
                            QStringLiteral("FILE")};
    const CliOption m_middle{QStringLiteral("middle"), QStringLiteral("the Middle words"),
                             QStringLiteral("FILE")};
    const CliOption m_end{QStringLiteral("end"), QStringLiteral("the End words"), QStringLiteral("FILE")};
    const CliOption m_tld{QStringLiteral("tld"),
                          QStringLiteral("the TLDs, comma-separated, in order (com,net,co.uk)"),
                          QStringLiteral("LIST")};
    const CliOption m_separator{QStringLiteral("separator"),
                                QStringLiteral("how words are joined: none, dash, or both (the dashed\n"
                                               "name first; the default)"),
                                QStringLiteral("MODE")};

    // The words and TLDs to combine; the word lists are read from `files`.
    KeywordInput m_input;
    // The file of each word list given, by list.
    std::vector<std::pair<QString, QStringList *>> m_files;
};

QString KeywordsCommand::readRequest(const QCommandLineParser &parser)
{
    m_input = KeywordInput();
    m_files.clear();
    const QString separator = m_separator.value(parser);
    if (separator.isEmpty() || separator == QLatin1String("both"))
        m_input.separator = KeywordSeparator::Both;
    else if (separator == QLatin1String("none"))
        m_input.separator = KeywordSeparator::None;
    else if (separator == QLatin1String("dash"))
        m_input.separator = KeywordSeparator::Dashes;
    else
        return QStringLiteral("--separator takes none, dash or both, not '%1'").arg(separator);

    if (!m_tld.isSet(parser))
        return kSelectTldText;
    {
        // Keyed like the window's TLD list: lower case, each once, in order.
        NameListModel tlds(QStringLiteral("TLD"));
        for (const QString &tld : m_tld.value(parser).split(u','))
            tlds.add(asciiName(trimSpaces(tld)));
        m_input.tlds = tlds.names();
        m_input.tlds.removeAll(QString());
    }
    if (m_input.tlds.isEmpty())
        return kSelectTldText;

    const std::pair<const CliOption *, QStringList *> lists[] = {
        {&m_begin, &m_input.beginning}, {&m_middle, &m_input.middle}, {&m_end, &m_input.end}};
    int fromStdin = 0;
    for (const auto &[option, words] : lists) {
        if (!option->isSet(parser))
            continue;
        const QString file = option->value(parser);
        if (file == QLatin1String("-") && ++fromStdin > 1)
            return QStringLiteral("only one word list can come from standard input");
        m_files.emplace_back(file, words);
    }
    if (m_files.empty())
        return QStringLiteral("give at least one of --begin, --middle and --end");
    return {};
}

int KeywordsCommand::execute()
{
    for (const auto &[file, words] : m_files) {
        CliInputFile in;
        QString error;
        if (!in.open(file, error)) {
            printError(QStringLiteral("cannot read %1: %2").arg(file, error));
            return cliexit::kUsage;
        }
        *words = keywordWords(in.reader());
        if (in.reader().failed()) {
            printError(QStringLiteral("cannot read %1: %2").arg(file, in.reader().errorString()));
            return cliexit::kUsage;
        }
    }
    const KeywordInput &input = m_input;

    // The window's generated list keeps each name once, first come first kept.
    NameOutput out;
    qint64 printed = 0;
    const KeywordStream run = streamKeywordDomains(input, [&out, &printed](QStringView name) {
        out.write(name);
        ++printed;
    });
    if (run == KeywordStream::OutOfMemory || run == KeywordStream::TooMany) {
        out.finish();
        printError(
            run == KeywordStream::TooMany
                ? QStringLiteral("too many combinations of words and TLDs")
                : QStringLiteral("out of memory after %1 names: the rest were not printed").arg(printed));
        return cliexit::kFailed;
    }
    if (!out.finish()) {
        printError(QStringLiteral("cannot write the names"));
        return cliexit::kFailed;
    }
    if (printed == 0) {
        CliPrompter::printError(kNoKeywordDomainsText);
        return cliexit::kFailed;
    }
    return cliexit::kOk;
}

class TyposCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("generate typos"); }
    QString summary() const override { return QStringLiteral("typing mistakes of known domains"); }

protected:
    QString synopsis() const override { return QStringLiteral("[OPTIONS] FILE..."); }
    QString description() const override
    {
        return QStringLiteral("Prints the typing mistakes of every domain named in the FILEs (one a line;\n"
                              "'-' reads standard input) as the misspelling generator window makes them:\n"
                              "each letter or digit of the name without its TLD replaced by each key next\n"
                              "to it on a QWERTY keyboard, and left out. One name a line, each once.\n"
                              "Lines are trimmed of spaces and lower-cased; lines that are no valid domain\n"
                              "are skipped.");
    }
    QList<QCommandLineOption> options() const override { return {m_dataDir}; }
    QString epilogue() const override
    {
        return QStringLiteral("Exit status: 0 names printed; 1 no valid domain in the FILEs, or the output\n"
                              "could not be written; 2 usage error or unreadable FILE.");
    }
    QString readRequest(const QCommandLineParser &parser) override;
    int execute() override;

private:
    const CliOption m_dataDir =
        cliopt::dataDir(QStringLiteral("folder holding settings.ini, whose TLD table tells where a\n"
                                       "name's TLD begins (default: the program's data folder)"));

    // What the generator is asked to do, as read from the command line.
    struct Request {
        QStringList files;
        QString dataFolder;
    } m_request;
};

QString TyposCommand::readRequest(const QCommandLineParser &parser)
{
    Request request;
    request.files = parser.positionalArguments();
    if (request.files.isEmpty())
        return QStringLiteral("no FILE given");
    if (request.files.count(QStringLiteral("-")) > 1)
        return QStringLiteral("standard input can be read only once");
    QString folderError;
    request.dataFolder = dataFolderOption(parser, m_dataDir, folderError);
    if (request.dataFolder.isEmpty())
        return folderError;
    m_request = request;
    return {};
}

int TyposCommand::execute()
{
    const QStringList &files = m_request.files;
    CliPrompter prompter;
    AppContext ctx(m_request.dataFolder, prompter);
    ctx.loadConfiguration();
    ctx.run.suffixes.mylist(ctx.config.table.tlds());
    QString suffixProblem;
    ctx.run.suffixes.setPublicSuffixes(publicSuffixesFor(ctx.extra, &suffixProblem));
    if (!suffixProblem.isEmpty())
        printError(suffixProblem);

    NameListModel loaded(QStringLiteral("Domain"));
    for (const QString &file : files) {
        CliInputFile in;
        QString error;
        if (!in.open(file, error)) {
            printError(QStringLiteral("cannot read %1: %2").arg(file, error));
            return cliexit::kUsage;
        }
        loadNameList(in.reader(), loaded);
        if (in.reader().failed()) {
            printError(QStringLiteral("cannot read %1: %2").arg(file, in.reader().errorString()));
            return cliexit::kUsage;
        }
    }
    if (loaded.isEmpty()) {
        CliPrompter::printError(kLoadDomainsFirstText);
        return cliexit::kFailed;
    }

    NameListModel generated(QStringLiteral("Domain"));
    NameOutput out;
    for (int row = 0; row < loaded.size(); ++row) {
        makemisspellings(loaded.at(row), ctx.run.suffixes, [&](QStringView variant) {
            if (generated.add(variant))
                out.write(variant);
        });
    }
    if (!out.finish()) {
        printError(QStringLiteral("cannot write the names"));
        return cliexit::kFailed;
    }
    return cliexit::kOk;
}

// "generate keywords ..." and "generate typos ...": one word, two generators,
// each with its own options and --help.
class GenerateCommand : public CliCommand
{
public:
    GenerateCommand()
    {
        m_generators.push_back(std::make_unique<KeywordsCommand>());
        m_generators.push_back(std::make_unique<TyposCommand>());
    }
    QString name() const override { return QStringLiteral("generate"); }
    QString summary() const override
    {
        return QStringLiteral("print domains made from keywords or typing mistakes");
    }
    int run(const QStringList &args) override
    {
        if (args.isEmpty())
            return usageError(QStringLiteral("which generator: keywords or typos?"));
        const QString word = args.first();
        if (word == QLatin1String("--help") || word == QLatin1String("-h")) {
            const QByteArray help = helpText().toLocal8Bit();
            std::fwrite(help.constData(), 1, static_cast<size_t>(help.size()), stdout);
            return cliexit::kOk;
        }
        if (CliCommand *g = generator(word))
            return g->run(args.mid(1));
        return usageError(QStringLiteral("unknown generator '%1'").arg(word));
    }
    QString usageErrorIn(const QStringList &args) override
    {
        if (args.isEmpty())
            return usageLine(QStringLiteral("which generator: keywords or typos?"));
        if (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h"))
            return {};
        if (CliCommand *g = generator(args.first()))
            return g->usageErrorIn(args.mid(1));
        return usageLine(QStringLiteral("unknown generator '%1'").arg(args.first()));
    }

protected:
    QString synopsis() const override { return QStringLiteral("keywords|typos [OPTIONS]"); }
    QString description() const override
    {
        QString text = QStringLiteral("Prints generated domains, one a line:\n");
        for (const auto &g : m_generators)
            text +=
                QStringLiteral("  ") + g->name().section(u' ', 1).leftJustified(10) + g->summary() + u'\n';
        text +=
            QStringLiteral("\nRun 'quorvane-cli generate keywords --help' or 'quorvane-cli generate typos\n"
                           "--help' for their options.");
        return text;
    }
    QList<QCommandLineOption> options() const override { return {}; }
    QString readRequest(const QCommandLineParser &) override { return {}; }
    int execute() override { return cliexit::kUsage; }

private:
    // The generator `word` names, or null.
    CliCommand *generator(const QString &word) const
    {
        for (const auto &g : m_generators) {
            if (g->name() == name() + u' ' + word)
                return g.get();
        }
        return nullptr;
    }

    std::vector<std::unique_ptr<CliCommand>> m_generators;
};

} // namespace

std::unique_ptr<CliCommand> makeGenerateCommand()
{
    return std::make_unique<GenerateCommand>();
}
