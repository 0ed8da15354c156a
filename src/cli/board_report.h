// The board command's report, as lines and as JSON, from one board::BoardResult.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <ostream>
#include <span>

#include "board/board.h"

namespace vesperine::cli {

void WriteBoardText(std::ostream& out, const board::BoardResult& result, std::span<const board::Chip> chips,
                    const board::BoardIndex& index);
[[nodiscard]] nlohmann::json BoardJson(const board::BoardResult& result, std::span<const board::Chip> chips,
                                       const board::BoardIndex& index);

}  // namespace vesperine::cli
