#include "feedbackform.h"

#include "base/prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace feedbacktexts;

namespace {
constexpr int kAnimationMs = 500;

QLabel *makeText(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}
} // namespace

FeedbackForm::FeedbackForm(Prompter &prompter, const FeedbackServer &server, FeedbackSystem system,
                           QWidget *parent)
    : QDialog(parent)
    , m_prompter(prompter)
    , m_server(server)
    , m_system(std::move(system))
    , m_rating(new QComboBox(this))
    , m_message(new QPlainTextEdit(this))
    , m_systemInfo(new QCheckBox(kSendSystemInfo, this))
    , m_sending(new QLabel(kSending, this))
    , m_send(new QPushButton(kSendButton, this))
    , m_exit(new QPushButton(kExitButton, this))
{
    setObjectName(QStringLiteral("feedbackForm"));
    setWindowTitle(kTitle);
    if (parent)
        setWindowIcon(parent->windowIcon());

    auto *heading = makeText(QStringLiteral("headingLabel"), kHeading, this);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.2);
    heading->setFont(headingFont);
    auto *like = makeText(QStringLiteral("likeLabel"), kLikeQuestion, this);
    QFont bold = like->font();
    bold.setBold(true);
    like->setFont(bold);
    auto *programIs = new QLabel(kProgramIs, this);
    programIs->setBuddy(m_rating);
    auto *improve = makeText(QStringLiteral("improveLabel"), kImprove, this);
    improve->setFont(bold);
    improve->setBuddy(m_message);
    auto *appeal = makeText(QStringLiteral("appealLabel"), kAppeal, this);
    auto *anonymous = makeText(QStringLiteral("anonymousLabel"), kAnonymous, this);

    m_rating->setObjectName(QStringLiteral("ratingBox"));
    m_rating->setAccessibleName(kProgramIs);
    m_rating->addItems(kRatings);
    m_rating->setCurrentIndex(0);
    m_message->setObjectName(QStringLiteral("messageBox"));
    m_message->setAccessibleName(kImprove);
    m_message->setTabChangesFocus(true);
    QPalette messagePalette = m_message->palette();
    messagePalette.setColor(QPalette::Base, QColor(248, 248, 248));
    m_message->setPalette(messagePalette);
    m_systemInfo->setObjectName(QStringLiteral("sysInfoCheck"));
    m_systemInfo->setChecked(true);
    m_systemInfo->setToolTip(kSystemInfoToolTip);
    m_sending->setObjectName(QStringLiteral("sendingLabel"));
    m_sending->setMinimumWidth(m_sending->fontMetrics().horizontalAdvance(kSending + QStringLiteral("...")));
    m_sending->hide();
    m_send->setObjectName(QStringLiteral("sendButton"));
    m_send->setAutoDefault(false);
    m_exit->setObjectName(QStringLiteral("exitButton"));
    m_exit->setAutoDefault(false);

    auto *ratingRow = new QHBoxLayout;
    ratingRow->addWidget(programIs);
    ratingRow->addWidget(m_rating);
    ratingRow->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_systemInfo);
    buttons->addStretch();
    buttons->addWidget(m_sending);
    buttons->addWidget(m_send);
    buttons->addWidget(m_exit);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(like);
    layout->addLayout(ratingRow);
    layout->addWidget(improve);
    layout->addWidget(appeal);
    layout->addWidget(m_message, 1);
    layout->addWidget(anonymous);
    layout->addLayout(buttons);
    resize(560, 420);

    m_animation.setInterval(kAnimationMs);
    connect(&m_animation, &QTimer::timeout, this,
            [this] { m_sending->setText(nextSendingText(m_sending->text())); });
    connect(m_send, &QPushButton::clicked, this, &FeedbackForm::sendOpinion);
    connect(m_exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_sender, &FeedbackSender::finished, this, &FeedbackForm::onFinished);
}

FeedbackForm::~FeedbackForm() = default;

QString FeedbackForm::nextSendingText(const QString &text)
{
    const qsizetype dots = text.size() - kSending.size();
    return dots >= 3 || dots < 0 ? kSending : text + u'.';
}

void FeedbackForm::sendOpinion()
{
    const QString message = m_message->toPlainText();
    if (message.trimmed().isEmpty() && m_rating->currentIndex() == 0) {
        m_prompter.inform(kProgramTitle, kNoOpinion);
        return;
    }
    const QString system = m_systemInfo->isChecked() ? feedbackSystemInformation(m_system) : QString();
    const QByteArray encoded =
        encodeFeedbackMessage(feedbackMessage(m_rating->currentText(), message, system));
    showSending(true);
    m_sender.send(m_server, feedbackRequest(m_server, encoded));
}

void FeedbackForm::showSending(bool on)
{
    m_send->setEnabled(!on);
    m_exit->setEnabled(!on);
    m_sending->setText(kSending);
    m_sending->setVisible(on);
    on ? m_animation.start() : m_animation.stop();
}

void FeedbackForm::onFinished(FeedbackSender::Outcome outcome, const QString &detail)
{
    showSending(false);
    switch (outcome) {
    case FeedbackSender::Outcome::Received:
        m_prompter.inform(kProgramTitle, kThanks);
        accept();
        return;
    case FeedbackSender::Outcome::NotReceived:
        m_prompter.warn(kProgramTitle, FeedbackSender::outcomeText(outcome, detail));
        return;
    case FeedbackSender::Outcome::Timeout:
    case FeedbackSender::Outcome::SocketError:
    case FeedbackSender::Outcome::CloseError:
        m_prompter.fail(kProgramTitle, FeedbackSender::outcomeText(outcome, detail));
        return;
    }
}

void FeedbackForm::done(int result)
{
    // However the form goes away, nothing is sent after it.
    m_sender.cancel();
    m_animation.stop();
    QDialog::done(result);
}
