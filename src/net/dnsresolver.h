#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <unordered_map>

class QSocketNotifier;
struct ares_channeldata;

// NS lookups over c-ares on the event loop of the thread that owns the object:
// c-ares's sockets are watched with QSocketNotifiers and its time-outs run on
// a QTimer, so thousands of lookups can be out at once without a thread.
//
// Truncated answers are not retried over TCP: they settle nothing.
class DnsResolver : public QObject
{
    Q_OBJECT
public:
    struct Answer {
        // The name has NS records (a delegation in its parent zone).
        bool delegated = false;
        QStringList nameServers; // in the order of the answer
        // Why the answer settles nothing ("NXDOMAIN", "time-out", ...); empty when delegated.
        QString reason;
    };
    using Done = std::function<void(const Answer &)>;

    explicit DnsResolver(QObject *parent = nullptr);
    ~DnsResolver() override;

    // `servers` as host[:port] (an IPv6 address as [address]:port); empty asks
    // the system's resolvers. Each lookup waits `timeoutMs` per try and is
    // tried `tries` times. Ends what was out. False, with the reason, when the
    // servers cannot be used.
    bool configure(const QStringList &servers, int timeoutMs, int tries, QString *error = nullptr);
    bool configured() const { return m_channel != nullptr; }

    // Asks for the NS records of `name`; `done` runs once, from the event loop
    // or (for a lookup that cannot start) at once.
    void lookupNs(const QString &name, Done done);
    // Ends every lookup out; their `done` never runs.
    void cancelAll();
    int inFlight() const { return m_inFlight; }

private:
    struct Pending;
    struct Watch {
        QSocketNotifier *read = nullptr;
        QSocketNotifier *write = nullptr;
    };

    static void socketState(void *data, int fd, int readable, int writable);
    static void answered(void *arg, int status, int timeouts, unsigned char *abuf, int alen);
    void watch(int fd, bool readable, bool writable);
    void process(int readFd, int writeFd);
    void armTimer();
    void destroyChannel();

    ares_channeldata *m_channel = nullptr;
    std::unordered_map<int, Watch> m_watches;
    QTimer m_timer;
    int m_inFlight = 0;
    quint64 m_generation = 0; // lookups of an older generation were cancelled
};

// What an NS answer says, from its bytes and c-ares's status for it.
DnsResolver::Answer readNsAnswer(int status, const unsigned char *abuf, int alen);
