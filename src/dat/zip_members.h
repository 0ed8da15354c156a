// The members of a zip archive held in memory, through libzip.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vesperine::dat {

struct ZipMember {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

struct ZipRead {
    std::vector<ZipMember> members;  // in the archive's order; directories left out
    std::string error;               // empty when the archive was read
};

// True for bytes that begin like a zip archive (a local header, or the end record of an empty one).
[[nodiscard]] bool LooksLikeZip(std::span<const std::uint8_t> bytes);

// Every file member whose name wanted accepts, decompressed and checked against its CRC-32.
// A member of 2 GiB or more, a damaged archive or a damaged member is an error naming it.
[[nodiscard]] ZipRead ReadZipMembers(std::span<const std::uint8_t> bytes,
                                     const std::function<bool(std::string_view name)>& wanted);

}  // namespace vesperine::dat
