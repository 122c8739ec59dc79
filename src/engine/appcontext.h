#pragma once

#include "base/clock.h"
#include "base/prompter.h"
#include "config/extrasettings.h"
#include "config/programoptions.h"
#include "config/tldservertable.h"
#include "engine/domainlistmodel.h"
#include "engine/runstate.h"

#include <QString>

// Everything the program works on, shared by the main window, the secondary
// windows, the check engine and the command-line program. The data folder, the
// prompter and the clock are given from outside so tests can redirect them.
class AppContext
{
public:
    AppContext(const QString &dataFolder, Prompter &prompter, Clock &clock = SystemClock::instance());

    // Built-in TLD table and response lists, then settings.ini over them.
    void loadConfiguration();
    // Writes settings.ini and quorvane.ini; false (after the message) on failure.
    bool saveConfiguration();

    const QString dataFolder;
    Prompter &prompter;
    Clock &clock;

    DomainListModel list;
    RunState run;
    WhoisConfig config;
    ProgramOptions options;
    // quorvane.ini: what settings.ini has no line for.
    ExtraSettings extra;
    // The quick start wizard is open. Windows it opens ask this ("wizard mode")
    // and leave out what would act behind its back.
    bool wizardMode = false;
};
