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

#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

// Lets the test read the options the delegate hands to the style.
class DelegateProbe : public RowColourDelegate
{
public:
    using RowColourDelegate::initStyleOption;
};

void moveMouseOver(QWidget *widget)
{
    const QPointF at(2, 2);
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

} // namespace

class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    void balloonLines_data();
    void balloonLines();
    void balloonSizesPositionAndHides();
    void manualAddTellMeMore();
    void manualAddLines_data();
    void manualAddLines();
    void manualAddDone_data();
    void manualAddDone();
    void aboutWindow();
    void versionHistoryWindow();
    void fileFilters_data();
    void fileFilters();
    void rowColours();
};

void TestWindows::balloonLines_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("lines");
    QTest::newRow("empty") << 0 << 1;
    QTest::newRow("17 rounds to 0, raised to 1") << 17 << 1;
    QTest::newRow("35") << 35 << 1;
    QTest::newRow("52 rounds down") << 52 << 1;
    QTest::newRow("53 rounds up") << 53 << 2;
    QTest::newRow("manual add text") << int(kManualAddHelpText.size()) << 4;
}

void TestWindows::balloonLines()
{
    QFETCH(int, length);
    QFETCH(int, lines);
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
    QCOMPARE(balloon->pos(), QPoint(240, 48));
    QCOMPARE(balloon->width(), 329);                  // 4935 twips
    QCOMPARE(balloon->height(), 43);                  // 2 lines: 2 x 120 + 400 = 640 twips
    QCOMPARE(balloon->textLabel()->height(), 28);     // 2 x 190 + 40 = 420 twips
    QCOMPARE(balloon->textLabel()->text(), QString(53, u'x'));
    QVERIFY(balloon->hideTimer().isActive());
    QCOMPARE(balloon->hideTimer().interval(), 200);
    QTRY_VERIFY(balloon->isHidden());
    QVERIFY(!balloon->hideTimer().isActive());
}

void TestWindows::manualAddTellMeMore()
{
    TempDataFolder folder;
    ScriptedPrompter prompter;
    FakeClock clock;
    AppContext context(folder.path(), prompter, clock);
    ManualAddWindow window(context);
    window.show();
    auto *balloon = window.findChild<HelpBalloonWidget *>();
    QVERIFY(balloon && balloon->isHidden());

    moveMouseOver(window.findChild<QLabel *>(QStringLiteral("tellMeMore")));
    QVERIFY(balloon->isVisible());
    QCOMPARE(balloon->textLabel()->text(), kManualAddHelpText);
    QCOMPARE(balloon->pos(), QPoint(240, 48));
}

void TestWindows::manualAddLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("valid");
    QTest::newRow("CR LF, case, blanks, repeats")
        << "abc.test\r\n  ABC.TEST  \r\n\r\nbad_name.test\r\nabc.test"
        << QStringList{"abc.test", "abc.test", "abc.test"};
    QTest::newRow("LF only") << "one.org\ntwo.org\n" << QStringList{"one.org", "two.org"};
    QTest::newRow("CR only") << "one.org\rtwo.org" << QStringList{"one.org", "two.org"};
    QTest::newRow("tab is not a blank") << "\tone.org" << QStringList{};
    QTest::newRow("nothing valid") << "x\n-ab.org\nab..org" << QStringList{};
}

void TestWindows::manualAddLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, valid);
    QCOMPARE(ManualAddWindow::validLines(text), valid);
}

void TestWindows::manualAddDone_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("answer"); // -1: no question expected
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("rows");
    const QString five = QStringLiteral("abc.test\n  ABC.TEST  \n\nbad_name.test\nabc.test");
    const QString three =
        QStringLiteral("Would you like to add the 3 valid domains to the list of domains to be checked?");
    QTest::newRow("yes adds one row") << five << 1 << three << QStringList{"abc.test"};
    QTest::newRow("no adds nothing") << five << 0 << three << QStringList{};
    QTest::newRow("empty box") << QString() << -1 << QString() << QStringList{};
    QTest::newRow("no valid line") << QStringLiteral("bad_name.test\nx") << -1 << QString() << QStringList{};
}

