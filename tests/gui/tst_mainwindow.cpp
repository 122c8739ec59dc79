#include "app/mainwindow.h"
#include "engine/checkengine.h"
#include "listops/contextfixture.h"
#include "support/modalwindows.h"
#include "support/testmain.h"
#include "widgets/widgetunits.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLatin1String>
#include <QList>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>
#include <QWidget>

#include <memory>

class TestMainWindow : public QObject
{
    Q_OBJECT

    template <typename T> T *child(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }

    std::unique_ptr<ContextFixture> f;
    std::unique_ptr<MainWindow> m_window;
    QList<QUrl> m_opened;

private slots:
    void init()
    {
        f = std::make_unique<ContextFixture>();
        m_opened.clear();
        m_window = std::make_unique<MainWindow>(f->ctx, [this](const QUrl &url) { m_opened << url; });
    }

    void cleanup() // the prompter fails the test over an answer left unused
    {
        f->ctx.run.stopped = true;
        m_window.reset();
        f.reset();
    }

    void menusToolbarAndStatusPanels()
    {
        QStringList items; // menu by menu, separators as "-"
        for (const QAction *menu : m_window->menuBar()->actions()) {
            items << menu->text().remove(u'&') + u':';
            for (const QAction *a : menu->menu()->actions())
                items << (a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        QCOMPARE(items.join(u'|'), QStringLiteral("File:|Start|Stop|-|Quick Start Wizard|-|Exit|Tools:|"
                                                  "Config|-|Add domains|Manual WHOIS lookup|Save result|"
                                                  "Help:|Contents|Version history|-|About"));
        // Name, function key, "*" for a picture.
        const QStringList keys = QStringLiteral("Starts1 F2 *|Stops1 F3 *|qsw|Exit|Settings F4 *|"
                                                "Adddomains F5 *|manualwhois F6 *|saveresult F7 *|"
                                                "Contents F8 *|vhistory|About")
                                     .split(u'|');
        for (const QString &k : keys) {
            const QAction *a = m_window->action(k.section(u' ', 0, 0));
            QVERIFY2(a, qPrintable(k));
            const QStringList seen{a->objectName(), a->shortcut().toString(), a->icon().isNull() ? "" : "*"};
            QCOMPARE(seen.join(u' ').trimmed(), k);
        }
        // The seven buttons sit at the odd positions, each followed by a separator.
        QStringList buttons;
        for (const QAction *a : child<QToolBar>("toolBar")->actions())
            buttons << (a->isSeparator() ? QStringLiteral("-") : a->icon().isNull() ? "" : a->text());
        QCOMPARE(buttons.join(u'|'), QStringLiteral("Add|-|Start|-|Stop|-|WHOIS|-|Export|-|Config|-|Help|-"));
        QStringList panels;
        for (int i = 1; i <= 5; ++i)
            panels << child<QLabel>(qPrintable(QStringLiteral("panel%1").arg(i)))->text();
        QCOMPARE(panels.join(u'|'), QStringLiteral("0 domains|0 free|0 taken|0 unchecked/errors|"));
        QTreeView *list = m_window->listView();
        QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(list->columnWidth(0), 470); // 7056 twips

        m_window->action(QStringLiteral("Contents"))->trigger();
        m_window->action(QStringLiteral("toolHelp"))->trigger();
        QCOMPARE(m_opened, (QList<QUrl>{QUrl(kSupportUrl), QUrl(kSupportUrl)}));
    }

    void optionBoxes()
    {
        // Every list starts 1,2,...,10; the start value follows the rest of the list.
        const char *const boxes[][2] = {
            {"connections2", "15,20,25,30,35,40,45,50,60,70,80,90,100,200,300,400,500 20"},
            {"timeoutsecs2", "15,20,25,30,35,40,45,50,60 10"},
            {"retrytimes2", "15,20 2"},
            {"expiredays2", "11,12,13,14,20,25,30,40,50,60,70,80,90,100,200,300,365 30"},
        };
        for (const auto &[name, choices] : boxes) {
            const QComboBox *box = child<QComboBox>(name);
            QStringList seen;
            for (int i = 0; i < box->count(); ++i)
                seen << box->itemText(i);
            QVERIFY(box->isEditable());
            QCOMPARE(seen.join(u',') + u' ' + box->itemText(box->currentIndex()),
                     QStringLiteral("1,2,3,4,5,6,7,8,9,10,") + choices);
        }
        QVERIFY(child<QCheckBox>("retry2")->isChecked());
        QVERIFY(!child<QCheckBox>("checksel2")->isChecked());

        // The boxes are the options, both ways: typed text goes in as typed, a run's corrections come back.
        child<QComboBox>("connections2")->setEditText(QStringLiteral("abc"));
        child<QComboBox>("timeoutsecs2")->setCurrentIndex(18);
        child<QCheckBox>("checksel2")->setChecked(true);
        const ProgramOptions &o = f->ctx.options;
        QCOMPARE(o.connections, QStringLiteral("abc"));
        QCOMPARE(o.timeoutSecs, QStringLiteral("60"));
        QVERIFY(o.checkSelected);
        f->ctx.options.connections = QStringLiteral("500");
        f->ctx.options.retry = false;
        m_window->optionsChanged();
        QCOMPARE(child<QComboBox>("connections2")->currentIndex(), 26);
        QVERIFY(!child<QCheckBox>("retry2")->isChecked());
    }

    void resizeAndCloseDuringARun()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->resize(300, 200);
        QCOMPARE(m_window->size(), QSize(734, 468)); // 11000 x 7020 twips, rounded up to whole pixels
        m_window->resize(900, 600);
        QCOMPARE(m_window->listView()->width(), 900 - 24);
        QCOMPARE(child<QFrame>("workingPanel")->geometry(), m_window->listView()->geometry());

        const RunSession &session = m_window->engine().session();
        m_window->resize(950, 600);
        QCOMPARE(session.progressUnit, 0); // idle: left alone
        f->ctx.run.stopped = false;
        const int frameBefore = m_window->progressFrameWidth();
        m_window->resize(1000, 600);
        QCOMPARE(session.progressUnit, roundHalfEven(frameBefore / 100.0));
        QVERIFY(m_window->progressFrameWidth() > frameBefore);

        QVERIFY(!m_window->close());                         // while a run goes on
        m_window->action(QStringLiteral("Exit"))->trigger(); // takes the same way
        QVERIFY(m_window->isVisible());
        QVERIFY(!f->folder.exists(QStringLiteral("settings.ini")));
        QCOMPARE(f->prompter.count(ScriptedPrompter::Kind::Warn), 2);
        QCOMPARE(f->prompter.lastText(), QStringLiteral("You must stop the program before you exit."));
    }

    void closeSavesSettingsAndStartUpLoadsThem()
    {
        m_window->show();
        child<QComboBox>("connections2")->setEditText(QStringLiteral("45"));
        child<QCheckBox>("checksel2")->setChecked(true);
        QWidget other;
        other.show();
        QVERIFY(m_window->close());
        QVERIFY(!other.isVisible()); // every window closes with the main one
        QVERIFY(f->prompter.log().isEmpty());

        ScriptedPrompter prompter;
        AppContext next(f->folder.path(), prompter);
        MainWindow window(next, [](const QUrl &) {});
        // The wizard was not switched off, so it opens over the loaded window.
        QCOMPARE(captionOfModalOpenedBy([&] { window.startUp(); }), QStringLiteral("Quick Start Wizard"));
        QVERIFY(window.isVisible());
        QVERIFY(next.run.stopped);
        QVERIFY(prompter.log().isEmpty());
        QCOMPARE(window.windowTitle(), QStringLiteral("Quorvane v1.01"));
        QCOMPARE(window.findChild<QComboBox *>(QStringLiteral("connections2"))->currentText(),
                 QStringLiteral("45"));
        QVERIFY(window.findChild<QCheckBox *>(QStringLiteral("checksel2"))->isChecked());
    }

    void closingTheConfigWindowMakesNewTldsKnownToNamesAddedLater()
    {
        f->ctx.config.table.AddTldEntry(QStringLiteral("ab.cd"), QStringLiteral("whois.cd"), {});
        QCOMPARE(captionOfModalOpenedBy([&] { m_window->action(QStringLiteral("Settings"))->trigger(); }),
                 QStringLiteral("Config"));
        QCOMPARE(f->ctx.run.suffixes.getext(QStringLiteral("name.ab.cd")), QStringLiteral("ab.cd"));
    }

    void runModeLocksExactlyTheListedCommands()
    {
        // mwl is the lookup item of the list's context menu; it is found by name.
        const QStringList locked =
            QStringLiteral("toolAdd toolStart toolWhois toolExport toolConfig Starts1 Adddomains "
                           "manualwhois saveresult mwl Settings vhistory qsw")
                .split(u' ');
        const QStringList free{"toolStop", "toolHelp", "Stops1", "Exit", "Contents", "About"};
        QWidget *busy[] = {child<QFrame>("progressFrame"), child<QFrame>("workingPanel")};
        for (bool on : {true, false}) {
            on ? m_window->runModeOn() : m_window->runModeOff();
            for (const QString &n : locked + free)
                QVERIFY2(m_window->action(n)->isEnabled() == (!on || free.contains(n)), qPrintable(n));
            QCOMPARE(busy[0]->isHidden(), !on);
            QCOMPARE(busy[1]->isHidden(), !on);
            QCOMPARE(m_window->listView()->isHidden(), on);
        }
    }

    void commandsOpenTheirWindows()
    {
        m_window->show();
        const char *const rows[][2] = {// "": the program has no such window yet
                                       {"About", "About this program..."},
                                       {"vhistory", "Version history"},
                                       {"Adddomains", "Add domains"},
                                       {"toolAdd", "Add domains"},
                                       {"manualwhois", "Manual Whois Lookup"},
                                       {"toolWhois", "Manual Whois Lookup"},
                                       {"Settings", "Config"},
                                       {"toolConfig", "Config"},
                                       {"saveresult", "Save result"},
                                       {"toolExport", "Save result"},
                                       {"qsw", "Quick Start Wizard"}};
        for (const auto &[name, caption] : rows)
            QVERIFY2(captionOfModalOpenedBy([&] { m_window->action(name)->trigger(); }) == caption, name);
        QVERIFY(f->prompter.log().isEmpty());
        QVERIFY(m_opened.isEmpty());
    }
};

QV_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
