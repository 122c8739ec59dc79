#include "helpballoonwidget.h"

#include "widgets/widgetunits.h"

#include <algorithm>

#include <QEvent>
#include <QLabel>
#include <QPainter>

namespace {
constexpr int kBalloonWidth = 4935;
constexpr int kTextLeft = 240;
constexpr int kTextTop = 180;
constexpr int kTextWidth = 4455;
constexpr int kCharsPerLine = 35;
constexpr int kHideDelayMs = 200;
} // namespace

HelpBalloonWidget::HelpBalloonWidget(QWidget *parent)
    : QFrame(parent)
    , m_text(new QLabel(this))
{
    setObjectName(QStringLiteral("helpBalloon"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setForegroundRole(QPalette::Text);
    setFixedWidth(twipsToPixels(kBalloonWidth));
    m_text->setObjectName(QStringLiteral("helpBalloonText"));
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setForegroundRole(QPalette::Text);
    m_text->setGeometry(twipsToPixels(kTextLeft), twipsToPixels(kTextTop), twipsToPixels(kTextWidth), 0);
    // The balloon must not swallow the mouse moves that keep it alive.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(kHideDelayMs);
    connect(&m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

int HelpBalloonWidget::balloonLines(qsizetype textLength)
{
    const int lines = roundHalfEven(static_cast<double>(textLength) / kCharsPerLine);
    return lines == 0 ? 1 : lines;
}

void HelpBalloonWidget::ShowHelpBalloon(const QString &text, int top, int left)
{
    const int lines = balloonLines(text.size());
    move(twipsToPixels(left), twipsToPixels(top));
    m_text->setText(text);
    // The sizes allow 35 characters a line in a small font; a larger desktop
    // font wraps into more lines, and the balloon grows so none is cut off.
    const int textHeight = m_text->heightForWidth(m_text->width());
    m_text->setFixedHeight(std::max(twipsToPixels(lines * 190 + 40), textHeight));
    setFixedHeight(
        std::max(twipsToPixels(lines * 120 + 400), m_text->y() + textHeight + twipsToPixels(kTextTop)));
    raise();
    show();
    // Restarting on every move keeps the balloon up while the mouse is moving.
    m_hideTimer.start();
}

void HelpBalloonWidget::attachTrigger(QWidget *trigger, const QString &text, int top, int left)
{
    trigger->setMouseTracking(true);
    trigger->installEventFilter(this);
    trigger->setAccessibleDescription(text);
    m_triggers.append({trigger, text, top, left});
}

bool HelpBalloonWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        for (const Trigger &t : std::as_const(m_triggers)) {
            if (t.widget == watched) {
                ShowHelpBalloon(t.text, t.top, t.left);
                break;
            }
        }
    }
    return QFrame::eventFilter(watched, event);
}

void HelpBalloonWidget::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(QColor(192, 192, 192));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
