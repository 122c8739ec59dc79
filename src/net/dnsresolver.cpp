#include "dnsresolver.h"

#include <QSocketNotifier>

#include <ares.h>
#include <ares_dns.h>
#include <arpa/nameser.h>
#include <netdb.h>

#include <algorithm>

namespace {

QString statusReason(int status)
{
    switch (status) {
    case ARES_ENOTFOUND:
        return QStringLiteral("NXDOMAIN");
    case ARES_ENODATA:
        return QStringLiteral("no NS records");
    case ARES_ESERVFAIL:
        return QStringLiteral("SERVFAIL");
    case ARES_EREFUSED:
        return QStringLiteral("REFUSED");
    case ARES_ETIMEOUT:
        return QStringLiteral("time-out");
    case ARES_EBADRESP:
        return QStringLiteral("malformed answer");
    default:
        return QString::fromLatin1(ares_strerror(status));
    }
}

// c-ares is set up once per process; it is never torn down, as other users
// may share it.
void initLibrary()
{
    static const int status = ares_library_init(ARES_LIB_INIT_ALL);
    Q_UNUSED(status);
}

} // namespace

struct DnsResolver::Pending {
    DnsResolver *resolver;
    quint64 generation;
    Done done;
};

DnsResolver::Answer readNsAnswer(int status, const unsigned char *abuf, int alen)
{
    DnsResolver::Answer answer;
    if (status != ARES_SUCCESS) {
        answer.reason = statusReason(status);
        return answer;
    }
    if (!abuf || alen < NS_HFIXEDSZ) {
        answer.reason = statusReason(ARES_EBADRESP);
        return answer;
    }
    // A truncated answer may hold some of the records, or none: it proves nothing.
    if (DNS_HEADER_TC(abuf)) {
        answer.reason = QStringLiteral("truncated answer");
        return answer;
    }
    hostent *host = nullptr;
    const int parsed = ares_parse_ns_reply(abuf, alen, &host);
    if (parsed != ARES_SUCCESS) {
        answer.reason = statusReason(parsed);
        return answer;
    }
    for (char **alias = host->h_aliases; alias && *alias; ++alias)
        answer.nameServers.append(QString::fromLatin1(*alias).toLower());
    ares_free_hostent(host);
    answer.delegated = !answer.nameServers.isEmpty();
    if (!answer.delegated)
        answer.reason = statusReason(ARES_ENODATA);
    return answer;
}

DnsResolver::DnsResolver(QObject *parent)
    : QObject(parent)
{
    initLibrary();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { process(ARES_SOCKET_BAD, ARES_SOCKET_BAD); });
}

DnsResolver::~DnsResolver()
{
    destroyChannel();
}

void DnsResolver::destroyChannel()
{
    if (!m_channel)
        return;
    ++m_generation;
    ares_channel channel = m_channel;
    m_channel = nullptr;
    // Every lookup still out ends here, with ARES_EDESTRUCTION; none reports.
    ares_destroy(channel);
    for (auto &[fd, w] : m_watches) {
        delete w.read;
        delete w.write;
    }
    m_watches.clear();
    m_timer.stop();
    m_inFlight = 0;
}

bool DnsResolver::configure(const QStringList &servers, int timeoutMs, int tries, QString *error)
{
    destroyChannel();
    ares_options options{};
    options.flags = ARES_FLAG_IGNTC;
    options.timeout = std::max(1, timeoutMs);
    options.tries = std::max(1, tries);
    options.sock_state_cb = [](void *data, ares_socket_t fd, int readable, int writable) {
        socketState(data, fd, readable, writable);
    };
    options.sock_state_cb_data = this;
    ares_channel channel = nullptr;
    int status = ares_init_options(
        &channel, &options, ARES_OPT_FLAGS | ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES | ARES_OPT_SOCK_STATE_CB);
    if (status == ARES_SUCCESS && !servers.isEmpty()) {
        QStringList trimmed;
        for (const QString &s : servers)
            trimmed << s.trimmed();
        status = ares_set_servers_ports_csv(channel, trimmed.join(u',').toLatin1().constData());
        if (status != ARES_SUCCESS && error)
            *error = QStringLiteral("DNS servers %1: %2")
                         .arg(trimmed.join(QStringLiteral(", ")), QString::fromLatin1(ares_strerror(status)));
    } else if (status != ARES_SUCCESS && error) {
        *error = QStringLiteral("DNS: %1").arg(QString::fromLatin1(ares_strerror(status)));
    }
    if (status != ARES_SUCCESS) {
        if (channel)
            ares_destroy(channel);
        return false;
    }
    m_channel = channel;
    return true;
}

void DnsResolver::lookupNs(const QString &name, Done done)
{
    if (!m_channel) {
        done(readNsAnswer(ARES_ENOTINITIALIZED, nullptr, 0));
        return;
    }
    ++m_inFlight;
    auto *pending = new Pending{this, m_generation, std::move(done)};
    ares_query(m_channel, name.toLatin1().constData(), ns_c_in, ns_t_ns, &DnsResolver::answered, pending);
    armTimer();
}

void DnsResolver::cancelAll()
{
    if (!m_channel)
        return;
    ++m_generation;
    // Every lookup ends here, with ARES_ECANCELLED; none reports.
    ares_cancel(m_channel);
    m_inFlight = 0;
    armTimer();
}

void DnsResolver::answered(void *arg, int status, int, unsigned char *abuf, int alen)
{
    std::unique_ptr<Pending> pending(static_cast<Pending *>(arg));
    DnsResolver *self = pending->resolver;
    if (pending->generation != self->m_generation || status == ARES_ECANCELLED || status == ARES_EDESTRUCTION)
        return;
    --self->m_inFlight;
    pending->done(readNsAnswer(status, abuf, alen));
}

void DnsResolver::socketState(void *data, int fd, int readable, int writable)
{
    static_cast<DnsResolver *>(data)->watch(fd, readable != 0, writable != 0);
}

void DnsResolver::watch(int fd, bool readable, bool writable)
{
    Watch &w = m_watches[fd];
    // A notifier may be the one whose signal is being handled: it is switched
    // off now and deleted later.
    auto set = [this, fd](QSocketNotifier *&notifier, QSocketNotifier::Type type, bool on) {
        if (on && !notifier) {
            notifier = new QSocketNotifier(fd, type, this);
            connect(notifier, &QSocketNotifier::activated, this, [this, fd, type] {
                if (type == QSocketNotifier::Read)
                    process(fd, ARES_SOCKET_BAD);
                else
                    process(ARES_SOCKET_BAD, fd);
            });
        } else if (!on && notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
            notifier = nullptr;
        }
    };
    set(w.read, QSocketNotifier::Read, readable);
    set(w.write, QSocketNotifier::Write, writable);
    if (!w.read && !w.write)
        m_watches.erase(fd);
}

void DnsResolver::process(int readFd, int writeFd)
{
    if (!m_channel)
        return;
    ares_process_fd(m_channel, readFd, writeFd);
    armTimer();
}

void DnsResolver::armTimer()
{
    if (!m_channel)
        return;
    timeval tv{};
    if (!ares_timeout(m_channel, nullptr, &tv)) {
        m_timer.stop();
        return;
    }
    const qint64 ms = static_cast<qint64>(tv.tv_sec) * 1000 + (tv.tv_usec + 999) / 1000;
    m_timer.start(static_cast<int>(std::max<qint64>(ms, 1)));
}
