// One ROM as a DAT describes it, whatever form the DAT has.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesperine::dat {

using Md5 = std::array<std::uint8_t, 16>;
using Sha1 = std::array<std::uint8_t, 20>;
using Sha256 = std::array<std::uint8_t, 32>;

// good and verified dumps are trusted; baddump is the best known but wrong dump; nodump means
// nobody has read the chip (such entries usually carry no CRC).
enum class RomStatus { Good, BadDump, NoDump, Verified };

// The largest ROM a DAT may describe: the program loads files below 2 GiB, so a larger entry
// could never be matched and is taken as a mistake in the DAT.
inline constexpr std::uint64_t kMaxRomSize = 0x7FFFFFFFu;

struct RomEntry {
    std::string game;  // the game's or machine's name
    std::string name;
    std::uint64_t size = 0;
    std::optional<std::uint32_t> crc;
    std::optional<Md5> md5;
    std::optional<Sha1> sha1;
    std::optional<Sha256> sha256;
    RomStatus status = RomStatus::Good;

    bool operator==(const RomEntry&) const = default;
};

// A DAT that could not be read: where (the zip member, if any, and the 1-based line; line 0
// when the fault has no line, such as a broken zip) and what.
struct DatError {
    std::string member;
    std::uint32_t line = 0;
    std::string message;
};

struct DatParse {
    std::vector<RomEntry> roms;
    std::optional<DatError> error;  // when set, roms holds nothing
};

// "good", "baddump", "nodump", "verified".
[[nodiscard]] const char* RomStatusName(RomStatus status);

// "line 12: crc \"12\" is not 8 hex digits", prefixed by "MEMBER: " for a zip member.
[[nodiscard]] std::string DescribeDatError(const DatError& error);

}  // namespace vesperine::dat
