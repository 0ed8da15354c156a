// The board report's lines: the same words for the command line and the Inspector.
#include "board/board_report.h"

#include "base/format.h"

namespace vesperine::board {
namespace {

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
        if (c.optionalMissing != 0) text += ", " + std::to_string(c.optionalMissing) + " not needed (optional)";
        if (c.unneeded != 0) text += ", " + std::to_string(c.unneeded) + " of other BIOS choices, not needed";
        return text;
    }
    std::string text = c.completeMended ? "complete once mended: " : "not complete: ";
    text += std::to_string(c.good) + " of " + std::to_string(total) + " ROMs good";
    if (c.badDumps != 0) text += ", " + std::to_string(c.badDumps) + " baddump";
    if (c.near != 0) text += ", " + std::to_string(c.near) + " near (" + std::to_string(c.mended) + " mended)";
    if (c.missing != 0) text += ", " + std::to_string(c.missing) + " missing";
    if (c.optionalMissing != 0) text += " (" + std::to_string(c.optionalMissing) + " optional)";
    if (c.noDumps != 0) text += ", " + std::to_string(c.noDumps) + " nodump";
    if (c.unneeded != 0) text += ", " + std::to_string(c.unneeded) + " of other BIOS choices, not needed";
    return text;
}

[[nodiscard]] std::string MendText(const Mend& mend, std::span<const Chip> chips) {
    std::string text = mend.kind == MendKind::Reads ? "mend from the further reads: " : "mend by flipped bits: ";
    text += MendOutcomeName(mend.outcome);
    if (mend.outcome == MendOutcome::Verified) text += " (" + Joined(mend.verified) + ")";
    if (!mend.note.empty()) text += ": " + mend.note;
    if (!mend.bits.empty()) {
        text += mend.outcome == MendOutcome::Verified ? ": " : "; it would change ";
        for (std::size_t i = 0; i < mend.bits.size(); ++i) {
            const MendBit& b = mend.bits[i];
            text += (i ? ", " : "") + std::string("offset ") + HexText(b.offset, 8) + " bit " + std::to_string(b.bit) +
                    (b.from ? ": 1 -> 0" : ": 0 -> 1") + " (" + chips[b.chip].name + " " + HexText(b.chipOffset, 8) +
                    ")";
        }
        if (!mend.shared.empty()) text += ", " + mend.shared;
    }
    return text;
}

[[nodiscard]] std::string RomLine(const RomResult& r, std::span<const Chip> chips, const BoardIndex& index) {
    const dat::RomEntry& rom = index.roms().roms()[r.rom];
    std::string state = RomStateName(r.state);
    state.resize(9, ' ');
    std::string text = state + "\"" + rom.name + "\" (" + std::to_string(rom.size) + " bytes";
    if (r.state == RomState::Missing || r.state == RomState::Unneeded) text += ", crc32 " + CrcText(rom);
    text += ")";
    if (!r.via.empty()) text += " of " + r.via;
    if (!r.entry->merge.empty()) text += " shared as \"" + r.entry->merge + "\"";
    if (r.entry->optional) text += " optional";
    if (!r.entry->bios.empty()) text += " of BIOS choice \"" + r.entry->bios + "\"";
    if (r.otherBiosChoice) text += ", not needed: another BIOS choice is whole";
    if (r.source) text += " from " + DescribeSource(*r.source, chips);
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
        case RomState::Missing:
        case RomState::Unneeded: break;
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

[[nodiscard]] std::vector<std::string> ChipNames(const std::vector<std::size_t>& which, std::span<const Chip> chips) {
    std::vector<std::string> names;
    for (const std::size_t c : which) names.push_back(chips[c].name);
    return names;
}

}  // namespace

const char* MendOutcomeName(MendOutcome outcome) {
    switch (outcome) {
        case MendOutcome::Verified: return "verified";
        case MendOutcome::Rejected: return "rejected";
        case MendOutcome::Ambiguous: return "ambiguous";
        case MendOutcome::NoMend: return "none";
        case MendOutcome::NotTried: return "not tried";
    }
    return "none";
}

std::vector<std::string> ReportLines(const BoardResult& result, std::span<const Chip> chips, const BoardIndex& index) {
    std::vector<std::string> lines;
    if (result.candidates.empty()) lines.emplace_back("No set of the DATs has a ROM that these files provide.");
    for (std::size_t i = 0; i < result.candidates.size(); ++i) {
        const Candidate& c = result.candidates[i];
        if (i == 1) lines.emplace_back("Other candidates:");
        lines.push_back(SetHeading(index.sets()[c.set]) + ": " + Verdict(c));
        for (const RomResult& r : c.roms) {
            lines.push_back("  " + RomLine(r, chips, index));
            for (const Mend& m : r.mends) lines.push_back("           " + MendText(m, chips));
        }
        if (!c.unusedChips.empty())
            lines.push_back("  files that provide none of its ROMs: " + Joined(ChipNames(c.unusedChips, chips), ", "));
    }
    if (!result.strangers.empty())
        lines.push_back("Files that match no ROM of any set: " + Joined(ChipNames(result.strangers, chips), ", "));
    for (const Chip& chip : chips) {
        if (chip.otherNames.empty()) continue;
        std::string names = chip.name;
        for (std::size_t i = 0; i < chip.otherNames.size(); ++i)
            names += (i + 1 == chip.otherNames.size() ? " and " : ", ") + chip.otherNames[i];
        lines.push_back(names + " are one file; counted once.");
    }
    return lines;
}

}  // namespace vesperine::board
