#include "app/appcontext.h"
#include "app/mainwindow.h"
#include "app/widgetunits.h"
#include "support/fakeclock.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QtTest>
#include <QtWidgets>

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
    return caption;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void menusAndToolbar();
    void optionBoxes();
    void statusPanelsAndList();
    void resizeKeepsMinimumAndRecomputesProgressUnitDuringARun();
    void closeRefusedDuringRun();
    void closeSavesSettingsAndStartUpLoadsThem();
    void runModeLocksExactlyTheListedCommands();
    void commandsOpenTheirWindows_data();
    void commandsOpenTheirWindows();

private:
    template<typename T>
    T *child(const char *name) const { return m_window->findChild<T *>(QLatin1String(name)); }

    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<FakeClock> m_clock;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<MainWindow> m_window;
    QList<QUrl> m_opened;
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

void TestMainWindow::menusAndToolbar()
{
    QStringList items; // menu by menu, separators as "-"
    for (const QAction *menu : m_window->menuBar()->actions()) {
        items << menu->text().remove(u'&') + u':';
        for (const QAction *a : menu->menu()->actions())
            items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    QCOMPARE(items.join(u'|'), QStringLiteral("File:|Start|Stop|-|Quick Start Wizard|-|Exit|"
                                              "Tools:|Config|-|Add domains|Manual WHOIS lookup|Save result|"
                                              "Help:|Contents|Version history|-|About"));
    // Name, function key, "*" for a picture.
    const QStringList keys{"Starts1 F2 *",     "Stops1 F3 *",     "qsw",           "Exit",
                           "Settings F4 *",    "Adddomains F5 *", "manualwhois F6 *", "saveresult F7 *",
                           "Contents F8 *",    "vhistory",        "About"};
    for (const QString &k : keys) {
        const QString name = k.section(u' ', 0, 0);
        QAction *a = m_window->action(name);
        QVERIFY2(a && a->objectName() == name, qPrintable(k));
        const QStringList seen{name, a->shortcut().toString(), a->icon().isNull() ? "" : "*"};
        QCOMPARE(seen.join(u' ').trimmed(), k);
    }
    // The seven buttons sit at the odd positions, each followed by a separator.
    QStringList buttons;
    for (const QAction *a : child<QToolBar>("toolBar")->actions())
        buttons << (a->isSeparator() ? QStringLiteral("-") : a->icon().isNull() ? "" : a->text());
    QCOMPARE(buttons.join(u'|'), QStringLiteral("Add|-|Start|-|Stop|-|WHOIS|-|Export|-|Config|-|Help|-"));

    m_window->action(QStringLiteral("Contents"))->trigger();
    m_window->action(QStringLiteral("toolHelp"))->trigger();
    QCOMPARE(m_opened, (QList<QUrl>{QUrl(kSupportUrl), QUrl(kSupportUrl)}));
}

void TestMainWindow::optionBoxes()
{
    const char *const boxes[][3] = {
        {"connections2", "1,2,3,4,5,6,7,8,9,10,15,20,25,30,35,40,45,50,60,70,80,90,100,200,300,400,500",
         "20"},
        {"timeoutsecs2", "1,2,3,4,5,6,7,8,9,10,15,20,25,30,35,40,45,50,60", "10"},
        {"retrytimes2", "1,2,3,4,5,6,7,8,9,10,15,20", "2"},
        {"expiredays2", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,20,25,30,40,50,60,70,80,90,100,200,300,365", "30"},
    };
    for (const auto &b : boxes) {
        const QComboBox *box = child<QComboBox>(b[0]);
        QStringList choices;
        for (int i = 0; i < box->count(); ++i)
            choices << box->itemText(i);
        QCOMPARE(choices.join(u','), QLatin1String(b[1]));
        QCOMPARE(box->itemText(box->currentIndex()), QLatin1String(b[2]));
        QVERIFY(box->isEditable() && !box->accessibleName().isEmpty());
    }
    QVERIFY(child<QCheckBox>("retry2")->isChecked());
    QCOMPARE(child<QCheckBox>("retry2")->text(), QStringLiteral("Retry failed attempts"));
    QVERIFY(!child<QCheckBox>("checksel2")->isChecked());
    QCOMPARE(child<QCheckBox>("checksel2")->text(), QStringLiteral("Check selected domains only"));
    QCOMPARE(child<QCheckBox>("checksel2")->toolTip(), kCheckSelectedToolTip);
    QStringList labels;
    for (const QLabel *l : m_window->centralWidget()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        labels << l->text();
    for (const char *text :
         {"Connection threads", "times", "Connection timeout", "seconds", "Mark domains that will expire in",
          "days or less in blue", "(Hold CTRL or SHIFT to select multiple domains)",
          "For more options, right-click on the list when you have added at least one domain"})
        QVERIFY2(labels.contains(QLatin1String(text)), text);

    // The boxes are the options, both ways: typed text goes in as typed, a
    // run's corrections come back.
    child<QComboBox>("connections2")->setEditText(QStringLiteral("abc"));
    QCOMPARE(m_context->options.connections, QStringLiteral("abc"));
    child<QComboBox>("timeoutsecs2")->setCurrentIndex(18);
    QCOMPARE(m_context->options.timeoutSecs, QStringLiteral("60"));
    child<QCheckBox>("checksel2")->setChecked(true);
    QVERIFY(m_context->options.checkSelected);
    m_context->options.connections = QStringLiteral("500");
    m_context->options.retry = false;
    m_window->optionsChanged();
    QCOMPARE(child<QComboBox>("connections2")->currentIndex(), 26);
    QVERIFY(!child<QCheckBox>("retry2")->isChecked());
}

void TestMainWindow::statusPanelsAndList()
{
    const QStringList starts{"0 domains", "0 free", "0 taken", "0 unchecked/errors", ""};
    for (int i = 0; i < starts.size(); ++i)
        QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("panel%1").arg(i + 1))->text(), starts[i]);
    QTreeView *list = m_window->listView();
    QCOMPARE(list->model(), &m_context->list);
    QCOMPARE(list->selectionModel(), m_context->list.selectionModel());
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(list->uniformRowHeights() && !list->rootIsDecorated() && !list->isSortingEnabled());
    QCOMPARE(list->header()->count(), 7);
    QCOMPARE(list->columnWidth(0), 470); // 7056 twips
}

void TestMainWindow::resizeKeepsMinimumAndRecomputesProgressUnitDuringARun()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->resize(300, 200);
    QCOMPARE(m_window->size(), QSize(734, 468)); // 11000 x 7020 twips, rounded up to whole pixels
    m_window->resize(900, 600);
    QCOMPARE(m_window->listView()->width(), 900 - 24);
    QCOMPARE(child<QFrame>("workingPanel")->geometry(), m_window->listView()->geometry());

    m_context->run.progressUnit = -1;
    m_window->resize(950, 600);
    QCOMPARE(m_context->run.progressUnit, -1); // idle: left alone
    m_context->run.stopped = false;
    const int frameBefore = m_window->progressFrameWidth();
    m_window->resize(1000, 600);
    QCOMPARE(m_context->run.progressUnit, roundHalfEven(frameBefore / 100.0));
    QVERIFY(m_window->progressFrameWidth() > frameBefore);
}

