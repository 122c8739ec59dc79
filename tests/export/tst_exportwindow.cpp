#include "awkwardrows.h"
#include "export/resultexportwindow.h"
#include "support/windowfixture.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

class TestExportWindow : public QObject
{
    Q_OBJECT

private slots:
    void controlsAndSaving()
    {
        WindowFixture<ResultExportWindow> f;
        ResultExportWindow &window = f.open(f.ctx);
        const QDateTime when(QDate(2026, 1, 15), QTime(10, 20, 30));
        window.setNow([when] { return when; });
        QVERIFY(!child<QCheckBox>(&window, "columnCheck0")->isEnabled()); // the Domain column is always there
        QComboBox *type = child<QComboBox>(&window, "fileTypeCombo");
        QPushButton *saveAs = child<QPushButton>(&window, "saveAsButton");
        saveAs->click(); // an empty list: no file is asked for
        fillAwkwardRows(f.ctx.list);

        // Each type writes its golden report, the page dated by the system's formats.
        const char *const files[] = {"awkward.html", "awkward.txt", "awkward.csv", "awkward.xml"};
        for (int i = 0; i < 4; ++i) {
            type->setCurrentIndex(i);
            f.prompter.queueFile(f.folder.file(QString::fromLatin1(files[i])));
            saveAs->click();
            QCOMPARE(f.folder.read(QString::fromLatin1(files[i])),
                     golden(files[i]).replace(kFixedDate.toLatin1(), report::dateText(when).toLatin1()));
        }
        f.prompter.queueFile(f.folder.path()); // a folder cannot be written as a file
        saveAs->click();
        QCOMPARE(f.prompter.count(ScriptedPrompter::Kind::Fail), 1);
        QVERIFY(f.prompter.lastText().startsWith(
            u"The following error occured while trying to save to file.\r\n\r\nError number: 5\r\nDescription: "_s));
    }
};

QV_TEST_MAIN(TestExportWindow)
#include "tst_exportwindow.moc"
