// The near misses' mends: the reads' CRC-guided mend and the 1- or 2-bit repair, each verified by every digest.
#include "board/board_mend.h"

#include <algorithm>
#include <bit>

#include "diagnosis/repair.h"
#include "reads/compare_reads.h"
#include "reads/crc_mend.h"

namespace vesperine::board {
namespace {

// Where byte `at` of the view lies in the chip.
[[nodiscard]] std::uint64_t ViewChipOffset(const ViewPlan& view, std::uint64_t at) {
    switch (view.kind) {
        case ViewKind::Part:
        case ViewKind::Lanes: return FileOffsetOf(view, at);
        case ViewKind::Swap: return at / view.width * view.width + (view.width - 1 - at % view.width);
        case ViewKind::Inverted:
        case ViewKind::Padded: return at;
    }
    return at;
}

// Which chip, and where in it, byte `at` of the source lies.
[[nodiscard]] std::pair<std::size_t, std::uint64_t> ChipOffsetOf(const Source& source, std::uint64_t at) {
    const std::uint64_t half = source.size / 2;
    switch (source.pairing) {
        case Pairing::None: return {source.chips[0], ViewChipOffset(source.view, at)};
        case Pairing::Bytes: return {source.chips[at % 2], at / 2};
        case Pairing::Words: return {source.chips[at / 2 % 2], at / 4 * 2 + at % 2};
        case Pairing::Concatenated: return {source.chips[at / half], at % half};
        case Pairing::ByteLanes: return {source.chips[at % 4], at / 4};
    }
    return {source.chips[0], at};
}

// The view byte at a chip offset, for a part or lanes; nothing when the view does not take it.
[[nodiscard]] std::optional<std::uint64_t> ViewOffsetOf(const ViewPlan& view, std::uint64_t offset) {
    if (offset < view.offset) return std::nullopt;
    const std::uint64_t relative = offset - view.offset;
    const std::uint64_t lane = relative % view.stride;
    if (lane >= view.width) return std::nullopt;
    const std::uint64_t at = relative / view.stride * view.width + lane;
    if (at >= view.size) return std::nullopt;
    return at;
}

// The line every changed bit shares: one data line (one bit of the byte), or for two bits one
// address line (their chip offsets differ in that bit alone); all in one chip.
[[nodiscard]] std::string SharedLine(const std::vector<MendBit>& bits) {
    if (bits.size() < 2) return "";
    if (!std::all_of(bits.begin(), bits.end(), [&](const MendBit& b) { return b.chip == bits[0].chip; })) return "";
    const bool oneBit = std::all_of(bits.begin(), bits.end(), [&](const MendBit& b) { return b.bit == bits[0].bit; });
    if (oneBit) return "on data line D" + std::to_string(bits[0].bit);
    if (bits.size() == 2) {
        const std::uint64_t apart = bits[0].chipOffset ^ bits[1].chipOffset;
        if (std::has_single_bit(apart))
            return "at addresses differing only in A" + std::to_string(std::countr_zero(apart));
    }
    return "";
}

// The bits in which mended differs from original; at most kListedBits are kept.
[[nodiscard]] std::vector<MendBit> ChangedBits(std::span<const std::uint8_t> original,
                                               std::span<const std::uint8_t> mended, const Source& source) {
    constexpr std::size_t kListedBits = 64;
    std::vector<MendBit> bits;
    for (std::uint64_t i = 0; i < original.size() && bits.size() < kListedBits; ++i) {
        const unsigned differ = original[i] ^ mended[i];
        for (unsigned b = 0; b < 8; ++b) {
            if ((differ >> b & 1u) == 0) continue;
            const auto [chip, at] = ChipOffsetOf(source, i);
            bits.push_back({i, b, chip, at, (original[i] >> b & 1u) != 0});
        }
    }
    return bits;
}

void Settle(Mend& mend, std::span<const std::uint8_t> original, std::vector<std::uint8_t> mended,
            const dat::RomEntry& rom, const Source& source) {
    mend.bits = ChangedBits(original, mended, source);
    mend.shared = SharedLine(mend.bits);
    DigestCheck check = CheckDigests(rom, mended);
    if (check.differs) {
        mend.outcome = MendOutcome::Rejected;
        mend.note = "the mended bytes give the DAT's crc32 but not its " + *check.differs;
        return;
    }
    mend.outcome = MendOutcome::Verified;
    mend.verified = std::move(check.verified);
    mend.bytes = std::move(mended);
}

// The DAT's other digests choose among flips that all give its CRC-32: in a ROM of n bits about
// n^2 / 2^33 flips of 2 bits give any one CRC-32 by chance (33 in 64 KiB), so the CRC alone
// decides a 2-bit mend only in small ROMs, and a SHA-1 or MD5 decides it in any.
inline constexpr std::size_t kCheckedFlips = 64;

[[nodiscard]] bool HasOtherDigest(const dat::RomEntry& rom) { return rom.md5 || rom.sha1 || rom.sha256; }

// A search's own poll as the whole of pass, whatever the search counts in.
[[nodiscard]] WorkPoll PollOver(const PassMeter& pass) {
    return [pass](std::uint64_t done, std::uint64_t total) {
        return pass.Part(0, 1, std::max<std::uint64_t>(total, 1)).Tick(done);
    };
}

[[nodiscard]] Mend BrokenOff(MendKind kind) {
    Mend mend;
    mend.kind = kind;
    mend.outcome = MendOutcome::NotTried;
    mend.note = "broken off";
    return mend;
}

[[nodiscard]] Mend BitsMend(std::span<const std::uint8_t> bytes, const Source& source, const dat::RomEntry& rom,
                            const PassMeter& pass) {
    Mend mend;
    mend.kind = MendKind::Bits;
    const unsigned maxBits = diagnosis::PairTableBytes(bytes.size()) <= kPairSearchLimit ? 2 : 1;
    const diagnosis::RepairResult found =
        diagnosis::FindBitRepairs(bytes, *rom.crc, maxBits, kCheckedFlips, PollOver(pass));
    // The search's own CRC pass, and Settle's digests, are each a pass over the ROM unasked.
    if (found.outcome == diagnosis::RepairOutcome::Broken || pass.Tick(1)) return BrokenOff(MendKind::Bits);
    const std::string flips = maxBits == 2 ? "1 or 2 bits" : "1 bit (the ROM is too large for the 2-bit search)";
    switch (found.outcome) {
        case diagnosis::RepairOutcome::AlreadyMatches:
            mend.outcome = MendOutcome::NotTried;
            mend.note = "the crc32 already agrees; another digest differs";
            return mend;
        case diagnosis::RepairOutcome::Unique:
            Settle(mend, bytes, diagnosis::ApplyFlips(bytes, found.candidates.front()), rom, source);
            return mend;
        case diagnosis::RepairOutcome::Ambiguous: break;
        case diagnosis::RepairOutcome::NoCandidate:
        case diagnosis::RepairOutcome::TooLarge:
        case diagnosis::RepairOutcome::Broken:  // returned above
            mend.outcome = MendOutcome::NoMend;
            mend.note = "no flip of " + flips + " gives the DAT's crc32";
            return mend;
    }
    const std::string count = std::to_string(found.pairs) + " flips of 2 bits give the DAT's crc32";
    if (!HasOtherDigest(rom) || found.pairs > kCheckedFlips) {
        mend.outcome = MendOutcome::Ambiguous;
        mend.note = count + (HasOtherDigest(rom) ? ", too many to check each against its other digests"
                                                 : " and the DAT gives no other digest to choose: none is chosen");
        return mend;
    }
    std::vector<std::vector<std::uint8_t>> agreeing;
    for (const diagnosis::FlipCandidate& candidate : found.candidates) {
        std::vector<std::uint8_t> mended = diagnosis::ApplyFlips(bytes, candidate);
        if (!CheckDigests(rom, mended).differs) agreeing.push_back(std::move(mended));
    }
    if (agreeing.size() != 1) {
        mend.outcome = agreeing.empty() ? MendOutcome::Rejected : MendOutcome::Ambiguous;
        mend.note = count + "; " + std::to_string(agreeing.size()) + " of them give its other digests too";
        return mend;
    }
    Settle(mend, bytes, std::move(agreeing.front()), rom, source);
    mend.note = count + "; only this one gives its other digests too";
    return mend;
}

[[nodiscard]] Mend ReadsMend(const Chip& chip, const Source& source, const dat::RomEntry& rom, const PassMeter& pass) {
    Mend mend;
    mend.kind = MendKind::Reads;
    mend.outcome = MendOutcome::NotTried;
    const ViewPlan& view = source.view;
    if (view.kind != ViewKind::Part && view.kind != ViewKind::Lanes) {
        mend.note = "the reads' mend takes a part or lanes of the chip, not its " + view.name;
        return mend;
    }
    std::vector<std::span<const std::uint8_t>> reads{chip.bytes};
    for (const auto& read : chip.reads) {
        if (read.size() != chip.bytes.size()) {
            mend.note = "a further read differs in length from the chip";
            return mend;
        }
        reads.push_back(read);
    }
    const std::optional<reads::ReadsComparison> compared = reads::CompareReads(reads, 1, PollOver(pass));
    if (!compared) return BrokenOff(MendKind::Reads);
    const reads::ReadsComparison& comparison = *compared;
    if (!comparison.ListsComplete()) {
        mend.note = "the reads disagree in too many bits to mend";
        return mend;
    }
    std::vector<std::uint64_t> unknown;
    for (const std::uint64_t bit : comparison.unstable) {
        if (const auto at = ViewOffsetOf(view, reads::OffsetOf(bit))) unknown.push_back(*at * 8 + reads::BitOf(bit));
    }
    const ViewBytes original = MaterializeView(chip.bytes, view);
    const ViewBytes consensus =
        MaterializeView(std::span<const std::uint8_t>(comparison.consensus.data(), comparison.consensus.size()), view);
    const std::optional<reads::MendResult> searched =
        reads::MendByCrc(consensus.bytes, unknown, *rom.crc, 1, PollOver(pass));
    if (!searched) return BrokenOff(MendKind::Reads);
    const reads::MendResult& found = *searched;
    if (found.outcome == reads::MendOutcome::Unique) {
        const ByteBuffer mended = reads::ApplyAssignment(consensus.bytes, found.assignments.front());
        Settle(mend, original.bytes, std::vector<std::uint8_t>(mended.data(), mended.data() + mended.size()), rom,
               source);
    } else {
        mend.outcome = found.outcome == reads::MendOutcome::Ambiguous ? MendOutcome::Ambiguous : MendOutcome::NoMend;
        mend.note = std::to_string(unknown.size()) + " bits differ between the reads; " +
                    (found.outcome == reads::MendOutcome::Ambiguous
                         ? "2^" + std::to_string(found.freeBits) + " values of them give the DAT's crc32"
                         : "no values of them give the DAT's crc32");
    }
    return mend;
}

}  // namespace

std::vector<Mend> TryMends(std::span<const Chip> chips, const Source& source, const dat::RomEntry& rom,
                           const PassMeter& pass) {
    std::vector<Mend> mends;
    if (!rom.crc) return mends;
    const bool reads =
        std::any_of(source.chips.begin(), source.chips.end(), [&](std::size_t c) { return !chips[c].reads.empty(); });
    if (reads && source.pairing == Pairing::None) {
        mends.push_back(ReadsMend(chips[source.chips[0]], source, rom, pass));
        if (mends.back().outcome == MendOutcome::Verified) return mends;
    } else if (reads) {
        Mend mend;
        mend.kind = MendKind::Reads;
        mend.outcome = MendOutcome::NotTried;
        mend.note = "the reads' mend takes one chip's part or lanes, not a pairing of chips";
        mends.push_back(std::move(mend));
    }
    const std::vector<std::uint8_t> bytes = SourceBytes(source, chips);
    if (pass.Tick(0)) {
        mends.push_back(BrokenOff(MendKind::Bits));
        return mends;
    }
    mends.push_back(BitsMend(bytes, source, rom, pass));
    return mends;
}

}  // namespace vesperine::board
