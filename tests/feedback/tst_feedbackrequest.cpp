#include "config/extrasettings.h"
#include "feedback/feedbackrequest.h"
#include "support/qtprinters.h"
#include "support/tempdatafolder.h"

#include <QHash>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

FeedbackSystem systemWith(const QHash<QString, QString> &environment, const QString &programFolder,
                          const QString &home, const QString &user, const QString &computer)
{
    FeedbackSystem system;
    system.programFolder = programFolder;
    system.versionText = u"1.01"_s;
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
        {u"ab"_s, "%61%62"},
        {u"\t"_s, "%09"},
        {u"a\r\nb\nc\r"_s, "%61\r\n%62\n%63\r"},
        {u" +&=%"_s, "%20%2B%26%3D%25"},
        {u"\u00e9\u00ff"_s, "%E9%FF"},
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
        "Referer: https://quorvane.example/\r\nAccept-Language: sv\r\n"
        "Content-Type: application/x-www-form-urlencoded\r\nAccept-Encoding: gzip, deflate\r\n"
        "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; .NET CLR 2.0.50215)\r\n"
        "Host: feedback.example\r\nContent-Length: 76\r\nConnection: Close\r\n"
        "Cache-Control: no-cache\r\n\r\n" +
        body + "\r\n\r\n";
    ASSERT_EQ(body.size(), 76);
    EXPECT_EQ(feedbackRequest({u"feedback.example"_s, 80}, "%61\r\n%62"), expected);
    // A port of its own is named in the Host line.
    const QByteArray other = feedbackRequest({u"::1"_s, 8080}, "%61");
    EXPECT_TRUE(other.contains("\r\nHost: [::1]:8080\r\n")) << other.toStdString();
}

TEST(FeedbackSystemInformation, NamesNoOneAndNoMachine)
{
    const QHash<QString, QString> windows{{"APPDATA", "C:\\Users\\Alice.CORP\\AppData\\Roaming"},
                                          {"COMPUTERNAME", "DESK-7"},
                                          {"HOMEDRIVE", "C:"},
                                          {"HOMEPATH", "\\Users\\alice.CORP"},
                                          {"OS", "Windows_NT"},
                                          {"TEMP", "D:\\alice\\tmp"},
                                          {"TMP", "\\\\desk-7\\share\\tmp"},
                                          {"USERNAME", "alice"},
                                          {"windir", "C:\\Windows"}};
    EXPECT_EQ(feedbackSystemInformation(systemWith(windows, u"C:\\Users\\alice.corp\\Quorvane"_s,
                                                   u"C:\\Users\\alice.CORP"_s, u"alice"_s, u"DESK-7"_s)),
              QString(u"Installation path: ~\\Quorvane|Version: 1.01|ALLUSERSPROFILE=|"
                      "APPDATA=~\\AppData\\Roaming|CommonProgramFiles=|COMPUTERNAME=%COMPUTERNAME%|"
                      "HOMEDRIVE=C:|HOMEPATH=~|LOCALAPPDATA=|OS=Windows_NT|PROCESSOR_ARCHITECTURE=|"
                      "PROCESSOR_IDENTIFIER=|ProgramData=|ProgramFiles=|SystemDrive=|SystemRoot=|"
                      "TEMP=D:\\%USERNAME%\\tmp|TMP=\\\\%COMPUTERNAME%\\share\\tmp|USERNAME=%USERNAME%|"
                      "windir=C:\\Windows|"_s)
                  .replace(u'|', u"\r\n"_s)); // "|" ends each line

    // The home folder is masked only where a path component ends.
    const QString unix = feedbackSystemInformation(systemWith(
        {{"TEMP", "/home/bobby/tmp"}}, u"/home/bob/apps/quorvane"_s, u"/home/bob"_s, u"bob"_s, u"box"_s));
    EXPECT_TRUE(unix.startsWith(u"Installation path: ~/apps/quorvane\r\n"_s)) << unix.toStdString();
    EXPECT_TRUE(unix.contains(u"\r\nTEMP=/home/bobby/tmp\r\n"_s)) << unix.toStdString();
}

TEST(FeedbackServerSetting, HostWithAnOptionalPort)
{
    // The forms and bounds are those of parseHostPort(); the feedback form's default port is 80.
    const std::optional<FeedbackServer> server = parseFeedbackServer(u" [::1]"_s);
    ASSERT_TRUE(server);
    EXPECT_EQ(server->host + u' ' + QString::number(server->port), u"::1 80"_s);
    EXPECT_FALSE(parseFeedbackServer(u"host:"_s));

    TempDataFolder folder;
    folder.write(u"quorvane.ini"_s, "[feedback]\nserver=bad host\n");
    ExtraSettings bad(folder.path());
    EXPECT_FALSE(feedbackServerSetting(bad).server);
    EXPECT_TRUE(feedbackServerSetting(bad).problem.contains(u"\"bad host\""_s)) << "no reason given";
}
