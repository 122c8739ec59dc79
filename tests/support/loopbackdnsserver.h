#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QUdpSocket;

// A DNS server of our own for tests: UDP on 127.0.0.1, a port the system picks,
// run by the event loop of the thread that made it. Each query is recorded
// (its name, lower case) and answered as scripted for its name, or by the
// default (Ns unless set). address() is "127.0.0.1:<port>", as dns/servers takes it.
class LoopbackDnsServer : public QObject
{
    Q_OBJECT
public:
    enum class Answer {
        Ns,        // two NS records: ns1.<name>, ns2.<name>
        NxDomain,  // rcode 3
        NoData,    // no error, no records
        ServFail,  // rcode 2
        Refused,   // rcode 5
        Silence,   // nothing at all
        Truncated, // TC set, one NS record
        Malformed, // a header that promises records the packet does not hold
        WrongId,   // an NS answer under another query id
        OtherPort, // an NS answer sent from another port
    };

    LoopbackDnsServer();
    ~LoopbackDnsServer() override;

    QString address() const; // "127.0.0.1:<port>"
    void script(const QString &name, Answer answer) { m_script.insert(name, answer); }
    void setDefault(Answer answer) { m_default = answer; }

    QStringList queries() const { return m_queries; }
    int queryCount() const { return static_cast<int>(m_queries.size()); }

private:
    void readPending();
    QByteArray reply(const QByteArray &question, Answer answer) const;

    QUdpSocket *m_socket;
    QUdpSocket *m_other;
    QHash<QString, Answer> m_script;
    Answer m_default = Answer::Ns;
    QStringList m_queries;
};
