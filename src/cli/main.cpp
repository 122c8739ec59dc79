#include "commands.h"

#include "base/version.h"
#include "cliprompter.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <vector>

namespace {

QString usage(const std::vector<std::unique_ptr<CliCommand>> &commands)
{
    QString text = QStringLiteral("Usage: quorvane-cli COMMAND [OPTIONS] ARGS\n\nCommands:\n");
    for (const auto &c : commands)
        text += QStringLiteral("  ") + c->name().leftJustified(9) + c->summary() + u'\n';
    text += QStringLiteral("\n  -h, --help  show this help\n"
                           "  --version   print the program's name and version\n"
                           "\nRun 'quorvane-cli COMMAND --help' for the options of a command.\n");
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    // A write beyond a file-size limit must fail like a full disk (the work
    // files check every write and stop the run), not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvane"));

    std::vector<std::unique_ptr<CliCommand>> commands;
    commands.push_back(makeLookupCommand());
    commands.push_back(makeCheckCommand());
    commands.push_back(makeGenerateCommand());
    commands.push_back(makeHarvestCommand());

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fputs(usage(commands).toLocal8Bit().constData(), stderr);
        return cliexit::kUsage;
    }
    const QString word = args.takeFirst();
    if (word == QLatin1String("--help") || word == QLatin1String("-h") || word == QLatin1String("help")) {
        std::fputs(usage(commands).toLocal8Bit().constData(), stdout);
        return cliexit::kOk;
    }
    if (word == QLatin1String("--version"))
        return std::fputs("quorvane-cli " QUORVANE_VERSION "\n", stdout) >= 0 && std::fflush(stdout) == 0
                   ? cliexit::kOk
                   : cliexit::kFailed;
    for (const auto &c : commands) {
        if (c->name() == word)
            return c->run(args);
    }
    CliPrompter::printError(QStringLiteral("quorvane-cli: unknown command '%1' (try --help)").arg(word));
    return cliexit::kUsage;
}
