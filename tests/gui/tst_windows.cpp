#include "app/aboutwindow.h"
#include "app/appcontext.h"
#include "app/helpballoonwidget.h"
#include "app/rowcolourdelegate.h"
#include "app/versionhistorywindow.h"
#include "app/widgetprompter.h"
#include "engine/domainlistmodel.h"
#include "sources/manualaddwindow.h"
#include "support/fakeclock.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// Lets the test read the options the delegate hands to the style.
class DelegateProbe : public RowColourDelegate
{
public:
    using RowColourDelegate::initStyleOption;
};

} // namespace

class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    void balloonLines();
    void balloonSizesPositionAndHides();
    void manualAddLines();
    void manualAddDone_data();
    void manualAddDone();
    void aboutAndVersionHistory();
    void fileFilters();
    void rowColours();
};

void TestWindows::balloonLines()
{
    // {text length, lines}: length / 35 rounded half to even, at least 1
    const int manualAdd = int(kManualAddHelpText.size());
    for (const auto &[length, lines] : {std::pair{0, 1}, {17, 1}, {52, 1}, {53, 2}, {manualAdd, 4}})
        QCOMPARE(HelpBalloonWidget::balloonLines(length), lines);
}

void TestWindows::balloonSizesPositionAndHides()
{
    QWidget window;
    window.resize(700, 500);
    auto *balloon = new HelpBalloonWidget(&window);
    window.show();
    QVERIFY(balloon->isHidden());
    balloon->ShowHelpBalloon(QString(53, u'x'), 720, 3600);
    QVERIFY(balloon->isVisible());
    QCOMPARE(balloon->geometry(), QRect(240, 48, 329, 43)); // 4935 twips wide, 2 x 120 + 400 high
    QCOMPARE(balloon->textLabel()->height(), 28);           // 2 x 190 + 40 = 420 twips
    QCOMPARE(balloon->hideTimer().interval(), 200);
    QTRY_VERIFY(balloon->isHidden());
}

void TestWindows::manualAddLines()
{
    QCOMPARE(ManualAddWindow::validLines("one.org\ntwo.org\rthree.org\r\n\tfour.org\n-ab.org"),
             (QStringList{"one.org", "two.org", "three.org"})); // a tab is not a blank
}

void TestWindows::manualAddDone_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("answer"); // -1: no question expected
    QTest::addColumn<QStringList>("rows");
    const QString five = QStringLiteral("abc.test\r\n  ABC.TEST  \r\n\r\nbad_name.test\r\nabc.test");
    QTest::newRow("yes adds one row") << five << 1 << QStringList{"abc.test"};
    QTest::newRow("no adds nothing") << five << 0 << QStringList{};
    QTest::newRow("empty box") << QString() << -1 << QStringList{};
    QTest::newRow("no valid line") << QStringLiteral("bad_name.test\nx") << -1 << QStringList{};
}

