// Comparing two dumps: how many bytes differ, where, in which lines, and a known transform.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/work_poll.h"

namespace vesperine::diagnosis {

// A way of reading the same chip that gives B from A.
struct KnownTransform {
    std::string name;  // "halves swapped", "A5 inverted", "D3 and D5 exchanged", ...
    std::string meaning;
};

struct Comparison {
    std::uint64_t lengthA = 0;
    std::uint64_t lengthB = 0;
    std::uint64_t compared = 0;   // the shorter length: bytes beyond it are not compared
    std::uint64_t differing = 0;  // bytes that differ among the compared
    std::uint64_t first = 0;      // offsets of the first and last differing byte, when any
    std::uint64_t last = 0;
    std::array<std::uint64_t, 8> bitCounts{};  // differing bytes in which Dk differs
    std::array<std::uint64_t, 8> bitSetInB{};  // of those, the ones in which B has Dk = 1
    // Over the differing offsets, the address bits that are the same in every one of them
    // (mask) and their value; only meaningful with several differences.
    std::uint64_t addressMask = 0;
    std::uint64_t addressValue = 0;
    unsigned addressBits = 0;  // the bits that offsets of the compared bytes use
    std::vector<KnownTransform> transforms;

    [[nodiscard]] bool Equal() const { return lengthA == lengthB && differing == 0; }
};

// Differences over the common length; known transforms are tried only for equal lengths and
// differing bytes: one address line inverted (A0 is the byte lanes swapped, the top line the
// halves swapped), 32-bit byte swap, two address lines exchanged, bit order reversed, two data
// lines exchanged, inverted. Each transform stops at its first byte that does not fit.
[[nodiscard]] Comparison CompareDumps(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

// The same, reporting to poll in bytes: the differences are one pass over the common length,
// the transforms (equal lengths only) one more, shared among the transforms tried, so total is
// twice the common length for equal lengths and once otherwise. The poll is asked every 1 MiB
// (kPollBytes) and between transforms; nothing when broken off.
[[nodiscard]] std::optional<Comparison> CompareDumps(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b,
                                                     const WorkPoll& poll);

// The lines of plain text that say what the comparison found, for a person.
[[nodiscard]] std::vector<std::string> ExplainComparison(const Comparison& comparison);

}  // namespace vesperine::diagnosis
