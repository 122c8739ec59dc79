#include "feedback/feedbackform.h"
#include "support/loopbackwhoisserver.h"
#include "support/windowfixture.h"

using Reply = LoopbackWhoisServer::Reply;
using Kind = ScriptedPrompter::Kind;
using namespace feedbacktexts;

namespace {

// An HTTP request is whole once its headers and Content-Length bytes of body are in.
bool wholeRequest(const QByteArray &received)
{
    const qsizetype headersEnd = received.indexOf("\r\n\r\n");
    if (headersEnd < 0)
        return false;
    const qsizetype at = received.indexOf("Content-Length: ");
    const qsizetype length =
        at < 0 ? 0 : received.mid(at + 16, received.indexOf('\r', at) - at - 16).toLongLong();
    return received.size() >= headersEnd + 4 + length;
}

// The message inside a request's body, decoded.
QString sentMessage(const QString &request)
{
    const QByteArray bytes = request.toLatin1();
    const qsizetype from = bytes.indexOf("&message=") + 9;
    const qsizetype to = bytes.indexOf("&Next=+Submit+");
    return QString::fromLatin1(QByteArray::fromPercentEncoding(bytes.mid(from, to - from)));
}

FeedbackSystem testSystem()
{
    FeedbackSystem system;
    system.programFolder = u"/opt/quorvane"_s;
    system.versionText = u"1.01"_s;
    system.environment = [](const QString &name) { return name == "OS" ? u"Linux"_s : QString(); };
    return system;
}

} // namespace

class TestFeedbackForm : public QObject
{
    Q_OBJECT

    struct Fixture {
        ScriptedPrompter prompter;
        LoopbackWhoisServer server;
        FeedbackForm form;

        // A short time-out only where a test waits for it: elsewhere a slow
        // machine must not turn into a retry.
        explicit Fixture(int timeoutMs = 60000, quint16 port = 0)
            : form(prompter, {u"127.0.0.1"_s, port ? port : server.serverPort()}, testSystem())
        {
            server.setRequestEnd(wholeRequest);
            form.setTimeoutMs(timeoutMs);
            form.show();
        }
        template <typename T> T *child(const char *name) { return form.findChild<T *>(QLatin1String(name)); }
        void click(const char *button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
        void write(const QString &message, int rating)
        {
            child<QPlainTextEdit>("messageBox")->setPlainText(message);
            child<QComboBox>("ratingBox")->setCurrentIndex(rating);
        }
        bool inputState()
        {
            return child<QPushButton>("sendButton")->isEnabled() &&
                   child<QPushButton>("exitButton")->isEnabled() && child<QLabel>("sendingLabel")->isHidden();
        }
        bool waitForMessages(int count)
        {
            return QTest::qWaitFor([&] { return prompter.log().size() >= count; }, 5000);
        }
    };

private slots:
    // An empty opinion is refused; closing the form while one is sent sends nothing more.
    void emptyOpinionAndClosingWhileSending()
    {
        Fixture f;
        QVERIFY(f.child<QCheckBox>("sysInfoCheck")->isChecked());

        // Blanks alone and no rating are no opinion: nothing is sent.
        f.write(u"  \n "_s, 0);
        f.click("sendButton");
        QCOMPARE(f.prompter.texts(), QStringList{kNoOpinion});
        QVERIFY(f.inputState());
        QCOMPARE(f.server.acceptedCount(), 0);

        f.server.setDefault(Reply::silent());
        f.write(u"x"_s, 0);
        f.click("sendButton");
        QVERIFY(f.server.waitForAccepted(1));
        QVERIFY(!f.child<QPushButton>("exitButton")->isEnabled());
        f.form.close();
        QVERIFY(!f.form.isSending());
        QVERIFY(f.server.waitForOpenCount(0));
        QCOMPARE(f.server.acceptedCount(), 1);
        QCOMPARE(f.prompter.log().size(), 1);
    }

