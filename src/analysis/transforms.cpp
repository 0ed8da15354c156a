// The dump transforms, a block of 64-bit words at a time so that big dumps go at memory speed.
#include "analysis/transforms.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

namespace vesperine {
namespace {

// An open-ended byte loop is not vectorised at -O2; a loop of fixed length over the words of
// one block is unrolled and vectorised. The bytes pass through memcpy, which the compiler
// turns into plain loads and stores, so alignment and aliasing never matter.
constexpr std::size_t kBlockBytes = 64;
constexpr std::size_t kBlockWords = kBlockBytes / sizeof(std::uint64_t);

// The word operations below treat each byte lane alike and only pair lanes that sit at
// matching places within their 2- or 4-byte group, so they give the same bytes on little-
// and big-endian machines.
constexpr std::uint64_t kEvenBytes = 0x00FF00FF00FF00FFu;
constexpr std::uint64_t kEvenPairs = 0x0000FFFF0000FFFFu;

constexpr std::uint64_t SwapBytesOfPairs(std::uint64_t w) { return ((w & kEvenBytes) << 8) | ((w >> 8) & kEvenBytes); }

constexpr std::uint64_t ReverseBytesOfQuads(std::uint64_t w) {
    w = SwapBytesOfPairs(w);
    return ((w & kEvenPairs) << 16) | ((w >> 16) & kEvenPairs);
}

// Applies op to every word of each whole block of bytes; returns how many bytes it covered.
template <typename WordOp>
std::size_t TransformWholeBlocks(std::span<std::uint8_t> bytes, WordOp op) {
    std::size_t done = 0;
    for (; bytes.size() - done >= kBlockBytes; done += kBlockBytes) {
        std::uint64_t words[kBlockWords];
        std::memcpy(words, bytes.data() + done, kBlockBytes);
        for (std::uint64_t& w : words) w = op(w);
        std::memcpy(bytes.data() + done, words, kBlockBytes);
    }
    return done;
}

}  // namespace

void XorEachByte(std::span<std::uint8_t> bytes, std::uint8_t value) {
    const std::uint64_t everyLane = std::uint64_t{value} * 0x0101010101010101u;
    std::size_t i = TransformWholeBlocks(bytes, [everyLane](std::uint64_t w) { return w ^ everyLane; });
    for (; i < bytes.size(); ++i) bytes[i] ^= value;
}

void SwapBytePairs(std::span<std::uint8_t> bytes) {
    std::size_t i = TransformWholeBlocks(bytes, SwapBytesOfPairs);
    for (; bytes.size() - i >= 2; i += 2) std::swap(bytes[i], bytes[i + 1]);
}

void ReverseByteQuads(std::span<std::uint8_t> bytes) {
    std::size_t i = TransformWholeBlocks(bytes, ReverseBytesOfQuads);
    for (; bytes.size() - i >= 4; i += 4) std::reverse(bytes.data() + i, bytes.data() + i + 4);
}

void ExchangeHalves(std::span<std::uint8_t> bytes) {
    const std::size_t half = bytes.size() / 2;
    std::uint8_t* const first = bytes.data();
    std::uint8_t* const second = first + half;
    // The halves never overlap, so each block can go through a small stack buffer.
    std::size_t i = 0;
    for (; half - i >= kBlockBytes; i += kBlockBytes) {
        std::uint8_t saved[kBlockBytes];
        std::memcpy(saved, first + i, kBlockBytes);
        std::memcpy(first + i, second + i, kBlockBytes);
        std::memcpy(second + i, saved, kBlockBytes);
    }
    std::swap_ranges(first + i, first + half, second + i);
}

}  // namespace vesperine
