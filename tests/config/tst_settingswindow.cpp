#include "config/dnssettings.h"
#include "config/rdapbootstrap.h"
#include "config/recognitionsetting.h"
#include "config/settingstexts.h"
#include "config/settingswindow.h"
#include "config/tldentrydialog.h"
#include "engine/appcontext.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"
#include "support/testmain.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLatin1String>
#include <QLineEdit>
#include <QMouseEvent>
#include <QObject>
#include <QPlainTextEdit>
#include <QPointF>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

using namespace settingstexts;
using Kind = ScriptedPrompter::Kind;
using namespace Qt::StringLiterals;

// The "Config" window over a small table (COM, ORG) and short response lists.
class TestSettingsWindow : public QObject
{
    Q_OBJECT

    struct Fixture {
        TempDataFolder folder;
        ScriptedPrompter prompter;
        AppContext context{folder.path(), prompter};
        std::unique_ptr<SettingsWindow> window;

        Fixture()
        {
            context.config.table.AddTldEntry(QStringLiteral("com"), QStringLiteral("whois.one, whois.two"),
                                             QStringLiteral("No Match"));
            context.config.table.AddTldEntry(QStringLiteral("org"), QStringLiteral("whois.org"), {});
            context.config.freeResponses = QStringList{QStringLiteral("not found")};
            context.config.errorResponses = QStringList{QStringLiteral("limit exceeded")};
            window =
                std::make_unique<SettingsWindow>(context.config, context.options, context.extra, prompter);
        }
        template <typename T> T *child(const QString &name) { return window->findChild<T *>(name); }
        void click(const QString &button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
        QTreeWidget *list(const QString &name) { return child<QTreeWidget>(name); }
        // Every row of a list, cells joined by "|", rows by ";".
        QString rows(const QString &name)
        {
            QStringList out;
            QTreeWidget *view = list(name);
            for (int r = 0; r < view->topLevelItemCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < view->columnCount(); ++c)
                    cells << view->topLevelItem(r)->text(c);
                out << cells.join(u'|');
            }
            return out.join(u';');
        }
        void selectTld(int row)
        {
            list(QStringLiteral("tldList"))->setCurrentItem(list("tldList")->topLevelItem(row));
        }
    };

    // Clicks `button` (double-clicks the selected row for ""), which opens the
    // entry editor modally, and runs `act` on it once it is up. An editor `act`
    // leaves open is cancelled.
    static void withEditor(Fixture &f, const QString &button,
                           const std::function<void(TldEntryDialog &)> &act)
    {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            auto *editor = qobject_cast<TldEntryDialog *>(QApplication::activeModalWidget());
            if (!editor)
                return;
            act(*editor);
            acted = true;
            if (editor->isVisible())
                editor->reject();
        });
        if (button.isEmpty()) {
            QTreeWidget *list = f.list(QStringLiteral("tldList"));
            emit list->itemDoubleClicked(list->currentItem(), 0);
        } else {
            f.click(button);
        }
        QVERIFY2(acted, "the entry editor did not open");
    }

    static void fill(TldEntryDialog &editor, const QString &tld, const QString &servers, const QString &free)
    {
        editor.findChild<QLineEdit *>(QStringLiteral("tldEdit"))->setText(tld);
        editor.findChild<QLineEdit *>(QStringLiteral("serversEdit"))->setText(servers);
        editor.findChild<QPlainTextEdit *>(QStringLiteral("freeResponseEdit"))->setPlainText(free);
    }
    static void commit(TldEntryDialog &editor)
    {
        QTest::mouseClick(editor.findChild<QPushButton *>(QStringLiteral("commitButton")), Qt::LeftButton);
    }

