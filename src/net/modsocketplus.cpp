#include "modsocketplus.h"

#include "csocketplus.h"

#include <QHash>
#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>

#include <sys/epoll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

namespace ModSocketPlus {
namespace {

constexpr rlim_t kWantedDescriptors = 8192;

struct Registration {
    SocketOwner *owner = nullptr;
    void *cookie = nullptr;
    quint32 serial = 0; // 0 = free
};

struct Service {
    int useCount = 0;
    int epollFd = -1;
    QSocketNotifier *notifier = nullptr;
    quint64 generation = 0;          // changes whenever the watcher is taken down
    std::vector<Registration> table; // indexed by descriptor
    int registered = 0;
    quint32 nextSerial = 1;
};

Service &service()
{
    static Service s;
    return s;
}

quint32 toEpoll(quint32 events)
{
    quint32 mask = 0;
    if (events & kEventRead)
        mask |= EPOLLIN;
    if (events & kEventWrite)
        mask |= EPOLLOUT;
    return mask;
}

quint32 fromEpoll(quint32 mask)
{
    quint32 events = 0;
    if (mask & (EPOLLIN | EPOLLRDHUP))
        events |= kEventRead;
    if (mask & EPOLLOUT)
        events |= kEventWrite;
    if (mask & EPOLLHUP)
        events |= kEventHangup;
    if (mask & EPOLLERR)
        events |= kEventError;
    return events;
}

void dispatch()
{
    Service &s = service();
    const quint64 generation = s.generation;
    constexpr int kBatch = 256;
    epoll_event ready[kBatch];
    // A few rounds per wake-up: under load more sockets become ready while the
    // first batch is handled, and going back to the event loop for each batch
    // costs more than asking again.
    for (int round = 0; round < 4; ++round) {
        const int n = epoll_wait(s.epollFd, ready, kBatch, 0);
        if (n <= 0)
            return;
        for (int i = 0; i < n; ++i) {
            const int fd = static_cast<int>(ready[i].data.u64 & 0xffffffffu);
            const quint32 serial = static_cast<quint32>(ready[i].data.u64 >> 32);
            if (fd < 0 || static_cast<size_t>(fd) >= s.table.size())
                continue;
            const Registration reg = s.table[static_cast<size_t>(fd)];
            if (reg.serial != serial)
                continue; // unregistered (or reused) since the report was fetched
            reg.owner->WndProc(fd, fromEpoll(ready[i].events), reg.cookie);
            if (s.generation != generation)
                return; // the last socket object went away inside a handler
        }
        if (n < kBatch)
            return;
    }
}

bool startWatcher()
{
    Service &s = service();
    if (s.epollFd >= 0)
        return true;
    s.epollFd = epoll_create1(EPOLL_CLOEXEC);
    if (s.epollFd < 0)
        return false;
    s.notifier = new QSocketNotifier(s.epollFd, QSocketNotifier::Read);
    QObject::connect(s.notifier, &QSocketNotifier::activated, s.notifier, [] { dispatch(); });
    return true;
}

void stopWatcher()
{
    Service &s = service();
    if (s.epollFd < 0)
        return;
    ++s.generation;
    s.notifier->setEnabled(false);
    // Possibly inside the notifier's own signal: let the event loop delete it.
    s.notifier->deleteLater();
    s.notifier = nullptr;
    ::close(s.epollFd);
    s.epollFd = -1;
    s.table.clear();
    s.registered = 0;
}

struct LookupTable {
    QHash<int, LookupDone> pending;
};

LookupTable &lookups()
{
    static LookupTable t;
    return t;
}

} // namespace

int InitiateProcesses()
{
    if (++service().useCount == 1) {
        // A check run keeps 501 sockets open besides everything else the
        // program has open; many systems start processes with a soft limit of
        // 1024 descriptors, which leaves too little room.
        rlimit limit{};
        if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < kWantedDescriptors) {
            limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, kWantedDescriptors);
            setrlimit(RLIMIT_NOFILE, &limit);
        }
    }
    return 0;
}

int FinalizeProcesses()
{
    Service &s = service();
    const int old = s.useCount;
    s.useCount = qMax(0, s.useCount - 1);
    if (old == 1)
        stopWatcher();
    return 0;
}

int useCount()
{
    return service().useCount;
}

