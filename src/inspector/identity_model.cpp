// The Identity panel's model: matches and near misses as rows, and the CRC-32s of the near misses.
#include "inspector/identity_model.h"

#ifdef VESPERINE_HAVE_DAT

#include <algorithm>

#include "analysis/views.h"

namespace vesperine::inspector {

std::string NoDatsYet() {
    return "Add a DAT file (Logiqx XML, the bracketed form or a zip of them) to identify the dump and its views by it.";
}

std::string DroppedDat() { return "It is taken off the DAT files and no longer remembered."; }

std::string NotADat(std::string_view shown, const dat::DatError& error) {
    return std::string(shown) + " is not a DAT file: " + dat::DescribeDatError(error) + "\n" + DroppedDat();
}

std::string RomText(const dat::RomEntry& rom) {
    return rom.game + " / " + rom.name + " (" + dat::RomStatusName(rom.status) + ")";
}

std::vector<CrcMiss> MissesOf(std::span<const std::uint8_t> bytes, const dat::Identification& found,
                              const dat::DatIndex& index) {
    const std::vector<ViewPlan> views = ViewsOf(bytes);
    std::vector<CrcMiss> misses;
    for (const dat::NearMiss& miss : found.nearMisses) {
        const std::optional<std::uint32_t>& crc = index.roms()[miss.rom].crc;
        const auto view =
            std::find_if(views.begin(), views.end(), [&](const ViewPlan& v) { return v.name == miss.view; });
        if (!crc || view == views.end()) {
            misses.push_back({});
            continue;
        }
        misses.push_back({*crc, ViewCrc(bytes, *view), view == views.begin()});
    }
    return misses;
}

IdentityTable IdentityRows(const dat::Identification& found, std::span<const CrcMiss> misses,
                           std::span<const dat::RomEntry> roms, std::span<const std::string> romDats) {
    IdentityTable table;
    for (const dat::ViewMatch& match : found.matches) {
        std::string verified;
        for (const std::string& digest : match.verified) verified += (verified.empty() ? "" : ", ") + digest;
        table.rows.push_back(
            {match.view, "\u2714 match", RomText(roms[match.rom]), romDats[match.rom], "verified: " + verified});
        table.rowMisses.push_back({});
    }
    for (std::size_t k = 0; k < found.nearMisses.size(); ++k) {
        const dat::NearMiss& miss = found.nearMisses[k];
        std::string details = miss.reason;
        // A CRC-32 that agrees (another digest differs) is no CRC to mend to.
        const bool crcDiffers = misses[k].expected != misses[k].got;
        if (crcDiffers) details += "; expected CRC " + Hex8(misses[k].expected) + ", got " + Hex8(misses[k].got);
        table.rows.push_back(
            {miss.view, "\u2248 near miss", RomText(roms[miss.rom]), romDats[miss.rom], std::move(details)});
        table.rowMisses.push_back(crcDiffers ? misses[k] : CrcMiss{});
    }
    table.summary = Counted(found.matches.size(), "match", "matches") + " and " +
                    Counted(found.nearMisses.size(), "near miss", "near misses") + " among " +
                    Counted(roms.size(), "ROM", "ROMs") + ".";
    return table;
}

}  // namespace vesperine::inspector

#endif
