#pragma once

#include "feedback/feedbackrequest.h"
#include "feedback/feedbacksender.h"

#include <QDialog>
#include <QTimer>

class Prompter;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Your opinion matters!": a rating and an opinion, posted to the feedback
// server when the user exits. Whatever happens here, closing the form lets the
// exit go on.
// Object names: headingLabel, ratingBox, messageBox, sysInfoCheck, sendingLabel,
// sendButton, exitButton.
class FeedbackForm : public QDialog
{
    Q_OBJECT
public:
    FeedbackForm(Prompter &prompter, const FeedbackServer &server, FeedbackSystem system,
                 QWidget *parent = nullptr);
    ~FeedbackForm() override;

    // The time-out of one connection (20 s unless a test shortens it).
    void setTimeoutMs(int ms) { m_sender.setTimeoutMs(ms); }
    const FeedbackSender &sender() const { return m_sender; }

    // "Send opinion".
    void sendOpinion();
    bool isSending() const { return m_sender.isSending(); }

    // The sending indicator's next text: Sending, Sending., Sending.., Sending..., Sending.
    static QString nextSendingText(const QString &text);

    void done(int result) override;

private:
    void onFinished(FeedbackSender::Outcome outcome, const QString &detail);
    void showSending(bool on);

    Prompter &m_prompter;
    FeedbackServer m_server;
    FeedbackSystem m_system;
    FeedbackSender m_sender;
    QTimer m_animation;

    QComboBox *m_rating;
    QPlainTextEdit *m_message;
    QCheckBox *m_systemInfo;
    QLabel *m_sending;
    QPushButton *m_send;
    QPushButton *m_exit;
};