void TestWindows::manualAddDone()
{
    QFETCH(QString, text);
    QFETCH(int, answer);
    QFETCH(QStringList, rows);
    TempDataFolder folder;
    ScriptedPrompter prompter;
    FakeClock clock;
    AppContext context(folder.path(), prompter, clock);
    if (answer >= 0)
        prompter.queueAnswer(answer == 1);
    ManualAddWindow window(context);
    window.show();

    auto *balloon = window.findChild<HelpBalloonWidget *>();
    const QPointF at(2, 2);
    auto *tellMeMore = window.findChild<QLabel *>(QStringLiteral("tellMeMore"));
    QMouseEvent move(QEvent::MouseMove, at, tellMeMore->mapToGlobal(at), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(tellMeMore, &move);
    QVERIFY(balloon->isVisible());
    QCOMPARE(balloon->textLabel()->text(), kManualAddHelpText);
    QCOMPARE(balloon->pos(), QPoint(240, 48));

    window.findChild<QPlainTextEdit *>(QStringLiteral("domainsBox"))->setPlainText(text);
    window.findChild<QPushButton *>(QStringLiteral("doneButton"))->click();
    QVERIFY(window.isHidden());
    QVERIFY(prompter.allAnswersUsed());
    QCOMPARE(prompter.texts(), answer < 0 ? QStringList{} : QStringList{QStringLiteral(
        "Would you like to add the 3 valid domains to the list of domains to be checked?")});
    QCOMPARE(context.list.size(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        const DomainRow &row = context.list.rowAt(i);
        QCOMPARE(QStringList(row.cells.begin(), row.cells.begin() + 3), (QStringList{rows[i], "3", "test"}));
        QCOMPARE(int(row.colour), int(ColourGrey));
    }
}

void TestWindows::aboutAndVersionHistory()
{
    QList<QUrl> opened;
    AboutWindow about("Quorvane", "1.01", [&](const QUrl &url) { opened << url; });
    QCOMPARE(about.windowTitle(), QStringLiteral("About this program..."));
    QStringList labels;
    for (const QLabel *l : about.findChildren<QLabel *>())
        labels << l->text();
    for (const QString &text :
         QStringList{"Quorvane", "1.01", "Version", "Homepage", "Support e-mail", kAboutContactText})
        QVERIFY2(labels.contains(text), qPrintable(text));
    const auto *legal = about.findChild<QPlainTextEdit *>(QStringLiteral("legalNotice"));
    QVERIFY(legal->isReadOnly() && !legal->toPlainText().isEmpty() && !legal->toPlainText().endsWith(u'\n'));
    about.findChild<QPushButton *>(QStringLiteral("homepageLink"))->click();
    about.findChild<QPushButton *>(QStringLiteral("emailLink"))->click();
    QCOMPARE(opened, (QList<QUrl>{QUrl(kHomepageUrl), QUrl(QStringLiteral("mailto:") + kSupportEmail)}));

    VersionHistoryWindow history;
    QCOMPARE(history.windowTitle(), QStringLiteral("Version history"));
    const auto *text = history.findChild<QPlainTextEdit *>(QStringLiteral("historyText"));
    QVERIFY(text->isReadOnly());
    QVERIFY(text->toPlainText().startsWith("Version 1.01\n * Fixed a problem with getting invalid"));
    QVERIFY(text->toPlainText().endsWith(QStringLiteral("\nVersion 1.0\n * Initial release")));
    for (QDialog *window : std::initializer_list<QDialog *>{&about, &history}) {
        window->show();
        window->findChild<QPushButton *>(QStringLiteral("doneButton"))->click();
        QVERIFY(window->isHidden());
    }
}

void TestWindows::fileFilters()
{
    const char *const cases[][2] = {
        {"Text files (*.txt)|*.txt|All files (*.*)|*.*", "Text files (*.txt);;All files (*)"},
        {"Text files|*.txt", "Text files (*.txt)"},        // no patterns in the description
        {"Lists (*.txt;*.csv)|*.txt;*.csv", "Lists (*.txt *.csv)"},
        {"Web pages", "Web pages (*)"},
        {"", ""},
    };
    for (const auto &c : cases)
        QCOMPARE(WidgetPrompter::toQtFilter(QLatin1String(c[0])), QLatin1String(c[1]));
}

void TestWindows::rowColours()
{
    DomainListModel model;
    model.replaceRows({DomainRow{{"plain.test"}}, DomainRow{{"free.test"}}, DomainRow{{"blue.test"}}});
    model.paintrow(2, ColourGreen, true);
    model.paintrow(3, ColourBlue, false);
    DelegateProbe delegate;
    const QColor expected[] = {QStyleOptionViewItem().palette.color(QPalette::Text), QColor(0x41, 0x91, 0x33),
                               QColor(0x45, 0x5C, 0xA3)};
    for (int row = 0; row < 3; ++row) {
        QStyleOptionViewItem option;
        delegate.initStyleOption(&option, model.index(row, ColInformation));
        QCOMPARE(option.palette.color(QPalette::Text), expected[row]);
        QCOMPARE(option.font.bold(), row == 1);
    }
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
