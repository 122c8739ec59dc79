#include "listops/contextfixture.h"
#include "listops/listfilters.h"
#include "listops/listtexts.h"
#include "listops/standbywindow.h"
#include "listops/stringfilterwindow.h"
#include "listops/tldfilterwindow.h"
#include "support/testmain.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>

#include <memory>

using namespace Qt::StringLiterals;

class TestFilterWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<ContextFixture> f;

    void fill(const QStringList &names)
    {
        f->ctx.run.suffixes.mylist({});
        for (const QString &n : names)
            f->ctx.list.addRow(DomainRow{{n, u"1"_s, f->ctx.run.suffixes.getext(n), u"N/A"_s}});
    }
    QStringList names() const { return f->column(); }
    static void click(QWidget *w, const char *button) { child<QPushButton>(w, button)->click(); }

private slots:
    void init() { f = std::make_unique<ContextFixture>(); }
    void cleanup() { f.reset(); } // the prompter fails the test over an answer left unused

    void tldFilter()
    {
        TldFilterWindow window(f->ctx);
        window.addTlds(tldFilterRows({u"NL"_s, u"com"_s}));
        window.addTlds({u"nl"_s}); // already there
        QCOMPARE(window.tlds().mid(0, 3), (QStringList{"nl", "com", "net"}));
        QVERIFY(child<QRadioButton>(&window, "deleteOption")->isChecked());

        window.show();
        click(&window, "startButton"); // the main list is empty: nothing at all
        fill({"a.com", "b.co.uk", "c.uk", "d.nl", "e.net"});
        click(&window, "startButton");
        QCOMPARE(f->prompter.lastText(), listtext::kNoTldTicked);
        click(&window, "selectAllButton");
        QCOMPARE(window.tickedTlds().size(), window.tlds().size());
        click(&window, "unselectAllButton");
        QVERIFY(window.tickedTlds().isEmpty());

        window.setTicked(u"com"_s, true);
        window.setTicked(u"co.uk"_s, true);
        child<QRadioButton>(&window, "keepOption")->setChecked(true);
        click(&window, "startButton");
        QCOMPARE(names(), (QStringList{"a.com", "b.co.uk"}));
        QCOMPARE(f->prompter.lastText(), u"There are now 2 domains left in the list."_s);
        click(&window, "closeButton");
        QVERIFY(window.isHidden());
        QCOMPARE(window.tickedTlds(), (QStringList{"com", "co.uk"}));
        QVERIFY(child<QRadioButton>(&window, "keepOption")->isChecked());
    }

    void stringFilter()
    {
        StringFilterWindow window(f->ctx);
        window.show();
        QLineEdit *edit = child<QLineEdit>(&window, "stringEdit");
        edit->setText(u"  Shop-Online "_s);
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(edit->text().isEmpty());
        edit->setText(u"   "_s);
        click(&window, "addButton");
        edit->setText(u"-"_s);
        click(&window, "addButton");
        QCOMPARE(window.strings(), (QStringList{"shop-online", "-"}));

        f->folder.write(u"strings.txt"_s, "\r\n NET\r\n\nxyz\rtv");
        f->prompter.queueFile(f->folder.file(u"strings.txt"_s));
        click(&window, "importButton");
        f->prompter.queueFile({});
        click(&window, "importButton"); // cancelled
        QCOMPARE(window.strings(), (QStringList{"shop-online", "-", "net", "xyz", "tv"}));
        QTreeWidget *list = child<QTreeWidget>(&window, "stringList");
        list->setCurrentItem(list->topLevelItem(0));
        click(&window, "deleteButton");
        QCOMPARE(window.strings().first(), u"-"_s);

        fill({"a-b.com", "plain.com", "x.net", "shop.org"});
        child<QRadioButton>(&window, "keepOption")->setChecked(true);
        list->setCurrentItem(list->topLevelItem(3)); // "tv" goes
        click(&window, "deleteButton");
        click(&window, "startButton");
        QCOMPARE(names(), (QStringList{"a-b.com", "x.net"}));
        QCOMPARE(f->prompter.lastText(), u"There are now 2 domains left in the list."_s);
        child<QRadioButton>(&window, "deleteOption")->setChecked(true);
        click(&window, "startButton");
        QVERIFY(names().isEmpty());

        f->prompter.queueAnswer(false);
        click(&window, "clearButton");
        QCOMPARE(window.strings().size(), 3);
        f->prompter.queueAnswer(true);
        click(&window, "clearButton");
        QVERIFY(window.strings().isEmpty());
        click(&window, "clearButton"); // nothing to clear: no question
        QCOMPARE(f->prompter.count(ScriptedPrompter::Kind::Question), 2);
        QVERIFY(!f->prompter.log().last().defaultYes);
    }

    void standByWindow()
    {
        QWidget owner;
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::red);
        owner.setWindowIcon(QIcon(pixmap));
        StandByWindow window(&owner);
        QCOMPARE(window.windowTitle(), u"Progress.."_s);
        QVERIFY(!window.windowIcon().isNull());
        QVERIFY(!window.isModal());
        QCOMPARE(window.findChild<QLabel *>(u"standByText"_s)->text(),
                 u"The program is working.. stand by.."_s);
        QCOMPARE(window.countText(), u"There are 0 domains in the list"_s);
        window.setCount(1250);
        QCOMPARE(window.countText(), u"There are 1250 domains in the list"_s);
    }
};

QV_TEST_MAIN(TestFilterWindows)
#include "tst_filterwindows.moc"