private slots:
    void addEntryRefusesBadAndDuplicateTldsAndShowsCapitals()
    {
        Fixture f;
        QString caption;
        withEditor(f, QStringLiteral("tldAddButton"), [&](TldEntryDialog &editor) {
            caption = editor.windowTitle() + u' ' +
                      editor.findChild<QPushButton *>(QStringLiteral("commitButton"))->text();
            // Refused: a digit, a TLD already there (any case), no server.
            for (const QString &tld : {u"c0m"_s, u"COM"_s, u"net"_s}) {
                fill(editor, tld, tld == "net" ? QString() : QStringLiteral("whois.example"), {});
                commit(editor);
                QVERIFY2(editor.isVisible(), qPrintable(tld));
            }
            fill(editor, QStringLiteral("co.uk"), QStringLiteral("whois.a, whois.b"),
                 QStringLiteral("$Domain$ Is Free"));
            commit(editor);
            QVERIFY(!editor.isVisible());
        });
        QCOMPARE(caption, QStringLiteral("Add entry Add"));
        QCOMPARE(f.prompter.texts(), QStringList(3, kAddFailed));
        QCOMPARE(f.prompter.count(Kind::Warn), 3);
        QCOMPARE(f.rows("tldList"), QStringLiteral("COM|whois.one, whois.two|no match;ORG|whois.org|;"
                                                   "CO.UK|whois.a, whois.b|$domain$ is free"));
        QCOMPARE(f.list("tldList")->currentIndex().row(), 2); // the new row is shown

        // Cancel leaves the table as it was.
        withEditor(f, QStringLiteral("tldAddButton"), [&](TldEntryDialog &editor) {
            fill(editor, QStringLiteral("net"), QStringLiteral("whois.net"), {});
            QTest::mouseClick(editor.findChild<QPushButton *>(QStringLiteral("cancelButton")),
                              Qt::LeftButton);
        });
        QCOMPARE(f.context.config.table.count(), 3);
    }

    // A TLD in another script is entered as typed or in its ASCII form and kept
    // in that form; its row shows its own letters as the tip.
    void internationalTldRows()
    {
        Fixture f;
        withEditor(f, QStringLiteral("tldAddButton"), [&](TldEntryDialog &editor) {
            for (const QString &tld : {QStringLiteral("xn--a"), QStringLiteral("\u0440 \u0444")}) {
                fill(editor, tld, QStringLiteral("whois.example"), {});
                commit(editor);
                QVERIFY2(editor.isVisible(), qPrintable(tld));
            }
            fill(editor, QStringLiteral("com.\u0440\u0444"), QStringLiteral("whois.tcinet.ru"), {});
            commit(editor);
            QVERIFY(!editor.isVisible());
        });
        QCOMPARE(f.prompter.texts(), QStringList(2, kAddFailed));
        QCOMPARE(f.rows("tldList"), QStringLiteral("COM|whois.one, whois.two|no match;ORG|whois.org|;"
                                                   "COM.XN--P1AI|whois.tcinet.ru|"));
        QCOMPARE(f.list("tldList")->topLevelItem(2)->toolTip(0), QStringLiteral("com.\u0440\u0444"));
        QVERIFY(f.list("tldList")->topLevelItem(0)->toolTip(0).isEmpty());
    }

    void editEntryKeepsItsOwnTldAndAnEmptyFreeField()
    {
        Fixture f;
        // Without a selection, Edit does nothing (an editor opened here would block the test).
        f.window->editTldEntry();

        f.selectTld(0);
        QString shown;
        withEditor(f, QStringLiteral("tldEditButton"), [&](TldEntryDialog &editor) {
            shown = editor.windowTitle() + u'|' + editor.findChild<QLineEdit *>("tldEdit")->text() + u'|' +
                    editor.findChild<QLineEdit *>("serversEdit")->text() + u'|' +
                    editor.findChild<QPlainTextEdit *>("freeResponseEdit")->toPlainText() + u'|' +
                    editor.findChild<QPushButton *>("commitButton")->text();
            // Another row's TLD and bad TLDs are refused; the row's own TLD is not a duplicate.
            for (const char *tld : {"org", "n3t"}) {
                fill(editor, QLatin1String(tld), QStringLiteral("whois.new"), {});
                commit(editor);
                QVERIFY2(editor.isVisible(), tld);
            }
            fill(editor, QStringLiteral("com"), QStringLiteral("whois.new"), {});
            commit(editor);
            QVERIFY(!editor.isVisible());
        });
        QCOMPARE(shown, QStringLiteral("Edit entry|COM|whois.one, whois.two|no match|Update"));
        QCOMPARE(f.prompter.texts(), QStringList(2, kEditFailed));
        QCOMPARE(f.rows("tldList"), QStringLiteral("COM|whois.new|no match;ORG|whois.org|"));

        // A double click edits too: a new TLD and a new free response replace the old ones in place.
        f.selectTld(0);
        withEditor(f, QString(), [&](TldEntryDialog &editor) {
            fill(editor, QStringLiteral("Net"), QStringLiteral("whois.net"), QStringLiteral("Available"));
            commit(editor);
        });
        QCOMPARE(f.rows("tldList"), QStringLiteral("NET|whois.net|available;ORG|whois.org|"));
    }

    void deleteClearAndRestoreTheTable()
    {
        Fixture f;
        f.selectTld(0);
        f.click(QStringLiteral("tldDeleteButton"));
        QCOMPARE(f.rows("tldList"), QStringLiteral("ORG|whois.org|"));

        // Restore asks while the table has rows (No preselected); No keeps them.
        f.prompter.queueAnswer(false);
        f.click(QStringLiteral("tldRestoreButton"));
        QCOMPARE(f.context.config.table.count(), 1);
        QVERIFY(!f.prompter.log().last().defaultYes);
        f.prompter.queueAnswer(false);
        f.click(QStringLiteral("tldClearButton"));
        QCOMPARE(f.context.config.table.count(), 1);
        f.prompter.queueAnswer(true);
        f.click(QStringLiteral("tldClearButton"));
        QCOMPARE(f.list("tldList")->topLevelItemCount(), 0);
        QTRY_COMPARE(f.child<QLabel>("countLabel")->text(),
                     QStringLiteral("There are 0 TLD whois entries in the list."));

        // On an empty table it restores without a question (the prompter fails an unexpected one).
        f.click(QStringLiteral("tldRestoreButton"));
        QCOMPARE(f.list("tldList")->topLevelItemCount(), 111);
        QCOMPARE(f.list("tldList")->topLevelItem(11)->text(0), QStringLiteral("CO.UK"));
        QTRY_COMPARE(f.child<QLabel>("countLabel")->text(),
                     QStringLiteral("There are 111 TLD whois entries in the list."));
        QCOMPARE(f.prompter.texts(), QStringList({kRestoreTldQuestion, kClearQuestion, kClearQuestion}));
    }

    void responseListsKeepWhatIsTyped()
    {
        Fixture f;
        f.child<QLineEdit>("freeInput")->setText(QStringLiteral("$Domain$ Is FREE"));
        f.click(QStringLiteral("freeAddButton"));
        f.click(QStringLiteral("freeAddButton")); // empty box: nothing
        f.child<QLineEdit>("errorInput")->setText(QStringLiteral("Quota Exceeded"));
        QTest::keyClick(f.child<QLineEdit>("errorInput"), Qt::Key_Return);
        QCOMPARE(f.context.config.freeResponses, QStringList({"not found", "$Domain$ Is FREE"}));
        QCOMPARE(f.context.config.errorResponses, QStringList({"limit exceeded", "Quota Exceeded"}));
        QCOMPARE(f.rows("freeList"), QStringLiteral("not found;$Domain$ Is FREE"));
        QVERIFY(f.child<QLineEdit>("freeInput")->text().isEmpty());

        f.list("errorList")->setCurrentItem(f.list("errorList")->topLevelItem(0));
        f.click(QStringLiteral("errorDeleteButton"));
        QCOMPARE(f.rows("errorList"), QStringLiteral("Quota Exceeded"));

        f.prompter.queueAnswer(false);
        f.click(QStringLiteral("freeClearButton"));
        QCOMPARE(f.context.config.freeResponses.size(), 2);
        f.prompter.queueAnswer(true);
        f.click(QStringLiteral("freeClearButton"));
        QVERIFY(f.context.config.freeResponses.isEmpty());
        QCOMPARE(f.prompter.texts(), QStringList(2, kClearQuestion));

        // Restoring a response list asks nothing.
        f.click(QStringLiteral("freeRestoreButton"));
        f.click(QStringLiteral("errorRestoreButton"));
        QCOMPARE(f.list("freeList")->topLevelItemCount(), 28);
        QCOMPARE(f.list("errorList")->topLevelItemCount(), 9);
    }

    void helpTexts()
    {
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        auto *tabs = f.child<QTabWidget>("settingsTabs");
        const std::pair<const char *, QString> helps[] = {{"tldHelpLabel", kTldHelp},
                                                          {"freeHelpLabel", kFreeHelp},
                                                          {"errorHelpLabel", kErrorHelp},
                                                          {"settingsHelpLabel", kSettingsHelp}};
        int shown = 0;
        for (int i = 0; i < 3; ++i) {
            tabs->setCurrentIndex(i);
            for (const auto &[name, text] : helps) {
                auto *label = f.child<QLabel>(QLatin1String(name));
                if (!label->isVisible())
                    continue;
                QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), label->mapToGlobal(QPointF(2, 2)),
                                 Qt::NoButton, Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(label, &move);
                QCOMPARE(f.window->findChild<QLabel *>("helpBalloonText")->text(), text);
                ++shown;
            }
        }
        QCOMPARE(shown, 4);
    }

    // Each row of the Settings tab: its value at first, what choosing another
    // writes (the wizard switch is a program option, the others live in
    // quorvane.ini and settings.ini keeps its own lines only), and a window
    // opened later shows it as left.
    void settingsTabOptions()
    {
        Fixture f;
        const struct {
            const char *widget, *key;
            int before, after; // checked state or choice index
            const char *stored;
        } rows[] = {
            {"hideWizardCheck", nullptr, 0, 1, nullptr},
            {"recognitionCheck", "check/recognition", 1, 0, "false"},
            {"publicSuffixesCheck", "check/public-suffixes", 1, 0, "false"},
            {"rdapModeCombo", "rdap/mode", int(RdapMode::Fallback), int(RdapMode::Off), "off"},
            {"dnsModeCombo", "dns/mode", int(DnsMode::Off), int(DnsMode::First), "first"},
        };
        const auto state = [](QWidget *w) {
            auto *box = qobject_cast<QCheckBox *>(w);
            return box ? int(box->isChecked()) : qobject_cast<QComboBox *>(w)->currentIndex();
        };
        for (const auto &r : rows) {
            QWidget *w = f.child<QWidget>(QLatin1String(r.widget));
            QCOMPARE(state(w), r.before);
            if (auto *box = qobject_cast<QCheckBox *>(w))
                box->setChecked(r.after);
            else
                qobject_cast<QComboBox *>(w)->setCurrentIndex(r.after);
            if (r.key)
                QCOMPARE(f.context.extra.text(QLatin1String(r.key)), QLatin1String(r.stored));
        }
        QVERIFY(f.context.options.hideWizard);
        QCOMPARE(f.context.extra.save(), QString());
        QVERIFY(f.folder.read("quorvane.ini").contains("recognition=false"));
        QVERIFY(f.folder.read("settings.ini").isEmpty());
        // The DNS row says what its mode costs where it is chosen.
        QVERIFY(f.child<QComboBox>("dnsModeCombo")->itemText(1).contains(u"no expiry date"));
        SettingsWindow again(f.context.config, f.context.options, f.context.extra, f.prompter);
        for (const auto &r : rows)
            QCOMPARE(state(again.findChild<QWidget *>(QLatin1String(r.widget))), r.after);
    }
};

QV_TEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
