#pragma once

#include <QString>

// What the check engine needs of the window that runs it: the main window, the
// command-line program and tests each provide one.
class RunHost
{
public:
    virtual ~RunHost() = default;

    // The running look: toolbar buttons and menu items disabled, working panel
    // and progress shown, list hidden; runModeOff is the exact reverse.
    virtual void runModeOn() = 0;
    virtual void runModeOff() = 0;

    // The working panel's "Current domains being processed" box.
    virtual void clearPanelNames() = 0;
    virtual void printPanelName(const QString &name) = 0;

    // Width of the progress frame in twips (the progress unit is a hundredth of it).
    virtual int progressFrameWidth() const = 0;
    // Percentage label text ("42%") and the bar's width in twips.
    virtual void showProgress(const QString &percentText, int barWidth) = 0;
    // The first four status bar panels.
    virtual void showCounters(const QString &domains, const QString &free, const QString &taken,
                              const QString &unchecked) = 0;
    // The names waiting for their servers' pace ("12 waiting for SERVER (next in 3 s)"),
    // empty when none wait: shown beside the counters during a run.
    virtual void showWaiting(const QString &text) = 0;

    // Option values were corrected by the run: refresh the boxes from the options.
    virtual void optionsChanged() = 0;
    // Let the user interface handle pending events (the dispatcher's one yield).
    virtual void processEvents() = 0;
};
