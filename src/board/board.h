// A pile of chip dumps taken to the DAT's sets: which set, which chip is which ROM, what is missing, and mends.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "analysis/views.h"
#include "base/work_poll.h"
#include "dat/dat_sets.h"
#include "dat/identify.h"

namespace vesperine::board {

// One chip's dump, and further reads of the same chip (for the reads' mend), all alive as long
// as the result is used.
struct Chip {
    std::string name;
    std::span<const std::uint8_t> bytes;
    std::vector<std::span<const std::uint8_t>> reads;
    // The other names under which the caller was given this very file (a hard or symbolic link,
    // the path twice), told by file identity: counted once, and the report says so. Two files
    // of equal bytes are two chips.
    std::vector<std::string> otherNames = {};
};

// How chips of one length make one image: two chips' bytes alternating (the first chip's at
// even offsets: the low byte of a 16-bit bus), two chips' 16-bit words alternating (two 16-bit
// chips on a 32-bit bus), the first chip then the second, or four chips' bytes in turn (the
// byte lanes 0 to 3 of a 32-bit bus, lane 0 at offsets divisible by 4).
enum class Pairing { None, Bytes, Words, Concatenated, ByteLanes };

// The chips a pairing takes.
[[nodiscard]] constexpr std::size_t ChipsOf(Pairing pairing) {
    return pairing == Pairing::None ? 1 : pairing == Pairing::ByteLanes ? 4 : 2;
}

// Where a ROM's bytes come from: a view of one chip, or a pairing of several.
struct Source {
    std::vector<std::size_t> chips;  // indexes into the chips given, ChipsOf(pairing) of them, in pairing order
    ViewPlan view;                   // of chips[0] when there is no pairing
    Pairing pairing = Pairing::None;
    std::uint64_t size = 0;
};

// "U3.bin (odd bytes)", "U3.bin and U4.bin, bytes interleaved (U3.bin's at even offsets)",
// "U1.bin, U2.bin, U3.bin and U4.bin, byte lanes 0 to 3 of 32-bit words".
[[nodiscard]] std::string DescribeSource(const Source& source, std::span<const Chip> chips);
// The bytes the source names.
[[nodiscard]] std::vector<std::uint8_t> SourceBytes(const Source& source, std::span<const Chip> chips);

enum class RomState {
    Good,      // every digest the DAT gives agrees
    BadDump,   // every digest agrees with an entry the DAT itself calls a bad dump
    Near,      // a view of the same size and layout whose CRC-32 differs
    Missing,   // no chip provides it
    NoDump,    // the DAT knows no dump of it: it can be neither verified nor missed
    Unneeded,  // no chip provides it, and it is of a BIOS choice (`bios`) other than one whose ROMs all are
};
// "good", "baddump", "near", "missing", "nodump", "unneeded".
[[nodiscard]] const char* RomStateName(RomState state);

// One bit a mend flips, in the ROM's bytes and in the chip's.
struct MendBit {
    std::uint64_t offset = 0;      // in the ROM
    unsigned bit = 0;              // 0 (least significant) to 7
    std::size_t chip = 0;          // the chip the ROM's byte comes from (an index into the chips)
    std::uint64_t chipOffset = 0;  // in that chip
    bool from = false;             // the bit's value before the mend
};

enum class MendKind { Bits, Reads };
enum class MendOutcome {
    Verified,   // one mend gives every digest the DAT has: it may be written
    Rejected,   // one mend gives the CRC-32, but another digest of the DAT disagrees
    Ambiguous,  // several mends give the CRC-32: none is chosen
    NoMend,     // none gives it
    NotTried,   // why is said in `note`
};

struct Mend {
    MendKind kind = MendKind::Bits;
    MendOutcome outcome = MendOutcome::NoMend;
    std::vector<MendBit> bits;
    std::string shared;                 // "on data line D3", "at addresses differing only in A12", or empty
    std::string note;                   // the count of candidates, the digest that disagrees, why not tried
    std::vector<std::string> verified;  // the digests the mended bytes agree with
    std::vector<std::uint8_t> bytes;    // the mended ROM when Verified
};

struct RomResult {
    std::size_t rom = 0;  // index into the DAT's roms
    const dat::SetRom* entry = nullptr;
    // Where the ROM comes from when the candidate does not list it: `device "NAME"`, and in a
    // split DAT `parent "NAME"` or `BIOS "NAME"`.
    std::string via;
    RomState state = RomState::Missing;
    std::optional<Source> source;       // good, baddump, near
    std::vector<std::string> verified;  // good, baddump: the digests that agree
    std::vector<Mend> mends;            // near: each mend tried, in order
    std::uint32_t nearCrc = 0;          // near: the CRC-32 of the source's bytes
    bool otherBiosChoice = false;       // unneeded
};

struct Candidate {
    std::size_t set = 0;  // index into the DAT's sets
    std::vector<RomResult> roms;
    std::size_t good = 0, badDumps = 0, near = 0, missing = 0, noDumps = 0, mended = 0, unneeded = 0;
    std::size_t optionalMissing = 0;  // of `missing`, ROMs the set runs without (optional)
    // Every ROM good, a bad dump the DAT knows, nodump, optional, or of another BIOS choice than
    // one that is whole: nothing to mend or find.
    bool complete = false;
    // Complete once the verified mends are applied.
    bool completeMended = false;
    std::vector<std::size_t> unusedChips;  // chips that provide none of its ROMs
};

struct BoardResult {
    std::vector<Candidate> candidates;   // best first, at most kShownCandidates
    std::vector<std::size_t> strangers;  // chips that match no ROM of any set under any view
};

inline constexpr std::size_t kShownCandidates = 3;
// The 2-bit search keeps a table of 16 bytes per bit of the ROM: up to 2 MiB ROMs (256 MiB);
// a larger one is searched for one flipped bit only, and says so.
inline constexpr std::uint64_t kPairSearchLimit = std::uint64_t{256} << 20;

// The digests the DAT gives for rom, compared with bytes': the names that agree ("crc32" first),
// or the first that differs. Every one the DAT gives is computed, CRC-32 included.
struct DigestCheck {
    std::vector<std::string> verified;
    std::optional<std::string> differs;
};
[[nodiscard]] DigestCheck CheckDigests(const dat::RomEntry& rom, std::span<const std::uint8_t> bytes);

// one's sets and ROMs after all's, its ROM indexes moved past the ROMs before them: several DATs
// as one (errors are the caller's to tell first).
void AppendSets(dat::DatSets& all, dat::DatSets one);

// The DAT's sets indexed once for any number of boards.
class BoardIndex {
public:
    explicit BoardIndex(dat::DatSets sets);

