#include "loopbackdnsserver.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

namespace {

constexpr int kHeaderBytes = 12;

void put16(QByteArray &out, std::initializer_list<int> values)
{
    for (const int v : values)
        out.append(static_cast<char>(v >> 8 & 0xff)).append(static_cast<char>(v & 0xff));
}

// The question's name and the offset past the question, or an empty name.
QString questionName(const QByteArray &query, int &end)
{
    QByteArrayList labels;
    for (int i = kHeaderBytes; i < query.size() && static_cast<unsigned char>(query[i]) <= 63;) {
        const int n = static_cast<unsigned char>(query[i]);
        if (n == 0) {
            end = i + 1 + 4; // type and class
            return end <= query.size() ? QString::fromLatin1(labels.join('.')).toLower() : QString();
        }
        labels << query.mid(i + 1, n);
        i += 1 + n;
    }
    return {};
}

} // namespace

LoopbackDnsServer::LoopbackDnsServer()
    : m_socket(new QUdpSocket(this))
    , m_other(new QUdpSocket(this))
{
    m_socket->bind(QHostAddress::LocalHost, 0);
    m_other->bind(QHostAddress::LocalHost, 0);
    connect(m_socket, &QUdpSocket::readyRead, this, &LoopbackDnsServer::readPending);
}

LoopbackDnsServer::~LoopbackDnsServer() = default;

QString LoopbackDnsServer::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_socket->localPort());
}

void LoopbackDnsServer::readPending()
{
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        const QByteArray query = datagram.data();
        int end = 0;
        const QString name = questionName(query, end);
        if (name.isEmpty())
            continue;
        m_queries << name;
        const Answer answer = m_script.value(name, m_default);
        if (answer == Answer::Silence)
            continue;
        const QByteArray bytes = reply(query.left(end), answer);
        QUdpSocket *from = answer == Answer::OtherPort ? m_other : m_socket;
        from->writeDatagram(bytes, datagram.senderAddress(), static_cast<quint16>(datagram.senderPort()));
    }
}

QByteArray LoopbackDnsServer::reply(const QByteArray &question, Answer answer) const
{
    // The response code, and the NS records the answer holds.
    const quint16 rcode = answer == Answer::NxDomain   ? 3
                          : answer == Answer::ServFail ? 2
                          : answer == Answer::Refused  ? 5
                                                       : 0;
    const int records = rcode || answer == Answer::NoData ? 0 : answer == Answer::Truncated ? 1 : 2;
    quint16 id = static_cast<quint16>((static_cast<unsigned char>(question[0]) << 8) |
                                      static_cast<unsigned char>(question[1]));
    if (answer == Answer::WrongId)
        id ^= 0x5a5a;
    // QR, opcode of the query, RD copied, RA; TC for a truncated answer.
    quint16 flags = 0x8080 | (static_cast<unsigned char>(question[2]) & 0x01) << 8 | rcode;
    if (answer == Answer::Truncated)
        flags |= 0x0200;
    QByteArray out;
    put16(out, {id, flags, 1, answer == Answer::Malformed ? 3 : records, 0, 0});
    out.append(question.mid(kHeaderBytes));
    if (answer == Answer::Malformed)
        return out.append("\xc0\x0c\x00\x02", 4); // a record cut after its type
    // NS records naming ns1.<name>, ns2.<name>: a label before the question's encoded name.
    const QByteArray encoded = question.mid(kHeaderBytes, question.size() - kHeaderBytes - 4);
    for (int i = 1; i <= records; ++i) {
        out.append("\xc0\x0c", 2);                                         // the question's name
        put16(out, {2, 1, 0, 3600, static_cast<int>(encoded.size()) + 4}); // NS, IN, TTL, length
        out.append('\x03').append("ns").append(static_cast<char>('0' + i)).append(encoded);
    }
    return out;
}
