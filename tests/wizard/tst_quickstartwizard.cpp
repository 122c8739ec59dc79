#include "wizard/quickstartwizardwindow.h"

#include "app/mainwindow.h"
#include "engine/appcontext.h"
#include "engine/checkengine.h"
#include "support/loopbackwhoisserver.h"
#include "support/modalwindows.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"
#include "support/testmain.h"
#include "wizard/quickstart.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDialog>
#include <QLatin1String>
#include <QObject>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <memory>

using Page = QuickStartWizardWindow::Page;

namespace {

QString colourAndWeight(const QWidget *w)
{
    const QColor c = w->palette().color(QPalette::WindowText);
    return QStringLiteral("%1,%2,%3%4")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(w->font().bold() ? "b" : "");
}

} // namespace

class TestQuickStartWizard : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<QuickStartWizardWindow> m_wizard;
    int m_sourcesOpened = 0;
    QStringList m_runs; // the options each started run saw: "connections/timeout/expire/retry/selected"

    template <typename T> T *child(const char *name) const
    {
        T *found = m_wizard->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    void click(const char *button) { child<QAbstractButton>(button)->click(); }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_context = std::make_unique<AppContext>(m_folder->path(), *m_prompter);
        m_sourcesOpened = 0;
        m_runs.clear();
        m_wizard = std::make_unique<QuickStartWizardWindow>(
            *m_context,
            [this] {
                ++m_sourcesOpened;
                QVERIFY(m_context->wizardMode);
                m_context->list.addRow(DomainRow{{QStringLiteral("one.com")}});
            },
            [this] {
                const ProgramOptions &o = m_context->options;
                QVERIFY(!m_context->wizardMode);
                m_runs << QStringList{o.connections, o.timeoutSecs, o.expireDays, QString::number(o.retry),
                                      QString::number(o.checkSelected)}
                              .join(u'/');
            });
    }

    void cleanup()
    {
        QVERIFY(m_prompter->allAnswersUsed());
        m_wizard.reset();
        QVERIFY(!m_context->wizardMode);
        m_context.reset();
    }

    void pagesAndNavigation()
    {
        QVERIFY(!m_context->wizardMode);
        m_wizard->show();
        QVERIFY(m_context->wizardMode);
        auto *back = child<QPushButton>("backButton");
        QVERIFY(!back->isEnabled());
        click("nextButton");
        QCOMPARE(m_wizard->page(), Page::Step1);
        QVERIFY(back->isEnabled());

        // An empty list keeps the wizard on step 1 until names are added.
        click("nextButton");
        QCOMPARE(m_prompter->lastText(),
                 QStringLiteral("You must add at least one domain before you can go to the next step!"));
        QCOMPARE(m_wizard->page(), Page::Step1);
        click("addDomainsButton");
        QCOMPARE(m_sourcesOpened, 1);
        click("nextButton");
        click("nextButton");
        QCOMPARE(m_wizard->page(), Page::Finish);
        QCOMPARE(
            m_wizard->summaryText(),
            QStringLiteral("The program will now begin to check 1 domains.\r\n\r\nYou have selected that "
                           "you are on a medium (512 Kbps) connection.\r\n\r\nIf everything looks ok, click "
                           "'Finish' to start."));
        QCOMPARE(child<QPlainTextEdit>("summaryBox")->toPlainText(),
                 QString(m_wizard->summaryText()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

        // Back from the summary, another speed, and the summary follows.
        click("backButton");
        QCOMPARE(child<QPushButton>("nextButton")->text(), QStringLiteral("&Next >"));
        click("speed4");
        click("nextButton");
        QVERIFY(m_wizard->summaryText().contains(QStringLiteral("on a very fast (10 Mbps) connection.")));
        click("backButton");
        click("backButton");
        click("backButton");
        QCOMPARE(m_wizard->page(), Page::Intro);

        click("closeButton");
        QVERIFY(!m_wizard->isVisible());
        QVERIFY(!m_context->wizardMode);
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
        ProgramOptions &o = m_context->options;
        o.retry = false;
        o.checkSelected = true;
        o.expireDays = QStringLiteral("90");
        o.retryTimes = QStringLiteral("7");
        m_context->list.addRow(DomainRow{{QStringLiteral("a.com")}});
        m_wizard->show();
        for (int i = 0; i < 2; ++i)
            m_wizard->next();
        if (speed >= 0)
            click(qPrintable(QStringLiteral("speed%1").arg(speed)));
        // The chosen row is highlighted, the others greyed.
        for (int i = 0; i < 5; ++i) {
            for (const char *row : {"speed%1", "type%1"})
                QCOMPARE(colourAndWeight(child<QWidget>(qPrintable(QString::fromLatin1(row).arg(i)))),
                         i == (speed < 0 ? 2 : speed) ? QStringLiteral("51,84,217b")
                                                      : QStringLiteral("127,127,127"));
        }
        m_wizard->next();
        QCOMPARE(child<QPushButton>("nextButton")->text(), QStringLiteral("&Finish"));
        m_wizard->next();
        QCOMPARE(m_runs, QStringList{run});
        QCOMPARE(o.retryTimes, QStringLiteral("7")); // the retry count stays
        QCOMPARE(m_wizard->result(), int(QDialog::Accepted));
    }

    void dontShowIsTheSetting()
    {
        QVERIFY(!child<QCheckBox>("dontShowCheck")->isChecked());
        click("dontShowCheck");
        QVERIFY(m_context->options.hideWizard);
        QuickStartWizardWindow second(*m_context, {}, {});
        QVERIFY(second.findChild<QCheckBox *>(QStringLiteral("dontShowCheck"))->isChecked());
    }

    // The main window opens the wizard at start-up and from the File menu;
    // finishing there starts the window's own check run.
    void mainWindowOpensAndRunsIt()
    {
        m_wizard.reset();
        MainWindow window(*m_context, [](const QUrl &) {});
        QString opened;
        onModal([&](QWidget *w) { opened = w->windowTitle(), w->close(); }, [&] { window.startUp(); });
        QCOMPARE(opened, QStringLiteral("Quick Start Wizard"));
        QVERIFY(!m_context->wizardMode);

        LoopbackWhoisServer server;
        server.setDefault(LoopbackWhoisServer::Reply::text("No match for \"NAME.TEST\".\r\n"));
        m_context->config.table.clear();
        m_context->config.table.AddTldEntry(QStringLiteral("test"), server.address(), QString());
        m_context->list.addRow(DomainRow{{QStringLiteral("name.test")}});
        m_prompter->queueAnswer(true); // "Are you ready to start?"
        onModal(
            [](QWidget *w) {
                auto *wizard = qobject_cast<QuickStartWizardWindow *>(w);
                for (int i = 0; wizard && i < 4; ++i)
                    wizard->next();
            },
            [&] { window.action(QStringLiteral("qsw"))->trigger(); });
        QVERIFY(window.engine().running());
        // The main window's boxes show what the wizard set.
        QCOMPARE(window.findChild<QComboBox *>(QStringLiteral("connections2"))->currentText(),
                 QStringLiteral("25"));
        QTRY_VERIFY(m_prompter->texts().contains(QStringLiteral("The program is done!")));
    }
};

QV_TEST_MAIN(TestQuickStartWizard)
#include "tst_quickstartwizard.moc"
