#pragma once

#include "engine/appcontext.h"
#include "support/fakeclock.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

// A program context over a fresh data folder, with a strict prompter and a
// clock that moves only when a test moves it.
struct ContextFixture {
    TempDataFolder folder;
    ScriptedPrompter prompter;
    FakeClock clock;
    AppContext ctx{folder.path(), prompter, clock};

    // One column of the list, in the order shown.
    QStringList column(int c = ColDomain) const
    {
        QStringList out;
        for (int i = 0; i < ctx.list.size(); ++i)
            out << ctx.list.rowAt(i).cells[static_cast<size_t>(c)];
        return out;
    }
};

// The child of `parent` named `name`, found as a user's test finds a control.
template <typename T> T *child(const QObject *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}
