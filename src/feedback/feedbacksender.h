#pragma once

#include "feedback/feedbackrequest.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class CSocketPlus;
class QVariant;

// Carries one feedback post to the server over index 0 of its own socket
// object, and reads the reply until the server closes. A connection that
// fails, or stays without progress for the time-out, is tried again: at most
// three connections per send.
class FeedbackSender : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        Received,    // the reply says the message arrived
        NotReceived, // the server closed with any other reply
        Timeout,     // three connections without progress for the time-out
        SocketError, // the third connection failed; `detail` is the error's description
        CloseError,  // the third close could not be handled
    };
    static constexpr int kDefaultTimeoutMs = 20000;

    explicit FeedbackSender(QObject *parent = nullptr);
    ~FeedbackSender() override;

    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    int timeoutMs() const { return m_timeoutMs; }

    void send(const FeedbackServer &server, const QByteArray &request);
    // Ends a send silently.
    void cancel();
    bool isSending() const { return m_sending; }
    // Connections made by the current (or last) send.
    int connections() const { return m_attempt + 1; }
    // What the server sent back on the last connection.
    const QByteArray &reply() const { return m_reply; }

    // The message the form shows for an outcome (empty for Received: the form
    // thanks the user instead).
    static QString outcomeText(Outcome outcome, const QString &detail);

signals:
    void finished(FeedbackSender::Outcome outcome, const QString &detail);

private:
    void connectNow();
    void retry();
    void failOrRetry(Outcome outcome, const QString &detail);
    void finish(Outcome outcome, const QString &detail);
    void onConnect(const QVariant &index);
    void onData(const QVariant &index);
    void onClose(const QVariant &index);
    void onError(const QString &description);
    void onTimeout();

    CSocketPlus *m_socket;
    QTimer m_timer;
    FeedbackServer m_server;
    QByteArray m_request;
    QByteArray m_reply;
    int m_timeoutMs = kDefaultTimeoutMs;
    int m_attempt = 0;
    bool m_sending = false;
};
