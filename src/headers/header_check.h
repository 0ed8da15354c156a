// The header checksums of console and pinball images: which system an image is, and whether its sums hold.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vesperine::headers {

// One stored checksum beside the value the image's bytes call for.
struct FieldCheck {
    std::string field;         // "checksum", "complement", "header checksum", "CRC1", ...
    std::uint64_t offset = 0;  // where the field is stored, as an offset into the file
    unsigned width = 2;        // bytes: 1, 2 or 4
    std::uint32_t stored = 0;
    std::uint32_t computed = 0;
    std::string range;  // what the computed value covers, in words and file offsets
    [[nodiscard]] bool good() const { return stored == computed; }
};

struct HeaderReport {
    std::string system;  // "SNES LoROM", "Nintendo 64 (CIC-6102)", ...; empty for no known system
    std::string layout;  // how the file holds the image: "", "with a 512-byte copier header", "v64 byte order"
    std::vector<FieldCheck> fields;
    std::string problem;             // why the sums could not be checked (an image too short), if so
    std::vector<std::string> notes;  // what a reader should know beside the sums
    [[nodiscard]] bool known() const { return !system.empty(); }
    // Known, checkable and every field good.
    [[nodiscard]] bool good() const;
};

// The systems tried, by name, in the order a report of no known system lists them.
[[nodiscard]] std::vector<std::string> SystemNames();

/*
  Recognises the image among the systems (SNES LoROM and HiROM, with or without a 512-byte
  copier header; Mega Drive; Game Boy; Game Boy Advance; Nintendo 64 in z64, v64 or n64 byte
  order; Williams WPC pinball) and checks every checksum its header holds. Each system's
  recogniser scores the image and the best score wins: a magic value (N64, Mega Drive, Game Boy,
  GBA) outranks a plausible SNES header, which outranks the WPC's vectors. Reads the image
  once per checksum; allocates a copy only for an N64 image in another byte order.
*/
[[nodiscard]] HeaderReport CheckHeader(std::span<const std::uint8_t> image);

struct FixResult {
    std::vector<std::uint8_t> bytes;  // the corrected image; empty when refused
    HeaderReport after;               // the corrected image checked again
    std::string refusal;              // why nothing could be fixed: no known system, too short, ...
};

// A copy of the image with every checksum set so that CheckHeader finds it good, in the file's
// own layout (copier header and byte order kept). Only checksum fields change, and for WPC the
// correction word the sum is balanced with. Refused (with a reason) for an image of no known
// system or one whose sums cannot be checked; the result is checked again before it is given.
[[nodiscard]] FixResult FixHeader(std::span<const std::uint8_t> image);

}  // namespace vesperine::headers
