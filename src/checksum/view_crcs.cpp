// View registers by linearity: zero-start passes per polynomial, shifted and combined over GF(2).
#include "checksum/view_crcs.h"

#include <algorithm>
#include <array>
#include <bit>
#include <memory>
#include <span>

namespace vesperine::checksum {
namespace {

/*
  The register is linear over GF(2): from register r over bytes D it is Z^|D| r xor U(D), where
  U(D) is the register from zero over D and Z the matrix of one zero byte entering. So a model's
  register over D is U(D) shifted by its start, Z^|D| Start(), and U depends only on the
  polynomial and the bit order, one pass for every model sharing them. Concatenation combines
  the same way: U(A B) = Z^|B| U(A) xor U(B), so halves and the whole come from the quarters.
  Z^n is applied as the product of the powers Z^(2^k) for the bits of n, each a 64 x 64 bit
  matrix (column i the image of bit i), squared from Z once per polynomial.
*/

using Matrix = std::array<std::uint64_t, 64>;

[[nodiscard]] std::uint64_t Apply(const Matrix& m, std::uint64_t x) {
    std::uint64_t y = 0;
    for (unsigned i = 0; x != 0; ++i, x >>= 1) {
        if (x & 1) y ^= m[i];
    }
    return y;
}

class Shifter {
public:
    // Shifts by up to longest bytes.
    Shifter(const CrcEngine& engine, std::uint64_t longest)
        : powers_(std::max<std::size_t>(1, static_cast<std::size_t>(std::bit_width(longest)))) {
        const std::uint8_t zero[1] = {0};
        const std::uint64_t offset = engine.Update(0, zero);
        for (unsigned i = 0; i < 64; ++i) powers_[0][i] = engine.Update(std::uint64_t{1} << i, zero) ^ offset;
        for (std::size_t k = 1; k < powers_.size(); ++k) {
            for (unsigned i = 0; i < 64; ++i) powers_[k][i] = Apply(powers_[k - 1], powers_[k - 1][i]);
        }
    }
    // Z^n x: x followed by n zero bytes.
    [[nodiscard]] std::uint64_t Shift(std::uint64_t x, std::uint64_t n) const {
        for (unsigned k = 0; n != 0; ++k, n >>= 1) {
            if (n & 1) x = Apply(powers_[k], x);
        }
        return x;
    }

private:
    std::vector<Matrix> powers_;
};

// Zero-start registers of a view's body and whole, with their lengths.
struct Zero {
    std::uint64_t body = 0, full = 0;
    std::uint64_t bodyLength = 0, fullLength = 0;
};

// Zero-start registers of up to four views of one length, read side by side.
void PassEach(const CrcEngine& engine, const std::vector<View>& views, std::span<const std::size_t> which,
              std::uint64_t stored, std::vector<Zero>& zeros) {
    const std::uint64_t size = views[which[0]].bytes.size();
    const std::uint64_t bodyLength = size > stored ? size - stored : size;
    std::array<std::uint64_t, 4> regs{};
    std::array<std::span<const std::uint8_t>, 4> bodies{};
    for (std::size_t i = 0; i < which.size(); ++i) bodies[i] = views[which[i]].bytes.first(bodyLength);
    engine.UpdateEach(std::span(regs).first(which.size()), std::span(bodies).first(which.size()));
    for (std::size_t i = 0; i < which.size(); ++i) {
        const std::uint64_t full = engine.Update(regs[i], views[which[i]].bytes.subspan(bodyLength));
        zeros[which[i]] = {regs[i], full, bodyLength, size};
    }
}

// U(A B) for both of B's registers, where B is not shorter than its trailer.
[[nodiscard]] Zero Join(const Shifter& z, const Zero& a, const Zero& b) {
    return {z.Shift(a.full, b.bodyLength) ^ b.body, z.Shift(a.full, b.fullLength) ^ b.full, a.fullLength + b.bodyLength,
            a.fullLength + b.fullLength};
}

// Every view's zero-start registers for one polynomial and bit order.
[[nodiscard]] std::vector<Zero> ZeroPasses(const std::vector<View>& views, const CrcEngine& engine, const Shifter& z,
                                           std::uint64_t stored) {
    std::vector<Zero> zeros(views.size());
    std::vector<std::size_t> parts;  // halves, then quarters, as MakeViews orders them
    for (std::size_t v = 0; v < views.size(); ++v) {
        if (views[v].part) parts.push_back(v);
    }
    std::vector<bool> done(views.size(), false);
    const auto trailed = [&](std::size_t v) { return views[v].bytes.size() > stored; };
    if (parts.size() == 6 && trailed(parts[2])) {
        PassEach(engine, views, std::span(parts).subspan(2), stored, zeros);
        zeros[parts[0]] = Join(z, zeros[parts[2]], zeros[parts[3]]);
        zeros[parts[1]] = Join(z, zeros[parts[4]], zeros[parts[5]]);
        for (const std::size_t v : parts) done[v] = true;
    } else if (parts.size() == 2 && trailed(parts[0])) {
        PassEach(engine, views, parts, stored, zeros);
        for (const std::size_t v : parts) done[v] = true;
    }
    if (!parts.empty() && done[parts[0]]) {
        zeros[0] = Join(z, zeros[parts[0]], zeros[parts[1]]);  // views[0] is the whole dump
        done[0] = true;
    }
    std::vector<std::size_t> batch;  // the rest, neighbours of one length read together (the lanes)
    for (std::size_t v = 0; v <= views.size(); ++v) {
        const bool joins = v < views.size() && !done[v] && batch.size() < 4 &&
                           (batch.empty() || views[batch[0]].bytes.size() == views[v].bytes.size());
        if (joins) {
            batch.push_back(v);
            continue;
        }
        if (!batch.empty()) PassEach(engine, views, batch, stored, zeros);
        batch.clear();
        if (v < views.size() && !done[v]) batch.push_back(v);
    }
    return zeros;
}

[[nodiscard]] bool SamePass(const CrcModel& a, const CrcModel& b) {
    return a.width == b.width && a.poly == b.poly && a.refin == b.refin;
}

}  // namespace

std::vector<std::vector<ViewRegisters>> RegistersOfViews(const std::vector<View>& views,
                                                         const std::vector<CrcEngine>& engines, std::uint64_t stored) {
    std::vector<std::vector<ViewRegisters>> registers(views.size(), std::vector<ViewRegisters>(engines.size()));
    std::vector<bool> done(engines.size(), false);
    for (std::size_t e = 0; e < engines.size(); ++e) {
        if (done[e]) continue;
        const auto z = std::make_unique<Shifter>(engines[e], views.empty() ? 0 : views[0].bytes.size());
        const std::vector<Zero> zeros = ZeroPasses(views, engines[e], *z, stored);
        for (std::size_t f = e; f < engines.size(); ++f) {
            if (done[f] || !SamePass(engines[e].Model(), engines[f].Model())) continue;
            done[f] = true;
            const std::uint64_t start = engines[f].Start();
            for (std::size_t v = 0; v < views.size(); ++v) {
                registers[v][f] = {zeros[v].body ^ z->Shift(start, zeros[v].bodyLength),
                                   zeros[v].full ^ z->Shift(start, zeros[v].fullLength)};
            }
        }
    }
    return registers;
}

}  // namespace vesperine::checksum
