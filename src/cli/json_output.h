// JSON documents as every subcommand writes them: indented, and valid whatever bytes names hold.
#pragma once

#include <iosfwd>
#include <nlohmann/json_fwd.hpp>

namespace vesperine::cli {

// Writes json indented by two spaces, then a newline. Text that is not valid UTF-8 (a Latin-1
// file name, a DAT written in Latin-1) has each invalid byte replaced by U+FFFD rather than
// refused, so the document is always valid JSON and writing it never throws.
void WriteJson(std::ostream& out, const nlohmann::json& json);

}  // namespace vesperine::cli
