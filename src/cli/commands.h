#pragma once

#include <QStringList>

// Sub-commands of quorvane-cli. `args` holds the words after the command's
// name. Each returns the process exit code.
int runLookupCommand(const QStringList &args);
int runCheckCommand(const QStringList &args);
