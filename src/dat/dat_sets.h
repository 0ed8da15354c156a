// The games and machines of a DAT with their ROMs: parents, clones, BIOS and devices, read streamed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dat/rom_entry.h"
#include "dat/zip_members.h"

namespace vesperine::dat {

// What a set says of one of its ROMs beyond the digests (RomEntry): the parent's or BIOS's ROM
// it is (`merge`), the BIOS choice it belongs to, where it loads, and whether the set runs
// without it.
struct SetRom {
    std::size_t rom = 0;  // index into DatSets::roms
    std::string merge;
    std::string bios;
    std::string region;
    std::optional<std::uint64_t> offset;
    bool optional = false;

    bool operator==(const SetRom&) const = default;
};

struct DatSet {
    std::string name;
    std::string description;
    std::string cloneOf;
    std::string romOf;
    bool isBios = false;
    bool isDevice = false;
    std::vector<std::string> deviceRefs;
    std::vector<SetRom> roms;

    bool operator==(const DatSet&) const = default;
};

// Every set of one or more DATs, and their ROMs as ReadDat gives them (roms[i].game names the
// set). Memory is a few hundred bytes a ROM and a set; the DAT's text is never held whole
// when it is XML.
struct DatSets {
    std::vector<RomEntry> roms;
    std::vector<DatSet> sets;
    std::optional<DatError> error;  // when set, roms and sets hold nothing
};

/*
  A DAT given in blocks as it is read. The form is told by the first 4 KiB, as ReadDat tells it:
  XML (through expat) and the bracketed form are parsed as the blocks come, so memory is bounded
  by the sets and ROMs, not the text; a zip is gathered whole first (it needs its directory at
  the end) and its members are inflated one at a time within limits.

  Game-level fields read: name, description, cloneof, romof, isbios / isdevice ("yes"), MAME's
  <device_ref name>, the bracketed form's `cloneof`, `romof`, `description`; rom fields as
  TakeRomField, and merge, bios, region, offset (hex, as MAME writes it), optional ("yes").
  A <disk> is no ROM and is skipped.
*/
class DatSetReader {
public:
    explicit DatSetReader(const ZipLimits& limits = kDatZipLimits);
    ~DatSetReader();
    DatSetReader(const DatSetReader&) = delete;
    DatSetReader& operator=(const DatSetReader&) = delete;

    void Feed(std::span<const std::uint8_t> block);
    [[nodiscard]] DatSets Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A whole DAT at once, through DatSetReader.
[[nodiscard]] DatSets ReadDatSets(std::span<const std::uint8_t> bytes, const ZipLimits& limits = kDatZipLimits);

// The XML forms alone (for ReadXmlDat): text given whole.
[[nodiscard]] DatSets ReadXmlDatSets(std::string_view text);
// The bracketed form alone.
[[nodiscard]] DatSets ReadBracketDatSets(std::string_view text);

}  // namespace vesperine::dat