    [[nodiscard]] const dat::DatIndex& roms() const { return index_; }
    [[nodiscard]] const std::vector<dat::DatSet>& sets() const { return sets_; }
    [[nodiscard]] std::size_t SetOf(std::size_t rom) const { return setOf_[rom]; }
    [[nodiscard]] const dat::DatSet* Named(const std::string& name) const;
    [[nodiscard]] const dat::SetRom& EntryOf(std::size_t rom) const { return *entryOf_[rom]; }
    // Whether some ROM has `merge`: the DAT lists a clone's shared ROMs in the clone.
    [[nodiscard]] bool listsShared() const { return listsShared_; }

private:
    std::vector<dat::DatSet> sets_;
    dat::DatIndex index_;
    std::vector<std::size_t> setOf_;
    std::vector<const dat::SetRom*> entryOf_;
    std::unordered_map<std::string, std::size_t> byName_;
    bool listsShared_ = false;
};

/*
  Every chip is seen through every view identify takes (dat::Identify: whole, halves, quarters,
  odd and even bytes, lanes, byte orders, copier headers, padding), and as its first d bytes for
  every ROM size d the DAT has where the rest of the chip is all FF or all 00 (a smaller ROM
  burnt on a bigger chip). Chips that no view explains are then paired, each ordered pair of one
  length, as bytes interleaved, 16-bit words interleaved and one after the other, for a ROM of
  twice the length: CRC-32 being affine, a pair's CRC comes from CRCs of each chip spread out once,
  so the pairs cost a few operations each, not a pass over their bytes. Chips that no pair
  explains either are taken four of one length at a time as the byte lanes of a 32-bit bus, for
  a ROM of four times the length, the same way (one spread of each chip).
  One file given under two names comes as one chip (Chip::otherNames); equal bytes in two files
  are two chips.

  A set is a candidate when a view provides one of its ROMs (every digest the DAT gives agrees),
  or when a chip that nothing explains is one flipped bit from one of its ROMs (every digest;
  searched only where chance would give such a CRC-32 match less than once in 100: a single
  faulty chip is a board too).
  A set's ROMs are those it lists (a clone's shared ROMs and a machine's BIOS ROMs listed with
  `merge`, as MAME lists them; in a split DAT, where no ROM has `merge`, those of the sets up its
  `romof` chain that it does not list by name) and those of the devices it names in device_ref. Candidates are
  ranked by ROMs provided, then ROMs one bit away, then fewer not provided (of the BIOS choices'
  ROMs, only those the nearest choice lacks), then parents before clones, then name,
  devices after every other set (a device's ROMs count in the machines that use it); the first kShownCandidates are
  worked out: for each ROM not provided, a view of a chip that provides none of the set's ROMs,
  of the ROM's size and of the whole or of a family that provided others, or two such chips of
  half its size paired as others were (or, where none was, bytes interleaved, kept only when
  its mend is verified), or the first four such chips of a quarter of its size as byte lanes
  (kept only when its mend is verified, unless other ROMs were byte lanes), is a near miss (not for the ROMs of another
  BIOS choice than a whole one); its mend is tried, first from the chip's further reads (MendByCrc over the bits they
  disagree on) and then as 1 or 2 flipped bits (FindBitRepairs), the DAT's CRC-32 as the expected one, and a mend is
  Verified only when every digest the DAT gives agrees with the mended bytes.
*/
[[nodiscard]] BoardResult FindBoard(std::span<const Chip> chips, const BoardIndex& index);

// The same, reporting to poll: four stages metered alike as the chips' bytes together (so total
// is 4 times them): the views, the pairings, the one-bit search, and the candidates worked out
// (a third of the last each, their mend searches asked every 65536 bits). The poll is asked at
// least every 1 MiB of a chip's views and 64 KiB of the one-bit search; nothing when broken off.
[[nodiscard]] std::optional<BoardResult> FindBoard(std::span<const Chip> chips, const BoardIndex& index,
                                                   const WorkPoll& poll);

}  // namespace vesperine::board
