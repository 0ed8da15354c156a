// Word-at-a-time scans the diagnosis shares: a range of one byte value, two ranges equal.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

#include "analysis/strided_bytes.h"
#include "base/work_poll.h"

namespace vesperine::diagnosis {

// Whether every byte of bytes is value (true for no bytes). The scans that take a meter tick it
// every kPollBytes with their position in bytes; broken off, they stop with an answer that
// means nothing, which the caller drops on seeing the meter broken.
[[nodiscard]] bool IsAllByte(std::span<const std::uint8_t> bytes, std::uint8_t value, const PassMeter& meter = {});
[[nodiscard]] bool IsAllByte(const StridedBytes& bytes, std::uint8_t value, const PassMeter& meter = {});

// Whether the length bytes at a and at b are equal.
[[nodiscard]] inline bool SameBytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t length) {
    return length == 0 || std::memcmp(a, b, length) == 0;
}
[[nodiscard]] bool SameBytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t length, const PassMeter& meter);
// Whether bytes [a, a + length) and [b, b + length) of the view are equal, the meter ticked as
// above over length.
[[nodiscard]] bool SameBytes(const StridedBytes& bytes, std::size_t a, std::size_t b, std::size_t length,
                             const PassMeter& meter);

// Eight bytes from p as one word, in whatever order the machine keeps them: the scans that
// use it treat every byte position alike.
[[nodiscard]] inline std::uint64_t LoadWord(const std::uint8_t* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Each whole 8-byte word of the first `whole` bytes of the view (a multiple of 8) to visit, which
// answers whether to go on: read a block at a time where the view lies (a lane through a small
// scratch), the meter ticked after each full kPollBytes. False as soon as visit says stop or the
// meter breaks off.
template <typename Visit>
[[nodiscard]] bool ForEachWord(const StridedBytes& bytes, std::size_t whole, const PassMeter& meter, Visit visit) {
    const std::size_t block = bytes.Block(kPollBytes);  // a whole number of words
    StridedBytes::Scratch scratch;
    for (std::size_t at = 0; at < whole; at += kPollBytes) {
        const std::size_t end = std::min<std::size_t>(whole, at + kPollBytes);
        for (std::size_t from = at; from < end; from += block) {
            const std::size_t size = std::min(block, end - from);
            const std::uint8_t* p = bytes.Read(from, size, scratch).data();
            for (std::size_t i = 0; i < size; i += 8) {
                if (!visit(LoadWord(p + i))) return false;
            }
        }
        if (end - at == kPollBytes && meter.Tick(end)) return false;
    }
    return true;
}

// The index of the highest set bit plus one: the number of address bits that offsets below
// length need (0 for length 0 or 1).
[[nodiscard]] unsigned AddressBitsFor(std::uint64_t length);

}  // namespace vesperine::diagnosis
