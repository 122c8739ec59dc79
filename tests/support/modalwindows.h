#pragma once

// A modal window runs its own event loop: a test acts on it from a zero-delay
// timer while the call that opened it has not returned yet.

#include <QApplication>
#include <QElapsedTimer>
#include <QList>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

// Runs `trigger`; each popup menu or modal window that appears is handed to
// `act`, which closes it when done with it (after ten seconds the window is
// closed regardless, and the test's checks fail instead of hanging).
inline void whileOpen(const std::function<void()> &trigger, const std::function<void(QWidget *)> &act)
{
    QTimer timer;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget *w = QApplication::activePopupWidget();
        if (!w)
            w = QApplication::activeModalWidget();
        if (w && clock.elapsed() > 10000)
            w->close();
        else if (w)
            act(w);
    });
    timer.start(0);
    trigger();
}

// Runs `trigger` and closes the modal window it opens; returns its caption
// ("" when none opened).
inline QString captionOfModalOpenedBy(const std::function<void()> &trigger)
{
    QString caption;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            caption = modal->windowTitle();
            modal->close();
        }
    });
    closer.start(0);
    trigger();
    return caption;
}

// Acts on modal windows as they come up, one step after the other. A step
// waits for its window (it returns false for any other, a stand-by window for
// one) and acts on it.
class ModalScript
{
public:
    using Step = std::function<bool(QWidget *)>;
    ModalScript &then(Step step)
    {
        m_steps << std::move(step);
        return *this;
    }
    void run(const std::function<void()> &trigger)
    {
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (m_busy || !modal || m_next >= m_steps.size())
                return;
            m_busy = true;
            if (m_steps[m_next](modal))
                ++m_next;
            m_busy = false;
        });
        timer.start(0);
        trigger();
    }
    bool allDone() const { return m_next == m_steps.size(); }

private:
    QList<Step> m_steps;
    qsizetype m_next = 0;
    bool m_busy = false;
};

// A step that clicks the button `name` of the window captioned `caption`.
inline ModalScript::Step clickIn(const QString &caption, const char *name)
{
    return [caption, name](QWidget *w) {
        if (w->windowTitle() != caption)
            return false;
        w->findChild<QPushButton *>(QLatin1String(name))->click();
        return true;
    };
}
