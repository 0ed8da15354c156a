// A CRC of any width from 3 to 64 bits by its parameters: folded by carry-less multiplication where the processor has
// it, table-driven eight bytes at a time otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "checksum/crc_fold.h"

namespace vesperine::checksum {

// A CRC model in the usual parameters (Ross Williams' "Painless Guide", as the RevEng
// catalogue lists them): width bits; the polynomial without its top term, highest power in the
// top bit; the register's initial value; whether bytes enter bit 0 first (refin) and the
// register leaves reversed (refout); the value XORed into the result. check is the CRC of the
// nine ASCII bytes "123456789". Every value has only its low width bits set.
struct CrcModel {
    std::string_view name;
    unsigned width = 0;
    std::uint64_t poly = 0;
    std::uint64_t init = 0;
    bool refin = false;
    bool refout = false;
    std::uint64_t xorout = 0;
    std::uint64_t check = 0;
    std::string_view aliases;  // other names in common use, separated by spaces
};

// A model's tables and folding constants, built once (16 KiB), then any number of CRCs of it.
// The register runs in the orientation the bytes enter: reflected in the low bits, or
// unreflected in the high bits of 64 (its low 64 - width bits zero), so one loop serves every
// width. Messages of CrcFolder::kMinimum bytes and more are folded by the kernel chosen here:
// the fastest the processor runs, or a slower one asked for (tests compare them); a kernel the
// processor lacks is lowered to the best it has.
class CrcEngine {
public:
    explicit CrcEngine(const CrcModel& model, CrcKernel kernel = BestCrcKernel());

    // The whole CRC of bytes.
    [[nodiscard]] std::uint64_t Compute(std::span<const std::uint8_t> bytes) const;

    // Running form: Finish(Update(Start(), A B)) = Finish(Update(Update(Start(), A), B)).
    [[nodiscard]] std::uint64_t Start() const { return start_; }
    [[nodiscard]] std::uint64_t Update(std::uint64_t reg, std::span<const std::uint8_t> bytes) const;
    [[nodiscard]] std::uint64_t Finish(std::uint64_t reg) const;

    // regs[i] = Update(regs[i], parts[i]) for up to four parts of equal length. Where the tables
    // do the work, their chains of loads are interleaved so that they overlap; folded parts run
    // one after another, each at memory speed.
    void UpdateEach(std::span<std::uint64_t> regs, std::span<const std::span<const std::uint8_t>> parts) const;

    [[nodiscard]] const CrcModel& Model() const { return model_; }
    [[nodiscard]] CrcKernel Kernel() const { return kernel_; }

private:
    [[nodiscard]] std::uint64_t UpdateByTable(std::uint64_t reg, std::span<const std::uint8_t> bytes) const;

    CrcModel model_;
    CrcKernel kernel_;
    bool viaCrc32_ = false;  // CRC-32/ISO-HDLC where nothing folds: the project's fast CRC-32
    CrcFolder folder_;
    std::uint64_t start_ = 0;
    std::array<std::array<std::uint64_t, 256>, 8> table_{};  // table_[k]: a byte followed by k zero bytes
};

// The low width bits of value in reverse order.
[[nodiscard]] std::uint64_t Reflect(std::uint64_t value, unsigned width);

}  // namespace vesperine::checksum
