#include "app/appcontext.h"
#include "app/mainwindow.h"
#include "app/widgetunits.h"
#include "support/fakeclock.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

#include <memory>

namespace {

// Runs `trigger` and closes the modal window it opens; returns that window's
// caption, or an empty text when nothing opened.
QString captionOfModalOpenedBy(const std::function<void()> &trigger)
{
    QString caption;
    QTimer closer;
    closer.setInterval(0);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            caption = modal->windowTitle();
            closer.stop();
            modal->close();
        }
    });
    closer.start();
    trigger();
    closer.stop();
    return caption;
}

// The captions of a menu's items, separators written as "-".
QStringList itemCaptions(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startUpCaptionAndLoadedOptions();
    void menus();
    void toolbarOrderAndSeparators();
    void optionBoxesStartValues();
    void optionBoxesAreTheOptions();
    void statusPanelsAndList();
    void resizeKeepsMinimumAndFollowsWidth();
    void resizeDuringRunRecomputesProgressUnit();
    void closeRefusedDuringRun();
    void closeWhenIdleSavesSettings();
    void runModeSwitchesExactlyTheListedCommands();
    void startAndStopAreSignals();
    void commandsOpenTheirWindows_data();
    void commandsOpenTheirWindows();
    void supportPageGoesThroughTheOpener();

private:
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<FakeClock> m_clock;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<MainWindow> m_window;
    QList<QUrl> m_opened;

    template<typename T>
    T *child(const QString &name) const
    {
        T *found = m_window->findChild<T *>(name);
        if (!found)
            qWarning("no child %s", qPrintable(name));
        return found;
    }
};

void TestMainWindow::init()
{
    m_folder = std::make_unique<TempDataFolder>();
    m_prompter = std::make_unique<ScriptedPrompter>();
    m_clock = std::make_unique<FakeClock>();
    m_context = std::make_unique<AppContext>(m_folder->path(), *m_prompter, *m_clock);
    m_opened.clear();
    m_window = std::make_unique<MainWindow>(*m_context, [this](const QUrl &url) { m_opened << url; });
}

void TestMainWindow::cleanup()
{
    QVERIFY(m_prompter->allAnswersUsed());
    QCOMPARE(m_prompter->unansweredQuestions(), 0);
    m_context->run.stopped = true;
    m_window.reset();
    m_context.reset();
}

void TestMainWindow::startUpCaptionAndLoadedOptions()
{
    // What a previous session saved shows in the boxes of the next one.
    {
        ScriptedPrompter prompter;
        AppContext previous(m_folder->path(), prompter);
        previous.options.connections = QStringLiteral("35");
        previous.options.expireDays = QStringLiteral("33");
        previous.options.checkSelected = true;
        previous.options.hideWizard = true;
        QVERIFY(previous.saveConfiguration());
    }

    m_window->startUp();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Quorvane v1.01"));
    QVERIFY(m_window->isVisible());
    QVERIFY(m_context->run.stopped);
    QCOMPARE(m_context->list.size(), 0);
    QCOMPARE(child<QComboBox>("connections2")->currentText(), QStringLiteral("35"));
    QCOMPARE(child<QComboBox>("expiredays2")->currentText(), QStringLiteral("33"));
    QVERIFY(child<QCheckBox>("checksel2")->isChecked());
    QCOMPARE(m_context->run.suffixes.getext(QStringLiteral("example.co.uk")), QStringLiteral("co.uk"));
    QVERIFY(m_prompter->log().isEmpty());
}

