// Programmer sums from byte-lane totals gathered in one pass.
#include "checksum/sums.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VESPERINE_SUMS_AVX2 1
#else
#define VESPERINE_SUMS_AVX2 0
#endif

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

  The pass keeps the bytes at each position modulo 16 apart (WideLaneTotals), which is what
  the views of the sums table need (see StripeLanes); the four lanes are their sums. Bytes are
  added in 16-bit fields, the even positions of a group in one accumulator and the odd ones
  (shifted down a byte) in another: 256 additions of at most 255 stay below 2^16, so the fields
  are emptied into the exact totals every 256 groups. With AVX2 a 32-byte register holds two
  groups of 16 and the loop costs a load, a mask, a shift and two additions per 32 bytes; the
  portable loop does the same in 64-bit words.
*/

constexpr std::uint64_t kEvenBytes = 0x00FF00FF00FF00FFull;
constexpr std::size_t kAddsPerFlush = 256;

[[nodiscard]] std::uint64_t Field(std::uint64_t accumulator, int field) {
    return (accumulator >> (16 * field)) & 0xFFFF;
}

// Groups of 16 bytes, the first at a position that is 0 modulo 16.
void AddGroupsPortable(const std::uint8_t* bytes, std::size_t groups, WideLaneTotals& totals) {
    for (std::size_t g = 0; g < groups; g += kAddsPerFlush) {
        const std::size_t count = std::min(kAddsPerFlush, groups - g);
        std::uint64_t even0 = 0, odd0 = 0, even1 = 0, odd1 = 0;  // fields: positions 0, 2, 4, 6 (+1, +8)
        for (std::size_t i = 0; i < count; ++i) {
            std::uint64_t word0, word1;
            std::memcpy(&word0, bytes + 16 * (g + i), 8);
            std::memcpy(&word1, bytes + 16 * (g + i) + 8, 8);
            even0 += word0 & kEvenBytes;
            odd0 += (word0 >> 8) & kEvenBytes;
            even1 += word1 & kEvenBytes;
            odd1 += (word1 >> 8) & kEvenBytes;
        }
        for (int f = 0; f < 4; ++f) {
            totals.lane[2 * f] += Field(even0, f);
            totals.lane[2 * f + 1] += Field(odd0, f);
            totals.lane[8 + 2 * f] += Field(even1, f);
            totals.lane[9 + 2 * f] += Field(odd1, f);
        }
    }
}

#if VESPERINE_SUMS_AVX2
__attribute__((target("avx2"))) void AddGroupsAvx2(const std::uint8_t* bytes, std::size_t groups,
                                                   WideLaneTotals& totals) {
    const __m256i low = _mm256_set1_epi16(0x00FF);
    const std::size_t pairs = groups / 2;
    for (std::size_t b = 0; b < pairs; b += kAddsPerFlush) {
        const std::size_t count = std::min(kAddsPerFlush, pairs - b);
        const std::uint8_t* p = bytes + 32 * b;
        // Two pairs of accumulators, each taking at most half the additions of a flush.
        __m256i even0 = _mm256_setzero_si256(), odd0 = even0, even1 = even0, odd1 = even0;
        std::size_t i = 0;
        for (; i + 2 <= count; i += 2) {
            const __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i));
            const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i + 32));
            even0 = _mm256_add_epi16(even0, _mm256_and_si256(v0, low));
            odd0 = _mm256_add_epi16(odd0, _mm256_srli_epi16(v0, 8));
            even1 = _mm256_add_epi16(even1, _mm256_and_si256(v1, low));
            odd1 = _mm256_add_epi16(odd1, _mm256_srli_epi16(v1, 8));
        }
        if (i < count) {
            const __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i));
            even0 = _mm256_add_epi16(even0, _mm256_and_si256(v0, low));
            odd0 = _mm256_add_epi16(odd0, _mm256_srli_epi16(v0, 8));
        }
        alignas(32) std::uint16_t even[16], odd[16];  // field k: position 2k (+1) modulo 16
        _mm256_store_si256(reinterpret_cast<__m256i*>(even), _mm256_add_epi16(even0, even1));
        _mm256_store_si256(reinterpret_cast<__m256i*>(odd), _mm256_add_epi16(odd0, odd1));
        for (unsigned k = 0; k < 16; ++k) {
            totals.lane[(2 * k) % 16] += even[k];
            totals.lane[(2 * k + 1) % 16] += odd[k];
        }
    }
    if (groups % 2 != 0) AddGroupsPortable(bytes + 32 * pairs, 1, totals);
}
#endif

void AddGroups(const std::uint8_t* bytes, std::size_t groups, WideLaneTotals& totals) {
#if VESPERINE_SUMS_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return AddGroupsAvx2(bytes, groups, totals);
#endif
    if constexpr (std::endian::native == std::endian::little) {
        AddGroupsPortable(bytes, groups, totals);
    } else {
        for (std::size_t i = 0; i < 16 * groups; ++i) totals.lane[i % 16] += bytes[i];
    }
}

constexpr SumKind kRows[] = {
    {SumUnit::Byte, 8, false},    {SumUnit::Byte, 8, true},     {SumUnit::Byte, 16, false},
    {SumUnit::Byte, 16, true},    {SumUnit::Byte, 32, false},   {SumUnit::Byte, 32, true},
    {SumUnit::WordLe, 16, false}, {SumUnit::WordLe, 16, true},  {SumUnit::WordBe, 16, false},
    {SumUnit::WordBe, 16, true},  {SumUnit::WordLe, 32, false}, {SumUnit::WordLe, 32, true},
    {SumUnit::WordBe, 32, false}, {SumUnit::WordBe, 32, true},
};

}  // namespace

void AddWideLanes(std::span<const std::uint8_t> bytes, std::uint64_t at, WideLaneTotals& totals) {
    std::size_t i = 0;
    for (; i < bytes.size() && (at + i) % 16 != 0; ++i) totals.lane[(at + i) % 16] += bytes[i];
    const std::size_t groups = (bytes.size() - i) / 16;
    AddGroups(bytes.data() + i, groups, totals);
    for (i += 16 * groups; i < bytes.size(); ++i) totals.lane[(at + i) % 16] += bytes[i];
}

LaneTotals StripeLanes(const WideLaneTotals& totals, unsigned offset, unsigned stride) {
    LaneTotals lanes;
    for (unsigned p = offset; p < 16; p += stride) lanes.lane[(p / stride) % 4] += totals.lane[p];
    return lanes;
}

LaneTotals PartLanes(const WideLaneTotals& totals, std::uint64_t start) {
    LaneTotals lanes;
    for (std::uint64_t p = 0; p < 16; ++p) lanes.lane[(p + 4 - start % 4) % 4] += totals.lane[p];
    return lanes;
}

LaneTotals TotalLanes(std::span<const std::uint8_t> bytes) {
    WideLaneTotals totals;
    AddWideLanes(bytes, 0, totals);
    return StripeLanes(totals, 0, 1);
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
