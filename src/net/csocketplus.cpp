#include "csocketplus.h"

#include "modsocketplus.h"

#include <QHash>
#include <QMetaObject>
#include <QNetworkInterface>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

using namespace ModSocketPlus;

QString socketStateName(int state)
{
    switch (state) {
    case sckClosed:
        return QStringLiteral("sckClosed");
    case sckOpen:
        return QStringLiteral("sckOpen");
    case sckListening:
        return QStringLiteral("sckListening");
    case sckResolvingHost:
        return QStringLiteral("sckResolvingHost");
    case sckHostResolved:
        return QStringLiteral("sckHostResolved");
    case sckConnecting:
        return QStringLiteral("sckConnecting");
    case sckConnected:
        return QStringLiteral("sckConnected");
    case sckClosing:
        return QStringLiteral("sckClosing");
    case sckError:
        return QStringLiteral("sckError");
    default:
        return QString();
    }
}

namespace {

const QString kSource = QStringLiteral("CSocketPlus.");

[[noreturn]] void raise(int number, const QString &description, const char *member)
{
    throw SocketError{number, description, kSource + QLatin1String(member)};
}

[[noreturn]] void raiseWrongState(const char *member)
{
    raise(40006,
          QStringLiteral("Wrong protocol or connection state for the requested transaction or request"),
          member);
}

[[noreturn]] void raiseOutOfRange(const char *member)
{
    raise(40014,
          QStringLiteral(
              "The argument passed to a function was not in the correct format or in the specified range."),
          member);
}

[[noreturn]] void raiseBadType(const char *member)
{
    raise(40018, QStringLiteral("Unsupported variant type."), member);
}

[[noreturn]] void raiseInvalidOperation(const char *member)
{
    raise(40020, QStringLiteral("Invalid operation at current state"), member);
}

[[noreturn]] void raiseBadIndexType(const char *member)
{
    raise(40027, QStringLiteral("Unsupported index type."), member);
}

bool isIntegerType(int typeId)
{
    switch (typeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

template <typename T> void appendLittleEndian(QByteArray &out, T value)
{
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T)); // every target we build for is little-endian
}

// One receive buffer shared by all sockets of the thread: reads land here and
// only the bytes that came are copied on, so an idle connection holds no more
// memory than it was sent.
constexpr int kScratchSize = 64 * 1024;
char g_scratch[kScratchSize];

} // namespace

struct SocketEntry {
    bool inUse = false;
    QVariant index;
    int fd = -1;
    int state = sckClosed;
    QString tag;
    QString remoteHost;
    int remotePort = 0;
    QString remoteHostIP;
    int boundLocalPort = 0;
    QString localIP;
    QByteArray sendBuffer;
    qsizetype sendOffset = 0; // bytes of sendBuffer already handed to the system
    QByteArray receiveBuffer;
    qint64 receivedTotal = 0;
    int sendChunk = 0;
    int receiveChunk = 0;
    int lookupId = -1;
    QString connectIp;   // the address a connect went to
    quint32 watched = 0; // events the service watches for
    // Changes whenever the entry's connection ends or a new one starts, so that
    // code running after a signal can tell whether its handler moved on.
    quint64 serial = 0;

    void resetConnection()
    {
        fd = -1;
        state = sckClosed;
        remoteHostIP.clear();
        boundLocalPort = 0;
        localIP.clear();
        sendBuffer.clear();
        sendOffset = 0;
        receiveBuffer.clear();
        receivedTotal = 0;
        sendChunk = 0;
        receiveChunk = 0;
        lookupId = -1;
        connectIp.clear();
        watched = 0;
        ++serial;
    }
};

class CSocketPlusPrivate : public SocketOwner
{
public:
    explicit CSocketPlusPrivate(CSocketPlus *q)
        : q(q)
    {
    }

    SocketEntry *find(const QVariant &index) const;
    SocketEntry *entryAt(const QVariant &index) const; // raises 40027 / 40029

