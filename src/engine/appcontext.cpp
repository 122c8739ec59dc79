#include "appcontext.h"

#include "config/deftlds.h"
#include "config/settingsfile.h"

AppContext::AppContext(const QString &dataFolder, Prompter &prompter, Clock &clock)
    : dataFolder(dataFolder)
    , prompter(prompter)
    , clock(clock)
    , extra(dataFolder)
{
}

void AppContext::loadConfiguration()
{
    deftlds(config.table);
    config.freeResponses = defaultFreeResponses();
    config.errorResponses = defaultErrorResponses();
    LoadSettings(dataFolder, config, options);
    if (!extra.problem().isEmpty())
        prompter.warn(kProgramTitle, extra.problem());
    // Names added before the first run get their TLD from the full suffix list,
    // not just their last label.
    run.suffixes.mylist(config.table.tlds());
}

bool AppContext::saveConfiguration()
{
    const bool saved = SaveSettings(dataFolder, config, options, prompter);
    const QString error = extra.save();
    if (!error.isEmpty()) {
        prompter.fail(kProgramTitle, error);
        return false;
    }
    return saved;
}
