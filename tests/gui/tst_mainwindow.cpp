#include "app/rowcolourdelegate.h"
#include "app/widgetprompter.h"
#include "config/extrasettings.h"
#include "engine/checkengine.h"
#include "sources/manualaddwindow.h"
#include "support/windowfixture.h"

#include <QHeaderView>
#include <QStyleOptionViewItem>

// Lets the test read the options the delegate hands to the style.
class DelegateProbe : public RowColourDelegate
{
public:
    using RowColourDelegate::initStyleOption;
};

namespace {

// The list's header state and the sort the window was left with, as kept in quorvane.ini.
QString headerState(const MainWindow &window)
{
    const QHeaderView *header = window.listView()->header();
    QStringList widths;
    for (int c = 0; c < header->count(); ++c)
        widths << QString::number(header->sectionSize(c));
    return widths.join(u',') + u' ' +
           (header->isSortIndicatorShown()
                ? QString::number(header->sortIndicatorSection()) +
                      (header->sortIndicatorOrder() == Qt::AscendingOrder ? u'a' : u'd')
                : u"-"_s);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void smallestSizeAndNoCloseDuringARun()
    {
        MainWindowFixture f;
        MainWindow &w = *f.window;
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(300, 200);
        QCOMPARE(w.size(), QSize(734, 468)); // 11000 x 7020 twips, rounded up to whole pixels

        f.ctx.run.stopped = false;
        QVERIFY(!w.close()); // while a run goes on
        f.trigger("Exit");   // takes the same way
        QVERIFY(w.isVisible());
        QVERIFY(!f.folder.exists(u"settings.ini"_s));
        QCOMPARE(f.prompter.count(ScriptedPrompter::Kind::Warn), 2);
        QCOMPARE(f.prompter.lastText(), kStopBeforeExitText);
    }

    // Closing saves the options; size, position, column widths and the sort come back in the
    // next session, and a stored value that cannot be used is passed over, the others still count.
    void windowStateLastsBetweenSessions_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("all good") << QString() << QVariant();
        QTest::newRow("bad geometry") << u"window/geometry"_s << QVariant(QByteArray("not a geometry"));
        QTest::newRow("bad columns") << u"window/columns"_s << QVariant(QByteArray("\x00\x01junk", 6));
        QTest::newRow("sort column past the last") << u"window/sortColumn"_s << QVariant(7);
        QTest::newRow("sort column not a number") << u"window/sortColumn"_s << QVariant(u"two"_s);
        QTest::newRow("bad sort order") << u"window/sortOrder"_s << QVariant(u"upwards"_s);
    }

