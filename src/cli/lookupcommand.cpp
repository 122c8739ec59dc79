#include "commands.h"

#include <cstdio>

int runLookupCommand(const QStringList &)
{
    std::fputs("quorvane-cli: 'lookup' is not available yet\n", stderr);
    return 2;
}
