// Comparing two dumps: one word-wide pass for the differences, early-out tests for transforms.
#include "diagnosis/compare.h"

#include <algorithm>
#include <bit>

#include "diagnosis/finding.h"
#include "diagnosis/scan.h"

namespace vesperine::diagnosis {
namespace {

// Below this many differences the offsets' common bits say nothing about a line.
constexpr std::uint64_t kMinDifferencesForPattern = 8;

void CountDifferences(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b, Comparison& c,
                      WorkMeter& meter) {
    std::uint64_t mask = ~std::uint64_t{0};   // bits that are 1 in every differing offset
    std::uint64_t zeros = ~std::uint64_t{0};  // bits that are 0 in every differing offset
    auto note = [&](std::uint64_t i) {
        const unsigned x = a[i] ^ b[i];
        if (c.differing == 0) c.first = i;
        c.last = i;
        ++c.differing;
        for (unsigned k = 0; k < 8; ++k) {
            c.bitCounts[k] += (x >> k) & 1u;
            c.bitSetInB[k] += ((x & b[i]) >> k) & 1u;
        }
        mask &= i;
        zeros &= ~i;
    };
    std::uint64_t i = 0;
    for (std::uint64_t nextTick = kPollBytes; i + 8 <= c.compared; i += 8) {
        if (i == nextTick) {
            if (meter.Tick(i)) return;
            nextTick += kPollBytes;
        }
        if (LoadWord(a.data() + i) == LoadWord(b.data() + i)) continue;
        for (std::uint64_t j = i; j < i + 8; ++j) {
            if (a[j] != b[j]) note(j);
        }
    }
    for (; i < c.compared; ++i) {
        if (a[i] != b[i]) note(i);
    }
    const std::uint64_t used = c.addressBits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << c.addressBits) - 1;
    if (c.differing >= kMinDifferencesForPattern) {
        c.addressMask = (mask | zeros) & used;
        c.addressValue = mask & used;
    }
}

// Whether b[i] == value(a[offset(i)]) for every i: b is a under a byte map and an offset map, tried first
// at the first and last differing offsets so that a wrong guess costs two bytes.
template <typename Offset, typename Value>
[[nodiscard]] bool Fits(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b, const Comparison& c,
                        const PassMeter& meter, Offset offset, Value value) {
    if (meter.BrokenOff()) return false;
    for (const std::uint64_t i : {c.first, c.last}) {
        if (b[i] != value(a[offset(i)])) return false;
    }
    for (std::uint64_t at = 0; at < a.size(); at += kPollBytes) {
        const std::uint64_t end = std::min<std::uint64_t>(a.size(), at + kPollBytes);
        for (std::uint64_t i = at; i < end; ++i) {
            if (b[i] != value(a[offset(i)])) return false;
        }
        if (meter.Tick(end)) return false;
    }
    return true;
}

// The transforms FindTransforms tries for an image of `bits` address bits, skipped ones included.
[[nodiscard]] std::uint64_t TransformCount(unsigned bits) {
    // Address lines inverted, the 32-bit swap, address pairs, bit order, data pairs, inversion.
    return bits + 1 + std::uint64_t{bits} * (bits - (bits > 0 ? 1 : 0)) / 2 + 1 + 28 + 1;
}

[[nodiscard]] std::uint8_t ReverseBits(std::uint8_t v) {
    v = static_cast<std::uint8_t>((v & 0xF0) >> 4 | (v & 0x0F) << 4);
    v = static_cast<std::uint8_t>((v & 0xCC) >> 2 | (v & 0x33) << 2);
    return static_cast<std::uint8_t>((v & 0xAA) >> 1 | (v & 0x55) << 1);
}

template <typename T>
[[nodiscard]] T SwapBits(T v, unsigned p, unsigned q) {
    const T differ = static_cast<T>(((v >> p) ^ (v >> q)) & 1u);
    return static_cast<T>(v ^ (differ << p) ^ (differ << q));
}

// meter: one pass over the image shared among the transforms, each its equal part.
void FindTransforms(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b, Comparison& c,
                    const PassMeter& meter) {
    const std::uint64_t n = a.size();
    auto same = [](std::uint64_t i) { return i; };
    auto keep = [](std::uint8_t v) { return v; };
    auto add = [&](std::string name, std::string meaning) {
        c.transforms.push_back({std::move(name), std::move(meaning)});
    };
    const unsigned bits = AddressBitsFor(n);
    std::uint64_t tried = 0;
    // The meter of the next transform, which counts as tried whether or not it is looked at.
    auto next = [&] {
        ++tried;
        return meter.Part((tried - 1) * n, tried * n, n);
    };
    for (unsigned k = 0; k < bits && !meter.BrokenOff(); ++k) {
        const PassMeter part = next();
        const std::uint64_t flip = std::uint64_t{1} << k;
        if (n % (2 * flip) != 0) continue;
        if (!Fits(
                a, b, c, part, [&](std::uint64_t i) { return i ^ flip; }, keep))
            continue;
        if (k == 0) {
            add("byte lanes swapped",
                "16-bit byte swap: the odd and even bytes are exchanged (the two chips of a pair, or big- and "
                "little-endian)");
        } else if (2 * flip == n) {
            add("halves swapped", "the upper and lower halves are exchanged: A" + std::to_string(k) + " is inverted");
        } else {
            add("A" + std::to_string(k) + " inverted", "address line " + std::to_string(k) + " is read inverted");
        }
    }
    if (const PassMeter part = next(); n % 4 == 0 && Fits(
                                                         a, b, c, part, [](std::uint64_t i) { return i ^ 3u; }, keep)) {
        add("32-bit byte swap", "the bytes of each 32-bit word are in reverse order");
    }
    for (unsigned q = 1; q < bits && !meter.BrokenOff(); ++q) {
        for (unsigned p = 0; p < q; ++p) {
            const PassMeter part = next();
            if (n % (std::uint64_t{2} << q) != 0) continue;
            if (!Fits(
                    a, b, c, part, [&](std::uint64_t i) { return SwapBits(i, p, q); }, keep))
                continue;
            add("A" + std::to_string(p) + " and A" + std::to_string(q) + " exchanged",
                "address lines " + std::to_string(p) + " and " + std::to_string(q) + " are wired the other way round");
        }
    }
    if (Fits(a, b, c, next(), same, ReverseBits)) add("bit order reversed", "D0-D7 read as D7-D0");
    for (unsigned q = 1; q < 8; ++q) {
        for (unsigned p = 0; p < q; ++p) {
            if (!Fits(a, b, c, next(), same, [&](std::uint8_t v) { return SwapBits(v, p, q); })) continue;
            add("D" + std::to_string(p) + " and D" + std::to_string(q) + " exchanged",
                "data lines " + std::to_string(p) + " and " + std::to_string(q) + " are wired the other way round");
        }
    }
    if (Fits(a, b, c, next(), same, [](std::uint8_t v) { return static_cast<std::uint8_t>(~v); })) {
        add("inverted", "every bit is inverted");
    }
}

[[nodiscard]] std::string AddressPattern(const Comparison& c) {
    std::string text;
    for (unsigned k = c.addressBits; k-- > 0;) {
        if (((c.addressMask >> k) & 1u) == 0) continue;
        if (!text.empty()) text += ", ";
        text += "A" + std::to_string(k) + " = " + ((c.addressValue >> k) & 1u ? "1" : "0");
    }
    return text;
}

}  // namespace

