// libFuzzer target: CompareReads against a bit-by-bit count, its findings' accounting, MendByCrc against every
// assignment.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "base/crc32.h"
#include "reads/compare_reads.h"
#include "reads/crc_mend.h"
#include "reads/read_findings.h"
#include "reads/read_patterns.h"

namespace {

using vesperine::reads::CompareReads;
using vesperine::reads::Flips;
using vesperine::reads::MendOutcome;
using vesperine::reads::ReadsComparison;

using Bytes = std::vector<std::uint8_t>;

void Require(bool holds) {
    if (!holds) __builtin_trap();
}

// Reads the fuzz input front to back; past its end every byte is 0.
struct Input {
    std::span<const std::uint8_t> rest;
    std::uint8_t Byte() {
        if (rest.empty()) return 0;
        const std::uint8_t b = rest.front();
        rest = rest.subspan(1);
        return b;
    }
};

bool BitAt(const Bytes& read, std::uint64_t bit) { return (read[bit / 8] >> (bit % 8) & 1u) != 0; }

void Flip(Bytes& bytes, std::uint64_t bit) {
    bytes[bit / 8] = static_cast<std::uint8_t>(bytes[bit / 8] ^ (1u << (bit % 8)));
}

/*
  The reads: a header of three bytes (count 2-5 and mode, width, length 0-255), then either
  every read's bytes in turn (raw), or one read's bytes and triples (read, bit high, bit low)
  each flipping one bit of one read (near: few unstable bits, as in real rereads).
*/
std::vector<Bytes> ReadsFrom(Input& in, unsigned& width) {
    const std::uint8_t shape = in.Byte();
    const std::size_t count = 2 + shape % 4u;
    const bool near = (shape & 0x10) != 0;
    width = 1 + (in.Byte() & 1u);
    std::size_t length = in.Byte();
    if (!near) length = std::min(length, in.rest.size() / count);
    std::vector<Bytes> reads(count, Bytes(length));
    for (std::size_t r = 0; r < count; ++r) {
        if (near && r > 0) {
            reads[r] = reads[0];
            continue;
        }
        for (std::uint8_t& b : reads[r]) b = in.Byte();
    }
    if (near && length > 0) {
        while (in.rest.size() >= 3) {
            Bytes& read = reads[in.Byte() % count];
            const unsigned high = in.Byte();
            Flip(read, (high << 8 | in.Byte()) % (8 * length));
        }
    }
    return reads;
}

// The comparison counted bit by bit, straight from the contract in compare_reads.h.
ReadsComparison Naive(const std::vector<Bytes>& reads, unsigned width) {
    ReadsComparison c;
    const std::size_t n = reads.size();
    c.length = reads[0].size();
    c.width = width;
    c.readCount = n;
    c.soleDissent.assign(n, 0);
    Bytes consensus = reads[0];
    const std::uint64_t words = (c.length + width - 1) / width;
    c.addressBits = words <= 1 ? 0 : static_cast<unsigned>(std::bit_width(words - 1));
    std::vector<bool> wordUnstable(words, false);
    for (std::uint64_t bit = 0; bit < 8 * c.length; ++bit) {
        std::size_t ones = 0;
        for (const Bytes& read : reads) ones += BitAt(read, bit) ? 1 : 0;
        const bool tie = 2 * ones == n;
        const bool majorityOne = 2 * ones > n;
        if (!tie && BitAt(reads[0], bit) != majorityOne) Flip(consensus, bit);
        if (ones == 0 || ones == n) continue;
        const std::uint64_t offset = bit / 8;
        ++c.unstableBits;
        c.unstable.push_back(bit);
        if (tie) {
            ++c.ties;
            c.tied.push_back(bit);
        } else {
            ++(majorityOne ? c.oneToZero : c.zeroToOne);
        }
        wordUnstable[offset / width] = true;
        ++c.byDataLine[bit % 8 + 8 * (offset % width)];
        for (unsigned k = 0; k < c.addressBits; ++k) c.addressOnes[k] += (offset / width) >> k & 1u;
        if (c.unstableBits == 1) c.firstOffset = offset;
        c.lastOffset = offset;
        // A read dissents alone when its value is held by it and no other.
        vesperine::reads::UnstableShape shape;
        shape.direction = tie           ? vesperine::reads::BitDirection::Tie
                          : majorityOne ? vesperine::reads::BitDirection::OneToZero
                                        : vesperine::reads::BitDirection::ZeroToOne;
        for (std::size_t r = 0; r < n; ++r) {
            if ((BitAt(reads[r], bit) ? ones : n - ones) != 1) continue;
            ++c.soleDissent[r];
            if (n > 2) shape.loneRead = static_cast<std::uint32_t>(r);
        }
        c.shapes.push_back(shape);
    }
    c.unstableWords = static_cast<std::uint64_t>(std::count(wordUnstable.begin(), wordUnstable.end(), true));
    c.consensus = vesperine::ByteBuffer::CopyOf(consensus);
    return c;
}

void CheckComparison(const ReadsComparison& got, const ReadsComparison& want) {
    Require(got.length == want.length && got.width == want.width && got.readCount == want.readCount);
    Require(got.unstableBits == want.unstableBits && got.unstableWords == want.unstableWords);
    Require(got.ties == want.ties && got.unstable == want.unstable && got.tied == want.tied);
    Require(got.byDataLine == want.byDataLine && got.addressOnes == want.addressOnes);
    Require(got.addressBits == want.addressBits);
    if (want.unstableBits > 0) Require(got.firstOffset == want.firstOffset && got.lastOffset == want.lastOffset);
    Require(got.oneToZero == want.oneToZero && got.zeroToOne == want.zeroToOne);
    Require(got.soleDissent == want.soleDissent && got.shapes == want.shapes);
    Require(std::equal(got.consensus.begin(), got.consensus.end(), want.consensus.begin(), want.consensus.end()));
    Require(got.Stable() == (want.unstableBits == 0) && got.ListsComplete());
}

// Whether a pattern holds on an unstable bit, read from its fields and the reads themselves.
bool Holds(const vesperine::reads::ReadsPattern& p, const std::vector<Bytes>& reads, unsigned width,
           std::uint64_t bit) {
    using vesperine::reads::PatternKind;
    const std::size_t n = reads.size();
    std::size_t ones = 0;
    for (const Bytes& read : reads) ones += BitAt(read, bit) ? 1 : 0;
    const std::uint64_t offset = bit / 8;
    switch (p.kind) {
        case PatternKind::Outlier: return n > 2 && (BitAt(reads[p.read], bit) ? ones : n - ones) == 1;
        case PatternKind::DataLine: return bit % 8 + 8 * (offset % width) == p.line;
        case PatternKind::Region: return offset >= p.blockStart && offset < p.blockStart + p.blockSize;
        case PatternKind::Address: return (offset / width & p.addressMask) == p.addressValues;
        case PatternKind::Fading: return 2 * ones > n;
        case PatternKind::Rising: return 2 * ones < n;
    }
    return false;
}

// Every unstable bit in exactly one place: the first group whose patterns all hold on it, or the
// rest; each group nine tenths of the bits left to it; the findings' counts the groups'.
void CheckAccount(const ReadsComparison& c, const std::vector<Bytes>& reads, unsigned width) {
    const vesperine::reads::ReadsAccount account = vesperine::reads::AccountForBits(c);
    std::vector<std::uint64_t> counted(account.groups.size() + 1);
    for (const std::uint64_t bit : c.unstable) {
        std::size_t g = 0;
        while (g < account.groups.size() &&
               !std::all_of(account.groups[g].patterns.begin(), account.groups[g].patterns.end(),
                            [&](const auto& p) { return Holds(p, reads, width, bit); }))
            ++g;
        ++counted[g];
    }
    std::uint64_t left = c.unstableBits;
    for (std::size_t g = 0; g < account.groups.size(); ++g) {
        const auto& group = account.groups[g];
        Require(!group.patterns.empty() && group.from == left && group.bits == counted[g]);
        Require(10 * group.bits >= 9 * group.from);
        left -= group.bits;
    }
    Require(account.rest == left && account.rest == counted.back());
    std::uint64_t told = 0;
    unsigned last = 0;
    for (const vesperine::reads::ReadsFinding& f : vesperine::reads::ExplainReads(c)) {
        if (f.group != 0 && f.group != last) told += f.bits;
        if (f.group != 0) Require(f.group >= last), last = f.group;
    }
    Require(told == c.unstableBits);
}

// The consensus with the unknowns that the mask names (bit i for unknowns[i]) flipped.
Bytes Flipped(Bytes bytes, std::uint64_t mask, std::span<const std::uint64_t> unknowns) {
    for (std::size_t i = 0; i < unknowns.size(); ++i) {
        if (mask >> i & 1u) Flip(bytes, unknowns[i]);
    }
    return bytes;
}

// Every assignment of the unknown bits (a mask over them, bit i for unknowns[i]) whose
// consensus has the expected CRC-32, nearest the majority first: fewest flips, then the
// smaller mask.
std::vector<std::uint64_t> Solutions(const Bytes& consensus, std::span<const std::uint64_t> unknowns,
                                     std::uint32_t expected) {
    std::vector<std::uint64_t> found;
    for (std::uint64_t mask = 0; mask < (std::uint64_t{1} << unknowns.size()); ++mask) {
        if (vesperine::Crc32Bytewise(Flipped(consensus, mask, unknowns)) == expected) found.push_back(mask);
    }
    std::sort(found.begin(), found.end(), [](std::uint64_t a, std::uint64_t b) {
        return std::pair(std::popcount(a), a) < std::pair(std::popcount(b), b);
    });
    return found;
}

Flips FlipsOf(std::uint64_t mask, std::span<const std::uint64_t> unknowns) {
    Flips flips;
    for (std::size_t i = 0; i < unknowns.size(); ++i) {
        if (mask >> i & 1u) flips.push_back(unknowns[i]);
    }
    return flips;
}

// At most 12 unknowns, the first unstable bits: 4096 CRCs of at most 256 bytes.
constexpr std::size_t kMostUnknowns = 12;

// Bits whose flips together leave the CRC-32 of any message as it was: x^0 + x^145 + x^183 +
// x^211 + x^300 is a multiple of the polynomial (reflected: bit i has 300 - i of the set after
// it), found by matching sums of two powers of x against sums of three. Shifted anywhere within
// the message and added to the unknowns, they make the equations dependent and the mend
// ambiguous, which unknowns drawn at random almost never are.
constexpr std::array<std::uint64_t, 5> kDependent = {0, 145, 183, 211, 300};
constexpr std::size_t kKeep = 8;

void CheckMend(const Bytes& consensus, std::span<const std::uint64_t> unknowns, std::uint32_t expected) {
    const vesperine::reads::MendResult mend = vesperine::reads::MendByCrc(consensus, unknowns, expected, kKeep);
    const std::vector<std::uint64_t> found = Solutions(consensus, unknowns, expected);
    Require(mend.consensusCrc == vesperine::Crc32Bytewise(consensus) && mend.unknowns == unknowns.size());
    Require(mend.rank <= std::min<std::uint64_t>(32, unknowns.size()));
    if (found.empty()) {
        Require(mend.outcome == MendOutcome::NoAssignment && mend.assignments.empty());
        return;
    }
    Require(std::has_single_bit(found.size()) &&
            mend.freeBits == static_cast<std::uint64_t>(std::countr_zero(found.size())));
    Require(mend.rank + mend.freeBits == unknowns.size());
    Require(mend.outcome == (found.size() == 1 ? MendOutcome::Unique : MendOutcome::Ambiguous));
    Require(mend.assignments.size() == std::min(kKeep, found.size()));
    for (std::size_t i = 0; i < mend.assignments.size(); ++i) {
        Require(mend.assignments[i] == FlipsOf(found[i], unknowns));
        const vesperine::ByteBuffer mended = vesperine::reads::ApplyAssignment(consensus, mend.assignments[i]);
        Require(vesperine::Crc32Bytewise(mended) == expected);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{std::span(data, size)};
    // How the mend is tried: mode, 4 bytes, a shift (see below).
    std::array<std::uint8_t, 6> mendBytes{};
    for (std::uint8_t& b : mendBytes) b = in.Byte();
    unsigned width = 1;
    const std::vector<Bytes> reads = ReadsFrom(in, width);
    std::vector<std::span<const std::uint8_t>> spans(reads.begin(), reads.end());
    const ReadsComparison got = CompareReads(spans, width);
    const ReadsComparison want = Naive(reads, width);
    CheckComparison(got, want);
    CheckAccount(got, reads, width);

    const Bytes consensus(want.consensus.begin(), want.consensus.end());
    const std::uint64_t bits = 8 * consensus.size();
    const bool planted = (mendBytes[0] & 2u) != 0 && bits > kDependent.back();
    std::vector<std::uint64_t> unknowns(
        want.unstable.begin(), want.unstable.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                                                           planted ? 7 : kMostUnknowns, want.unstable.size())));
    if (planted) {
        const std::uint64_t shift = (std::uint64_t{mendBytes[5]} << 3 | mendBytes[4] % 8u) % (bits - kDependent.back());
        for (const std::uint64_t p : kDependent) unknowns.push_back(shift + p);
        std::sort(unknowns.begin(), unknowns.end());
        unknowns.erase(std::unique(unknowns.begin(), unknowns.end()), unknowns.end());
    }
    // The expected CRC: 4 bytes as they come; or one read's own CRC, which an assignment
    // reaches when every unstable bit is unknown; or, with the dependent bits planted, the CRC
    // of the consensus with some unknowns flipped, which two assignments or more reach.
    std::uint32_t expected = std::uint32_t{mendBytes[1]} | std::uint32_t{mendBytes[2]} << 8 |
                             std::uint32_t{mendBytes[3]} << 16 | std::uint32_t{mendBytes[4]} << 24;
    if (planted) {
        expected =
            vesperine::Crc32Bytewise(Flipped(consensus, std::uint64_t{mendBytes[1]} << 8 | mendBytes[2], unknowns));
    } else if (mendBytes[0] & 1u) {
        expected = vesperine::Crc32Bytewise(reads[mendBytes[0] / 4u % reads.size()]);
    }
    CheckMend(consensus, unknowns, expected);
    return 0;
}