void TestMainWindow::closeRefusedDuringRun()
{
    m_window->show();
    m_context->run.stopped = false;
    QVERIFY(!m_window->close());
    m_window->action(QStringLiteral("Exit"))->trigger(); // takes the same way
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_prompter->count(ScriptedPrompter::Kind::Warn), 2);
    QCOMPARE(m_prompter->lastText(), QStringLiteral("You must stop the program before you exit."));
    QVERIFY(!m_folder->exists(QStringLiteral("settings.ini")));
}

void TestMainWindow::closeSavesSettingsAndStartUpLoadsThem()
{
    m_window->show();
    child<QComboBox>("connections2")->setEditText(QStringLiteral("45"));
    child<QCheckBox>("checksel2")->setChecked(true);
    QWidget other;
    other.show();
    QVERIFY(m_window->close());
    QVERIFY(!other.isVisible()); // every window closes with the main one
    QVERIFY(m_prompter->log().isEmpty());

    ScriptedPrompter prompter;
    AppContext next(m_folder->path(), prompter);
    MainWindow window(next, [](const QUrl &) {});
    window.startUp();
    QCOMPARE(window.windowTitle(), QStringLiteral("Quorvane v1.01"));
    QVERIFY(window.isVisible() && next.run.stopped);
    QCOMPARE(window.findChild<QComboBox *>(QStringLiteral("connections2"))->currentText(), "45");
    QVERIFY(window.findChild<QCheckBox *>(QStringLiteral("checksel2"))->isChecked());
    QCOMPARE(next.run.suffixes.getext(QStringLiteral("example.co.uk")), QStringLiteral("co.uk"));
    QVERIFY(prompter.log().isEmpty());
}

