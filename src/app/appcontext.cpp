#include "appcontext.h"

#include "config/deftlds.h"
#include "config/settingsfile.h"

AppContext::AppContext(const QString &dataFolder, Prompter &prompter, Clock &clock)
    : dataFolder(dataFolder)
    , prompter(prompter)
    , clock(clock)
{
}

void AppContext::loadConfiguration()
{
    deftlds(config.table);
    config.freeResponses = defaultFreeResponses();
    config.errorResponses = defaultErrorResponses();
    LoadSettings(dataFolder, config, options);
}

bool AppContext::saveConfiguration()
{
    return SaveSettings(dataFolder, config, options, prompter);
}
