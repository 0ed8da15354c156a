// The one place where a subcommand's JSON document is turned into text.
#include "cli/json_output.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace vesperine::cli {

void WriteJson(std::ostream& out, const nlohmann::json& json) {
    out << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace vesperine::cli
