// Reading a strided view: in place, or a block gathered.
#include "analysis/strided_bytes.h"

#include <bit>
#include <cstring>

#include "analysis/lanes.h"

namespace vesperine {
namespace {

// The byte positions of a word loaded at a lane byte that hold that lane's bytes (0, 2, 4, 6),
// in the machine's byte order.
constexpr std::uint64_t kLaneMask =
    std::endian::native == std::endian::little ? 0x00FF00FF00FF00FFull : 0xFF00FF00FF00FF00ull;

[[nodiscard]] std::uint64_t Load(const std::uint8_t* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

}  // namespace

bool StridedBytes::Same(std::size_t a, std::size_t b, std::size_t length) const {
    if (length == 0) return true;
    const std::uint8_t* p = data_ + a * stride_;
    const std::uint8_t* q = data_ + b * stride_;
    if (stride_ == 1) return std::memcmp(p, q, length) == 0;
    std::size_t i = 0;
    if (stride_ == 2) {
        // The file's bytes from the first lane byte to the last: the word loads stay within them.
        const std::size_t reach = 2 * length - 1;
        std::size_t j = 0;
        for (; j + 32 <= reach; j += 32) {
            const std::uint64_t differ = (Load(p + j) ^ Load(q + j)) | (Load(p + j + 8) ^ Load(q + j + 8)) |
                                         (Load(p + j + 16) ^ Load(q + j + 16)) | (Load(p + j + 24) ^ Load(q + j + 24));
            if ((differ & kLaneMask) != 0) return false;
        }
        for (; j + 8 <= reach; j += 8) {
            if (((Load(p + j) ^ Load(q + j)) & kLaneMask) != 0) return false;
        }
        i = j / 2;
    }
    for (; i < length; ++i) {
        if (p[i * stride_] != q[i * stride_]) return false;
    }
    return true;
}

std::span<const std::uint8_t> StridedBytes::Read(std::size_t at, std::size_t length, Scratch& scratch) const {
    if (stride_ == 1) return {data_ + at, length};
    if (scratch.size() < length) scratch.resize(length);
    const std::span<std::uint8_t> out(scratch.data(), length);
    const std::uint8_t* source = data_ + at * stride_;
    std::size_t i = 0;
    if (stride_ == 2 && std::endian::native == std::endian::little) {
        // Eight lane bytes from two words: the lane's bytes kept, then packed down in halvings.
        // The byte loop of GatherLanes moves one a cycle at best; this is several times faster.
        // A group reads up to the byte after its last lane byte, which the next lane byte
        // bounds: the last group is left to the byte loop.
        const auto pack = [](std::uint64_t word) {
            word &= kLaneMask;
            word = (word | word >> 8) & 0x0000FFFF0000FFFFull;
            return (word | word >> 16) & 0x00000000FFFFFFFFull;
        };
        for (; i + 8 < length; i += 8) {
            const std::uint64_t packed = pack(Load(source + 2 * i)) | pack(Load(source + 2 * i + 8)) << 32;
            std::memcpy(out.data() + i, &packed, 8);
        }
    }
    if (i < length) GatherLanes(source + i * stride_, stride_, 1, out.subspan(i));
    return out;
}

}  // namespace vesperine