bool RegisterSocket(int socket, SocketOwner *owner, void *cookie, quint32 events)
{
    Service &s = service();
    if (socket < 0) {
        errno = EBADF;
        return false;
    }
    if (!startWatcher())
        return false;
    if (static_cast<size_t>(socket) >= s.table.size())
        s.table.resize(static_cast<size_t>(socket) + 64);
    Registration &reg = s.table[static_cast<size_t>(socket)];
    const bool known = reg.serial != 0;
    const quint32 serial = known ? reg.serial : s.nextSerial;
    epoll_event ev{};
    ev.events = toEpoll(events);
    ev.data.u64 = (quint64(serial) << 32) | quint32(socket);
    if (epoll_ctl(s.epollFd, known ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, socket, &ev) != 0)
        return false;
    if (!known) {
        if (++s.nextSerial == 0)
            s.nextSerial = 1;
        reg.serial = serial;
        ++s.registered;
    }
    reg.owner = owner;
    reg.cookie = cookie;
    return true;
}

bool ModifySocket(int socket, quint32 events)
{
    Service &s = service();
    if (!IsSocketRegistered(socket)) {
        errno = ENOENT;
        return false;
    }
    const Registration &reg = s.table[static_cast<size_t>(socket)];
    epoll_event ev{};
    ev.events = toEpoll(events);
    ev.data.u64 = (quint64(reg.serial) << 32) | quint32(socket);
    return epoll_ctl(s.epollFd, EPOLL_CTL_MOD, socket, &ev) == 0;
}

void UnregisterSocket(int socket)
{
    Service &s = service();
    if (!IsSocketRegistered(socket))
        return;
    epoll_ctl(s.epollFd, EPOLL_CTL_DEL, socket, nullptr);
    s.table[static_cast<size_t>(socket)] = Registration();
    --s.registered;
}

void ForgetSocket(int socket)
{
    Service &s = service();
    if (!IsSocketRegistered(socket))
        return;
    s.table[static_cast<size_t>(socket)] = Registration();
    --s.registered;
}

bool IsSocketRegistered(int socket)
{
    const Service &s = service();
    return socket >= 0 && static_cast<size_t>(socket) < s.table.size() &&
           s.table[static_cast<size_t>(socket)].serial != 0;
}

int registeredCount()
{
    return service().registered;
}

int StartHostLookup(const QString &host, QObject *context, LookupDone done)
{
    // The id is only known once lookupHost returns, and Qt may answer from its
    // cache by a queued call, so the callback finds its entry through a shared
    // slot filled in right after.
    auto id = std::make_shared<int>(0);
    const int lookupId = QHostInfo::lookupHost(host, context, [id](const QHostInfo &info) {
        const auto it = lookups().pending.find(*id);
        if (it == lookups().pending.end())
            return;
        const LookupDone callback = std::move(it.value());
        lookups().pending.erase(it);
        int error = 0;
        QString ipv4;
        switch (info.error()) {
        case QHostInfo::NoError:
            for (const QHostAddress &a : info.addresses()) {
                if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                    ipv4 = a.toString();
                    break;
                }
            }
            if (ipv4.isEmpty())
                error = 11004; // the name exists but has no IPv4 address
            break;
        case QHostInfo::HostNotFound:
            error = 11001;
            break;
        case QHostInfo::UnknownError:
            error = 11002; // temporary failure of the resolver
            break;
        }
        callback(*id, error, ipv4);
    });
    *id = lookupId;
    lookups().pending.insert(lookupId, std::move(done));
    return lookupId;
}

void CancelHostLookup(int lookupId)
{
    if (lookups().pending.remove(lookupId))
        QHostInfo::abortHostLookup(lookupId);
}

