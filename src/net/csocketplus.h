#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

// A misuse of the socket object (wrong state, bad argument, unknown index) is
// raised to the caller at once as a SocketError. Network failures after Connect
// has returned arrive as errorEvent instead.
struct SocketError {
    int number = 0;
    QString description;
    QString source; // "CSocketPlus." or "modSocketPlus." + the member's name
};

// Socket states.
enum SocketState : int {
    sckClosed = 0,
    sckOpen = 1,
    sckListening = 2,
    sckResolvingHost = 4,
    sckHostResolved = 5,
    sckConnecting = 6,
    sckConnected = 7,
    sckClosing = 8,
    sckError = 9,
};
QString socketStateName(int state);

// Error texts of the socket layer by number ("Unknown error." for others).
QString GetErrorDescription(int code);

class CSocketPlusPrivate;

// An array of non-blocking TCP sockets addressed by a caller's index (an int or
// a QString; the two kinds are separate spaces), reporting what happens on them
// as signals on the thread that owns the object. All members may be called from
// inside a signal handler, including CloseSck and Connect on the same index.
// The object itself must not be deleted inside one of its signals (deleteLater).
//
// Life of an index: 0 -> Connect -> 4 (host name being resolved) -> 5 -> 6, or
// 0 -> 6 for a dotted IPv4 address -> 7 and connectEvent -> dataArrivalEvent for
// each read -> the peer closes: 8 and closeSckEvent -> CloseSck -> 0. Any
// network failure: 9 and errorEvent; from 9 only CloseSck (or ArrayRemove)
// leads back to 0. A failure found while Connect itself runs (no descriptor
// left, connect refused on the spot) is reported by errorEvent once Connect has
// returned, so a caller never sees its own handler run inside Connect. The one
// exception is 10049 (an address the system refuses outright), which Connect
// raises as a SocketError, leaving the index in state 9.
//
// All socket objects of the program live on one thread (the user-interface
// thread): the service under them watches every socket from that thread's
// event loop.
//
// Everything that arrives before the peer's close is announced by
// dataArrivalEvent first; in state 8 GetData is refused, so data must be taken
// in the handler. A read error (a reset) is reported by errorEvent, numbered
// like the other errors (10054).
//
// Left out, as nothing in the program uses them: Listen, Accept, Bind, UDP,
// ConnectionRequest (the signal exists but never fires), LocalHostName,
// the Protocol and LocalPort setters, and showing a message box when a handler
// clears cancelDisplay.
class CSocketPlus : public QObject
{
    Q_OBJECT
public:
    explicit CSocketPlus(QObject *parent = nullptr);
    ~CSocketPlus() override;

    // Array management. An index is an int or a QString inside the QVariant;
    // any other kind raises 40027.
    QVariant ArrayAdd(const QVariant &index = {});
    void ArrayRemove(const QVariant &index);
    bool ArrayIndexInUse(const QVariant &index) const;
    int ArrayCount() const;

    // Properties per index.
    int RemotePort(const QVariant &index) const;
    void SetRemotePort(const QVariant &index, int port);
    QString RemoteHost(const QVariant &index) const;
    void SetRemoteHost(const QVariant &index, const QString &host);
    QString RemoteHostIP(const QVariant &index) const;
    int LocalPort(const QVariant &index) const;
    QString LocalIP(const QVariant &index) const;
    int State(const QVariant &index) const;
    int BytesReceived(const QVariant &index) const;
    QString Tag(const QVariant &index) const;
    void SetTag(const QVariant &index, const QString &tag);

    // Operations. `port` may be omitted (invalid QVariant) to keep the stored one;
    // a non-numeric port raises 40018, a number outside 1-65535 raises 40014.
    void Connect(const QVariant &index, const QString &remoteHost = {}, const QVariant &port = {});
    void SendData(const QVariant &index, const QVariant &data); // QString (8-bit) or QByteArray
    void SendData(const QVariant &index, const QByteArray &data);
    void SendData(const QVariant &index, const char *data);
    // Takes up to maxLen bytes (all when maxLen is -1, the default) from the
    // receive buffer; text is made one byte per character (Latin-1). A maxLen
    // below -1 raises 40014.
    void GetData(const QVariant &index, QByteArray &data, qint64 maxLen = -1);
    void GetData(const QVariant &index, QString &data, qint64 maxLen = -1);
    void PeekData(const QVariant &index, QByteArray &data, qint64 maxLen = -1);
    void CloseSck(const QVariant &index);

    // Cap on the bytes one connection may receive in all (from Connect to its
    // end), whether or not the caller takes them out of the receive buffer as
    // they come. At the cap the object stops reading, announces what it read,
    // and reports the connection closed by the peer (state 8, closeSckEvent):
    // a server that never stops sending cannot make the buffer, nor the reply a
    // caller collects from it, grow without bound. Default 1 MiB; 0 or less
    // removes the cap. Applies to every index, from the next read on.
    void setReceiveCap(qint64 bytes);
    qint64 receiveCap() const;
    static constexpr qint64 kDefaultReceiveCap = 1024 * 1024;

signals:
    // The seven events, in their order.
    void closeSckEvent(const QVariant &index);
    void connectEvent(const QVariant &index);
    void connectionRequestEvent(const QVariant &index, qint32 requestId);
    void dataArrivalEvent(const QVariant &index, qint32 bytesTotal);
    void errorEvent(const QVariant &index, qint16 number, const QString &description, qint32 scode,
                    const QString &source, const QString &helpFile, qint32 helpContext, bool *cancelDisplay);
    void sendCompleteEvent(const QVariant &index);
    void sendProgressEvent(const QVariant &index, qint32 bytesSent, qint32 bytesRemaining);

private:
    std::unique_ptr<CSocketPlusPrivate> d;
    friend class CSocketPlusPrivate;
};

// Runs one member call of a socket object and hands back the misuse error it
// raised, if any, as a value: callers that go on after a refused call (a check
// run turns it into a retry or a result text) test the result instead of
// catching.
template <typename Call> std::optional<SocketError> socketCall(Call &&call)
{
    try {
        call();
    } catch (const SocketError &error) {
        return error;
    }
    return std::nullopt;
}
