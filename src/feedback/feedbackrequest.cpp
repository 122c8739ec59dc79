#include "feedbackrequest.h"

#include "base/hostport.h"
#include "base/textfile.h"
#include "config/extrasettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QSysInfo>

using namespace feedbacktexts;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool isPathSeparator(QChar c)
{
    return c == u'/' || c == u'\\' || c == u';' || c == u':';
}

// Every occurrence of the home folder, written with either separator, that
// ends where a path component ends.
QString maskHomeFolder(QString value, const QString &home)
{
    // "/" or "C:\" alone would mask every path.
    if (home.size() < 4)
        return value;
    QString forward = home;
    forward.replace(u'\\', u'/');
    while (forward.endsWith(u'/'))
        forward.chop(1);
    QString backward = forward;
    backward.replace(u'/', u'\\');
    QStringList forms{forward, backward};
    // A home folder on a drive is also written without it (HOMEPATH).
    if (forward.size() > 3 && forward[1] == u':' && forward[2] == u'/')
        forms << forward.mid(2) << backward.mid(2);
    for (const QString &form : std::as_const(forms)) {
        qsizetype at = 0;
        while ((at = value.indexOf(form, at, Qt::CaseInsensitive)) >= 0) {
            const qsizetype end = at + form.size();
            if (end < value.size() && !isPathSeparator(value[end])) {
                at = end;
                continue;
            }
            value.replace(at, form.size(), QStringLiteral("~"));
            at += 1;
        }
    }
    return value;
}

// Path components (the whole value for a plain name) equal to a name that
// identifies the user.
QString maskNames(const QString &value, const QString &userName, const QString &computerName)
{
    QString out;
    out.reserve(value.size());
    qsizetype start = 0;
    auto flush = [&](qsizetype end) {
        const QStringView part = QStringView(value).sliced(start, end - start);
        if (!userName.isEmpty() && part.compare(userName, Qt::CaseInsensitive) == 0)
            out += QStringLiteral("%USERNAME%");
        else if (!computerName.isEmpty() && part.compare(computerName, Qt::CaseInsensitive) == 0)
            out += QStringLiteral("%COMPUTERNAME%");
        else
            out += part;
    };
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (isPathSeparator(value[i])) {
            flush(i);
            out += value[i];
            start = i + 1;
        }
    }
    flush(value.size());
    return out;
}

QString anonymous(const QString &value, const FeedbackSystem &system)
{
    return maskNames(maskHomeFolder(value, system.homeFolder), system.userName, system.computerName);
}

QString firstSet(const std::function<QString(const QString &)> &environment,
                 std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        const QString value = environment(QLatin1String(name));
        if (!value.isEmpty())
            return value;
    }
    return {};
}

} // namespace

std::optional<FeedbackServer> parseFeedbackServer(const QString &text)
{
    const HostPort parsed = parseHostPort(text, 80);
    if (!parsed.valid())
        return std::nullopt;
    return FeedbackServer{parsed.host, parsed.port};
}

FeedbackServerSetting feedbackServerSetting(const ExtraSettings &extra)
{
    FeedbackServerSetting setting;
    const QString text = extra.text(kServerKey).trimmed();
    if (text.isEmpty())
        return setting;
    setting.server = parseFeedbackServer(text);
    if (!setting.server)
        setting.problem = QStringLiteral("%1: the value of %2, \"%3\", is not a host name with an optional "
                                         "port (host or host:port); no feedback form is shown.")
                              .arg(extra.path(), kServerKey, text);
    return setting;
}

FeedbackSystem currentFeedbackSystem()
{
    FeedbackSystem system;
    system.programFolder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    system.versionText = kVersionText;
    system.environment = [](const QString &name) {
        return qEnvironmentVariable(name.toLatin1().constData());
    };
    system.homeFolder = QDir::toNativeSeparators(QDir::homePath());
    system.userName = firstSet(system.environment, {"USERNAME", "USER", "LOGNAME"});
    system.computerName = firstSet(system.environment, {"COMPUTERNAME", "HOSTNAME"});
    if (system.computerName.isEmpty())
        system.computerName = QSysInfo::machineHostName();
    return system;
}

QString feedbackSystemInformation(const FeedbackSystem &system)
{
    QString text = QStringLiteral("Installation path: ") + anonymous(system.programFolder, system) + kCrLf +
                   QStringLiteral("Version: ") + system.versionText + kCrLf;
    for (const QString &name : kSystemVariables.split(u',')) {
        const QString value = system.environment ? system.environment(name) : QString();
        text += name + u'=' + anonymous(value, system) + kCrLf;
    }
    return text;
}

QString feedbackMessage(const QString &rating, const QString &message, const QString &systemInformation)
{
    QString body = message;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body.replace(u'\r', u'\n');
    body.replace(QStringLiteral("\n"), kCrLf);
    return kProductName + kCrLf + kCrLf + QStringLiteral("The program is: ") + rating + kCrLf + kCrLf +
           QStringLiteral("Message: ") + body + kCrLf + kCrLf + systemInformation;
}

QByteArray encodeFeedbackMessage(const QString &message)
{
    static const char kHex[] = "0123456789ABCDEF";
    const QByteArray bytes = encode8bit(message);
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            out += c;
            continue;
        }
        const auto code = static_cast<unsigned char>(c);
        out += '%';
        out += kHex[code >> 4];
        out += kHex[code & 0x0F];
    }
    return out;
}

QByteArray feedbackRequest(const FeedbackServer &server, const QByteArray &encodedMessage)
{
    const QByteArray body = "name=opinion&email=" + encode8bit(kPlaceholderEmail) +
                            "&message=" + encodedMessage + "&Next=+Submit+";
    // A port other than the usual one must be named for servers that host several sites.
    const QString host = hostPortText(server.host, server.port, 80);
    const QByteArray lines[] = {
        "POST /email.php HTTP/1.0",
        "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
        "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*",
        "Referer: " + encode8bit(kWebsite),
        "Accept-Language: sv",
        "Content-Type: application/x-www-form-urlencoded",
        "Accept-Encoding: gzip, deflate",
        "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; .NET CLR 2.0.50215)",
        "Host: " + encode8bit(host),
        "Content-Length: " + QByteArray::number(body.size()),
        "Connection: Close",
        "Cache-Control: no-cache",
        "",
        body,
        "",
    };
    QByteArray request;
    for (const QByteArray &line : lines)
        request += line + kLineEnd;
    return request;
}
