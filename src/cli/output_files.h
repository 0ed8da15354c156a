// Writing a subcommand's outputs through one OutputSet, with the CLI's messages.
#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "files/output_set.h"

namespace vesperine::cli {

// Writes "vesperine-cli: OUT: ..." for why set refused or failed: the same file as an input
// or another output (both named), a folder, "Write error.", bytes that read back wrong, and
// after a failed rename the outputs already in place.
void ReportOutputProblem(const OutputSet& set, std::ostream& err);

// One output through its own OutputSet: claimed against inputs, staged, read back, committed.
// What was written, or nothing (with the reason on err, and every file as it was).
[[nodiscard]] std::optional<WrittenOutput> WriteOneOutput(FileSystem& files, std::vector<std::string> inputs,
                                                          const std::string& path, std::span<const std::uint8_t> bytes,
                                                          std::ostream& err);

}  // namespace vesperine::cli
