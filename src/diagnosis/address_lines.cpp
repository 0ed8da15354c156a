// Address lines: word-wide pair tests for the lowest lines, block comparisons for the others.
#include "diagnosis/address_lines.h"

#include <algorithm>
#include <string>

#include "base/format.h"
#include "diagnosis/scan.h"

namespace vesperine::diagnosis {
namespace {

constexpr std::uint64_t kMinPairs = 8;

// Offset bits 0, 1 and 2 pair bytes within one 8-byte word: the word xor itself shifted by the
// pair's distance is zero in the kept byte positions exactly when each pair is equal. The
// masks keep one byte position of each pair; in the other byte order of machines the kept
// positions hold the other member of each pair, which compares the same pairs.
constexpr std::uint64_t kLowMasks[3] = {0x00FF00FF00FF00FFull, 0x0000FFFF0000FFFFull, 0x00000000FFFFFFFFull};

[[nodiscard]] bool LowBitHasNoEffect(const StridedBytes& bytes, unsigned k, const PassMeter& meter) {
    const std::size_t whole = bytes.size() / 8 * 8;
    const unsigned shift = 8u << k;
    const std::uint64_t mask = kLowMasks[k];
    if (!ForEachWord(bytes, whole, meter,
                     [shift, mask](std::uint64_t word) { return ((word ^ (word >> shift)) & mask) == 0; }))
        return false;
    const std::size_t step = std::size_t{1} << k;
    for (std::size_t i = whole; i + step < bytes.size(); ++i) {
        if ((i & step) == 0 && bytes[i] != bytes[i + step]) return false;
    }
    return true;
}

// Small blocks are compared a run of them between ticks, large ones chunk by chunk; a lane's
// where they lie in the file.
[[nodiscard]] bool HighBitHasNoEffect(const StridedBytes& bytes, unsigned k, const PassMeter& meter) {
    const std::size_t half = std::size_t{1} << k;
    std::size_t nextTick = kPollBytes;
    for (std::size_t base = 0; base + half < bytes.size(); base += 2 * half) {
        const std::size_t length = std::min(half, bytes.size() - base - half);
        const bool same = half < kPollBytes ? bytes.Same(base, base + half, length)
                                            : SameBytes(bytes, base, base + half, length,
                                                        meter.Part(base, base + 2 * half, 2 * half));
        if (!same) return false;
        if (base + 2 * half >= nextTick) {
            if (meter.Tick(base + 2 * half)) return false;
            nextTick = base + 2 * half + kPollBytes;
        }
    }
    return true;
}

[[nodiscard]] std::uint64_t PairsFor(std::uint64_t length, unsigned k) {
    const std::uint64_t half = std::uint64_t{1} << k;
    const std::uint64_t blocks = length / (2 * half);
    const std::uint64_t rest = length % (2 * half);
    return blocks * half + (rest > half ? rest - half : 0);
}

}  // namespace

bool OffsetBitHasNoEffect(std::span<const std::uint8_t> bytes, unsigned k, const PassMeter& meter) {
    return OffsetBitHasNoEffect(StridedBytes(bytes), k, meter);
}

bool OffsetBitHasNoEffect(const StridedBytes& bytes, unsigned k, const PassMeter& meter) {
    if (k >= 63 || PairsFor(bytes.size(), k) < kMinPairs) return false;
    return k < 3 ? LowBitHasNoEffect(bytes, k, meter) : HighBitHasNoEffect(bytes, k, meter);
}

std::uint64_t FindDeadOffsetBits(std::span<const std::uint8_t> bytes) {
    std::uint64_t dead = 0;
    const unsigned bits = AddressBitsFor(bytes.size());
    for (unsigned k = 0; k < bits; ++k) {
        if (OffsetBitHasNoEffect(bytes, k)) dead |= std::uint64_t{1} << k;
    }
    return dead;
}

std::vector<Finding> FindDeadAddressLines(std::uint64_t dead, unsigned width, std::uint64_t length) {
    std::vector<Finding> findings;
    const unsigned laneBits = width == 2 ? 1u : 0u;
    for (unsigned k = laneBits; k < 64; ++k) {
        if ((dead & (std::uint64_t{1} << k)) == 0) continue;
        const unsigned line = k - laneBits;
        Finding finding;
        finding.kind = FindingKind::AddressLine;
        finding.severity = Severity::Fault;
        finding.line = static_cast<int>(line);
        finding.text = "A" + std::to_string(line) +
                       " has no effect: address line open or shorted (every byte equals "
                       "the byte " +
                       HexText(std::uint64_t{1} << k, 2) + " away)";
        finding.evidence = {{"line", line, 0}, {"offset bit", k, 0}, {"pairs compared", PairsFor(length, k), 0}};
        findings.push_back(std::move(finding));
    }
    return findings;
}

}  // namespace vesperine::diagnosis
