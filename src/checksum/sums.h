// Programmer sums: bytes and words added at 8, 16 and 32 bits, with or without end-around carry.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace vesperine::checksum {

// The totals every sum is derived from: the bytes at each offset modulo 4, added exactly. The
// byte sum is their total; a 16-bit word read little-endian (low address = low byte) adds
// lanes 0 and 2 as low bytes and lanes 1 and 3 as high bytes; and so on. A trailing partial
// word counts as if padded with zero bytes. Exact for any span below 2^56 bytes.
struct LaneTotals {
    std::array<std::uint64_t, 4> lane{};
};

// One pass over bytes at memory speed.
[[nodiscard]] LaneTotals TotalLanes(std::span<const std::uint8_t> bytes);

// The bytes at each position modulo 16, added exactly: fine enough for the lane totals of a
// part and of every stripe of stride 1, 2 or 4 (view lane k of a stripe of stride s holds the
// bytes whose position p has p / s = k modulo 4, a question of p modulo 4s). Exact below 2^56
// bytes.
struct WideLaneTotals {
    std::array<std::uint64_t, 16> lane{};
};

// Adds bytes whose first byte is at position `at` (of whatever they are a piece of) to totals.
// Runs at memory speed (AVX2 where the processor has it), so pieces may come as a file is read.
void AddWideLanes(std::span<const std::uint8_t> bytes, std::uint64_t at, WideLaneTotals& totals);

// The lane totals of the stripe of every stride-th byte from offset (offset < stride; stride
// 1, 2 or 4) of the bytes whose wide totals these are, positions counted from their first byte.
[[nodiscard]] LaneTotals StripeLanes(const WideLaneTotals& totals, unsigned offset, unsigned stride);

// The lane totals of bytes whose wide totals these are, counted from position `start` on: the
// lanes of a part that begins there.
[[nodiscard]] LaneTotals PartLanes(const WideLaneTotals& totals, std::uint64_t start);

enum class SumUnit { Byte, WordLe, WordBe };  // what is added: bytes, or words of the sum's width
enum class SumForm { Plain, Negated, Complemented };

// One programmer sum: at width bits (8, 16 or 32; words exist at 16 and 32), end-around carry
// or not, shown in one form. Plain keeps the low width bits of the total; with end-around
// carry each carry out of the top is added back in (the ones' complement sum, whose value is
// 0 only for all-zero words). Negated is the two's complement (sum + value = 0 at the width),
// complemented the ones' complement (sum + value = all ones).
struct SumKind {
    SumUnit unit = SumUnit::Byte;
    unsigned width = 16;
    bool endAroundCarry = false;
    SumForm form = SumForm::Plain;
};

// The sum of the bytes whose lanes these are.
[[nodiscard]] std::uint32_t SumOf(const LaneTotals& totals, const SumKind& kind);

// The total of the units a sum adds, exactly (the words' values at offsets 0, w, 2w, ...).
[[nodiscard]] std::uint64_t UnitTotal(const LaneTotals& totals, SumUnit unit, unsigned width);

// Unit i of bytes: byte i, or the word of width/8 bytes at i * width/8 in the unit's order.
// Inline: the solver reads every unit of every view through it.
// Unit i of bytes (a byte, or a word of width bits in its byte order), the kind fixed when
// compiled: the form the inner loops read.
template <SumUnit Unit, unsigned Width>
[[nodiscard]] inline std::uint32_t ReadUnit(const std::uint8_t* bytes, std::uint64_t i) {
    if constexpr (Unit == SumUnit::Byte) {
        return bytes[i];
    } else if constexpr (Width == 16) {
        const std::uint8_t* p = bytes + 2 * i;
        return Unit == SumUnit::WordLe ? p[0] | std::uint32_t{p[1]} << 8 : std::uint32_t{p[0]} << 8 | p[1];
    } else {
        const std::uint8_t* p = bytes + 4 * i;
        return Unit == SumUnit::WordLe
                   ? p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24
                   : std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
    }
}

[[nodiscard]] inline std::uint32_t UnitAt(std::span<const std::uint8_t> bytes, std::uint64_t i, SumUnit unit,
                                          unsigned width) {
    if (unit == SumUnit::Byte) return bytes[i];
    if (width == 16) {
        return unit == SumUnit::WordLe ? ReadUnit<SumUnit::WordLe, 16>(bytes.data(), i)
                                       : ReadUnit<SumUnit::WordBe, 16>(bytes.data(), i);
    }
    return unit == SumUnit::WordLe ? ReadUnit<SumUnit::WordLe, 32>(bytes.data(), i)
                                   : ReadUnit<SumUnit::WordBe, 32>(bytes.data(), i);
}

// Bytes per unit: 1 for bytes, width/8 for words.
[[nodiscard]] unsigned UnitBytes(SumUnit unit, unsigned width);

// The value a sum of this total shows: folding for end-around carry, then the form.
[[nodiscard]] std::uint32_t ShowSum(std::uint64_t total, const SumKind& kind);

// The rows of the programmer sums table, in the order shown: byte sums at 8, 16 and 32 bits,
// words at 16 and 32 bits little- then big-endian; each without and with end-around carry.
// The form of these kinds is Plain.
[[nodiscard]] std::span<const SumKind> SumRows();

// "SUM-16", "SUM-16/WORD-LE", "SUM-32/WORD-BE/EAC", ... with "/NEG" or "/CPL" for the forms.
[[nodiscard]] std::string SumName(const SumKind& kind);

}  // namespace vesperine::checksum
