#include "app/mainwindow.h"
#include "app/widgetprompter.h"
#include "base/datafolder.h"
#include "base/version.h"
#include "engine/appcontext.h"

#include <QApplication>
#include <QFontDatabase>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

// Laid out like the help of quorvane-cli's commands; the manual page is made from it.
const char *const kHelpText = "Usage: quorvane [--version | --help]\n"
                              "\n"
                              "Opens the program's main window: lists of domain names are gathered there,\n"
                              "checked against the WHOIS and RDAP servers of their TLDs, and saved as\n"
                              "reports. The settings are read from the data folder at start and written\n"
                              "there at exit. quorvane-cli runs the same checks without a window.\n"
                              "\n"
                              "  --version   print the program's name and version\n"
                              "  -h, --help  show this help\n"
                              "\n"
                              "The standard options of Qt's window programs (-platform, -style, -display\n"
                              "and so on) are taken as well; other arguments are ignored.\n"
                              "\n"
                              "Exit status: 0 the main window was closed, or the version or this help was\n"
                              "printed; 1 standard output did not take the version or this help.\n";

// --version and --help are answered before the window system is reached, so
// both work without a display. The exit status once one was answered (1 when
// standard output did not take the text); nothing when the window is to open.
std::optional<int> answerInformationOptions(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *text = nullptr;
        if (std::strcmp(argv[i], "--version") == 0)
            text = "quorvane " QUORVANE_VERSION "\n";
        else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            text = kHelpText;
        if (text)
            return std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    }
    return std::nullopt;
}

// Every window is drawn in Tahoma where the system has it; elsewhere the
// desktop's own font is kept.
void useProgramFont()
{
    const QString family = QStringLiteral("Tahoma");
    if (!QFontDatabase::families().contains(family, Qt::CaseInsensitive))
        return;
    QFont font = QApplication::font();
    font.setFamily(family);
    QApplication::setFont(font);
}

} // namespace

int main(int argc, char **argv)
{
    // A write beyond a file-size limit must fail like a full disk (the work
    // files check every write and stop the run), not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    if (const std::optional<int> status = answerInformationOptions(argc, argv))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvane"));
    QApplication::setApplicationVersion(kVersionText);
    // Wayland compositors match the window to its menu entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVANE_APP_ID));
    useProgramFont();

    WidgetPrompter prompter;
    AppContext context(defaultDataFolder(), prompter);
    MainWindow window(context);
    window.startUp();
    return app.exec();
}
