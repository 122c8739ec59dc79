#include "feedback/feedbackrequest.h"
#include "support/qtprinters.h"

#include <QFile>
#include <QHash>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray sample(const char *name)
{
    QFile f(QStringLiteral(QV_TEST_DATA_DIR "/feedback/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

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
    EXPECT_EQ(feedbackRequest({u"feedback.example"_s, 80}, "%61\r\n%62"), sample("request.txt"));
    // A port of its own is named in the Host line.
    const QByteArray other = feedbackRequest({u"::1"_s, 8080}, "%61");
    EXPECT_TRUE(other.contains("\r\nHost: [::1]:8080\r\n")) << other.toStdString();
    EXPECT_EQ(parseFeedbackServer(u" [::1]"_s)->port, 80); // the form's own default port
}

TEST(FeedbackSystemInformation, NamesNoOneAndNoMachine)
{
    QHash<QString, QString> windows;
    for (const QString &v :
         u"APPDATA=C:\\Users\\Alice.CORP\\AppData\\Roaming|COMPUTERNAME=DESK-7|HOMEDRIVE=C:|"
         "HOMEPATH=\\Users\\alice.CORP|OS=Windows_NT|TEMP=D:\\alice\\tmp|"
         "TMP=\\\\desk-7\\share\\tmp|USERNAME=alice|windir=C:\\Windows"_s.split(u'|'))
        windows.insert(v.section(u'=', 0, 0), v.section(u'=', 1));
    EXPECT_EQ(feedbackSystemInformation(systemWith(windows, u"C:\\Users\\alice.corp\\Quorvane"_s,
                                                   u"C:\\Users\\alice.CORP"_s, u"alice"_s, u"DESK-7"_s)),
              QString::fromLatin1(sample("windows-system.txt")));

    // The home folder is masked only where a path component ends.
    const QString unix = feedbackSystemInformation(systemWith(
        {{"TEMP", "/home/bobby/tmp"}}, u"/home/bob/apps/quorvane"_s, u"/home/bob"_s, u"bob"_s, u"box"_s));
    EXPECT_TRUE(unix.startsWith(u"Installation path: ~/apps/quorvane\r\n"_s)) << unix.toStdString();
    EXPECT_TRUE(unix.contains(u"\r\nTEMP=/home/bobby/tmp\r\n"_s)) << unix.toStdString();
}
