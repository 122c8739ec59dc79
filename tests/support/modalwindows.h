#pragma once

// A modal window runs its own event loop: a test acts on it from a zero-delay
// timer while the call that opened it has not returned yet.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

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
    whileOpen(trigger, [&caption](QWidget *w) {
        caption = w->windowTitle();
        w->close();
    });
    return caption;
}
