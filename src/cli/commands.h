#pragma once

#include "clicommand.h"

#include <memory>

// The commands of quorvane-cli; main() lists them in this order.
std::unique_ptr<CliCommand> makeLookupCommand();
std::unique_ptr<CliCommand> makeCheckCommand();
std::unique_ptr<CliCommand> makeGenerateCommand();
std::unique_ptr<CliCommand> makeHarvestCommand();
