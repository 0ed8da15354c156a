// The sliding-window CRC-32 search, from prefix CRCs and the CRC shift operator.
#include "search/window_search.h"

#include <algorithm>
#include <array>

#include "base/crc32.h"
#include "base/crc_algebra.h"

namespace vesperine {
namespace {

using crc_algebra::FixedMultiplier;
using crc_algebra::ShiftOperator;

/*
  Why a window's CRC follows from two prefix CRCs.

  Read a message M of n bytes as a polynomial over GF(2) of degree below 8n, its first bit
  the highest term, and let P be the CRC-32 polynomial of degree 32. With I the initial
  register (all ones) and F the final complement (all ones), the finished CRC is

      C(M) = (I x^(8n) + M x^32) mod P + F.

  For a message A of a bytes followed by B of b bytes, (A B) = A x^(8b) + B, so

      C(A B) = (I x^(8(a+b)) + A x^(8b+32) + B x^32) mod P + F
             = (C(A) + F) x^(8b) + (C(B) + F + I x^(8b)) + F      (mod P)
             = C(A) x^(8b) + C(B)                                  (I = F, and F + F = 0),

  which is zlib's crc32_combine. Let Q(o) be the CRC of the extract's first o bytes and W the
  CRC of the window [o, o + s). Taking A = [0, o) and B = the window, Q(o + s) = Q(o) x^(8s) + W,
  and as adding is XOR,

      W = Q(o + s) XOR (Q(o) x^(8s) mod P).

  So every window needs the prefix CRCs at its start and its end, and one multiplication by
  the same x^(8s). Both prefixes run forward over the extract with the ordinary CRC: the start
  and end offsets both grow by the step from one window to the next, so each cursor hashes
  step bytes per window and no prefix is kept beyond the current window. Multiplying by a
  fixed polynomial is linear in the 32 coefficients of the other factor, so it is four lookups
  in byte tables built once per search.

  Polynomials are held reflected, as the CRC register holds them (base/crc_algebra.h).
  The operator is computed there rather than by zlib's crc32_combine_gen, whose length argument
  is a signed long: 32 bits on Windows, too narrow for windows of 2 GiB and more.
*/

// The poll is asked after this many windows, or after fewer when their hashing reaches
// kBytesPerPoll first: at memory speed either is well under a millisecond of work.
constexpr std::uint64_t kWindowsPerPoll = 4096;
constexpr std::uint64_t kBytesPerPoll = std::uint64_t{4} << 20;

// Runs shorter than this go through the byte-wise table: below it the library's fixed cost
// per call outweighs the table's cost per byte (measured with steps of 8 to 64 bytes).
constexpr std::size_t kShortRun = 16;

const WindowHit kFirstHitOnly = [](std::uint32_t) { return false; };

// The CRC continued over bytes, by whichever of the two ways is quicker for their count.
[[nodiscard]] std::uint32_t ContinueCrc(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
    return bytes.size() < kShortRun ? Crc32Bytewise(bytes, crc) : Crc32(bytes, crc);
}

// Window CRCs from the two running prefix CRCs. Offsets must come in ascending order.
class PrefixWindows {
public:
    PrefixWindows(std::span<const std::uint8_t> extract, std::uint32_t size)
        : extract_(extract), size_(size), shift_(ShiftOperator(size)) {}

