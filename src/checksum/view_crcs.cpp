// View registers by linearity: zero-start passes per polynomial, shifted and combined over GF(2).
#include "checksum/view_crcs.h"

#include <array>
#include <span>

#include "base/crc_algebra.h"

namespace vesperine::checksum {
namespace {

/*
  The register is linear over GF(2): from register r over bytes D it is Z^|D| r xor U(D), where
  U(D) is the register from zero over D and Z the matrix of one zero byte entering. So a model's
  register over D is U(D) shifted by its start, Z^|D| Start(), and U depends only on the
  polynomial and the bit order, one pass for every model sharing them. Concatenation combines
  the same way: U(A B) = Z^|B| U(A) xor U(B), so halves and the whole come from the quarters.
  Z^n is multiplication by x^(8n) modulo the polynomial (base/crc_algebra.h).
*/

// The ring of the engine's register: Z^n x (x followed by n zero bytes) is AfterZeros(x, n).
[[nodiscard]] crc_algebra::CrcRing RingOf(const CrcModel& model) { return {model.width, model.poly, model.refin}; }

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
[[nodiscard]] Zero Join(const crc_algebra::CrcRing& z, const Zero& a, const Zero& b) {
    return {z.AfterZeros(a.full, b.bodyLength) ^ b.body, z.AfterZeros(a.full, b.fullLength) ^ b.full,
            a.fullLength + b.bodyLength, a.fullLength + b.fullLength};
}

// Every view's zero-start registers for one polynomial and bit order.
[[nodiscard]] std::vector<Zero> ZeroPasses(const std::vector<View>& views, const CrcEngine& engine,
                                           const crc_algebra::CrcRing& z, std::uint64_t stored) {
    std::vector<Zero> zeros(views.size());
    std::vector<std::size_t> parts;  // halves, then quarters, as ChecksumViewsOf orders them
    for (std::size_t v = 0; v < views.size(); ++v) {
        if (IsPiece(views[v].plan)) parts.push_back(v);
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
        const crc_algebra::CrcRing z = RingOf(engines[e].Model());
        const std::vector<Zero> zeros = ZeroPasses(views, engines[e], z, stored);
        for (std::size_t f = e; f < engines.size(); ++f) {
            if (done[f] || !SamePass(engines[e].Model(), engines[f].Model())) continue;
            done[f] = true;
            const std::uint64_t start = engines[f].Start();
            for (std::size_t v = 0; v < views.size(); ++v) {
                registers[v][f] = {zeros[v].body ^ z.AfterZeros(start, zeros[v].bodyLength),
                                   zeros[v].full ^ z.AfterZeros(start, zeros[v].fullLength)};
            }
        }
    }
    return registers;
}

}  // namespace vesperine::checksum
