// Folding a message by carry-less multiplication for any CRC of width 3 to 64: a model's constants and the kernels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vesperine::checksum {

// How the bulk of a message is reduced, slowest first: the slicing tables (every processor,
// and the oracle the others are tested against), 128-bit carry-less multiplication (PCLMULQDQ
// with SSE4.1), and 512-bit (VPCLMULQDQ with AVX-512BW).
enum class CrcKernel { Table, Carryless, WideCarryless };

// The fastest kernel this processor and its operating system run.
[[nodiscard]] CrcKernel BestCrcKernel();

// A model's folding constants, computed for its polynomial when built.
class CrcFolder {
public:
    // Shorter messages go through the tables. Measured on Zen 4 (AVX-512), CRC-32C: at 32 bytes
    // folding takes 11 ns to the tables' 14, at 128 bytes 17 to 63, at 4 KiB 82 to 2084.
    static constexpr std::size_t kMinimum = 32;

    // width and normalPoly as CrcModel gives them; reflected is the model's refin.
    CrcFolder(unsigned width, std::uint64_t normalPoly, bool reflected);

    // What remains after folding: the CRC register of the whole message equals the register,
    // started at zero, after the 16 bytes of block and then bytes[consumed..]. consumed is a
    // multiple of 16, at least 16.
    struct Folded {
        std::array<std::uint8_t, 16> block{};
        std::size_t consumed = 0;
    };

    // reg is the register before bytes, in the engine's layout; bytes has at least 16 bytes;
    // kernel is not Table and is one this processor runs.
    [[nodiscard]] Folded Fold(CrcKernel kernel, std::uint64_t reg, std::span<const std::uint8_t> bytes) const;

    // The pair of constants that moves a 16-byte accumulator past m further blocks of 16 bytes,
    // for m = 1 .. 16, ordered as the accumulator's two halves are.
    using Pair = std::array<std::uint64_t, 2>;

private:
    bool reflected_;
    std::array<Pair, 17> byBlocks_{};
};

}  // namespace vesperine::checksum
