#include "commands.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

const char *kUsage =
    "Usage: quorvane-cli COMMAND [OPTIONS] ARGS\n"
    "\n"
    "Commands:\n"
    "  lookup   show the raw WHOIS reply for one domain\n"
    "  check    check lists of domains and print the result report\n"
    "\n"
    "Run 'quorvane-cli COMMAND --help' for the options of a command.\n";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvane"));
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == QLatin1String("lookup"))
        return runLookupCommand(args);
    if (command == QLatin1String("check"))
        return runCheckCommand(args);
    std::fprintf(stderr, "quorvane-cli: unknown command '%s' (try --help)\n", qPrintable(command));
    return 2;
}
