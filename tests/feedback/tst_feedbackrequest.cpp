#include "config/extrasettings.h"
#include "feedback/feedbackrequest.h"
#include "support/qtprinters.h"
#include "support/tempdatafolder.h"

#include <QHash>

#include <gtest/gtest.h>

namespace {

FeedbackSystem systemWith(const QHash<QString, QString> &environment, const QString &programFolder,
                          const QString &home, const QString &user, const QString &computer)
{
    FeedbackSystem system;
    system.programFolder = programFolder;
    system.versionText = QStringLiteral("1.01");
    system.environment = [environment](const QString &name) { return environment.value(name); };
    system.homeFolder = home;
    system.userName = user;
    system.computerName = computer;
    return system;
}

} // namespace

TEST(FeedbackEncoding, EveryCharacterButLineBreaksIsPercentEncoded)
{
    const std::pair<QString, QByteArray> cases[] = {
        {QStringLiteral("ab"), "%61%62"},
        {QStringLiteral("\t"), "%09"},
        {QStringLiteral("a\r\nb\nc\r"), "%61\r\n%62\n%63\r"},
        {QStringLiteral(" +&=%"), "%20%2B%26%3D%25"},
        {QStringLiteral("\u00e9\u00ff"), "%E9%FF"},
        {QString(), ""},
    };
    for (const auto &[text, encoded] : cases)
        EXPECT_EQ(encodeFeedbackMessage(text), encoded) << text.toStdString();
}

TEST(FeedbackRequest, PostLineByLineWithTheBodyLengthOnly)
{
    const QByteArray body = "name=opinion&email=anonymous@quorvane.example&message=%61\r\n%62&Next=+Submit+";
    const QByteArray expected =
        "POST /email.php HTTP/1.0\r\n"
        "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
        "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n"
        "Referer: https://quorvane.example/\r\n"
        "Accept-Language: sv\r\n"
        "Content-Type: application/x-www-form-urlencoded\r\n"
        "Accept-Encoding: gzip, deflate\r\n"
        "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; .NET CLR 2.0.50215)\r\n"
        "Host: feedback.example\r\n"
        "Content-Length: 76\r\n"
        "Connection: Close\r\n"
        "Cache-Control: no-cache\r\n"
        "\r\n" +
        body + "\r\n\r\n";
    ASSERT_EQ(body.size(), 76);
    EXPECT_EQ(feedbackRequest({QStringLiteral("feedback.example"), 80}, "%61\r\n%62"), expected);
    // A port of its own is named in the Host line.
    const QByteArray other = feedbackRequest({QStringLiteral("::1"), 8080}, "%61");
    EXPECT_TRUE(other.contains("\r\nHost: [::1]:8080\r\n")) << other.toStdString();
}

TEST(FeedbackSystemInformation, NamesNoOneAndNoMachine)
{
    const QHash<QString, QString> windows{
        {"APPDATA", "C:\\Users\\Alice.CORP\\AppData\\Roaming"},
        {"COMPUTERNAME", "DESK-7"},
        {"HOMEDRIVE", "C:"},
        {"HOMEPATH", "\\Users\\alice.CORP"},
        {"OS", "Windows_NT"},
        {"TEMP", "D:\\alice\\tmp"},
        {"TMP", "\\\\desk-7\\share\\tmp"},
        {"USERNAME", "alice"},
        {"windir", "C:\\Windows"},
    };
    EXPECT_EQ(feedbackSystemInformation(systemWith(windows, QStringLiteral("C:\\Users\\alice.corp\\Quorvane"),
                                                   QStringLiteral("C:\\Users\\alice.CORP"),
                                                   QStringLiteral("alice"), QStringLiteral("DESK-7"))),
              QStringLiteral("Installation path: ~\\Quorvane\r\n"
                             "Version: 1.01\r\n"
                             "ALLUSERSPROFILE=\r\n"
                             "APPDATA=~\\AppData\\Roaming\r\n"
                             "CommonProgramFiles=\r\n"
                             "COMPUTERNAME=%COMPUTERNAME%\r\n"
                             "HOMEDRIVE=C:\r\n"
                             "HOMEPATH=~\r\n"
                             "LOCALAPPDATA=\r\n"
                             "OS=Windows_NT\r\n"
                             "PROCESSOR_ARCHITECTURE=\r\n"
                             "PROCESSOR_IDENTIFIER=\r\n"
                             "ProgramData=\r\n"
                             "ProgramFiles=\r\n"
                             "SystemDrive=\r\n"
                             "SystemRoot=\r\n"
                             "TEMP=D:\\%USERNAME%\\tmp\r\n"
                             "TMP=\\\\%COMPUTERNAME%\\share\\tmp\r\n"
                             "USERNAME=%USERNAME%\r\n"
                             "windir=C:\\Windows\r\n"));

    // The home folder is masked only where a path component ends.
    const QString unix = feedbackSystemInformation(
        systemWith({{"TEMP", "/home/bobby/tmp"}}, QStringLiteral("/home/bob/apps/quorvane"),
                   QStringLiteral("/home/bob"), QStringLiteral("bob"), QStringLiteral("box")));
    EXPECT_TRUE(unix.startsWith(QStringLiteral("Installation path: ~/apps/quorvane\r\n")))
        << unix.toStdString();
    EXPECT_TRUE(unix.contains(QStringLiteral("\r\nTEMP=/home/bobby/tmp\r\n"))) << unix.toStdString();
}

TEST(FeedbackServerSetting, HostWithAnOptionalPort)
{
    // The forms and bounds are those of parseHostPort(); the feedback form's default port is 80.
    const std::optional<FeedbackServer> server = parseFeedbackServer(QStringLiteral(" [::1]"));
    ASSERT_TRUE(server);
    EXPECT_EQ(server->host + u' ' + QString::number(server->port), QStringLiteral("::1 80"));
    EXPECT_FALSE(parseFeedbackServer(QStringLiteral("host:")));

    TempDataFolder folder;
    folder.write(QStringLiteral("quorvane.ini"), "[feedback]\nserver=bad host\n");
    ExtraSettings bad(folder.path());
    EXPECT_FALSE(feedbackServerSetting(bad).server);
    EXPECT_TRUE(feedbackServerSetting(bad).problem.contains(QStringLiteral("\"bad host\"")))
        << "no reason given";
}