void TestMainWindow::menus()
{
    QStringList titles;
    for (QAction *a : m_window->menuBar()->actions())
        titles << a->text().remove(u'&');
    QCOMPARE(titles, (QStringList{"File", "Tools", "Help"}));

    const QList<QAction *> top = m_window->menuBar()->actions();
    QCOMPARE(itemCaptions(top[0]->menu()),
             (QStringList{"Start", "Stop", "-", "Quick Start Wizard", "-", "Exit"}));
    QCOMPARE(itemCaptions(top[1]->menu()),
             (QStringList{"Config", "-", "Add domains", "Manual WHOIS lookup", "Save result"}));
    QCOMPARE(itemCaptions(top[2]->menu()), (QStringList{"Contents", "Version history", "-", "About"}));

    struct Item {
        const char *name;
        const char *caption;
        const char *key;
        bool picture;
    };
    const Item items[] = {
        {"Starts1", "Start", "F2", true},        {"Stops1", "Stop", "F3", true},
        {"qsw", "Quick Start Wizard", "", false}, {"Exit", "Exit", "", false},
        {"Settings", "Config", "F4", true},       {"Adddomains", "Add domains", "F5", true},
        {"manualwhois", "Manual WHOIS lookup", "F6", true}, {"saveresult", "Save result", "F7", true},
        {"Contents", "Contents", "F8", true},     {"vhistory", "Version history", "", false},
        {"About", "About", "", false},
    };
    for (const Item &item : items) {
        QAction *a = m_window->action(QLatin1String(item.name));
        QVERIFY2(a, item.name);
        QCOMPARE(a->objectName(), QLatin1String(item.name));
        QCOMPARE(a->text(), QLatin1String(item.caption));
        QCOMPARE(a->shortcut().toString(), QLatin1String(item.key));
        QCOMPARE(!a->icon().isNull(), item.picture);
    }
}

void TestMainWindow::toolbarOrderAndSeparators()
{
    const QList<QAction *> buttons = child<QToolBar>("toolBar")->actions();
    QCOMPARE(buttons.size(), 14);
    const QStringList captions{"Add", "Start", "Stop", "WHOIS", "Export", "Config", "Help"};
    for (int i = 0; i < buttons.size(); ++i) {
        // Positions count from 1: the buttons sit at the odd ones, each followed by a separator.
        const int position = i + 1;
        if (position % 2 == 1) {
            QCOMPARE(buttons[i]->text(), captions[i / 2]);
            QVERIFY(!buttons[i]->icon().isNull());
        } else {
            QVERIFY(buttons[i]->isSeparator());
        }
    }
}

