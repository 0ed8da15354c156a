// The catalogue of CRC models and sums by name: what `checksum --algo` and the solver choose from.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "checksum/crc.h"
#include "checksum/sums.h"

namespace vesperine::checksum {

// Every CRC model we know, ordered by width then name; the names and check values are those
// of the RevEng catalogue.
[[nodiscard]] std::span<const CrcModel> CrcModels();

// A model by its name or one of its aliases, ignoring case; nothing when unknown.
[[nodiscard]] const CrcModel* FindCrcModel(std::string_view name);

// Every sum (SumRows() in each of the three forms).
[[nodiscard]] std::span<const SumKind> AllSums();

// A sum by its SumName, ignoring case.
[[nodiscard]] std::optional<SumKind> FindSum(std::string_view name);

// Either kind of checksum, as named on the command line.
using NamedChecksum = std::variant<const CrcModel*, SumKind>;
[[nodiscard]] std::optional<NamedChecksum> FindChecksum(std::string_view name);
[[nodiscard]] std::string NameOf(const NamedChecksum& checksum);
[[nodiscard]] unsigned WidthOf(const NamedChecksum& checksum);

}  // namespace vesperine::checksum
