#include "clicommand.h"

#include "base/datafolder.h"
#include "base/textfile.h"
#include "cliprompter.h"
#include "config/settingsfile.h"
#include "engine/appcontext.h"
#include "engine/runoptions.h"
#include "options.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

const CliOption &helpOption()
{
    static const CliOption option(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("show this help"));
    return option;
}

// An option's name as typed: "-h", "--help".
QString dashed(const QString &name)
{
    return name.size() == 1 ? QString(u'-' + name) : QString(QStringLiteral("--") + name);
}

// "  --name VALUE" or "  -h, --help", as the option list shows an option.
QString optionLabel(const QCommandLineOption &option)
{
    QStringList names;
    for (const QString &n : option.names())
        names << dashed(n);
    QString label = QStringLiteral("  ") + names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        label += u' ' + option.valueName();
    return label;
}

} // namespace

QString CliCommand::helpText() const
{
    QList<QCommandLineOption> all = options();
    all.append(helpOption());
    qsizetype width = 0;
    for (const QCommandLineOption &o : all)
        width = std::max(width, optionLabel(o).size());
    width = std::min<qsizetype>(width + 2, 24);

    QString text = QStringLiteral("Usage: quorvane-cli ") + name();
    if (!synopsis().isEmpty())
        text += u' ' + synopsis();
    text += QStringLiteral("\n\n") + description().trimmed() + QStringLiteral("\n\n");
    for (const QCommandLineOption &o : all) {
        const QString label = optionLabel(o);
        const QStringList lines = o.description().split(u'\n');
        if (label.size() + 1 > width) {
            text += label + u'\n';
            for (const QString &line : lines)
                text += QString(width, u' ') + line + u'\n';
        } else {
            for (qsizetype i = 0; i < lines.size(); ++i)
                text += (i == 0 ? label.leftJustified(width) : QString(width, u' ')) + lines[i] + u'\n';
        }
    }
    const QString tail = epilogue().trimmed();
    if (!tail.isEmpty())
        text += u'\n' + tail + u'\n';
    return text;
}

void CliCommand::printError(const QString &text) const
{
    CliPrompter::printError(QStringLiteral("quorvane-cli ") + name() + QStringLiteral(": ") + text);
}

QString CliCommand::usageLine(const QString &text) const
{
    return QStringLiteral("quorvane-cli ") + name() + QStringLiteral(": ") + text +
           QStringLiteral(" (try --help)");
}

int CliCommand::usageError(const QString &text) const
{
    CliPrompter::printError(usageLine(text));
    return cliexit::kUsage;
}

void CliCommand::loadConfiguration(AppContext &context) const
{
    context.loadConfiguration();
    const QString error = settingsReadError(context.dataFolder);
    if (!error.isEmpty())
        printError(QStringLiteral("cannot read %1 (%2); using the built-in TLD table and options")
                       .arg(dataFile(context.dataFolder, QString::fromLatin1(kSettingsFileName)), error));
}

QString CliCommand::dataFolderOption(const QCommandLineParser &parser, const CliOption &option,
                                     QString &error)
{
    if (!option.isSet(parser))
        return defaultDataFolder();
    const QString folder = option.value(parser);
    if (!QFileInfo(folder).isDir()) {
        error = QStringLiteral("no such folder: %1").arg(folder);
        return {};
    }
    return QDir(folder).absolutePath();
}

QString CliCommand::requireNumbers(const QCommandLineParser &parser,
                                   std::initializer_list<const CliOption *> options)
{
    for (const CliOption *option : options) {
        if (option->isSet(parser) && !startsWithNumber(option->value(parser)))
            return QStringLiteral("%1 needs a number, not '%2'").arg(option->flag(), option->value(parser));
    }
    return {};
}

CliCommand::Words CliCommand::parseWords(const QStringList &args, QCommandLineParser &parser,
                                         QString &error) const
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    parser.addOptions(options());
    parser.addOption(helpOption());
    if (!parser.parse(QStringList{QStringLiteral("quorvane-cli ") + name()} + args)) {
        // Name an unknown option the way it was typed.
        const QStringList unknown = parser.unknownOptionNames();
        error = unknown.isEmpty() ? parser.errorText()
                                  : QStringLiteral("unknown option '%1'").arg(dashed(unknown.first()));
        return Words::Wrong;
    }
    if (helpOption().isSet(parser))
        return Words::Help;
    if (!takesArguments() && !parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
        return Words::Wrong;
    }
    return Words::Request;
}

int CliCommand::run(const QStringList &args)
{
    QCommandLineParser parser;
    QString error;
    switch (parseWords(args, parser, error)) {
    case Words::Wrong:
        return usageError(error);
    case Words::Help: {
        const QByteArray help = helpText().toLocal8Bit();
        std::fwrite(help.constData(), 1, static_cast<size_t>(help.size()), stdout);
        return cliexit::kOk;
    }
    case Words::Request:
        break;
    }
    error = readRequest(parser);
    if (!error.isEmpty())
        return usageError(error);
    return execute();
}

QString CliCommand::usageErrorIn(const QStringList &args)
{
    QCommandLineParser parser;
    QString error;
    if (parseWords(args, parser, error) == Words::Request)
        error = readRequest(parser);
    return error.isEmpty() ? QString() : usageLine(error);
}

CliInputFile::CliInputFile() = default;
CliInputFile::~CliInputFile() = default;

bool CliInputFile::open(const QString &file, QString &error)
{
    if (file == QLatin1String("-")) {
        if (!m_stdin.open(stdin, QIODevice::ReadOnly)) {
            error = m_stdin.errorString();
            return false;
        }
        m_reader = std::make_unique<LineReader>(&m_stdin, LineReader::Ends::AnyLineEnd,
                                                LineReader::Decoding::Utf8Names);
    } else {
        if (QFileInfo(file).isDir()) {
            error = QStringLiteral("is a folder");
            return false;
        }
        m_reader =
            std::make_unique<LineReader>(file, LineReader::Ends::AnyLineEnd, LineReader::Decoding::Utf8Names);
    }
    if (!m_reader->open()) {
        error = m_reader->errorString();
        return false;
    }
    return true;
}
