// The registration of each vesperine-cli subcommand, one per file named after it.
#pragma once

#include "cli/command.h"

namespace vesperine::cli {

void RegisterCrcCommand(CLI::App& app, int& status);  // crc_command.cpp

}  // namespace vesperine::cli
