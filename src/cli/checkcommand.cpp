#include "commands.h"

#include <cstdio>

int runCheckCommand(const QStringList &)
{
    std::fputs("quorvane-cli: 'check' is not available yet\n", stderr);
    return 2;
}