void TestMainWindow::optionBoxesStartValues()
{
    auto choices = [](const QComboBox *box) {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out.join(u',');
    };
    struct Box {
        const char *name;
        const char *choices;
        const char *start;
        int startIndex;
    };
    const Box boxes[] = {
        {"connections2", "1,2,3,4,5,6,7,8,9,10,15,20,25,30,35,40,45,50,60,70,80,90,100,200,300,400,500", "20", 11},
        {"timeoutsecs2", "1,2,3,4,5,6,7,8,9,10,15,20,25,30,35,40,45,50,60", "10", 9},
        {"retrytimes2", "1,2,3,4,5,6,7,8,9,10,15,20", "2", 1},
        {"expiredays2", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,20,25,30,40,50,60,70,80,90,100,200,300,365", "30", 16},
    };
    for (const Box &b : boxes) {
        const QComboBox *box = child<QComboBox>(QLatin1String(b.name));
        QVERIFY2(box, b.name);
        QVERIFY(box->isEditable());
        QCOMPARE(choices(box), QLatin1String(b.choices));
        QCOMPARE(box->currentText(), QLatin1String(b.start));
        QCOMPARE(box->currentIndex(), b.startIndex);
        QVERIFY(!box->accessibleName().isEmpty());
    }
    QVERIFY(child<QCheckBox>("retry2")->isChecked());
    QCOMPARE(child<QCheckBox>("retry2")->text(), QStringLiteral("Retry failed attempts"));
    QVERIFY(!child<QCheckBox>("checksel2")->isChecked());
    QCOMPARE(child<QCheckBox>("checksel2")->text(), QStringLiteral("Check selected domains only"));
    QCOMPARE(child<QCheckBox>("checksel2")->toolTip(), kCheckSelectedToolTip);

    QStringList labels;
    for (const QLabel *l : m_window->centralWidget()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        labels << l->text();
    for (const char *text : {"Connection threads", "times", "Connection timeout", "seconds",
                             "Mark domains that will expire in", "days or less in blue",
                             "(Hold CTRL or SHIFT to select multiple domains)",
                             "For more options, right-click on the list when you have added at least one domain"})
        QVERIFY2(labels.contains(QLatin1String(text)), text);
}

void TestMainWindow::optionBoxesAreTheOptions()
{
    auto *connections = child<QComboBox>("connections2");
    connections->setEditText(QStringLiteral("abc"));
    QCOMPARE(m_context->options.connections, QStringLiteral("abc"));
    child<QComboBox>("timeoutsecs2")->setCurrentIndex(18);
    QCOMPARE(m_context->options.timeoutSecs, QStringLiteral("60"));
    child<QCheckBox>("checksel2")->setChecked(true);
    QVERIFY(m_context->options.checkSelected);
    child<QCheckBox>("retry2")->setChecked(false);
    QVERIFY(!m_context->options.retry);

    // A run corrects the values and hands them back.
    m_context->options.connections = QStringLiteral("500");
    m_context->options.retryTimes = QStringLiteral("10");
    m_context->options.retry = true;
    m_window->optionsChanged();
    QCOMPARE(connections->currentText(), QStringLiteral("500"));
    QCOMPARE(connections->currentIndex(), 26);
    QCOMPARE(child<QComboBox>("retrytimes2")->currentText(), QStringLiteral("10"));
    QVERIFY(child<QCheckBox>("retry2")->isChecked());
    QCOMPARE(m_context->options.connections, QStringLiteral("500"));
}

void TestMainWindow::statusPanelsAndList()
{
    const QStringList starts{"0 domains", "0 free", "0 taken", "0 unchecked/errors", ""};
    for (int i = 0; i < starts.size(); ++i)
        QCOMPARE(child<QLabel>(QStringLiteral("panel%1").arg(i + 1))->text(), starts[i]);

    QTreeView *list = m_window->listView();
    QCOMPARE(list->model(), &m_context->list);
    QCOMPARE(list->selectionModel(), m_context->list.selectionModel());
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(list->uniformRowHeights());
    QVERIFY(!list->rootIsDecorated());
    QVERIFY(!list->isSortingEnabled());
    QCOMPARE(list->header()->count(), 7);
    QCOMPARE(list->columnWidth(0), 470); // 7056 twips
}

void TestMainWindow::resizeKeepsMinimumAndFollowsWidth()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->resize(300, 200);
    QCOMPARE(m_window->size(), QSize(734, 468)); // 11000 x 7020 twips, rounded up to whole pixels

    m_window->resize(900, 600);
    QCOMPARE(m_window->size(), QSize(900, 600));
    QCOMPARE(m_window->listView()->width(), 900 - 24);
    QCOMPARE(child<QFrame>("workingPanel")->geometry(), m_window->listView()->geometry());
}

void TestMainWindow::resizeDuringRunRecomputesProgressUnit()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->resize(800, 560);
    m_context->run.progressUnit = -1;
    m_window->resize(900, 560);
    QCOMPARE(m_context->run.progressUnit, -1); // idle: left alone

    m_context->run.stopped = false;
    const int frameBefore = m_window->progressFrameWidth();
    m_window->resize(1000, 560);
    QCOMPARE(m_context->run.progressUnit, roundHalfEven(frameBefore / 100.0));
    QVERIFY(m_window->progressFrameWidth() > frameBefore);
}

void TestMainWindow::closeRefusedDuringRun()
{
    m_window->show();
    m_context->run.stopped = false;
    QVERIFY(!m_window->close());
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_prompter->log().size(), 1);
    QCOMPARE(m_prompter->log().first().kind, ScriptedPrompter::Kind::Warn);
    QCOMPARE(m_prompter->lastText(), QStringLiteral("You must stop the program before you exit."));
    QVERIFY(!m_folder->exists(QStringLiteral("settings.ini")));

    // "Exit" takes the same way.
    m_window->action(QStringLiteral("Exit"))->trigger();
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_prompter->log().size(), 2);
}

void TestMainWindow::closeWhenIdleSavesSettings()
{
    m_window->show();
    child<QComboBox>("connections2")->setEditText(QStringLiteral("45"));
    QWidget other;
    other.show();
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
    QVERIFY(!other.isVisible());
    QVERIFY(m_prompter->log().isEmpty());
    QVERIFY(m_folder->exists(QStringLiteral("settings.ini")));

    ScriptedPrompter prompter;
    AppContext next(m_folder->path(), prompter);
    next.loadConfiguration();
    QCOMPARE(next.options.connections, QStringLiteral("45"));
}

