// The header checksums of console and pinball images: which system an image is, and whether its sums hold.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/work_poll.h"

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
    bool systemGiven = false;        // checked as a stated system, not a recognised one
    // The system's marks as the image shows them: what it was recognised by, or for a stated
    // system what it would have been recognised by ("the logo ... differs ... in 12 of 48 bytes").
    std::string recognition;
    // Recognised by marks that differ from the system's own (a Game Boy logo a few bytes off):
    // the sums are checked, but a fix needs the system stated.
    bool doubtful = false;
    // The option that states what problem names as unknown: "--cic 6102 (or 6101, ...)".
    std::string statedBy;
    [[nodiscard]] bool known() const { return !system.empty(); }
    // Known, checkable and every field good.
    [[nodiscard]] bool good() const;
    // "good", "bad" (a field does not agree), "unverifiable" (known, but a problem stops the
    // check) or "no known system".
    [[nodiscard]] const char* verdict() const;
};

// What a person states about an image that its bytes cannot show, or show only in part.
struct Stated {
    std::string system;  // a code of SystemCodes(): checked as that system, whatever is recognised
    std::string cic;     // an N64 boot chip of CicNames() ("6102"): its seed, whatever the boot code
};

// The systems tried, by name, in the order a report of no known system lists them.
[[nodiscard]] std::vector<std::string> SystemNames();
// The codes a system is stated by, in the same order: "n64", "gba", "gameboy", ...
[[nodiscard]] std::vector<std::string> SystemCodes();
// The N64 boot chips a CIC is stated by: "6101", "6102", ... "7106"; IsCicName also takes
// "CIC-6102" and "cic6102".
[[nodiscard]] std::vector<std::string> CicNames();
[[nodiscard]] bool IsCicName(std::string_view name);

/*
  Recognises the image among the systems (SNES LoROM and HiROM, with or without a 512-byte
  copier header; Mega Drive; Game Boy; Game Boy Advance; Nintendo 64 in z64, v64 or n64 byte
  order; Williams WPC pinball) and checks every checksum its header holds. Each system's
  recogniser scores the image and the best score wins: a magic value (N64, Mega Drive, Game Boy,
  GBA) outranks a plausible SNES header, which outranks the WPC's vectors. A Game Boy logo that
  differs from Nintendo's in at most 4 of its 48 bytes still names the Game Boy, as doubtful:
  random bytes come that close with a chance below 2^-330. Reads the image once per checksum;
  allocates a copy only for an N64 image in another byte order.
  An N64 boot code of no known chip is checked with the chip whose sum gives the stored CRCs;
  when no chip's does, nothing is assumed: the CRCs are unverifiable (a problem) until the CIC
  is stated. A stated system is checked as such, whatever recognition finds.
*/
[[nodiscard]] HeaderReport CheckHeader(std::span<const std::uint8_t> image, const Stated& stated = {});

// The same, reporting to poll in bytes: two passes over the image (the copy an N64 image in
// another byte order needs, skipped for the others; the sums), so total is twice its length; the
// poll is asked every 1 MiB (kPollBytes). Nothing when broken off.
[[nodiscard]] std::optional<HeaderReport> CheckHeader(std::span<const std::uint8_t> image, const Stated& stated,
                                                      const WorkPoll& poll);

struct FixResult {
    std::vector<std::uint8_t> bytes;  // the corrected image; empty when refused
    HeaderReport after;               // the corrected image checked again
    std::string refusal;              // why nothing could be fixed: no known system, too short, ...
    std::string statedBy;             // the option that states what the refusal names as unknown
};

// A copy of the image with every checksum set so that CheckHeader (with the same statement)
// finds it good, in the file's own layout (copier header and byte order kept). Only checksum
// fields change, and for WPC the correction word the sum is balanced with. Refused (with a
// reason and the option that would state the unknown) for an image of no known system, one
// whose sums cannot be checked (an N64 boot code of no known chip), and one recognised only as
// doubtful; the result is checked again before it is given.
[[nodiscard]] FixResult FixHeader(std::span<const std::uint8_t> image, const Stated& stated = {});

// The same, reporting to poll in bytes: six passes over the image (the check before, two; the
// copy; the fix; the check after, two), so total is 6 × its length, what a refusal skips jumped
// over; the poll is asked every 1 MiB. Nothing when broken off.
[[nodiscard]] std::optional<FixResult> FixHeader(std::span<const std::uint8_t> image, const Stated& stated,
                                                 const WorkPoll& poll);

}  // namespace vesperine::headers
