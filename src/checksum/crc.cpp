// The parameterised CRC: tables for slicing by eight, the choice of folding, and the conditioning around the register.
#include "checksum/crc.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "base/crc32.h"

namespace vesperine::checksum {
namespace {

/*
  Slicing by eight. Let T[x] be the register after one byte x enters a zero register, and
  T_k[x] the same followed by k zero bytes (T_k[x] = one more zero byte through T_(k-1)[x]).
  A CRC register is linear over GF(2) in its starting value and the bytes, and while at least
  width/8 bytes enter, starting from register R over bytes B equals starting from zero over B
  with R XORed into its first bytes (in the order the register leaves). So eight bytes D at
  once: U = R xor D (D read little-endian for a reflected register, big-endian for an
  unreflected one held in the top bits), and the new register is the XOR over the eight bytes
  u_i of U (in entering order) of T_(7-i)[u_i]: eight independent loads instead of a chain.
*/

constexpr std::uint64_t kTop = std::uint64_t{1} << 63;

[[nodiscard]] bool IsIsoHdlc(const CrcModel& m) {
    return m.width == 32 && m.poly == 0x04C11DB7 && m.init == 0xFFFFFFFF && m.refin && m.refout &&
           m.xorout == 0xFFFFFFFF;
}

[[nodiscard]] std::uint64_t Load(const std::uint8_t* bytes, bool littleEndian) {
    std::uint64_t word;
    std::memcpy(&word, bytes, 8);
    if ((std::endian::native == std::endian::little) != littleEndian) {
        std::uint64_t swapped = 0;
        for (int i = 0; i < 8; ++i) swapped = swapped << 8 | ((word >> (8 * i)) & 0xFF);
        word = swapped;
    }
    return word;
}

}  // namespace

std::uint64_t Reflect(std::uint64_t value, unsigned width) {
    // All 64 bits reversed by swapping ever wider neighbours; bits at and above width land
    // below 64 - width and are shifted out.
    value = ((value >> 1) & 0x5555555555555555) | ((value & 0x5555555555555555) << 1);
    value = ((value >> 2) & 0x3333333333333333) | ((value & 0x3333333333333333) << 2);
    value = ((value >> 4) & 0x0F0F0F0F0F0F0F0F) | ((value & 0x0F0F0F0F0F0F0F0F) << 4);
    value = ((value >> 8) & 0x00FF00FF00FF00FF) | ((value & 0x00FF00FF00FF00FF) << 8);
    value = ((value >> 16) & 0x0000FFFF0000FFFF) | ((value & 0x0000FFFF0000FFFF) << 16);
    value = (value >> 32) | (value << 32);
    return value >> (64 - width);
}

CrcEngine::CrcEngine(const CrcModel& model, CrcKernel kernel)
    : model_(model),
      kernel_(std::min(kernel, BestCrcKernel())),
      viaCrc32_(IsIsoHdlc(model) && BestCrcKernel() == CrcKernel::Table),
      folder_(model.width, model.poly, model.refin) {
    const unsigned w = model.width;
    if (model.refin) {
        const std::uint64_t poly = Reflect(model.poly, w);
        for (std::uint64_t x = 0; x < 256; ++x) {
            std::uint64_t reg = x;
            for (int bit = 0; bit < 8; ++bit) reg = (reg & 1) ? (reg >> 1) ^ poly : reg >> 1;
            table_[0][x] = reg;
        }
        start_ = Reflect(model.init, w);
    } else {
        const std::uint64_t poly = model.poly << (64 - w);
        for (std::uint64_t x = 0; x < 256; ++x) {
            std::uint64_t reg = x << 56;
            for (int bit = 0; bit < 8; ++bit) reg = (reg & kTop) ? (reg << 1) ^ poly : reg << 1;
            table_[0][x] = reg;
        }
        start_ = model.init << (64 - w);
    }
    for (std::size_t k = 1; k < 8; ++k) {
        for (std::size_t x = 0; x < 256; ++x) {
            const std::uint64_t prev = table_[k - 1][x];
            table_[k][x] = model.refin ? table_[0][prev & 0xFF] ^ (prev >> 8) : table_[0][prev >> 56] ^ (prev << 8);
        }
    }
}

std::uint64_t CrcEngine::Update(std::uint64_t reg, std::span<const std::uint8_t> bytes) const {
    if (viaCrc32_) return ~std::uint64_t{Crc32(bytes, ~static_cast<std::uint32_t>(reg))} & 0xFFFFFFFF;
    if (kernel_ == CrcKernel::Table || bytes.size() < CrcFolder::kMinimum) return UpdateByTable(reg, bytes);
    const CrcFolder::Folded folded = folder_.Fold(kernel_, reg, bytes);
    return UpdateByTable(UpdateByTable(0, folded.block), bytes.subspan(folded.consumed));
}

std::uint64_t CrcEngine::UpdateByTable(std::uint64_t reg, std::span<const std::uint8_t> bytes) const {
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    const auto& t = table_;
    if (model_.refin) {
        for (; left >= 8; left -= 8, p += 8) {
            const std::uint64_t u = reg ^ Load(p, true);
            reg = t[7][u & 0xFF] ^ t[6][(u >> 8) & 0xFF] ^ t[5][(u >> 16) & 0xFF] ^ t[4][(u >> 24) & 0xFF] ^
                  t[3][(u >> 32) & 0xFF] ^ t[2][(u >> 40) & 0xFF] ^ t[1][(u >> 48) & 0xFF] ^ t[0][u >> 56];
        }
        for (; left > 0; --left, ++p) reg = t[0][(reg ^ *p) & 0xFF] ^ (reg >> 8);
    } else {
        for (; left >= 8; left -= 8, p += 8) {
            const std::uint64_t u = reg ^ Load(p, false);
            reg = t[7][u >> 56] ^ t[6][(u >> 48) & 0xFF] ^ t[5][(u >> 40) & 0xFF] ^ t[4][(u >> 32) & 0xFF] ^
                  t[3][(u >> 24) & 0xFF] ^ t[2][(u >> 16) & 0xFF] ^ t[1][(u >> 8) & 0xFF] ^ t[0][u & 0xFF];
        }
        for (; left > 0; --left, ++p) reg = t[0][(reg >> 56) ^ *p] ^ (reg << 8);
    }
    return reg;
}

void CrcEngine::UpdateEach(std::span<std::uint64_t> regs, std::span<const std::span<const std::uint8_t>> parts) const {
    const std::size_t k = parts.size();
    const std::size_t length = k == 0 ? 0 : parts[0].size();
    // Folding runs at memory speed on one part at a time; the tables gain from interleaving.
    if (viaCrc32_ || k > 4 || (kernel_ != CrcKernel::Table && length >= CrcFolder::kMinimum)) {
        for (std::size_t i = 0; i < k; ++i) regs[i] = Update(regs[i], parts[i]);
        return;
    }
    std::array<std::uint64_t, 4> r{};
    std::array<const std::uint8_t*, 4> p{};
    for (std::size_t i = 0; i < k; ++i) {
        r[i] = regs[i];
        p[i] = parts[i].data();
    }
    const auto& t = table_;
    const bool little = model_.refin;
    const std::size_t words = length / 8;
    for (std::size_t w = 0; w < words; ++w) {
        for (std::size_t i = 0; i < 4; ++i) {  // a fixed count, unrolled; streams past k stay at zero
            if (i >= k) break;
            const std::uint64_t u = r[i] ^ Load(p[i] + 8 * w, little);
            r[i] = little
                       ? t[7][u & 0xFF] ^ t[6][(u >> 8) & 0xFF] ^ t[5][(u >> 16) & 0xFF] ^ t[4][(u >> 24) & 0xFF] ^
                             t[3][(u >> 32) & 0xFF] ^ t[2][(u >> 40) & 0xFF] ^ t[1][(u >> 48) & 0xFF] ^ t[0][u >> 56]
                       : t[7][u >> 56] ^ t[6][(u >> 48) & 0xFF] ^ t[5][(u >> 40) & 0xFF] ^ t[4][(u >> 32) & 0xFF] ^
                             t[3][(u >> 24) & 0xFF] ^ t[2][(u >> 16) & 0xFF] ^ t[1][(u >> 8) & 0xFF] ^ t[0][u & 0xFF];
        }
    }
    for (std::size_t i = 0; i < k; ++i) regs[i] = Update(r[i], parts[i].subspan(8 * words));
}

std::uint64_t CrcEngine::Finish(std::uint64_t reg) const {
    const unsigned w = model_.width;
    // The register as the polynomial's remainder, highest power in bit w - 1, then in the
    // order the model gives it out; reflected in and out, the register already is.
    const std::uint64_t remainder = model_.refin ? Reflect(reg, w) : reg >> (64 - w);
    const std::uint64_t out = model_.refout ? (model_.refin ? reg : Reflect(remainder, w)) : remainder;
    return out ^ model_.xorout;
}

std::uint64_t CrcEngine::Compute(std::span<const std::uint8_t> bytes) const { return Finish(Update(start_, bytes)); }

}  // namespace vesperine::checksum
