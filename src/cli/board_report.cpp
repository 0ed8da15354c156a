// The board report: the candidates best first, each ROM with its provider, state and mends.
#include "cli/board_report.h"

#include <nlohmann/json.hpp>

#include "base/format.h"

namespace vesperine::cli {
namespace {

using board::Candidate;
using board::Mend;
using board::MendOutcome;
using board::RomResult;
using board::RomState;

[[nodiscard]] const char* OutcomeName(MendOutcome outcome) {
    switch (outcome) {
        case MendOutcome::Verified: return "verified";
        case MendOutcome::Rejected: return "rejected";
        case MendOutcome::Ambiguous: return "ambiguous";
        case MendOutcome::NoMend: return "none";
        case MendOutcome::NotTried: return "not tried";
    }
    return "none";
}

[[nodiscard]] std::string Joined(const std::vector<std::string>& words, const char* separator = " ") {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : separator) + word;
    return text;
}

[[nodiscard]] std::string CrcText(const dat::RomEntry& rom) {
    return rom.crc ? ChecksumDigits(*rom.crc, 32) : std::string("none");
}

[[nodiscard]] std::string Verdict(const Candidate& c) {
    const std::size_t total = c.roms.size();
    if (c.complete) {
        std::string text = "complete: " + std::to_string(c.good) + " of " + std::to_string(total) + " ROMs good";
        if (c.badDumps != 0) text += ", " + std::to_string(c.badDumps) + " as the DAT's known bad dump";
        if (c.noDumps != 0) text += ", " + std::to_string(c.noDumps) + " never dumped (cannot be verified)";
        if (c.optionalMissing != 0)
            text += ", " + std::to_string(c.optionalMissing) + " not needed (optional, another BIOS)";
        return text;
    }
    std::string text = c.completeMended ? "complete once mended: " : "not complete: ";
    text += std::to_string(c.good) + " of " + std::to_string(total) + " ROMs good";
    if (c.badDumps != 0) text += ", " + std::to_string(c.badDumps) + " baddump";
    if (c.near != 0) text += ", " + std::to_string(c.near) + " near (" + std::to_string(c.mended) + " mended)";
    if (c.missing != 0) text += ", " + std::to_string(c.missing) + " missing";
    if (c.optionalMissing != 0) text += " (" + std::to_string(c.optionalMissing) + " optional)";
    if (c.noDumps != 0) text += ", " + std::to_string(c.noDumps) + " nodump";
    return text;
}

[[nodiscard]] std::string MendText(const Mend& mend, std::span<const board::Chip> chips) {
    std::string text = mend.kind == board::MendKind::Reads ? "mend from the further reads: " : "mend by flipped bits: ";
    text += OutcomeName(mend.outcome);
    if (mend.outcome == MendOutcome::Verified) text += " (" + Joined(mend.verified) + ")";
    if (!mend.note.empty()) text += ": " + mend.note;
    if (!mend.bits.empty()) {
        text += mend.outcome == MendOutcome::Verified ? ": " : "; it would change ";
        for (std::size_t i = 0; i < mend.bits.size(); ++i) {
            const board::MendBit& b = mend.bits[i];
            text += (i ? ", " : "") + std::string("offset ") + HexText(b.offset, 8) + " bit " + std::to_string(b.bit) +
                    (b.from ? ": 1 -> 0" : ": 0 -> 1") + " (" + chips[b.chip].name + " " + HexText(b.chipOffset, 8) +
                    ")";
        }
        if (!mend.shared.empty()) text += ", " + mend.shared;
    }
    return text;
}

[[nodiscard]] std::string RomLine(const RomResult& r, std::span<const board::Chip> chips,
                                  const board::BoardIndex& index) {
    const dat::RomEntry& rom = index.roms().roms()[r.rom];
    std::string state = board::RomStateName(r.state);
    state.resize(9, ' ');
    std::string text = state + "\"" + rom.name + "\" (" + std::to_string(rom.size) + " bytes";
    if (r.state == RomState::Missing) text += ", crc32 " + CrcText(rom);
    text += ")";
    if (!r.via.empty()) text += " of " + r.via;
    if (!r.entry->merge.empty()) text += " shared as \"" + r.entry->merge + "\"";
    if (r.entry->optional) text += " optional";
    if (!r.entry->bios.empty()) text += " of BIOS choice \"" + r.entry->bios + "\"";
    if (r.otherBiosChoice) text += ", not needed: another BIOS choice is whole";
    if (r.source) text += " from " + board::DescribeSource(*r.source, chips);
    switch (r.state) {
        case RomState::Good: text += ": " + Joined(r.verified); break;
        case RomState::BadDump:
            text += ": " + Joined(r.verified) + " agree with an entry the DAT calls a bad dump";
            break;
        case RomState::Near:
            text +=
                ": same size and layout, crc32 " + ChecksumDigits(r.nearCrc, 32) + " where the DAT has " + CrcText(rom);
            break;
        case RomState::NoDump: text += ": the DAT knows no dump; it cannot be verified"; break;
        case RomState::Missing: break;
    }
    return text;
}

[[nodiscard]] std::string SetHeading(const dat::DatSet& set) {
    std::string text = "\"" + set.name + "\"";
    if (!set.description.empty()) text += " (" + set.description + ")";
    if (!set.cloneOf.empty()) text += ", clone of \"" + set.cloneOf + "\"";
    if (!set.romOf.empty() && set.romOf != set.cloneOf) text += ", ROMs of \"" + set.romOf + "\"";
    if (set.isBios) text += ", a BIOS";
    if (set.isDevice) text += ", a device";
    return text;
}

[[nodiscard]] std::vector<std::string> ChipNames(const std::vector<std::size_t>& which,
                                                 std::span<const board::Chip> chips) {
    std::vector<std::string> names;
    for (const std::size_t c : which) names.push_back(chips[c].name);
    return names;
}

[[nodiscard]] nlohmann::json SourceJson(const board::Source& s, std::span<const board::Chip> chips) {
    static constexpr const char* kPairing[] = {"none", "bytes", "words", "concatenated"};
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
            {"outcome", OutcomeName(m.outcome)},
            {"bits", bits},
            {"shared", m.shared},
            {"note", m.note},
            {"verified", m.verified}};
}

}  // namespace

void WriteBoardText(std::ostream& out, const board::BoardResult& result, std::span<const board::Chip> chips,
                    const board::BoardIndex& index) {
    if (result.candidates.empty()) out << "No set of the DATs has a ROM that these files provide.\n";
    for (std::size_t i = 0; i < result.candidates.size(); ++i) {
        const Candidate& c = result.candidates[i];
        if (i == 1) out << "Other candidates:\n";
        out << SetHeading(index.sets()[c.set]) << ": " << Verdict(c) << '\n';
        for (const RomResult& r : c.roms) {
            out << "  " << RomLine(r, chips, index) << '\n';
            for (const Mend& m : r.mends) out << "           " << MendText(m, chips) << '\n';
        }
        if (!c.unusedChips.empty())
            out << "  files that provide none of its ROMs: " << Joined(ChipNames(c.unusedChips, chips), ", ") << '\n';
    }
    if (!result.strangers.empty())
        out << "Files that match no ROM of any set: " << Joined(ChipNames(result.strangers, chips), ", ") << '\n';
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
                              {"nodump", c.noDumps},
                              {"roms", roms},
                              {"unusedFiles", ChipNames(c.unusedChips, chips)}});
    }
    return {{"candidates", candidates}, {"strangers", ChipNames(result.strangers, chips)}};
}

}  // namespace vesperine::cli
