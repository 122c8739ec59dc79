#include "support/windowfixture.h"

#include <QHeaderView>
#include <QItemSelectionModel>

// The main window with rows given as "name|availability".
struct ListFixture : MainWindowFixture {
    void fill(const QStringList &rows)
    {
        for (const QString &r : rows) {
            const QString name = r.section(u'|', 0, 0);
            ctx.list.addRow(DomainRow{{name, QString::number(name.indexOf(u'.')), name.section(u'.', 1),
                                       r.section(u'|', 1), u"N/A"_s, u"N/A"_s, u"N/A"_s}});
        }
    }
    QString names() const { return column().join(u' '); }
};

class TestListMenu : public QObject
{
    Q_OBJECT

private slots:
    void menuOnlyOnRightClickWithRows()
    {
        ListFixture f;
        QWidget *viewport = f.window->listView()->viewport();
        QStringList shown;
        auto click = [&](Qt::MouseButton button) {
            whileOpen([&] { QTest::mouseClick(viewport, button, {}, QPoint(20, 10)); },
                      [&](QWidget *w) {
                          shown << w->objectName();
                          w->close();
                      });
        };
        click(Qt::RightButton); // an empty list
        f.fill({"b.com|FREE", "a.com|Taken"});
        click(Qt::LeftButton);
        click(Qt::RightButton);
        QCOMPARE(shown, QStringList{u"popup"_s});
    }

    void websiteForTheCurrentRow()
    {
        ListFixture f;
        f.fill({"aa.com|N/A", "bb.com|N/A"});
        f.trigger("openwebsite"); // no current row yet: nothing
        f.ctx.list.selectionModel()->setCurrentIndex(f.ctx.list.index(1, 0), QItemSelectionModel::NoUpdate);
        f.trigger("openwebsite");
        QCOMPARE(f.opened, QList<QUrl>{QUrl(u"http://bb.com"_s)});
    }

    void checkCommandsSetTheSelectedOnlyBoxAndStart()
    {
        ListFixture f;
        f.fill({"a.com|N/A", "b.com|N/A", "c.com|N/A"});
        f.ctx.list.selectRows({1});
        for (const auto &[action, selected, count] :
             {std::tuple{"checkseldom", true, 1}, {"checkalldom", false, 3}}) {
            f.prompter.queueAnswer(false);
            f.trigger(action);
            QCOMPARE(f.ctx.options.checkSelected, selected);
            QCOMPARE(f.find<QCheckBox>("checksel2")->isChecked(), selected);
            QVERIFY(f.prompter.lastText().startsWith(
                u"The program will now begin to examine %1 domains."_s.arg(count)));
        }
    }

    void maintenanceCommandsFromTheMenu()
    {
        ListFixture f;
        f.fill({"c.com|FREE", "a.com|Taken", "b.com|N/A", "d.com|"});
        // The first click sorts descending; while a run is going, a second one is refused.
        QHeaderView *header = f.window->listView()->header();
        for (const bool stopped : {true, false}) {
            f.ctx.run.stopped = stopped;
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(ColDomain) + 5, 5));
            QCOMPARE(f.names(), u"d.com c.com b.com a.com"_s);
        }
        f.ctx.run.stopped = true;

        f.prompter.queueFile(f.folder.file(u"all.txt"_s));
        f.trigger("expplainall");
        QCOMPARE(f.folder.read(u"all.txt"_s), "d.com\r\nc.com\r\nb.com\r\na.com\r\n");
        f.trigger("delunchecked");
        QCOMPARE(f.names(), u"c.com a.com"_s);
        QCOMPARE(f.panel(1), u"2 domains"_s); // counted at once

        f.prompter.queueAnswer(true);
        f.trigger("clearlist");
        QCOMPARE(f.panel(1), u"0 domains"_s);
        f.trigger("deletekeepstrings"); // an empty list: the window stays shut
        f.trigger("expplainsel");       // and no file is asked for
    }
};

QV_TEST_MAIN(TestListMenu)
#include "tst_listmenu.moc"
