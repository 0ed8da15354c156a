// The registration of each vesperine-cli subcommand, one per file named after it.
#pragma once

#include "cli/command.h"

namespace vesperine::cli {

void RegisterCrcCommand(CLI::App& app, int& status);       // crc_command.cpp
void RegisterExtractCommand(CLI::App& app, int& status);   // extract_command.cpp
void RegisterSplitCommand(CLI::App& app, int& status);     // split_command.cpp
void RegisterMergeCommand(CLI::App& app, int& status);     // merge_command.cpp
void RegisterSearchCommand(CLI::App& app, int& status);    // search_command.cpp
void RegisterDiagnoseCommand(CLI::App& app, int& status);  // diagnose_command.cpp
void RegisterCompareCommand(CLI::App& app, int& status);   // compare_command.cpp
void RegisterRepairCommand(CLI::App& app, int& status);    // repair_command.cpp
void RegisterReadsCommand(CLI::App& app, int& status);     // reads_command.cpp
void RegisterHashCommand(CLI::App& app, int& status);      // hash_command.cpp
void RegisterIdentifyCommand(CLI::App& app, int& status);  // identify_command.cpp
void RegisterDatCommand(CLI::App& app, int& status);       // dat_command.cpp
void RegisterHeaderCommand(CLI::App& app, int& status);    // header_command.cpp
void RegisterSumCommand(CLI::App& app, int& status);       // sum_command.cpp
void RegisterChecksumCommand(CLI::App& app, int& status);  // checksum_command.cpp
void RegisterSolveCommand(CLI::App& app, int& status);     // solve_command.cpp

}  // namespace vesperine::cli