    [[nodiscard]] std::uint32_t operator()(std::uint64_t offset) {
        startCrc_ = ContinueCrc(startCrc_, Bytes(start_, offset));
        endCrc_ = ContinueCrc(endCrc_, Bytes(end_, offset + size_));
        start_ = offset;
        end_ = offset + size_;
        return endCrc_ ^ shift_(startCrc_);
    }

private:
    [[nodiscard]] std::span<const std::uint8_t> Bytes(std::uint64_t from, std::uint64_t to) const {
        return extract_.subspan(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
    }

    std::span<const std::uint8_t> extract_;
    std::uint64_t size_;
    FixedMultiplier shift_;
    std::uint64_t start_ = 0;  // the prefix CRCs are of [0, start_) and [0, end_)
    std::uint64_t end_ = 0;
    std::uint32_t startCrc_ = 0;
    std::uint32_t endCrc_ = 0;
};

// Walks the windows in order, asking windowCrc for each one's CRC-32 and onHit for each match
// (false from onHit ends the walk there), and the poll after every windowsPerPoll windows.
template <typename WindowCrc>
[[nodiscard]] SearchResult Scan(std::span<const std::uint8_t> extract, std::uint32_t target, std::uint32_t size,
                                std::uint32_t step, const WindowPoll& poll, const WindowHit& onHit,
                                std::uint64_t windowsPerPoll, WindowCrc&& windowCrc) {
    if (size > extract.size()) return {SearchOutcome::NotFound, 0};
    if (step == 0) {
        // Examining the same window again gives the same CRC: one hit, or only a break ends this.
        if (windowCrc(0) == target) {
            (void)onHit(0);
            return {SearchOutcome::Found, 0};
        }
        for (std::uint64_t done = 1; !poll(done, 0); ++done) {
        }
        return {SearchOutcome::Broken, 0};
    }
    SearchResult result{SearchOutcome::NotFound, 0};
    const std::uint64_t windows = (extract.size() - size) / step + 1;
    for (std::uint64_t k = 0; k < windows; ++k) {
        // The extract holds fewer than 2^32 bytes, so every offset fits.
        const auto offset = static_cast<std::uint32_t>(k * step);
        if (windowCrc(offset) == target) {
            if (result.outcome == SearchOutcome::NotFound) result = {SearchOutcome::Found, offset};
            if (!onHit(offset)) return result;
        }
        if ((k + 1) % windowsPerPoll == 0 && poll(k + 1, windows)) return {SearchOutcome::Broken, 0};
    }
    return result;
}

[[nodiscard]] std::span<const std::uint8_t> Window(std::span<const std::uint8_t> extract, std::uint64_t offset,
                                                   std::uint32_t size) {
    return extract.subspan(static_cast<std::size_t>(offset), size);
}

}  // namespace

SearchResult FindCrcWindows(std::span<const std::uint8_t> extract, std::uint32_t target, std::uint32_t size,
                            std::uint32_t step, const WindowPoll& poll, const WindowHit& onHit) {
    if (step == 0 || step >= size || size > extract.size()) {
        // Windows that do not overlap hash each byte at most once when taken whole; step 0
        // hashes its one window once.
        const std::uint64_t perPoll =
            std::clamp<std::uint64_t>(kBytesPerPoll / std::max<std::uint32_t>(size, 1), 1, kWindowsPerPoll);
        return Scan(extract, target, size, step, poll, onHit, perPoll,
                    [&](std::uint64_t offset) { return ContinueCrc(0, Window(extract, offset, size)); });
    }
    // Each window moves both prefix cursors by step bytes.
    const std::uint64_t perPoll =
        std::clamp<std::uint64_t>(kBytesPerPoll / (std::uint64_t{2} * step), 1, kWindowsPerPoll);
    PrefixWindows prefixWindows(extract, size);
    return Scan(extract, target, size, step, poll, onHit, perPoll, prefixWindows);
}

SearchResult FindCrcWindow(std::span<const std::uint8_t> extract, std::uint32_t target, std::uint32_t size,
                           std::uint32_t step, const WindowPoll& poll) {
    return FindCrcWindows(extract, target, size, step, poll, kFirstHitOnly);
}

SearchResult FindCrcWindowNaive(std::span<const std::uint8_t> extract, std::uint32_t target, std::uint32_t size,
                                std::uint32_t step, const WindowPoll& poll) {
    return Scan(extract, target, size, step, poll, kFirstHitOnly, 1,
                [&](std::uint64_t offset) { return Crc32(Window(extract, offset, size)); });
}

}  // namespace vesperine
