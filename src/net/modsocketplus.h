#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class QObject;

// The process-wide service under every CSocketPlus. Nothing outside src/net/
// calls it.
//
// All sockets of the process are watched through one epoll set whose descriptor
// sits behind a single QSocketNotifier on the thread that created the first
// socket object. When the set is ready, the service reads the ready sockets and
// hands each one to the object that registered it. Watching 500 connections
// therefore costs the Qt event loop one descriptor, not a thousand notifiers, and
// each wake-up touches only the sockets that have something to say.
//
// A registration is identified by descriptor and a serial number, so a ready
// report that was fetched before its socket was unregistered (or before the
// descriptor number was reused by a new socket) is dropped, never delivered to
// the wrong owner.
namespace ModSocketPlus {

// What a socket is watched for, and what a notification reports.
enum SocketEvent : quint32 {
    kEventRead = 1,   // data (or the end of the stream) can be read
    kEventWrite = 2,  // data can be written; a connect under way has finished
    kEventHangup = 4, // the connection is gone in both directions
    kEventError = 8,  // an error is pending on the socket (read it with SO_ERROR)
};

// Receives the notifications of the sockets it registered.
class SocketOwner
{
public:
    virtual void WndProc(int socket, quint32 events, void *cookie) = 0;

protected:
    ~SocketOwner() = default;
};

// Use count of the socket objects. The first start brings up the watcher, the
// last finish takes it down. Both return 0 (there is no library to start).
int InitiateProcesses();
int FinalizeProcesses();
int useCount();

// Watches `socket` for `events` (kEventRead | kEventWrite) on behalf of `owner`;
// errors and hang-ups are always reported. Registering a socket already there
// only changes what it is watched for. Returns false with errno set when the
// system refuses.
bool RegisterSocket(int socket, SocketOwner *owner, void *cookie, quint32 events);
bool ModifySocket(int socket, quint32 events);
void UnregisterSocket(int socket);
// Forgets a socket the caller is about to close: closing takes it out of the
// watch set, so this spares the system call UnregisterSocket would make.
void ForgetSocket(int socket);
bool IsSocketRegistered(int socket);
int registeredCount();

// Resolves `host` to its first IPv4 address without blocking. `done` runs on the
// thread of `context` with the lookup id, an error code of the socket layer
// (0 on success, 11001 when the name does not exist, ...) and the address.
// Nothing runs after CancelHostLookup or once `context` is gone.
using LookupDone = std::function<void(int lookupId, int error, const QString &ipv4)>;
int StartHostLookup(const QString &host, QObject *context, LookupDone done);
void CancelHostLookup(int lookupId);

// The socket layer's error number for an errno value (ECONNREFUSED -> 10061).
int errorFromErrno(int err);

} // namespace ModSocketPlus
