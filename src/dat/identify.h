// Naming a dump, or one of its views, by the ROMs of DAT files.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dat/rom_entry.h"

namespace vesperine::dat {

// The ROMs of one or more DATs, indexed once for any number of files.
class DatIndex {
public:
    explicit DatIndex(std::vector<RomEntry> roms);

    [[nodiscard]] const std::vector<RomEntry>& roms() const { return roms_; }
    // Whether some ROM has this size: a view of any other size needs no CRC at all.
    [[nodiscard]] bool HasSize(std::uint64_t size) const;
    // Every size some ROM has, ascending, each once.
    [[nodiscard]] const std::vector<std::uint64_t>& sizes() const { return sizes_; }
    // The CRC-32 and index of every ROM of this size that has a CRC-32, ascending by CRC.
    [[nodiscard]] std::vector<std::pair<std::uint32_t, std::size_t>> CrcsOfSize(std::uint64_t size) const;
    // The ROMs with this size and CRC-32, as indexes into roms().
    [[nodiscard]] std::vector<std::size_t> WithCrc(std::uint64_t size, std::uint32_t crc) const;
    // The ROMs whose name has this stem (the name up to its last dot), ignoring case.
    [[nodiscard]] const std::vector<std::size_t>& WithStem(std::string_view fileName) const;
    // The ROMs of a game or machine.
    [[nodiscard]] const std::vector<std::size_t>& OfGame(const std::string& game) const;

private:
    struct Key {
        std::uint64_t size;
        std::uint32_t crc;
        std::size_t rom;
    };
    std::vector<RomEntry> roms_;
    std::vector<Key> byCrc_;            // sorted by size, then CRC
    std::vector<std::uint64_t> sizes_;  // sorted, each once
    std::unordered_map<std::string, std::vector<std::size_t>> byStem_;
    std::unordered_map<std::string, std::vector<std::size_t>> byGame_;
};

struct ViewMatch {
    std::string view;
    std::size_t rom = 0;                // index into the DatIndex's roms()
    std::vector<std::string> verified;  // "crc32" and every other digest the DAT gives, all equal
};

// A ROM that the view nearly is: its size and name pattern fit, a digest does not.
struct NearMiss {
    std::string view;
    std::size_t rom = 0;
    std::string reason;
};

struct Identification {
    std::vector<ViewMatch> matches;
    std::vector<NearMiss> nearMisses;  // only when asked for
};

/*
  Every view of the file (see ViewsOf) whose size some ROM has gets its CRC-32; a ROM with that
  size and CRC-32 is a match when every other digest the DAT gives for it agrees too (the view
  is hashed once, and only then). A CRC-32 hit whose other digest differs is not a match but a
  near miss.

  With near set, near misses are also, for views that matched nothing and ROMs that nothing
  matched, of the same size and:
  - by name: the whole file, and a ROM whose name has the file name's stem (ignoring case and
    the extension: "bios.bin" fits "BIOS.ROM");
  - by layout: a view of the same family as a view that matched another ROM of the same game
    (the third lane of a board whose other lanes matched).
*/
// Told after each view how many of the file's views are done.
using ViewProgress = std::function<void(std::uint64_t done, std::uint64_t views)>;

[[nodiscard]] Identification Identify(std::span<const std::uint8_t> file, std::string_view fileName,
                                      const DatIndex& index, bool near, const ViewProgress& progress = {});

}  // namespace vesperine::dat
