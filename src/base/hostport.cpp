#include "hostport.h"

#include <QHostAddress>

#include <algorithm>

namespace {

bool isNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'-' ||
           u == u'.' || u == u'_';
}

bool isIpv6Address(const QString &text)
{
    return QHostAddress(text).protocol() == QAbstractSocket::IPv6Protocol;
}

// 1 to 65535 in at most five digits ("+43", " 43" and "043x" are no ports).
int portNumber(QStringView text)
{
    if (text.isEmpty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return 0;
    const int port = text.toInt();
    return port <= 65535 ? port : 0;
}

} // namespace

HostPort parseHostPort(QStringView text, int defaultPort)
{
    HostPort out;
    out.port = defaultPort;
    const QStringView s = text.trimmed();
    QStringView rest; // what follows the host: empty, or ":port"
    if (s.startsWith(u'[')) {
        const qsizetype close = s.indexOf(u']');
        if (close < 0) {
            out.host = s.toString();
            out.problem = HostPort::Problem::BadHost;
            return out;
        }
        out.host = s.sliced(1, close - 1).toString();
        rest = s.sliced(close + 1);
        if (out.host.isEmpty())
            out.problem = HostPort::Problem::NoHost;
        else if (!isIpv6Address(out.host) || (!rest.isEmpty() && !rest.startsWith(u':')))
            out.problem = HostPort::Problem::BadHost;
    } else if (s.count(u':') > 1) {
        out.host = s.toString();
        if (!isIpv6Address(out.host))
            out.problem = HostPort::Problem::BadHost;
        return out;
    } else {
        const qsizetype colon = s.indexOf(u':');
        out.host = (colon < 0 ? s : s.first(colon)).toString();
        rest = colon < 0 ? QStringView() : s.sliced(colon);
        if (out.host.isEmpty())
            out.problem = HostPort::Problem::NoHost;
        else if (!std::all_of(out.host.cbegin(), out.host.cend(), isNameChar))
            out.problem = HostPort::Problem::BadHost;
    }
    if (rest.isEmpty() || out.problem != HostPort::Problem::None)
        return out;
    out.portText = rest.sliced(1).toString();
    if (out.portText.isEmpty()) {
        out.problem = HostPort::Problem::NoPort;
        return out;
    }
    out.port = portNumber(out.portText);
    if (out.port == 0)
        out.problem = HostPort::Problem::BadPort;
    return out;
}

QString hostPortText(const QString &host, int port, int defaultPort)
{
    const QString name = host.contains(u':') ? QString(u'[' + host + u']') : host;
    return port == defaultPort ? name : QString(name + u':' + QString::number(port));
}