    void closeEntry(SocketEntry *e);
    void connectToIp(SocketEntry *e, const QString &ip, bool insideConnect);
    void connectFinished(SocketEntry *e);
    void readAvailable(SocketEntry *e);
    void sendBuffered(SocketEntry *e);
    void peerClosed(SocketEntry *e);
    void fail(SocketEntry *e, int code, const QString &source);
    void failLater(SocketEntry *e, int code, const QString &source);
    void watch(SocketEntry *e, quint32 events);
    void stopWatching(SocketEntry *e);
    void learnLocalAddress(SocketEntry *e);
    void take(const QVariant &index, QByteArray &data, qint64 maxLen, bool remove, const char *member);

    void WndProc(int socket, quint32 events, void *cookie) override;

    CSocketPlus *q;
    // Entries are never freed while the object lives: a pointer held across a
    // signal stays valid even if the handler removed the index.
    std::vector<std::unique_ptr<SocketEntry>> entries;
    std::vector<SocketEntry *> freePlaces;
    QHash<int, SocketEntry *> byInt;
    QHash<QString, SocketEntry *> byText;
    qint64 receiveCap = CSocketPlus::kDefaultReceiveCap;
};

SocketEntry *CSocketPlusPrivate::find(const QVariant &index) const
{
    const int type = index.typeId();
    if (type == QMetaType::QString)
        return byText.value(index.toString());
    if (isIntegerType(type)) {
        bool ok = false;
        const qlonglong v = index.toLongLong(&ok);
        if (!ok || v < INT_MIN || v > INT_MAX)
            return nullptr;
        return byInt.value(static_cast<int>(v));
    }
    raiseBadIndexType("GetSocketIndex");
}

SocketEntry *CSocketPlusPrivate::entryAt(const QVariant &index) const
{
    SocketEntry *e = find(index);
    if (!e)
        raise(40029, QStringLiteral("Unknown index."), "GetSocketIndex");
    return e;
}

void CSocketPlusPrivate::watch(SocketEntry *e, quint32 events)
{
    if (e->watched == events)
        return;
    e->watched = events;
    ModifySocket(e->fd, events);
}

void CSocketPlusPrivate::closeEntry(SocketEntry *e)
{
    if (e->lookupId >= 0)
        CancelHostLookup(e->lookupId);
    if (e->fd >= 0) {
        ForgetSocket(e->fd);
        ::close(e->fd);
    }
    e->resetConnection();
}

void CSocketPlusPrivate::fail(SocketEntry *e, int code, const QString &source)
{
    e->state = sckError;
    stopWatching(e); // nothing more to hear; CloseSck releases the descriptor
    bool cancelDisplay = true;
    const QVariant index = e->index;
    emit q->errorEvent(index, static_cast<qint16>(code), GetErrorDescription(code), 0, source, QString(), 0,
                       &cancelDisplay);
}

void CSocketPlusPrivate::failLater(SocketEntry *e, int code, const QString &source)
{
    e->state = sckError;
    stopWatching(e);
    const quint64 serial = e->serial;
    QMetaObject::invokeMethod(
        q,
        [this, e, serial, code, source] {
            if (e->serial == serial && e->state == sckError)
                fail(e, code, source);
        },
        Qt::QueuedConnection);
}

void CSocketPlusPrivate::connectToIp(SocketEntry *e, const QString &ip, bool insideConnect)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<quint16>(e->remotePort));
    inet_pton(AF_INET, ip.toLatin1().constData(), &addr.sin_addr);
    e->connectIp = ip;
    e->state = sckConnecting;
    const int rc = ::connect(e->fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr);
    const int err = rc == 0 ? 0 : errno;
    if (rc == 0 || err == EINPROGRESS || err == EAGAIN) {
        e->watched = kEventWrite;
        if (!RegisterSocket(e->fd, this, e, kEventWrite)) {
            const int code = errorFromErrno(errno);
            insideConnect ? failLater(e, code, QStringLiteral("CSocketPlus.ConnectToIP"))
                          : fail(e, code, QStringLiteral("CSocketPlus.ConnectToIP"));
        }
        return;
    }
    const int code = errorFromErrno(err);
    if (code == 10049 && insideConnect) {
        e->state = sckError;
        raise(10049, GetErrorDescription(10049), "ConnectToIP");
    }
    insideConnect ? failLater(e, code, QStringLiteral("CSocketPlus.ConnectToIP"))
                  : fail(e, code, QStringLiteral("CSocketPlus.ConnectToIP"));
}

