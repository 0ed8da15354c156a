// The lines every subcommand writes alike: a file's size and CRC-32, and a file's problem.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "files/file_system.h"

namespace vesperine::cli {

// "PATH: 4096 bytes (0x00001000) CRC:CBF43926", the line of the window's Analyze for a file.
[[nodiscard]] std::string SizeCrcLine(std::string_view path, std::uint64_t size, std::uint32_t crc);

// Begins a message about path on err, "vesperine-cli: PATH: ", and gives err for the message
// and its line break.
std::ostream& FileProblem(std::ostream& err, std::string_view path);

// "vesperine-cli: PATH: MESSAGE" for a file that could not be read: the window's message,
// except that a folder is called one rather than "File not found.".
void ReportReadFailure(FileSystem& files, const std::string& path, ReadStatus status, std::ostream& err);

// One file of several could not be used: why (its messages, each line "vesperine-cli: ...")
// goes to err and into results as {"path", "error"}; the caller notes the failure in its exit
// status and goes on with the next file.
void RecordFileFailure(const std::string& path, const std::string& why, std::ostream& err, nlohmann::json& results);

}  // namespace vesperine::cli