void TestWindows::manualAddDone()
{
    QFETCH(QString, text);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(QStringList, rows);

    TempDataFolder folder;
    ScriptedPrompter prompter;
    FakeClock clock;
    AppContext context(folder.path(), prompter, clock);
    if (answer >= 0)
        prompter.queueAnswer(answer == 1);
    ManualAddWindow window(context);
    window.show();
    window.findChild<QPlainTextEdit *>(QStringLiteral("domainsBox"))->setPlainText(text);
    window.findChild<QPushButton *>(QStringLiteral("doneButton"))->click();

    QVERIFY(window.isHidden());
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(prompter.allAnswersUsed());
    QCOMPARE(prompter.unansweredQuestions(), 0);
    QCOMPARE(prompter.texts(), question.isEmpty() ? QStringList{} : QStringList{question});
    QCOMPARE(context.list.size(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        const DomainRow &row = context.list.rowAt(i);
        QCOMPARE(row.cells[ColDomain], rows[i]);
        QCOMPARE(row.cells[ColLength], QStringLiteral("3"));
        QCOMPARE(row.cells[ColTld], QStringLiteral("test"));
        QCOMPARE(int(row.colour), int(ColourGrey));
    }
}

void TestWindows::aboutWindow()
{
    QList<QUrl> opened;
    AboutWindow window(QStringLiteral("Quorvane"), QStringLiteral("1.01"),
                       [&](const QUrl &url) { opened << url; });
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("About this program..."));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("productName"))->text(), QStringLiteral("Quorvane"));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("versionText"))->text(), QStringLiteral("1.01"));
    QStringList labels;
    for (const QLabel *l : window.findChildren<QLabel *>())
        labels << l->text();
    for (const QString &text : {QStringLiteral("Version"), QStringLiteral("Homepage"),
                                QStringLiteral("Support e-mail"), kAboutContactText})
        QVERIFY2(labels.contains(text), qPrintable(text));
    const auto *legal = window.findChild<QPlainTextEdit *>(QStringLiteral("legalNotice"));
    QVERIFY(legal->isReadOnly());
    QVERIFY(!legal->toPlainText().isEmpty());
    QVERIFY(!legal->toPlainText().endsWith(u'\n'));

    window.findChild<QPushButton *>(QStringLiteral("homepageLink"))->click();
    window.findChild<QPushButton *>(QStringLiteral("emailLink"))->click();
    QCOMPARE(opened, (QList<QUrl>{QUrl(kHomepageUrl), QUrl(QStringLiteral("mailto:") + kSupportEmail)}));

    window.findChild<QPushButton *>(QStringLiteral("doneButton"))->click();
    QVERIFY(window.isHidden());
}

void TestWindows::versionHistoryWindow()
{
    VersionHistoryWindow window;
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("Version history"));
    const auto *text = window.findChild<QPlainTextEdit *>(QStringLiteral("historyText"));
    QVERIFY(text->isReadOnly());
    QCOMPARE(text->toPlainText(),
             QStringLiteral("Version 1.01\n"
                            " * Fixed a problem with getting invalid responses on .co.uk domains when the query "
                            "limit had been exceeded\n"
                            "Version 1.0\n"
                            " * Initial release"));
    window.findChild<QPushButton *>(QStringLiteral("doneButton"))->click();
    QVERIFY(window.isHidden());
}

void TestWindows::fileFilters_data()
{
    QTest::addColumn<QString>("windowsForm");
    QTest::addColumn<QString>("qtForm");
    QTest::newRow("two filters") << "Text files (*.txt)|*.txt|All files (*.*)|*.*"
                                 << "Text files (*.txt);;All files (*)";
    QTest::newRow("no patterns in the description") << "Text files|*.txt" << "Text files (*.txt)";
    QTest::newRow("several patterns") << "Lists (*.txt;*.csv)|*.txt;*.csv" << "Lists (*.txt *.csv)";
    QTest::newRow("description without patterns") << "Web pages" << "Web pages (*)";
    QTest::newRow("empty") << "" << "";
}

void TestWindows::fileFilters()
{
    QFETCH(QString, windowsForm);
    QFETCH(QString, qtForm);
    QCOMPARE(WidgetPrompter::toQtFilter(windowsForm), qtForm);
}

void TestWindows::rowColours()
{
    DomainListModel model;
    for (const char *name : {"plain.test", "free.test", "blue.test"}) {
        DomainRow row;
        row.cells[ColDomain] = QLatin1String(name);
        model.addRow(QLatin1String(name), row);
    }
    model.paintrow(2, ColourGreen, true);
    model.paintrow(3, ColourBlue, false);

    DelegateProbe delegate;
    auto optionFor = [&](int row) {
        QStyleOptionViewItem option;
        delegate.initStyleOption(&option, model.index(row, ColInformation));
        return option;
    };
    const QStyleOptionViewItem plain = optionFor(0);
    QCOMPARE(plain.palette.color(QPalette::Text), QStyleOptionViewItem().palette.color(QPalette::Text));
    QVERIFY(!plain.font.bold());
    const QStyleOptionViewItem free = optionFor(1);
    QCOMPARE(free.palette.color(QPalette::Text), QColor(0x41, 0x91, 0x33));
    QVERIFY(free.font.bold());
    const QStyleOptionViewItem blue = optionFor(2);
    QCOMPARE(blue.palette.color(QPalette::Text), QColor(0x45, 0x5C, 0xA3));
    QVERIFY(!blue.font.bold());
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
