#include "feedbacksender.h"

#include "net/csocketplus.h"

using namespace feedbacktexts;

namespace {
const QVariant kIndex = 0;
// Retries after the first connection.
constexpr int kRetries = 2;
} // namespace

FeedbackSender::FeedbackSender(QObject *parent)
    : QObject(parent)
    , m_socket(new CSocketPlus(this))
{
    m_socket->ArrayAdd(kIndex);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &FeedbackSender::onTimeout);
    connect(m_socket, &CSocketPlus::connectEvent, this, &FeedbackSender::onConnect);
    connect(m_socket, &CSocketPlus::dataArrivalEvent, this, &FeedbackSender::onData);
    connect(m_socket, &CSocketPlus::closeSckEvent, this, &FeedbackSender::onClose);
    connect(m_socket, &CSocketPlus::errorEvent, this,
            [this](const QVariant &, qint16, const QString &description) { onError(description); });
}

FeedbackSender::~FeedbackSender() = default;

QString FeedbackSender::outcomeText(Outcome outcome, const QString &detail)
{
    switch (outcome) {
    case Outcome::Received:
        return {};
    case Outcome::NotReceived:
        return kNotReceived;
    case Outcome::Timeout:
        return kTimeout;
    case Outcome::SocketError:
        return kSocketError + detail;
    case Outcome::CloseError:
        return kConnectError;
    }
    return {};
}

void FeedbackSender::send(const FeedbackServer &server, const QByteArray &request)
{
    m_server = server;
    m_request = request;
    m_attempt = 0;
    m_sending = true;
    connectNow();
}

void FeedbackSender::cancel()
{
    m_timer.stop();
    m_sending = false;
    m_socket->CloseSck(kIndex);
}

void FeedbackSender::connectNow()
{
    // Each connection starts a fresh reply: what a broken one left is no answer.
    m_reply.clear();
    m_timer.start(m_timeoutMs);
    m_socket->CloseSck(kIndex);
    if (const std::optional<SocketError> error =
            socketCall([&] { m_socket->Connect(kIndex, m_server.host, m_server.port); }))
        failOrRetry(Outcome::SocketError, error->description);
}

void FeedbackSender::retry()
{
    ++m_attempt;
    connectNow();
}

void FeedbackSender::failOrRetry(Outcome outcome, const QString &detail)
{
    if (m_attempt >= kRetries)
        finish(outcome, detail);
    else
        retry();
}

void FeedbackSender::finish(Outcome outcome, const QString &detail)
{
    m_timer.stop();
    m_sending = false;
    m_socket->CloseSck(kIndex);
    emit finished(outcome, detail);
}

void FeedbackSender::onConnect(const QVariant &index)
{
    if (!m_sending)
        return;
    m_timer.start(m_timeoutMs);
    if (const std::optional<SocketError> error = socketCall([&] { m_socket->SendData(index, m_request); }))
        failOrRetry(Outcome::SocketError, error->description);
}

void FeedbackSender::onData(const QVariant &index)
{
    if (!m_sending)
        return;
    m_timer.start(m_timeoutMs);
    QByteArray part;
    if (const std::optional<SocketError> error = socketCall([&] { m_socket->GetData(index, part); }))
        failOrRetry(Outcome::SocketError, error->description);
    else
        m_reply += part;
}

void FeedbackSender::onClose(const QVariant &index)
{
    if (!m_sending)
        return;
    if (socketCall([&] { m_socket->CloseSck(index); })) {
        failOrRetry(Outcome::CloseError, {});
        return;
    }
    // A reply that says nothing of the message is a failure the user is told
    // of at once; sending the same opinion again is the user's choice.
    finish(QString::fromLatin1(m_reply).toLower().contains(kReceivedMark) ? Outcome::Received
                                                                          : Outcome::NotReceived,
           {});
}

void FeedbackSender::onError(const QString &description)
{
    if (m_sending)
        failOrRetry(Outcome::SocketError, description);
}

void FeedbackSender::onTimeout()
{
    if (m_sending)
        failOrRetry(Outcome::Timeout, {});
}
