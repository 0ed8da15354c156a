// The board report for the command line: its lines as board::ReportLines words them, and its JSON.
#include "cli/board_report.h"

#include <nlohmann/json.hpp>

#include "base/format.h"
#include "board/board_report.h"

namespace vesperine::cli {
namespace {

using board::Candidate;
using board::Mend;
using board::MendOutcome;
using board::RomResult;
using board::RomState;

[[nodiscard]] std::string CrcText(const dat::RomEntry& rom) {
    return rom.crc ? ChecksumDigits(*rom.crc, 32) : std::string("none");
}

[[nodiscard]] std::vector<std::string> ChipNames(const std::vector<std::size_t>& which,
                                                 std::span<const board::Chip> chips) {
    std::vector<std::string> names;
    for (const std::size_t c : which) names.push_back(chips[c].name);
    return names;
}

[[nodiscard]] nlohmann::json SourceJson(const board::Source& s, std::span<const board::Chip> chips) {
    static constexpr const char* kPairing[] = {"none", "bytes", "words", "concatenated", "byteLanes"};
    return {{"files", ChipNames(s.chips, chips)},
            {"view", s.pairing == board::Pairing::None ? s.view.name : ""},
            {"pairing", kPairing[static_cast<int>(s.pairing)]},
            {"text", board::DescribeSource(s, chips)}};
}

[[nodiscard]] nlohmann::json MendJson(const Mend& m, std::span<const board::Chip> chips) {
    nlohmann::json bits = nlohmann::json::array();
    for (const board::MendBit& b : m.bits)
        bits.push_back({{"offset", b.offset},
                        {"bit", b.bit},
                        {"file", chips[b.chip].name},
                        {"fileOffset", b.chipOffset},
                        {"from", b.from ? 1 : 0}});
    return {{"kind", m.kind == board::MendKind::Reads ? "reads" : "bits"},
            {"outcome", board::MendOutcomeName(m.outcome)},
            {"bits", bits},
            {"shared", m.shared},
            {"note", m.note},
            {"verified", m.verified}};
}

}  // namespace

void WriteBoardText(std::ostream& out, const board::BoardResult& result, std::span<const board::Chip> chips,
                    const board::BoardIndex& index) {
    for (const std::string& line : board::ReportLines(result, chips, index)) out << line << '\n';
}

nlohmann::json BoardJson(const board::BoardResult& result, std::span<const board::Chip> chips,
                         const board::BoardIndex& index) {
    nlohmann::json candidates = nlohmann::json::array();
    for (const Candidate& c : result.candidates) {
        const dat::DatSet& set = index.sets()[c.set];
        nlohmann::json roms = nlohmann::json::array();
        for (const RomResult& r : c.roms) {
            const dat::RomEntry& rom = index.roms().roms()[r.rom];
            nlohmann::json mends = nlohmann::json::array();
            for (const Mend& m : r.mends) mends.push_back(MendJson(m, chips));
            roms.push_back({{"name", rom.name},
                            {"size", rom.size},
                            {"crc32", CrcText(rom)},
                            {"status", dat::RomStatusName(rom.status)},
                            {"state", board::RomStateName(r.state)},
                            {"of", r.via},
                            {"merge", r.entry->merge},
                            {"bios", r.entry->bios},
                            {"region", r.entry->region},
                            {"optional", r.entry->optional},
                            {"otherBiosChoice", r.otherBiosChoice},
                            {"source", r.source ? SourceJson(*r.source, chips) : nlohmann::json()},
                            {"nearCrc32", r.state == RomState::Near ? ChecksumDigits(r.nearCrc, 32) : ""},
                            {"verified", r.verified},
                            {"mends", mends}});
        }
        candidates.push_back({{"set", set.name},
                              {"description", set.description},
                              {"cloneOf", set.cloneOf},
                              {"romOf", set.romOf},
                              {"isBios", set.isBios},
                              {"isDevice", set.isDevice},
                              {"complete", c.complete},
                              {"completeMended", c.completeMended},
                              {"good", c.good},
                              {"baddump", c.badDumps},
                              {"near", c.near},
                              {"mended", c.mended},
                              {"missing", c.missing},
                              {"optionalMissing", c.optionalMissing},
                              {"unneeded", c.unneeded},
                              {"nodump", c.noDumps},
                              {"roms", roms},
                              {"unusedFiles", ChipNames(c.unusedChips, chips)}});
    }
    return {{"candidates", candidates}, {"strangers", ChipNames(result.strangers, chips)}};
}

}  // namespace vesperine::cli
