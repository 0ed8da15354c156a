// The table of systems behind CheckHeader: each a recogniser, a checker and a fixer over the image as its system sees
// it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/format.h"
#include "base/work_poll.h"
#include "headers/header_check.h"

namespace vesperine::headers::detail {

// How a file holds an image whose system reads it as big-endian 32-bit words (N64).
enum class ByteOrder {
    Native,  // as the system reads it (z64)
    Swap16,  // each 16-bit word byte-swapped (v64)
    Swap32,  // each 32-bit word byte-reversed (n64)
};

// A checker's answer. Offsets are into the image as the system sees it (after any copier header).
struct Checked {
    std::string system;  // the system's name, with what the checker learned (the CIC)
    std::vector<FieldCheck> fields;
    std::string problem;
    std::vector<std::string> notes;
    std::string statedBy;  // the option that states what problem names as unknown
};

// What an image shows of a system's marks (its magic values), in words.
struct Marks {
    std::string evidence;   // "the Nintendo logo at 0x000104", "0x000100 holds 00 00 00 00, not \"SEGA\""
    bool doubtful = false;  // recognised, but by marks that differ from the system's own
};

struct System {
    const char* name;
    const char* code;       // the name --system takes: "gameboy"
    std::uint64_t minimum;  // the fewest bytes the image's header and checker need
    bool copierHeader;      // also tried after a 512-byte copier header, when the length says there is one
    // The byte order the file's first word shows, for a system that has one; nullptr otherwise.
    ByteOrder (*order)(std::span<const std::uint8_t> file);
    // 0 when the image is not of this system, higher the surer: 10 for a magic value.
    int (*recognise)(std::span<const std::uint8_t> image);
    // The marks recognise looks for, as this image shows them; the image has at least minimum bytes.
    Marks (*marks)(std::span<const std::uint8_t> image);
    // cic is a stated N64 boot chip, empty when none is; other systems have none to state.
    // The meter is ticked every kPollBytes of a sum over the image, with the position in it; a
    // check broken off (the meter broken) answers nothing that means anything, and a fix broken
    // off leaves fields half set.
    Checked (*check)(std::span<const std::uint8_t> image, std::string_view cic, const PassMeter& meter);
    // Sets every field (and any balancing word) so that check, given the same cic, finds the
    // image good. Called only for an image check found no problem in.
    void (*fix)(std::span<std::uint8_t> image, std::string_view cic, const PassMeter& meter);
};

[[nodiscard]] std::span<const System> Systems();

// Each system's entries, from its own file.
[[nodiscard]] System SnesLoRom();
[[nodiscard]] System SnesHiRom();
[[nodiscard]] System MegaDrive();
[[nodiscard]] System GameBoy();
[[nodiscard]] System GameBoyAdvance();
[[nodiscard]] System Nintendo64();
[[nodiscard]] System WilliamsWpc();

// The N64 boot chips a CIC is stated by, and whether a name is one of them.
[[nodiscard]] std::vector<std::string> Nintendo64CicNames();
[[nodiscard]] bool IsNintendo64Cic(std::string_view name);

// Unsigned integers of width bytes at offset; the caller has checked the bounds.
[[nodiscard]] std::uint32_t ReadBe(std::span<const std::uint8_t> bytes, std::uint64_t offset, unsigned width);
[[nodiscard]] std::uint32_t ReadLe(std::span<const std::uint8_t> bytes, std::uint64_t offset, unsigned width);
void WriteBe(std::span<std::uint8_t> bytes, std::uint64_t offset, unsigned width, std::uint32_t value);
void WriteLe(std::span<std::uint8_t> bytes, std::uint64_t offset, unsigned width, std::uint32_t value);

// Sizes as the header checks word them: "4 MiB", "1.5 MiB", "96 KiB" or "40961 bytes". Ranges
// are base's RangeText: "0x000200-0x0FFFFF".
inline constexpr SizeForm kHeaderSize{.halfMebibytes = true, .groupDigits = false};
// "00 00 FF FF": the bytes in hex.
[[nodiscard]] std::string HexBytes(std::span<const std::uint8_t> bytes);
// The 16-bit sum of the bytes.
[[nodiscard]] std::uint16_t ByteSum16(std::span<const std::uint8_t> bytes, const PassMeter& meter = {});

}  // namespace vesperine::headers::detail
