// Programmer sums from byte-lane totals gathered in one pass.
#include "checksum/sums.h"

#include <bit>
#include <cstring>

namespace vesperine::checksum {
namespace {

/*
  Every sum from four numbers. Let L_k be the exact total of the bytes at offsets = k (mod 4).
  A 16-bit word read little-endian at an even offset is b0 + 256 b1, so the total of all such
  words is (L0 + L2) + 256 (L1 + L3); big-endian swaps the factors; 32-bit words weigh the
  lanes by 1, 2^8, 2^16, 2^24 (or the reverse). A plain sum is that total modulo 2^w. A sum
  with end-around carry adds each carry back at the bottom; as 2^w = 1 (mod 2^w - 1), it is
  the total modulo 2^w - 1, except that a nonzero multiple of 2^w - 1 shows as 2^w - 1
  ("negative zero") and only a total of 0 shows as 0.

  The pass adds the bytes of each 8-byte word in 16-bit fields of two 64-bit accumulators,
  even positions in one and odd positions in the other: 256 words add at most 256 * 255 to a
  field, below 2^16, so the fields are emptied into the lane totals every 256 words. The loop
  has no dependency but the additions, so the compiler vectorises it.
*/

constexpr std::uint64_t kEvenBytes = 0x00FF00FF00FF00FFull;
constexpr std::size_t kWordsPerFlush = 256;

[[nodiscard]] std::uint64_t Field(std::uint64_t accumulator, int field) {
    return (accumulator >> (16 * field)) & 0xFFFF;
}

void AddBlock(const std::uint8_t* bytes, std::size_t words, LaneTotals& totals) {
    std::uint64_t even = 0;  // fields: lanes 0, 2, 0, 2
    std::uint64_t odd = 0;   // fields: lanes 1, 3, 1, 3
    for (std::size_t i = 0; i < words; ++i) {
        std::uint64_t word;
        std::memcpy(&word, bytes + 8 * i, 8);
        even += word & kEvenBytes;
        odd += (word >> 8) & kEvenBytes;
    }
    totals.lane[0] += Field(even, 0) + Field(even, 2);
    totals.lane[2] += Field(even, 1) + Field(even, 3);
    totals.lane[1] += Field(odd, 0) + Field(odd, 2);
    totals.lane[3] += Field(odd, 1) + Field(odd, 3);
}

constexpr SumKind kRows[] = {
    {SumUnit::Byte, 8, false},    {SumUnit::Byte, 8, true},     {SumUnit::Byte, 16, false},
    {SumUnit::Byte, 16, true},    {SumUnit::Byte, 32, false},   {SumUnit::Byte, 32, true},
    {SumUnit::WordLe, 16, false}, {SumUnit::WordLe, 16, true},  {SumUnit::WordBe, 16, false},
    {SumUnit::WordBe, 16, true},  {SumUnit::WordLe, 32, false}, {SumUnit::WordLe, 32, true},
    {SumUnit::WordBe, 32, false}, {SumUnit::WordBe, 32, true},
};

}  // namespace

LaneTotals TotalLanes(std::span<const std::uint8_t> bytes) {
    LaneTotals totals;
    std::size_t done = 0;
    if constexpr (std::endian::native == std::endian::little) {
        const std::size_t words = bytes.size() / 8;
        for (std::size_t w = 0; w < words; w += kWordsPerFlush) {
            const std::size_t count = words - w < kWordsPerFlush ? words - w : kWordsPerFlush;
            AddBlock(bytes.data() + 8 * w, count, totals);
        }
        done = words * 8;
    }
    for (std::size_t i = done; i < bytes.size(); ++i) totals.lane[i % 4] += bytes[i];
    return totals;
}

std::uint64_t UnitTotal(const LaneTotals& totals, SumUnit unit, unsigned width) {
    const auto& l = totals.lane;
    switch (unit) {
        case SumUnit::Byte: return l[0] + l[1] + l[2] + l[3];
        case SumUnit::WordLe:
            return width == 16 ? (l[0] + l[2]) + ((l[1] + l[3]) << 8)
                               : l[0] + (l[1] << 8) + (l[2] << 16) + (l[3] << 24);
        case SumUnit::WordBe:
            return width == 16 ? ((l[0] + l[2]) << 8) + (l[1] + l[3])
                               : (l[0] << 24) + (l[1] << 16) + (l[2] << 8) + l[3];
    }
    return 0;
}

unsigned UnitBytes(SumUnit unit, unsigned width) { return unit == SumUnit::Byte ? 1 : width / 8; }

std::uint32_t ShowSum(std::uint64_t total, const SumKind& kind) {
    const std::uint64_t mask = (std::uint64_t{1} << kind.width) - 1;
    std::uint64_t sum = total & mask;
    if (kind.endAroundCarry) sum = total == 0 ? 0 : (total - 1) % mask + 1;
    switch (kind.form) {
        case SumForm::Plain: break;
        case SumForm::Negated: sum = (0 - sum) & mask; break;
        case SumForm::Complemented: sum = ~sum & mask; break;
    }
    return static_cast<std::uint32_t>(sum);
}

std::uint32_t SumOf(const LaneTotals& totals, const SumKind& kind) {
    return ShowSum(UnitTotal(totals, kind.unit, kind.width), kind);
}

std::span<const SumKind> SumRows() { return kRows; }

std::string SumName(const SumKind& kind) {
    std::string name = "SUM-" + std::to_string(kind.width);
    if (kind.unit == SumUnit::WordLe) name += "/WORD-LE";
    if (kind.unit == SumUnit::WordBe) name += "/WORD-BE";
    if (kind.endAroundCarry) name += "/EAC";
    if (kind.form == SumForm::Negated) name += "/NEG";
    if (kind.form == SumForm::Complemented) name += "/CPL";
    return name;
}

}  // namespace vesperine::checksum
