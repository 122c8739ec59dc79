#include "app/mainwindow.h"
#include "app/widgetprompter.h"
#include "base/datafolder.h"
#include "engine/appcontext.h"

#include <QApplication>
#include <QFontDatabase>

#include <csignal>

namespace {

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
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvane"));
    QApplication::setApplicationVersion(kVersionText);
    useProgramFont();

    WidgetPrompter prompter;
    AppContext context(defaultDataFolder(), prompter);
    MainWindow window(context);
    window.startUp();
    return app.exec();
}
