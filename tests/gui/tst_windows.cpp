#include "app/rowcolourdelegate.h"
#include "app/widgetprompter.h"
#include "sources/manualaddwindow.h"
#include "support/windowfixture.h"
#include "widgets/helpballoonwidget.h"

#include <QMouseEvent>
#include <QStyleOptionViewItem>

// Lets the test read the options the delegate hands to the style.
class DelegateProbe : public RowColourDelegate
{
public:
    using RowColourDelegate::initStyleOption;
};

class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    // "Tell me more" shows the balloon, sized by the text: its length / 35 rounded half to even lines.
    void balloon()
    {
        const int manualAdd = int(kManualAddHelpText.size());
        for (const auto &[length, lines] : {std::pair{0, 1}, {17, 1}, {52, 1}, {53, 2}, {manualAdd, 4}})
            QCOMPARE(HelpBalloonWidget::balloonLines(length), lines);
        WindowFixture<ManualAddWindow> f;
        f.open(f.ctx).show();
        auto *tellMeMore = f.find<QLabel>("tellMeMore");
        const QPointF at(2, 2);
        QMouseEvent move(QEvent::MouseMove, at, tellMeMore->mapToGlobal(at), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(tellMeMore, &move);
        auto *balloon = f.window->findChild<HelpBalloonWidget *>();
        QVERIFY(balloon->isVisible());
        QTRY_VERIFY(balloon->isHidden());
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

QV_TEST_MAIN(TestWindows)
#include "tst_windows.moc"