void TestMainWindow::runModeSwitchesExactlyTheListedCommands()
{
    // The list's context menu brings its own lookup item; it is found by name.
    auto *contextLookup = new QAction(QStringLiteral("Show Whois lookup response"), m_window.get());
    contextLookup->setObjectName(QStringLiteral("mwl"));

    const QStringList locked{"toolAdd",  "toolStart", "toolWhois", "toolExport",  "toolConfig",
                             "Starts1",  "Adddomains", "manualwhois", "saveresult", "mwl",
                             "Settings", "vhistory",  "qsw"};
    const QStringList free{"toolStop", "toolHelp", "Stops1", "Exit", "Contents", "About"};
    auto *progress = child<QFrame>("progressFrame");
    auto *panel = child<QFrame>("workingPanel");

    QVERIFY(progress->isHidden());
    QVERIFY(panel->isHidden());
    m_context->run.selectedOnly = true;
    m_window->runModeOn();
    for (const QString &name : locked)
        QVERIFY2(!m_window->action(name)->isEnabled(), qPrintable(name));
    for (const QString &name : free)
        QVERIFY2(m_window->action(name)->isEnabled(), qPrintable(name));
    QVERIFY(!progress->isHidden());
    QVERIFY(!panel->isHidden());
    QVERIFY(m_window->listView()->isHidden());
    QVERIFY(m_context->run.selectedOnly);

    m_window->runModeOff();
    for (const QString &name : locked + free)
        QVERIFY2(m_window->action(name)->isEnabled(), qPrintable(name));
    QVERIFY(progress->isHidden());
    QVERIFY(panel->isHidden());
    QVERIFY(!m_window->listView()->isHidden());
    QVERIFY(!m_context->run.selectedOnly);
}

void TestMainWindow::startAndStopAreSignals()
{
    QSignalSpy starts(m_window.get(), &MainWindow::startRequested);
    QSignalSpy stops(m_window.get(), &MainWindow::stopRequested);
    m_window->action(QStringLiteral("Starts1"))->trigger();
    m_window->action(QStringLiteral("toolStart"))->trigger();
    m_window->action(QStringLiteral("Stops1"))->trigger();
    m_window->action(QStringLiteral("toolStop"))->trigger();
    QCOMPARE(starts.count(), 2);
    QCOMPARE(stops.count(), 2);
}

void TestMainWindow::commandsOpenTheirWindows_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("About") << "About" << "About this program...";
    QTest::newRow("vhistory") << "vhistory" << "Version history";
    QTest::newRow("Adddomains") << "Adddomains" << "Add domains manually";
    QTest::newRow("toolAdd") << "toolAdd" << "Add domains manually";
    QTest::newRow("manualwhois") << "manualwhois" << "Manual Whois Lookup";
    QTest::newRow("toolWhois") << "toolWhois" << "Manual Whois Lookup";
    // Windows the program does not have yet: the commands open nothing.
    QTest::newRow("Settings") << "Settings" << "";
    QTest::newRow("toolConfig") << "toolConfig" << "";
    QTest::newRow("saveresult") << "saveresult" << "";
    QTest::newRow("toolExport") << "toolExport" << "";
    QTest::newRow("qsw") << "qsw" << "";
}

void TestMainWindow::commandsOpenTheirWindows()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    m_window->show();
    QCOMPARE(captionOfModalOpenedBy([&] { m_window->action(name)->trigger(); }), caption);
    QVERIFY(m_prompter->log().isEmpty());
    QVERIFY(m_opened.isEmpty());
}

void TestMainWindow::supportPageGoesThroughTheOpener()
{
    m_window->action(QStringLiteral("Contents"))->trigger();
    m_window->action(QStringLiteral("toolHelp"))->trigger();
    QCOMPARE(m_opened, (QList<QUrl>{QUrl(kSupportUrl), QUrl(kSupportUrl)}));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
