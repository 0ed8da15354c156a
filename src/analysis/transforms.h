// The dump transforms: in-place byte operations over a span, each its own inverse.
#pragma once

#include <cstdint>
#include <span>

namespace vesperine {

// Every byte XOR value.
void XorEachByte(std::span<std::uint8_t> bytes, std::uint8_t value);

// 16-bit byte swap: b0 b1 b2 b3 -> b1 b0 b3 b2. An odd last byte stays where it is.
void SwapBytePairs(std::span<std::uint8_t> bytes);

// 32-bit reversal: b0 b1 b2 b3 -> b3 b2 b1 b0 for every whole group of four. The one to three
// bytes after the last whole group stay where they are.
void ReverseByteQuads(std::span<std::uint8_t> bytes);

// The first half and the second half exchanged: b0 b1 b2 b3 b4 -> b2 b3 b0 b1 b4. An odd last
// byte belongs to neither half and stays. Needs no buffer beyond a few bytes of stack, so it
// cannot fail.
void ExchangeHalves(std::span<std::uint8_t> bytes);

}  // namespace vesperine