    // Only the page that says so is a message received; any other reply warns and leaves the form open.
    void replyDecidesTheOutcome()
    {
        for (const bool received : {true, false}) {
            Fixture f;
            f.server.setDefault(
                Reply::text(received ? "HTTP/1.0 200 OK\r\n\r\n<p>Your message has been RECEIVED.</p>"
                                     : "HTTP/1.0 500 Internal Server Error\r\n\r\nsorry"));
            f.write(u"ab\nc"_s, received ? 3 : 0);
            f.child<QCheckBox>("sysInfoCheck")->setChecked(!received);
            f.click("sendButton");
            QVERIFY(!f.inputState());
            QVERIFY(f.child<QLabel>("sendingLabel")->isVisible());
            QVERIFY(f.waitForMessages(1));
            QCOMPARE(f.prompter.texts(),
                     QStringList{
                         received ? u"Thank you for your time! Quorvane will now exit.."_s
                                  : "An error ocurred and your message wasn't received, please send it to us "
                                    "manually at " +
                                        kMailAddress});
            QCOMPARE(f.prompter.count(received ? Kind::Inform : Kind::Warn), 1);
            QCOMPARE(f.form.result(), int(received ? QDialog::Accepted : QDialog::Rejected));
            QCOMPARE(f.form.isVisible(), !received);
            QVERIFY(f.inputState());
            QCOMPARE(f.server.queryCount(), 1);
            const QString request = f.server.queries().first();
            QCOMPARE(request.toLatin1(), feedbackRequest({u"127.0.0.1"_s, f.server.serverPort()},
                                                         encodeFeedbackMessage(sentMessage(request))));
            // With the box checked, the system information ends the message.
            if (received)
                QCOMPARE(sentMessage(request),
                         u"Quorvane\r\n\r\nThe program is: Good\r\n\r\nMessage: ab\r\nc\r\n\r\n"_s);
            else
                QVERIFY(sentMessage(request).endsWith("Message: ab\r\nc\r\n\r\n" +
                                                      feedbackSystemInformation(testSystem())));
        }
    }

    void threeConnectionsThenTimeoutOrSocketError()
    {
        // A silent server times out on each connection; a refused port fails on each.
        for (const bool silent : {true, false}) {
            Fixture f(silent ? 150 : 60000, silent ? 0 : LoopbackWhoisServer::refusedPort());
            f.server.setDefault(Reply::silent());
            f.write({}, 5);
            f.click("sendButton");
            QVERIFY(f.waitForMessages(1));
            const QString text = f.prompter.lastText();
            QVERIFY2(silent ? text == kTimeout
                            : text.startsWith(kSocketError) && text.size() > kSocketError.size(),
                     qPrintable(text));
            QCOMPARE(f.prompter.count(Kind::Fail), 1);
            QCOMPARE(f.form.sender().connections(), 3);
            QCOMPARE(f.server.queryCount(), silent ? 3 : 0); // the whole request went out each time
            QVERIFY(f.inputState());
            QVERIFY(f.server.waitForOpenCount(0));
        }
    }

    void exitShowsTheFormOnlyWithAServer()
    {
        // An unusable value is reported, and no form appears.
        const std::tuple<QByteArray, QString, int> cases[] = {
            {QByteArray(), QString(), 0},
            {"[feedback]\nserver=127.0.0.1:9\n", kTitle, 0},
            {"[feedback]\nserver=no such:host\n", QString(), 1},
        };
        for (const auto &[ini, caption, warnings] : cases) {
            TempDataFolder folder;
            folder.write(u"quorvane.ini"_s, ini);
            ScriptedPrompter prompter;
            AppContext context(folder.path(), prompter);
            MainWindow window(context, [](const QUrl &) {});
            window.show();
            QCOMPARE(captionOfModalOpenedBy([&] { window.close(); }), caption);
            QVERIFY(!window.isVisible());
            QVERIFY(folder.exists(u"settings.ini"_s));
            QCOMPARE(prompter.count(Kind::Warn), warnings);
            QCOMPARE(prompter.log().size(), warnings);
        }
    }
};

QV_TEST_MAIN(TestFeedbackForm)
#include "tst_feedbackform.moc"