void TestMainWindow::runModeLocksExactlyTheListedCommands()
{
    // The list's context menu brings its own lookup item; it is found by name.
    (new QAction(m_window.get()))->setObjectName(QStringLiteral("mwl"));
    const QStringList locked{"toolAdd",     "toolStart",  "toolWhois", "toolExport", "toolConfig",
                             "Starts1",     "Adddomains", "manualwhois", "saveresult", "mwl",
                             "Settings",    "vhistory",   "qsw"};
    const QStringList free{"toolStop", "toolHelp", "Stops1", "Exit", "Contents", "About"};
    QWidget *busy[] = {child<QFrame>("progressFrame"), child<QFrame>("workingPanel")};
    m_context->run.selectedOnly = true;
    for (bool on : {true, false}) {
        on ? m_window->runModeOn() : m_window->runModeOff();
        for (const QString &name : locked + free)
            QVERIFY2(m_window->action(name)->isEnabled() == (!on || free.contains(name)), qPrintable(name));
        for (QWidget *w : busy)
            QCOMPARE(w->isHidden(), !on);
        QCOMPARE(m_window->listView()->isHidden(), on);
        QCOMPARE(m_context->run.selectedOnly, on); // a run's selected-only flag ends with it
    }
    QSignalSpy starts(m_window.get(), &MainWindow::startRequested);
    QSignalSpy stops(m_window.get(), &MainWindow::stopRequested);
    for (const char *name : {"Starts1", "toolStart", "Stops1", "toolStop"})
        m_window->action(QLatin1String(name))->trigger();
    QCOMPARE(starts.count(), 2);
    QCOMPARE(stops.count(), 2);
}

void TestMainWindow::commandsOpenTheirWindows_data()
{
    QTest::addColumn<QString>("caption"); // empty: the program has no such window yet
    const char *const rows[][2] = {
        {"About", "About this program..."},    {"vhistory", "Version history"},
        {"Adddomains", "Add domains manually"}, {"toolAdd", "Add domains manually"},
        {"manualwhois", "Manual Whois Lookup"}, {"toolWhois", "Manual Whois Lookup"},
        {"Settings", ""}, {"toolConfig", ""}, {"saveresult", ""}, {"toolExport", ""}, {"qsw", ""}};
    for (const auto &r : rows)
        QTest::newRow(r[0]) << QString::fromLatin1(r[1]);
}

void TestMainWindow::commandsOpenTheirWindows()
{
    QFETCH(QString, caption);
    m_window->show();
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    QCOMPARE(captionOfModalOpenedBy([&] { m_window->action(name)->trigger(); }), caption);
    QVERIFY(m_prompter->log().isEmpty() && m_opened.isEmpty());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
