// CRC-32 through ISA-L (zlib's crc32 where ISA-L is missing), with the byte-wise table kept as
// the reference.
#include "base/crc32.h"

#if VESPERINE_HAVE_ISAL
#include <isa-l/crc.h>
#else
#include <zlib.h>
#endif

#include <algorithm>
#include <array>
#include <cstddef>

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
    // ISA-L's gzip CRC and zlib's crc32 both take and return the finished (complemented) value.
    if (bytes.empty()) return previous;
#if VESPERINE_HAVE_ISAL
    return crc32_gzip_refl(previous, bytes.data(), bytes.size());
#else
    // zlib's length is an unsigned int (32 bits on every platform here, Windows included), so
    // longer spans go in pieces of at most 1 GiB.
    constexpr std::size_t kPiece = std::size_t{1} << 30;
    uLong crc = previous;
    for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
        const std::size_t n = std::min(kPiece, bytes.size() - at);
        crc = crc32(crc, bytes.data() + at, static_cast<uInt>(n));
    }
    return static_cast<std::uint32_t>(crc);
#endif
}

std::uint32_t Crc32Bytewise(std::span<const std::uint8_t> bytes, std::uint32_t previous) {
    std::uint32_t c = ~previous;
    for (const std::uint8_t b : bytes) c = kTable[(c ^ b) & 0xFFu] ^ (c >> 8);
    return ~c;
}

}  // namespace vesperine
