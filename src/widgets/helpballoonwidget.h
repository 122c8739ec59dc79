#pragma once

#include <QFrame>
#include <QTimer>

class QLabel;

// The "Tell me more" balloon several windows share: a framed text laid over the
// window, shown while the mouse moves over a trigger label and hidden 200 ms
// after the mouse stops.
class HelpBalloonWidget : public QFrame
{
    Q_OBJECT
public:
    explicit HelpBalloonWidget(QWidget *parent);

    // Shows `text` with the balloon's top-left corner at `top`, `left` (twips,
    // in the parent's coordinates).
    void ShowHelpBalloon(const QString &text, int top, int left);

    // Every mouse move over `trigger` shows the balloon with these arguments.
    void attachTrigger(QWidget *trigger, const QString &text, int top, int left);

    // Text lines the balloon makes room for: one per 35 characters, at least one.
    static int balloonLines(qsizetype textLength);

    QLabel *textLabel() const { return m_text; }
    const QTimer &hideTimer() const { return m_hideTimer; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Trigger {
        QWidget *widget;
        QString text;
        int top;
        int left;
    };

    QLabel *m_text;
    QTimer m_hideTimer;
    QList<Trigger> m_triggers;
};
