#pragma once

#include "engine/runhost.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <functional>

// Records what the engine shows, in place of the main window.
class FakeRunHost : public RunHost
{
public:
    void runModeOn() override
    {
        ++modeOn;
        running = true;
    }
    void runModeOff() override
    {
        ++modeOff;
        running = false;
    }
    void clearPanelNames() override { panel.clear(); }
    void printPanelName(const QString &name) override
    {
        panel.append(name);
        printed.append(name);
        longestPanel = std::max(longestPanel, int(panel.size()));
    }
    int progressFrameWidth() const override { return 6000; }
    void showProgress(const QString &percentText, int barWidth) override
    {
        percent = percentText;
        bar = barWidth;
    }
    void showCounters(const QString &domains, const QString &free, const QString &taken,
                      const QString &unchecked) override
    {
        counters = {domains, free, taken, unchecked};
    }
    void optionsChanged() override { ++optionRefreshes; }
    void processEvents() override
    {
        ++yields;
        QCoreApplication::processEvents();
        if (onYield)
            onYield();
    }

    int modeOn = 0;
    int modeOff = 0;
    bool running = false;
    QStringList panel;
    QStringList printed;
    int longestPanel = 0;
    std::function<void()> onYield;
    QString percent;
    int bar = 0;
    QStringList counters;
    int optionRefreshes = 0;
    int yields = 0;
};