int errorFromErrno(int err)
{
    switch (err) {
    case 0:
        return 0;
    case EINTR:
        return 10004;
    case EACCES:
    case EPERM:
        return 10013;
    case EFAULT:
        return 10014;
    case EINVAL:
        return 10022;
    case EMFILE:
    case ENFILE:
        return 10024;
    case EAGAIN:
        return 10035;
    case EINPROGRESS:
        return 10036;
    case EALREADY:
        return 10037;
    case ENOTSOCK:
    case EBADF:
        return 10038;
    case EDESTADDRREQ:
        return 10039;
    case EMSGSIZE:
        return 10040;
    case EPROTOTYPE:
        return 10041;
    case ENOPROTOOPT:
        return 10042;
    case EPROTONOSUPPORT:
        return 10043;
    case ESOCKTNOSUPPORT:
        return 10044;
    case EOPNOTSUPP:
        return 10045;
    case EPFNOSUPPORT:
        return 10046;
    case EAFNOSUPPORT:
        return 10047;
    case EADDRINUSE:
        return 10048;
    case EADDRNOTAVAIL:
        return 10049;
    case ENETDOWN:
        return 10050;
    case ENETUNREACH:
        return 10051;
    case ENETRESET:
        return 10052;
    case ECONNABORTED:
        return 10053;
    // A send after the peer reset the connection fails with EPIPE here; the
    // user is better told what happened than which call noticed it.
    case EPIPE:
    case ECONNRESET:
        return 10054;
    case ENOBUFS:
    case ENOMEM:
        return 10055;
    case EISCONN:
        return 10056;
    case ENOTCONN:
        return 10057;
    case ESHUTDOWN:
        return 10058;
    case ETIMEDOUT:
        return 10060;
    case ECONNREFUSED:
        return 10061;
    case EHOSTDOWN:
    case EHOSTUNREACH:
        return 10065;
    default:
        return err;
    }
}

} // namespace ModSocketPlus

QString GetErrorDescription(int code)
{
    switch (code) {
    case 10004:
        return QStringLiteral("Interrupted function call.");
    case 10013:
        return QStringLiteral("Permission denied.");
    case 10014:
        return QStringLiteral("Bad address.");
    case 10022:
        return QStringLiteral("Invalid argument.");
    case 10024:
        return QStringLiteral("Too many open files.");
    case 10035:
        return QStringLiteral("Resource temporarily unavailable.");
    case 10036:
        return QStringLiteral("Operation now in progress.");
    case 10037:
        return QStringLiteral("Operation already in progress.");
    case 10038:
        return QStringLiteral("Socket operation on nonsocket.");
    case 10039:
        return QStringLiteral("Destination address required.");
    case 10040:
        return QStringLiteral("Message too long.");
    case 10041:
        return QStringLiteral("Protocol wrong type for socket.");
    case 10042:
        return QStringLiteral("Bad protocol option.");
    case 10043:
        return QStringLiteral("Protocol not supported.");
    case 10044:
        return QStringLiteral("Socket type not supported.");
    case 10045:
        return QStringLiteral("Operation not supported.");
    case 10046:
        return QStringLiteral("Protocol family not supported.");
    case 10047:
        return QStringLiteral("Address family not supported by protocol family.");
    case 10048:
        return QStringLiteral("Address already in use.");
    case 10049:
        return QStringLiteral("Cannot assign requested address.");
    case 10050:
        return QStringLiteral("Network is down.");
    case 10051:
        return QStringLiteral("Network is unreachable.");
    case 10052:
        return QStringLiteral("Network dropped connection on reset.");
    case 10053:
        return QStringLiteral("Software caused connection abort.");
    case 10054:
        return QStringLiteral("Connection reset by peer.");
    case 10055:
        return QStringLiteral("No buffer space available.");
    case 10056:
        return QStringLiteral("Socket is already connected.");
    case 10057:
        return QStringLiteral("Socket is not connected.");
    case 10058:
        return QStringLiteral("Cannot send after socket shutdown.");
    case 10060:
        return QStringLiteral("Connection timed out.");
    case 10061:
        return QStringLiteral("Connection refused.");
    case 10065:
        return QStringLiteral("No route to host.");
    case 10067:
        return QStringLiteral("Too many processes.");
    case 10091:
        return QStringLiteral("Network subsystem is unavailable.");
    case 10092:
        return QStringLiteral("Winsock.dll version out of range.");
    case 10093:
        return QStringLiteral("Successful WSAStartup not yet performed.");
    case 11001:
        return QStringLiteral("Host not found.");
    case 11002:
        return QStringLiteral("Nonauthoritative host not found.");
    case 11003:
        return QStringLiteral("This is a nonrecoverable error.");
    case 11004:
        return QStringLiteral("Valid name, no data record of requested type.");
    default:
        return QStringLiteral("Unknown error.");
    }
}
