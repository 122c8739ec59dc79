#include "config/dnssettings.h"
#include "config/rdapbootstrap.h"
#include "config/recognitionsetting.h"
#include "config/settingstexts.h"
#include "config/settingswindow.h"
#include "config/tldentrydialog.h"
#include "support/windowfixture.h"

#include <QTabWidget>
#include <functional>

using namespace settingstexts;
using Kind = ScriptedPrompter::Kind;
using namespace Qt::StringLiterals;

// The "Config" window over a small table (COM, ORG) and short response lists.
class TestSettingsWindow : public QObject
{
    Q_OBJECT

    struct Fixture : WindowFixture<SettingsWindow> {
        Fixture()
        {
            ctx.config.table.AddTldEntry(u"com"_s, u"whois.one, whois.two"_s, u"No Match"_s);
            ctx.config.table.AddTldEntry(u"org"_s, u"whois.org"_s, {});
            ctx.config.freeResponses = QStringList{u"not found"_s};
            ctx.config.errorResponses = QStringList{u"limit exceeded"_s};
            open(ctx.config, ctx.options, ctx.extra, prompter);
        }
        QTreeWidget *list(const char *name) { return find<QTreeWidget>(name); }
        // Every row of a list, cells joined by "|", rows by ";".
        QString rows(const char *name)
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
        void selectTld(int row) { list("tldList")->setCurrentItem(list("tldList")->topLevelItem(row)); }
    };

    // Clicks `button`, which opens the entry editor modally, and runs `act` on it once it is up. An editor
    // `act` leaves open is cancelled.
    static void withEditor(Fixture &f, const char *button, const std::function<void(TldEntryDialog &)> &act)
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
        f.click(button);
        QVERIFY2(acted, "the entry editor did not open");
    }

    static void fill(TldEntryDialog &editor, const QString &tld, const QString &servers, const QString &free)
    {
        editor.findChild<QLineEdit *>(u"tldEdit"_s)->setText(tld);
        editor.findChild<QLineEdit *>(u"serversEdit"_s)->setText(servers);
        editor.findChild<QPlainTextEdit *>(u"freeResponseEdit"_s)->setPlainText(free);
    }
    static void commit(TldEntryDialog &editor)
    {
        QTest::mouseClick(editor.findChild<QPushButton *>(u"commitButton"_s), Qt::LeftButton);
    }

private slots:
    void addEntryRefusesBadAndDuplicateTldsAndShowsCapitals()
    {
        Fixture f;
        withEditor(f, "tldAddButton", [&](TldEntryDialog &editor) {
            // Refused: a digit, a TLD already there (any case), no server.
            for (const QString &tld : {u"c0m"_s, u"COM"_s, u"net"_s}) {
                fill(editor, tld, tld == "net" ? QString() : u"whois.example"_s, {});
                commit(editor);
                QVERIFY2(editor.isVisible(), qPrintable(tld));
            }
            fill(editor, u"co.uk"_s, u"whois.a, whois.b"_s, u"$Domain$ Is Free"_s);
            commit(editor);
            QVERIFY(!editor.isVisible());
        });
        QCOMPARE(f.prompter.texts(), QStringList(3, kAddFailed));
        QCOMPARE(f.prompter.count(Kind::Warn), 3);
        QCOMPARE(f.rows("tldList"), QStringLiteral("COM|whois.one, whois.two|no match;ORG|whois.org|;"
                                                   "CO.UK|whois.a, whois.b|$domain$ is free"));
        QCOMPARE(f.list("tldList")->currentIndex().row(), 2); // the new row is shown
    }

    void editEntryKeepsItsOwnTldAndAnEmptyFreeField()
    {
        Fixture f;
        f.selectTld(0);
        QString shown;
        withEditor(f, "tldEditButton", [&](TldEntryDialog &editor) {
            shown = editor.windowTitle() + u'|' + editor.findChild<QLineEdit *>("tldEdit")->text() + u'|' +
                    editor.findChild<QLineEdit *>("serversEdit")->text() + u'|' +
                    editor.findChild<QPlainTextEdit *>("freeResponseEdit")->toPlainText() + u'|' +
                    editor.findChild<QPushButton *>("commitButton")->text();
            // Another row's TLD and bad TLDs are refused; the row's own TLD is not a duplicate.
            for (const char *tld : {"org", "n3t"}) {
                fill(editor, QLatin1String(tld), u"whois.new"_s, {});
                commit(editor);
                QVERIFY2(editor.isVisible(), tld);
            }
            fill(editor, u"com"_s, u"whois.new"_s, {});
            commit(editor);
            QVERIFY(!editor.isVisible());
        });
        QCOMPARE(shown, u"Edit entry|COM|whois.one, whois.two|no match|Update"_s);
        QCOMPARE(f.prompter.texts(), QStringList(2, kEditFailed));
        QCOMPARE(f.rows("tldList"), u"COM|whois.new|no match;ORG|whois.org|"_s);
    }

    void deleteClearAndRestoreTheTable()
    {
        Fixture f;
        f.selectTld(0);
        f.click("tldDeleteButton");
        QCOMPARE(f.rows("tldList"), u"ORG|whois.org|"_s);

        // Restore asks while the table has rows (No preselected); No keeps them.
        f.prompter.queueAnswer(false);
        f.click("tldRestoreButton");
        QCOMPARE(f.ctx.config.table.count(), 1);
        QVERIFY(!f.prompter.log().last().defaultYes);
        f.prompter.queueAnswer(true);
        f.click("tldClearButton");
        QCOMPARE(f.list("tldList")->topLevelItemCount(), 0);

        // On an empty table it restores without a question (the prompter fails an unexpected one).
        f.click("tldRestoreButton");
        QCOMPARE(f.list("tldList")->topLevelItemCount(), 111);
        QTRY_COMPARE(f.find<QLabel>("countLabel")->text(), u"There are 111 TLD whois entries in the list."_s);
        QCOMPARE(f.prompter.texts(), QStringList({kRestoreTldQuestion, kClearQuestion}));
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
            {"pacingModeCombo", "pacing/mode", 0, 1, "off"},
        };
        const auto state = [](QWidget *w) {
            auto *box = qobject_cast<QCheckBox *>(w);
            return box ? int(box->isChecked()) : qobject_cast<QComboBox *>(w)->currentIndex();
        };
        for (const auto &r : rows) {
            QWidget *w = f.find<QWidget>(r.widget);
            QCOMPARE(state(w), r.before);
            if (auto *box = qobject_cast<QCheckBox *>(w))
                box->setChecked(r.after);
            else
                qobject_cast<QComboBox *>(w)->setCurrentIndex(r.after);
            if (r.key)
                QCOMPARE(f.ctx.extra.text(QLatin1String(r.key)), QLatin1String(r.stored));
        }
        QVERIFY(f.ctx.options.hideWizard);
        QCOMPARE(f.ctx.extra.save(), QString());
        QVERIFY(f.folder.read("quorvane.ini").contains("recognition=false"));
        QVERIFY(f.folder.read("settings.ini").isEmpty());
        SettingsWindow again(f.ctx.config, f.ctx.options, f.ctx.extra, f.prompter);
        for (const auto &r : rows)
            QCOMPARE(state(again.findChild<QWidget *>(QLatin1String(r.widget))), r.after);
    }
};

QV_TEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