    void windowStateLastsBetweenSessions()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        MainWindowFixture f;
        MainWindow &w = *f.window;
        w.setGeometry(40, 30, 1000, 640);
        w.listView()->setColumnWidth(ColInformation, 300);
        f.ctx.list.addRow(DomainRow{{u"b.com"_s}});
        QHeaderView *header = w.listView()->header();
        const auto clickHeader = [&](int column) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, 5));
        };
        for (int column : {ColTld, ColLength, ColDomain}) // the one direction flips, shown where clicked
            clickHeader(column);
        QCOMPARE(headerState(w), u"470,106,118,118,118,169,300 0d"_s);
        const QRect geometry = w.geometry();
        f.find<QComboBox>("connections2")->setEditText(u"45"_s);
        QWidget other;
        other.show();
        QVERIFY(w.close());
        QVERIFY(!other.isVisible()); // every window closes with the main one
        QVERIFY(f.prompter.log().isEmpty());
        if (!key.isEmpty()) {
            ExtraSettings ini(f.folder.path());
            ini.setValue(key, value);
            QVERIFY(ini.save().isEmpty());
        }

        ScriptedPrompter prompter;
        AppContext next(f.folder.path(), prompter);
        MainWindow again(next, [](const QUrl &) {});
        again.startUp(); // the wizard stays off: the first session said so
        QVERIFY(prompter.log().isEmpty());
        QCOMPARE(again.findChild<QComboBox *>(u"connections2"_s)->currentText(), u"45"_s);
        QCOMPARE(again.geometry() == geometry, key != u"window/geometry"_s);
        const QString state = headerState(again);
        QCOMPARE(state.startsWith(u"470,106,118,118,118,169,300 "_s), key != u"window/columns"_s);
        QCOMPARE(state.endsWith(u" 0d"_s), !key.startsWith(u"window/sort"_s));
        if (state.endsWith(u" 0d"_s)) { // the list keeps itself in the remembered order
            next.list.addRow(DomainRow{{u"a.com"_s}});
            next.list.addRow(DomainRow{{u"c.com"_s}});
            QCOMPARE(next.list.rowAt(0).cells[ColDomain], u"c.com"_s);
        }
    }

    void runModeLocksExactlyTheListedCommands()
    {
        MainWindowFixture f(false);
        // mwl is the lookup item of the list's context menu; it is found by name.
        const QStringList locked = u"toolAdd toolStart toolWhois toolExport toolConfig Starts1 Adddomains "
                                   "manualwhois saveresult mwl Settings vhistory qsw"_s.split(u' ');
        const QStringList free{"toolStop", "toolHelp", "Stops1", "Exit", "Contents", "About"};
        for (bool on : {true, false}) {
            on ? f.window->runModeOn() : f.window->runModeOff();
            for (const QString &n : locked + free)
                QVERIFY2(f.window->action(n)->isEnabled() == (!on || free.contains(n)), qPrintable(n));
            QCOMPARE(f.find<QFrame>("progressFrame")->isHidden(), !on);
            QCOMPARE(f.find<QFrame>("workingPanel")->isHidden(), !on);
            QCOMPARE(f.window->listView()->isHidden(), on);
        }
    }

    void commandsOpenTheirWindows()
    {
        MainWindowFixture f;
        const char *const rows[][2] = {{"About", "About this program..."},
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
            QVERIFY2(captionOfModalOpenedBy([&] { f.trigger(name); }) == caption, name);
        QVERIFY(f.prompter.log().isEmpty());
        f.trigger("Contents");
        f.trigger("toolHelp");
        QCOMPARE(f.opened, (QList<QUrl>{QUrl(kSupportUrl), QUrl(kSupportUrl)}));

        // Closing "Config" makes its new TLDs known to names added later.
        f.ctx.config.table.AddTldEntry(u"ab.cd"_s, u"whois.cd"_s, {});
        captionOfModalOpenedBy([&] { f.trigger("Settings"); });
        QCOMPARE(f.ctx.run.suffixes.getext(u"name.ab.cd"_s), u"ab.cd"_s);
    }

    void manualAddDone()
    {
        QCOMPARE(ManualAddWindow::validLines("one.org\ntwo.org\rthree.org\r\n\tfour.org\n-ab.org"),
                 (QStringList{"one.org", "two.org", "three.org"})); // a tab is not a blank
        QCOMPARE(
            ManualAddWindow::validLines(
                u" B\u00fcCHER.de \n\u043f\u0440\u0438\u043c\u0435\u0440.\u0440\u0444\nb\u00fccher..de"_s),
            (QStringList{"xn--bcher-kva.de", "xn--e1afmkfd.xn--p1ai"})); // kept in their ASCII form
        const QString five = u"abc.test\r\n  ABC.TEST  \r\n\r\nbad_name.test\r\nabc.test"_s;
        // The text, the answer to the question (-1: none is asked), the rows added.
        const std::tuple<QString, int, int> rows[] = {
            {five, 1, 1}, {five, 0, 0}, {QString(), -1, 0}, {u"bad_name.test\nx"_s, -1, 0}};
        for (const auto &[text, answer, added] : rows) {
            WindowFixture<ManualAddWindow> f;
            if (answer >= 0)
                f.prompter.queueAnswer(answer == 1);
            f.open(f.ctx).show();
            f.setText("domainsBox", text);
            f.click("doneButton");
            QVERIFY(f.window->isHidden());
            QCOMPARE(f.prompter.texts(),
                     answer < 0 ? QStringList{}
                                : QStringList{u"Would you like to add the 3 valid domains to the list of "
                                              "domains to be checked?"_s});
            QCOMPARE(f.ctx.list.size(), added);
        }
    }

    void fileFilters()
    {
        const char *const cases[][2] = {
            {"Text files (*.txt)|*.txt|All files (*.*)|*.*", "Text files (*.txt);;All files (*)"},
            {"", ""},
            {"Text files|*.txt", "Text files (*.txt)"}, // no patterns in the description
            {"Lists (*.txt;*.csv)|*.txt;*.csv", "Lists (*.txt *.csv)"},
            {"Web pages", "Web pages (*)"},
        };
        for (const auto &c : cases)
            QCOMPARE(WidgetPrompter::toQtFilter(QLatin1String(c[0])), QLatin1String(c[1]));
    }

    void rowColours()
    {
        DomainListModel model;
        model.replaceRows({DomainRow{{"plain.test"}}, DomainRow{{"free.test"}}, DomainRow{{"blue.test"}}});
        model.paintrow(2, ColourGreen, true);
        model.paintrow(3, ColourBlue, false);
        DelegateProbe delegate;
        const QColor expected[] = {QStyleOptionViewItem().palette.color(QPalette::Text),
                                   QColor(0x41, 0x91, 0x33), QColor(0x45, 0x5C, 0xA3)};
        for (int row = 0; row < 3; ++row) {
            QStyleOptionViewItem option;
            delegate.initStyleOption(&option, model.index(row, ColInformation));
            QCOMPARE(option.palette.color(QPalette::Text), expected[row]);
            QCOMPARE(option.font.bold(), row == 1);
        }
    }
};

QV_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
