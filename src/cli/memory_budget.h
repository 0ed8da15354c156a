// How much memory a subcommand's working tables may take without sending the machine into swap.
#pragma once

#include <cstdint>

namespace vesperine::cli {

// Half the physical memory (half of 4 GiB when it cannot be learnt): the rest stays for the
// loaded file, the system and whatever else runs.
[[nodiscard]] std::uint64_t TableMemoryBudget();

}  // namespace vesperine::cli
