// The registration of each vesperine-cli subcommand, one per file named after it.
#pragma once

#include "cli/command.h"

namespace vesperine::cli {

void RegisterCrcCommand(CLI::App& app, int& status);  // crc_command.cpp
void RegisterHashCommand(CLI::App& app, int& status);      // hash_command.cpp
void RegisterIdentifyCommand(CLI::App& app, int& status);  // identify_command.cpp
void RegisterDatCommand(CLI::App& app, int& status);       // dat_command.cpp

}  // namespace vesperine::cli
