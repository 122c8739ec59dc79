#pragma once

#include "engine/runhost.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <functional>

// Records what the engine shows, in place of the main window.
struct FakeRunHost : RunHost {
    void runModeOn() override { ++modeOn; }
    void runModeOff() override { ++modeOff; }
    void clearPanelNames() override { panel.clear(); }
    void printPanelName(const QString &name) override
    {
        panel.append(name);
        printed.append(name);
        longestPanel = std::max(longestPanel, int(panel.size()));
    }
    int progressFrameWidth() const override { return 6000; }
    void showProgress(const QString &p, int w) override { percent = p + u' ' + QString::number(w); }
    void showCounters(const QString &d, const QString &f, const QString &t, const QString &u) override
    {
        counters = QStringList{d, f, t, u}.join(u',');
    }
    void showWaiting(const QString &text) override
    {
        if (!text.isEmpty())
            waitingShown.append(text);
        waiting = text;
    }
    void optionsChanged() override { ++optionRefreshes; }
    void processEvents() override
    {
        QCoreApplication::processEvents();
        if (++yields == stopAtYield)
            onStop();
    }

    int modeOn = 0, modeOff = 0, longestPanel = 0, optionRefreshes = 0, yields = 0;
    QStringList panel, printed;
    QString percent, counters, waiting;
    QStringList waitingShown; // every text shown while names waited
    int stopAtYield = -1;
    std::function<void()> onStop;
};
