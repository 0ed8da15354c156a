// CRC-32 through ISA-L, with the byte-wise table kept as the reference.
#include "analysis/crc32.h"

#include <isa-l/crc.h>

#include <array>

namespace vesperine {
namespace {

// Entry n is the register after eight reflected shifts of n.
constexpr std::array<std::uint32_t, 256> MakeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr auto kTable = MakeTable();

}  // namespace

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t previous) {
    // ISA-L's gzip CRC takes and returns the finished (complemented) value, like zlib's crc32.
    if (bytes.empty()) return previous;
    return crc32_gzip_refl(previous, bytes.data(), bytes.size());
}

std::uint32_t Crc32Bytewise(std::span<const std::uint8_t> bytes, std::uint32_t previous) {
    std::uint32_t c = ~previous;
    for (const std::uint8_t b : bytes) c = kTable[(c ^ b) & 0xFFu] ^ (c >> 8);
    return ~c;
}

}  // namespace vesperine
