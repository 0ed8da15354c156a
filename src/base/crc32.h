// CRC-32 of IEEE 802.3 (reflected 0xEDB88320, initial FFFFFFFF, final complement).
#pragma once

#include <cstdint>
#include <span>

namespace vesperine {

// Running form: pass the CRC of the bytes before (0 for none) to continue over more bytes.
// Crc32({}) is 0 and Crc32 of "123456789" is CBF43926.
[[nodiscard]] std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t previous = 0);

// The same CRC one byte at a time through the 256-entry table: the reference that the fast
// one is measured and checked against.
[[nodiscard]] std::uint32_t Crc32Bytewise(std::span<const std::uint8_t> bytes, std::uint32_t previous = 0);

}  // namespace vesperine
