#include "listops/listfilters.h"
#include "listops/listtexts.h"
#include "listops/stringfilterwindow.h"
#include "listops/tldfilterwindow.h"
#include "support/windowfixture.h"

// The list's rows are names with their TLD split by the built-in suffixes.
template <typename Window> struct FilterFixture : WindowFixture<Window> {
    FilterFixture()
    {
        this->open(this->ctx).show();
        this->ctx.run.suffixes.mylist({});
    }
    void fill(const QStringList &names)
    {
        for (const QString &n : names)
            this->ctx.list.addRow(DomainRow{{n, u"1"_s, this->ctx.run.suffixes.getext(n), u"N/A"_s}});
    }
    QStringList names() const { return this->column(); }
};

class TestFilterWindows : public QObject
{
    Q_OBJECT

private slots:
    void tldFilter()
    {
        FilterFixture<TldFilterWindow> f;
        TldFilterWindow &window = *f.window;
        window.addTlds(tldFilterRows({u"NL"_s, u"com"_s}));
        window.addTlds({u"nl"_s}); // already there
        QCOMPARE(window.tlds().mid(0, 3), (QStringList{"nl", "com", "net"}));
        QVERIFY(f.find<QRadioButton>("deleteOption")->isChecked());

        f.fill({"a.com", "b.co.uk", "c.uk", "d.nl", "e.net"});
        f.click("startButton");
        QCOMPARE(f.prompter.lastText(), listtext::kNoTldTicked);
        window.setTicked(u"com"_s, true);
        window.setTicked(u"co.uk"_s, true);
        f.find<QRadioButton>("keepOption")->setChecked(true);
        f.click("startButton");
        QCOMPARE(f.names(), (QStringList{"a.com", "b.co.uk"}));
        QCOMPARE(f.prompter.lastText(), u"There are now 2 domains left in the list."_s);
    }

    void stringFilter()
    {
        FilterFixture<StringFilterWindow> f;
        StringFilterWindow &window = *f.window;
        QLineEdit *edit = f.find<QLineEdit>("stringEdit");
        edit->setText(u"  Shop-Online "_s);
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(edit->text().isEmpty());
        edit->setText(u"   "_s);
        f.click("addButton");
        edit->setText(u"-"_s);
        f.click("addButton");
        QCOMPARE(window.strings(), (QStringList{"shop-online", "-"}));

        f.folder.write(u"strings.txt"_s, "\r\n NET\r\n\nxyz\rtv");
        f.prompter.queueFile(f.folder.file(u"strings.txt"_s));
        f.click("importButton");
        QCOMPARE(window.strings(), (QStringList{"shop-online", "-", "net", "xyz", "tv"}));
        QTreeWidget *list = f.find<QTreeWidget>("stringList");
        list->setCurrentItem(list->topLevelItem(0));
        f.click("deleteButton");
        QCOMPARE(window.strings().first(), u"-"_s);

        f.fill({"a-b.com", "plain.com", "x.net", "shop.org"});
        f.find<QRadioButton>("keepOption")->setChecked(true);
        f.click("startButton");
        QCOMPARE(f.names(), (QStringList{"a-b.com", "x.net"}));
        QCOMPARE(f.prompter.lastText(), u"There are now 2 domains left in the list."_s);

        f.prompter.queueAnswer(false);
        f.click("clearButton");
        QCOMPARE(window.strings().size(), 4);
        f.prompter.queueAnswer(true);
        f.click("clearButton");
        QVERIFY(window.strings().isEmpty());
        f.click("clearButton"); // nothing to clear: no question
        QCOMPARE(f.prompter.count(ScriptedPrompter::Kind::Question), 2);
        QVERIFY(!f.prompter.log().last().defaultYes);
    }
};

QV_TEST_MAIN(TestFilterWindows)
#include "tst_filterwindows.moc"