void CSocketPlusPrivate::connectFinished(SocketEntry *e)
{
    int err = 0;
    socklen_t len = sizeof err;
    if (getsockopt(e->fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
        err = errno;
    if (err != 0) {
        fail(e, errorFromErrno(err), QStringLiteral("CSocketPlus.PostSocket"));
        return;
    }
    // The peer is the address we connected to; the local end is looked up only
    // if someone asks (LocalPort, LocalIP): at 500 connections every system
    // call per cycle shows.
    e->remoteHostIP = e->connectIp;
    e->state = sckConnected;
    watch(e, kEventRead);
    const QVariant index = e->index;
    emit q->connectEvent(index);
}

void CSocketPlusPrivate::peerClosed(SocketEntry *e)
{
    e->state = sckClosing;
    const quint64 serial = e->serial;
    const QVariant index = e->index;
    emit q->closeSckEvent(index);
    // Usually the handler has closed the socket by now. If not, keep the
    // descriptor until CloseSck but stop listening: a closed stream stays
    // readable and would wake the loop for nothing.
    if (e->serial == serial && e->state == sckClosing)
        stopWatching(e);
}

void CSocketPlusPrivate::stopWatching(SocketEntry *e)
{
    if (e->fd >= 0)
        UnregisterSocket(e->fd);
    e->watched = 0;
}

void CSocketPlusPrivate::learnLocalAddress(SocketEntry *e)
{
    if (e->state != sckConnected || !e->localIP.isEmpty())
        return;
    sockaddr_in addr{};
    socklen_t addrLen = sizeof addr;
    if (getsockname(e->fd, reinterpret_cast<sockaddr *>(&addr), &addrLen) != 0)
        return;
    char text[INET_ADDRSTRLEN];
    e->localIP = QString::fromLatin1(inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text));
    e->boundLocalPort = ntohs(addr.sin_port);
}

void CSocketPlusPrivate::readAvailable(SocketEntry *e)
{
    const quint64 serial = e->serial;
    // A few reads per wake-up: a short reply and the server's close usually come
    // together, and catching the close now saves a trip round the event loop.
    for (int round = 0; round < 8; ++round) {
        qint64 want = qMin<qint64>(e->receiveChunk > 0 ? e->receiveChunk : kScratchSize, kScratchSize);
        if (receiveCap > 0) {
            const qint64 room = receiveCap - e->receivedTotal;
            if (room <= 0) {
                peerClosed(e);
                return;
            }
            want = qMin(want, room);
        }
        const ssize_t n = ::recv(e->fd, g_scratch, static_cast<size_t>(want), 0);
        if (n > 0) {
            e->receiveBuffer.append(g_scratch, n);
            e->receivedTotal += n;
            const QVariant index = e->index;
            emit q->dataArrivalEvent(index,
                                     static_cast<qint32>(qMin<qsizetype>(e->receiveBuffer.size(), INT_MAX)));
            if (e->serial != serial || e->state != sckConnected)
                return;
            if (receiveCap > 0 && e->receivedTotal >= receiveCap) {
                peerClosed(e);
                return;
            }
            continue;
        }
        if (n == 0) {
            peerClosed(e);
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            fail(e, errorFromErrno(errno), QStringLiteral("CSocketPlus.PostSocket"));
        return;
    }
}

void CSocketPlusPrivate::sendBuffered(SocketEntry *e)
{
    const quint64 serial = e->serial;
    qint64 sentThisRound = 0;
    while (e->sendOffset < e->sendBuffer.size()) {
        const qsizetype left = e->sendBuffer.size() - e->sendOffset;
        const size_t chunk =
            static_cast<size_t>(e->sendChunk > 0 ? qMin<qsizetype>(left, e->sendChunk) : left);
        const ssize_t n = ::send(e->fd, e->sendBuffer.constData() + e->sendOffset, chunk, MSG_NOSIGNAL);
        if (n >= 0) {
            e->sendOffset += n;
            sentThisRound += n;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            watch(e, kEventRead | kEventWrite);
            if (sentThisRound > 0) {
                const QVariant index = e->index;
                emit q->sendProgressEvent(index, static_cast<qint32>(sentThisRound),
                                          static_cast<qint32>(e->sendBuffer.size() - e->sendOffset));
            }
            return;
        }
        fail(e, errorFromErrno(errno), QStringLiteral("CSocketPlus.SendBufferedData"));
        return;
    }
    e->sendBuffer.clear();
    e->sendOffset = 0;
    watch(e, kEventRead);
    const QVariant index = e->index;
    emit q->sendProgressEvent(index, static_cast<qint32>(sentThisRound), 0);
    if (e->serial == serial)
        emit q->sendCompleteEvent(index);
}

void CSocketPlusPrivate::take(const QVariant &index, QByteArray &data, qint64 maxLen, bool remove,
                              const char *member)
{
    SocketEntry *e = entryAt(index);
    if (e->state != sckConnected)
        raiseWrongState(member);
    if (maxLen < -1)
        raiseOutOfRange(member);
    if (maxLen == -1 || maxLen >= e->receiveBuffer.size()) {
        data = remove ? std::exchange(e->receiveBuffer, QByteArray()) : e->receiveBuffer;
        return;
    }
    data = e->receiveBuffer.left(maxLen);
    if (remove)
        e->receiveBuffer.remove(0, maxLen);
}

void CSocketPlusPrivate::WndProc(int socket, quint32 events, void *cookie)
{
    auto *e = static_cast<SocketEntry *>(cookie);
    if (e->fd != socket)
        return;
    const quint64 serial = e->serial;
    if (e->state == sckConnecting) {
        if (!(events & (kEventWrite | kEventError | kEventHangup)))
            return;
        connectFinished(e);
        // A server that speaks first may already have sent its reply.
        if (e->serial == serial && e->state == sckConnected && (events & kEventRead))
            readAvailable(e);
        return;
    }
    if (e->state != sckConnected) {
        stopWatching(e); // closed by the peer and not yet by the caller
        return;
    }
    if ((events & kEventWrite) && e->sendOffset < e->sendBuffer.size()) {
        sendBuffered(e);
        if (e->serial != serial || e->state != sckConnected)
            return;
    }
    if (events & (kEventRead | kEventError | kEventHangup))
        readAvailable(e);
}

CSocketPlus::CSocketPlus(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<CSocketPlusPrivate>(this))
{
    InitiateProcesses();
}

CSocketPlus::~CSocketPlus()
{
    for (const auto &e : d->entries) {
        if (e->inUse)
            d->closeEntry(e.get());
    }
    FinalizeProcesses();
}

QVariant CSocketPlus::ArrayAdd(const QVariant &index)
{
    QVariant key = index;
    if (!key.isValid()) {
        int i = 1;
        while (d->byInt.contains(i))
            ++i;
        key = i;
    } else if (key.typeId() == QMetaType::QString) {
        if (d->byText.contains(key.toString()))
            raise(40028, QStringLiteral("This index is already associated with an element of this array."),
                  "ArrayAdd");
    } else if (isIntegerType(key.typeId())) {
        bool ok = false;
        const qlonglong v = key.toLongLong(&ok);
        if (!ok || v < INT_MIN || v > INT_MAX)
            raiseOutOfRange("ArrayAdd");
        key = static_cast<int>(v);
        if (d->byInt.contains(key.toInt()))
            raise(40028, QStringLiteral("This index is already associated with an element of this array."),
                  "ArrayAdd");
    } else {
        raiseBadIndexType("ArrayAdd");
    }

    SocketEntry *e;
    if (!d->freePlaces.empty()) {
        e = d->freePlaces.back();
        d->freePlaces.pop_back();
    } else {
        d->entries.push_back(std::make_unique<SocketEntry>());
        e = d->entries.back().get();
    }
    const quint64 serial = e->serial;
    *e = SocketEntry();
    e->serial = serial + 1;
    e->inUse = true;
    e->index = key;
    if (key.typeId() == QMetaType::QString)
        d->byText.insert(key.toString(), e);
    else
        d->byInt.insert(key.toInt(), e);
    return key;
}

void CSocketPlus::ArrayRemove(const QVariant &index)
{
    SocketEntry *e = d->entryAt(index);
    d->closeEntry(e);
    if (e->index.typeId() == QMetaType::QString)
        d->byText.remove(e->index.toString());
    else
        d->byInt.remove(e->index.toInt());
    const quint64 serial = e->serial;
    *e = SocketEntry();
    e->serial = serial + 1;
    d->freePlaces.push_back(e);
}

bool CSocketPlus::ArrayIndexInUse(const QVariant &index) const
{
    try {
        return d->find(index) != nullptr;
    } catch (const SocketError &) {
        return false;
    }
}

int CSocketPlus::ArrayCount() const
{
    return static_cast<int>(d->byInt.size() + d->byText.size());
}

int CSocketPlus::RemotePort(const QVariant &index) const
{
    return d->entryAt(index)->remotePort;
}

void CSocketPlus::SetRemotePort(const QVariant &index, int port)
{
    SocketEntry *e = d->entryAt(index);
    if (e->state != sckClosed)
        raiseInvalidOperation("RemotePort");
    if (port < 0 || port > 65535)
        raiseOutOfRange("RemotePort");
    e->remotePort = port;
}

QString CSocketPlus::RemoteHost(const QVariant &index) const
{
    return d->entryAt(index)->remoteHost;
}

void CSocketPlus::SetRemoteHost(const QVariant &index, const QString &host)
{
    SocketEntry *e = d->entryAt(index);
    if (e->state != sckClosed)
        raiseInvalidOperation("RemoteHost");
    e->remoteHost = host;
}

QString CSocketPlus::RemoteHostIP(const QVariant &index) const
{
    return d->entryAt(index)->remoteHostIP;
}

int CSocketPlus::LocalPort(const QVariant &index) const
{
    SocketEntry *e = d->entryAt(index);
    d->learnLocalAddress(e);
    return e->boundLocalPort;
}

QString CSocketPlus::LocalIP(const QVariant &index) const
{
    SocketEntry *e = d->entryAt(index);
    d->learnLocalAddress(e);
    if (e->state == sckConnected && !e->localIP.isEmpty())
        return e->localIP;
    for (const QHostAddress &a : QNetworkInterface::allAddresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
            return a.toString();
    }
    return QStringLiteral("127.0.0.1");
}

int CSocketPlus::State(const QVariant &index) const
{
    return d->entryAt(index)->state;
}

int CSocketPlus::BytesReceived(const QVariant &index) const
{
    return static_cast<int>(qMin<qsizetype>(d->entryAt(index)->receiveBuffer.size(), INT_MAX));
}

QString CSocketPlus::Tag(const QVariant &index) const
{
    return d->entryAt(index)->tag;
}

void CSocketPlus::SetTag(const QVariant &index, const QString &tag)
{
    d->entryAt(index)->tag = tag;
}

void CSocketPlus::Connect(const QVariant &index, const QString &remoteHost, const QVariant &port)
{
    SocketEntry *e = d->entryAt(index);
    if (e->state != sckClosed)
        raiseInvalidOperation("Connect");
    int newPort = e->remotePort;
    if (port.isValid()) {
        bool ok = false;
        qlonglong value = 0;
        if (isIntegerType(port.typeId())) {
            value = port.toLongLong(&ok);
        } else if (port.typeId() == QMetaType::Double || port.typeId() == QMetaType::Float) {
            const double v = port.toDouble();
            ok = v == static_cast<double>(static_cast<qlonglong>(v));
            value = static_cast<qlonglong>(v);
        } else if (port.typeId() == QMetaType::QString) {
            value = port.toString().trimmed().toLongLong(&ok);
        }
        if (!ok)
            raiseBadType("Connect");
        if (value < 1 || value > 65535)
            raiseOutOfRange("Connect");
        newPort = static_cast<int>(value);
    } else if (newPort < 1 || newPort > 65535) {
        raiseOutOfRange("Connect");
    }
    if (!remoteHost.isEmpty())
        e->remoteHost = remoteHost;
    e->remotePort = newPort;

    e->resetConnection();
    e->fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (e->fd < 0) {
        d->failLater(e, errorFromErrno(errno), QStringLiteral("CSocketPlus.SocketExists"));
        return;
    }
    // Every new socket starts with the system's default buffer sizes: ask once.
    static const std::pair<int, int> chunks = [fd = e->fd] {
        int send = 0;
        int receive = 0;
        socklen_t len = sizeof send;
        getsockopt(fd, SOL_SOCKET, SO_SNDBUF, &send, &len);
        len = sizeof receive;
        getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive, &len);
        return std::make_pair(send, receive);
    }();
    e->sendChunk = chunks.first;
    e->receiveChunk = chunks.second;

    in_addr parsed{};
    const QByteArray host = e->remoteHost.toLatin1();
    if (inet_pton(AF_INET, host.constData(), &parsed) == 1) {
        d->connectToIp(e, e->remoteHost, true);
        return;
    }
    e->state = sckResolvingHost;
    const quint64 serial = e->serial;
    CSocketPlusPrivate *priv = d.get();
    e->lookupId =
        StartHostLookup(e->remoteHost, this, [priv, e, serial](int, int error, const QString &ipv4) {
            if (e->serial != serial || e->state != sckResolvingHost)
                return;
            e->lookupId = -1;
            if (error != 0) {
                priv->fail(e, error, QStringLiteral("CSocketPlus.ConnectToIP"));
                return;
            }
            e->state = sckHostResolved;
            priv->connectToIp(e, ipv4, false);
        });
}

void CSocketPlus::SendData(const QVariant &index, const QVariant &data)
{
    SocketEntry *e = d->entryAt(index);
    if (e->state != sckConnected)
        raiseWrongState("SendData");
    QByteArray bytes;
    switch (data.typeId()) {
    case QMetaType::QString:
        bytes = data.toString().toLatin1();
        break;
    case QMetaType::QByteArray:
        bytes = data.toByteArray();
        break;
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        appendLittleEndian(bytes, static_cast<quint8>(data.toUInt()));
        break;
    case QMetaType::Short:
    case QMetaType::UShort:
        appendLittleEndian(bytes, static_cast<quint16>(data.toUInt()));
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
        appendLittleEndian(bytes, static_cast<quint32>(data.toUInt()));
        break;
    case QMetaType::Float:
        appendLittleEndian(bytes, data.toFloat());
        break;
    case QMetaType::Double:
        appendLittleEndian(bytes, data.toDouble());
        break;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        appendLittleEndian(bytes, static_cast<quint64>(data.toULongLong()));
        break;
    case QMetaType::Bool:
        appendLittleEndian(bytes, static_cast<qint16>(data.toBool() ? -1 : 0));
        break;
    default:
        raiseBadType("SendData");
    }
    SendData(index, bytes);
}

void CSocketPlus::SendData(const QVariant &index, const QByteArray &data)
{
    SocketEntry *e = d->entryAt(index);
    if (e->state != sckConnected)
        raiseWrongState("SendData");
    if (data.isEmpty())
        return;
    const bool idle = e->sendOffset >= e->sendBuffer.size();
    if (idle) {
        e->sendBuffer = data;
        e->sendOffset = 0;
        d->sendBuffered(e);
    } else {
        e->sendBuffer.append(data);
    }
}

void CSocketPlus::SendData(const QVariant &index, const char *data)
{
    SendData(index, QByteArray(data));
}

void CSocketPlus::GetData(const QVariant &index, QByteArray &data, qint64 maxLen)
{
    d->take(index, data, maxLen, true, "GetData");
}

void CSocketPlus::GetData(const QVariant &index, QString &data, qint64 maxLen)
{
    QByteArray bytes;
    GetData(index, bytes, maxLen);
    data = QString::fromLatin1(bytes);
}

void CSocketPlus::PeekData(const QVariant &index, QByteArray &data, qint64 maxLen)
{
    d->take(index, data, maxLen, false, "PeekData");
}

void CSocketPlus::CloseSck(const QVariant &index)
{
    d->closeEntry(d->entryAt(index));
}

void CSocketPlus::setReceiveCap(qint64 bytes)
{
    d->receiveCap = bytes;
}

qint64 CSocketPlus::receiveCap() const
{
    return d->receiveCap;
}
