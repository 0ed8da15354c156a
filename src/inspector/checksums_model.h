// The Checksums panel's model: size, digests, programmer sums and chosen catalogue CRCs in one pass, and the header
// check in words and rows.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/work_poll.h"

#include "checksum/crc.h"
#include "checksum/sums.h"
#include "headers/header_check.h"
#include "inspector/text.h"

namespace vesperine::inspector {

// The catalogue CRCs shown before the person chose any.
inline constexpr const char* kDefaultCrcModels = "CRC-16/ARC CRC-16/XMODEM CRC-32/MPEG-2";
// The names in text as the person typed them: separated by ASCII white space and commas.
[[nodiscard]] std::vector<std::string> SplitModelNames(std::string_view text);

struct ChosenCrc {
    std::string name;
    std::optional<checksum::CrcEngine> engine;  // nothing for a name the catalogue lacks
    std::uint64_t reg = 0;
};

struct Sums {
    std::uint64_t size = 0;
    std::uint32_t crc32 = 0;
    std::vector<ChosenCrc> crcs;
    checksum::LaneTotals lanes;
    std::array<std::string, 3> digests;  // MD5, SHA-1, SHA-256 in lower-case hex, or why there are none
    headers::HeaderReport header;
};

// Told the work done and the total (three units a byte: the pass that hashes, then the header
// check's two); true breaks off.
using SumsPoll = WorkPoll;
// Everything the panel shows, in one pass over bytes, piece by piece (so that the poll is asked
// often and each piece's byte lanes are the file's), then the header check; nothing when broken
// off.
[[nodiscard]] std::optional<Sums> ComputeSums(std::span<const std::uint8_t> bytes,
                                              const std::vector<std::string>& models, const SumsPoll& poll);

// "1,024 bytes (0x00000400)".
[[nodiscard]] std::string SizeBoxText(std::uint64_t size);
// The programmer sums, then each chosen CRC ("not in the catalogue" for an unknown name).
[[nodiscard]] Rows SumsRows(const Sums& sums);

// What the header check found, in words: the system and layout, the verdict, a doubtful
// recognition and the notes; prefix first when the report is not of the subject itself.
[[nodiscard]] std::string HeaderText(const headers::HeaderReport& report, std::string_view prefix = {});
// One row a checksum field: field with its mark, offset, stored, computed, what it covers.
[[nodiscard]] Rows HeaderRows(const headers::HeaderReport& report);
// The header fix's refusal, and the word after its copy was saved.
[[nodiscard]] std::string NothingFixed(std::string_view refusal);
[[nodiscard]] std::string SavedFixedCopy(const headers::HeaderReport& after);
// As the command line: a fix only where all it rests on is known (FixHeader refuses the rest).
[[nodiscard]] bool CanFixHeader(const headers::HeaderReport& report);

}  // namespace vesperine::inspector
