// Word-at-a-time scans shared by the diagnosis.
#include "diagnosis/scan.h"

#include <algorithm>
#include <bit>

namespace vesperine::diagnosis {

namespace {

[[nodiscard]] bool IsAllByteUnmetered(std::span<const std::uint8_t> bytes, std::uint8_t value) {
    const std::uint64_t pattern = 0x0101010101010101ull * value;
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    // Four words per step, their differences gathered before one test.
    for (; left >= 32; p += 32, left -= 32) {
        const std::uint64_t differ = (LoadWord(p) ^ pattern) | (LoadWord(p + 8) ^ pattern) |
                                     (LoadWord(p + 16) ^ pattern) | (LoadWord(p + 24) ^ pattern);
        if (differ != 0) return false;
    }
    for (; left > 0; ++p, --left) {
        if (*p != value) return false;
    }
    return true;
}

}  // namespace

bool IsAllByte(std::span<const std::uint8_t> bytes, std::uint8_t value, const PassMeter& meter) {
    return IsAllByte(StridedBytes(bytes), value, meter);
}

bool IsAllByte(const StridedBytes& bytes, std::uint8_t value, const PassMeter& meter) {
    const std::size_t block = bytes.Block(kPollBytes);
    StridedBytes::Scratch scratch;
    for (std::size_t at = 0; at < bytes.size(); at += kPollBytes) {
        const std::size_t length = std::min<std::size_t>(kPollBytes, bytes.size() - at);
        for (std::size_t from = at; from < at + length; from += block) {
            const std::size_t size = std::min(block, at + length - from);
            if (!IsAllByteUnmetered(bytes.Read(from, size, scratch), value)) return false;
        }
        if (meter.Tick(at + length)) return false;
    }
    return true;
}

bool SameBytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t length, const PassMeter& meter) {
    for (std::size_t at = 0; at < length; at += kPollBytes) {
        const std::size_t part = std::min<std::size_t>(kPollBytes, length - at);
        if (!SameBytes(a + at, b + at, part) || meter.Tick(at + part)) return false;
    }
    return true;
}

bool SameBytes(const StridedBytes& bytes, std::size_t a, std::size_t b, std::size_t length, const PassMeter& meter) {
    for (std::size_t at = 0; at < length; at += kPollBytes) {
        const std::size_t part = std::min<std::size_t>(kPollBytes, length - at);
        if (!bytes.Same(a + at, b + at, part) || meter.Tick(at + part)) return false;
    }
    return true;
}

unsigned AddressBitsFor(std::uint64_t length) {
    return length < 2 ? 0u : static_cast<unsigned>(std::bit_width(length - 1));
}

}  // namespace vesperine::diagnosis