Comparison CompareDumps(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    return *CompareDumps(a, b, nullptr);
}

std::optional<Comparison> CompareDumps(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b,
                                       const WorkPoll& poll) {
    Comparison c;
    c.lengthA = a.size();
    c.lengthB = b.size();
    c.compared = std::min(a.size(), b.size());
    c.addressBits = AddressBitsFor(c.compared);
    const bool sameLength = a.size() == b.size();
    WorkMeter meter(poll, (sameLength ? 2 : 1) * c.compared);
    CountDifferences(a, b, c, meter);
    if (meter.BrokenOff()) return std::nullopt;
    if (sameLength && c.differing > 0) {
        const std::uint64_t n = c.compared;
        FindTransforms(a, b, c, PassMeter(&meter, n, n, TransformCount(AddressBitsFor(n)) * n));
        if (meter.BrokenOff()) return std::nullopt;
    }
    return c;
}

std::vector<std::string> ExplainComparison(const Comparison& c) {
    std::vector<std::string> lines;
    if (c.lengthA != c.lengthB) {
        lines.push_back("lengths differ: " + HexText(c.lengthA, 5) + " and " + HexText(c.lengthB, 5) +
                        " bytes; the first " + HexText(c.compared, 5) + " are compared");
    }
    if (c.differing == 0) {
        lines.push_back(c.lengthA == c.lengthB ? "identical" : "the common part is identical");
        return lines;
    }
    lines.push_back(std::to_string(c.differing) + " of " + std::to_string(c.compared) + " bytes differ, from " +
                    HexText(c.first, 5) + " to " + HexText(c.last, 5));
    std::string bits;
    unsigned linesHit = 0;
    for (unsigned k = 0; k < 8; ++k) {
        if (c.bitCounts[k] == 0) continue;
        ++linesHit;
        if (!bits.empty()) bits += ", ";
        bits += "D" + std::to_string(k) + " " + std::to_string(c.bitCounts[k]);
    }
    if (linesHit == 1) {
        unsigned k = 0;
        while (c.bitCounts[k] == 0) ++k;
        std::string line = "every difference is in D" + std::to_string(k) + ": one data line";
        if (c.bitSetInB[k] == c.bitCounts[k]) line += " (always 1 in B where they differ)";
        if (c.bitSetInB[k] == 0) line += " (always 0 in B where they differ)";
        lines.push_back(line);
    } else {
        lines.push_back("differing bits by data line: " + bits);
    }
    if (c.addressMask != 0) {
        const std::string pattern = AddressPattern(c);
        lines.push_back("every difference lies where " + pattern +
                        (std::popcount(c.addressMask) == 1 ? ": one address line" : ""));
    }
    for (const KnownTransform& t : c.transforms) lines.push_back("B is A with " + t.name + ": " + t.meaning);
    return lines;
}

}  // namespace vesperine::diagnosis
