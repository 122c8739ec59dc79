#include "engine/checkengine.h"
#include "support/loopbackwhoisserver.h"
#include "support/windowfixture.h"
#include "wizard/quickstart.h"
#include "wizard/quickstartwizardwindow.h"

using Page = QuickStartWizardWindow::Page;

class TestQuickStartWizard : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture<QuickStartWizardWindow>> f;
    int m_sourcesOpened = 0;
    QStringList m_runs; // the options each started run saw: "connections/timeout/expire/retry/selected"

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture<QuickStartWizardWindow>>();
        m_sourcesOpened = 0;
        m_runs.clear();
        f->open(
            f->ctx,
            [this] {
                ++m_sourcesOpened;
                QVERIFY(f->ctx.wizardMode);
                f->ctx.list.addRow(DomainRow{{u"one.com"_s}});
            },
            [this] {
                const ProgramOptions &o = f->ctx.options;
                QVERIFY(!f->ctx.wizardMode);
                m_runs << QStringList{o.connections, o.timeoutSecs, o.expireDays, QString::number(o.retry),
                                      QString::number(o.checkSelected)}
                              .join(u'/');
            });
    }

    void cleanup()
    {
        f->window.reset();
        QVERIFY(!f->ctx.wizardMode);
        f.reset(); // the prompter fails the test over an answer left unused
    }

    void pagesAndNavigation()
    {
        f->click("dontShowCheck"); // the box is the setting
        QVERIFY(f->ctx.options.hideWizard);
        QVERIFY(!f->ctx.wizardMode);
        f->window->show();
        QVERIFY(f->ctx.wizardMode);
        f->click("nextButton");

        // An empty list keeps the wizard on step 1 until names are added.
        f->click("nextButton");
        QCOMPARE(f->prompter.lastText(),
                 u"You must add at least one domain before you can go to the next step!"_s);
        QCOMPARE(f->window->page(), Page::Step1);
        f->click("addDomainsButton");
        QCOMPARE(m_sourcesOpened, 1);
        f->click("nextButton");
        f->click("nextButton");
        QCOMPARE(f->window->page(), Page::Finish);
        QCOMPARE(
            f->window->summaryText(),
            QStringLiteral("The program will now begin to check 1 domains.\r\n\r\nYou have selected that "
                           "you are on a medium (512 Kbps) connection.\r\n\r\nIf everything looks ok, click "
                           "'Finish' to start."));

        for (int i = 0; i < 2; ++i)
            f->click("backButton");
        QCOMPARE(f->window->page(), Page::Step1);

        f->click("closeButton");
        QVERIFY(!f->window->isVisible());
        QVERIFY(!f->ctx.wizardMode);
        QVERIFY(m_runs.isEmpty());
    }

    void finishAppliesTheSpeedAndStartsARun_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<QString>("run");
        QTest::newRow("default medium") << -1 << "25/10/30/1/0";
        QTest::newRow("very slow") << 0 << "5/20/30/1/0";
        QTest::newRow("very fast") << 4 << "100/10/30/1/0";
    }
    void finishAppliesTheSpeedAndStartsARun()
    {
        QFETCH(int, speed);
        QFETCH(QString, run);
        ProgramOptions &o = f->ctx.options;
        o.retry = false;
        o.checkSelected = true;
        o.expireDays = u"90"_s;
        o.retryTimes = u"7"_s;
        f->ctx.list.addRow(DomainRow{{u"a.com"_s}});
        f->window->show();
        for (int i = 0; i < 2; ++i)
            f->window->next();
        if (speed >= 0)
            f->click(qPrintable(u"speed%1"_s.arg(speed)));
        f->window->next();
        QCOMPARE(f->find<QPushButton>("nextButton")->text(), u"&Finish"_s);
        f->window->next();
        QCOMPARE(m_runs, QStringList{run});
        QCOMPARE(o.retryTimes, u"7"_s); // the retry count stays
        QCOMPARE(f->window->result(), int(QDialog::Accepted));
    }

    // Finishing the wizard the main window opened starts the window's own check run.
    void mainWindowRunsIt()
    {
        f->window.reset();
        MainWindow window(f->ctx, [](const QUrl &) {});
        f->ctx.options.hideWizard = true;
        window.startUp();
        LoopbackWhoisServer server;
        server.setDefault(LoopbackWhoisServer::Reply::text("No match for \"NAME.TEST\".\r\n"));
        f->ctx.config.table.clear();
        f->ctx.config.table.AddTldEntry(u"test"_s, server.address(), QString());
        f->ctx.list.addRow(DomainRow{{u"name.test"_s}});
        f->prompter.queueAnswer(true); // "Are you ready to start?"
        whileOpen([&] { window.action(u"qsw"_s)->trigger(); },
                  [](QWidget *w) {
                      auto *wizard = qobject_cast<QuickStartWizardWindow *>(w);
                      for (int i = 0; wizard && i < 4; ++i)
                          wizard->next();
                  });
        QVERIFY(window.engine().running());
        // The main window's boxes show what the wizard set.
        QCOMPARE(window.findChild<QComboBox *>(u"connections2"_s)->currentText(), u"25"_s);
        QTRY_VERIFY(f->prompter.texts().contains(u"The program is done!"_s));
    }
};

QV_TEST_MAIN(TestQuickStartWizard)
#include "tst_quickstartwizard.moc"
