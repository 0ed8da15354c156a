// The Identity panel's repair to a CRC-32: its outcome as a person reads it, and the check of the bytes before saving.
#include "inspector/repair_model.h"

#include "base/crc32.h"
#include "base/format.h"
#include "inspector/text.h"

namespace vesperine::inspector {

unsigned RepairBitsFor(std::uint64_t length) {
    return diagnosis::PairTableBytes(length) <= diagnosis::kPairTableLimit ? 2u : 1u;
}

std::string CandidateText(const diagnosis::FlipCandidate& candidate, std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const diagnosis::BitPosition& p : candidate.bits) {
        if (!text.empty()) text += " and ";
        text += "bit " + std::to_string(p.bit) + " of " + HexText(p.offset, 8) + " (" + HexText(bytes[p.offset], 2) +
                " -> " + HexText(bytes[p.offset] ^ (1u << p.bit), 2) + ")";
    }
    return text;
}

RepairReport ReportRepair(const diagnosis::RepairResult& result, std::span<const std::uint8_t> bytes,
                          std::uint32_t expected, unsigned maxBits) {
    const std::string target = "CRC-32 " + Hex8(expected);
    const std::string flips = maxBits == 2 ? "one or two bits" : "one bit";
    RepairReport report;
    switch (result.outcome) {
        case diagnosis::RepairOutcome::Broken:
            report.text = "Cancelled: the repair to " + target + " was not finished; nothing written.";
            return report;
        case diagnosis::RepairOutcome::AlreadyMatches:
            report.text = "The dump already has " + target + ": nothing to repair.";
            return report;
        case diagnosis::RepairOutcome::NoCandidate:
        case diagnosis::RepairOutcome::TooLarge:
            report.text = "No flip of " + flips + " gives " + target;
            if (maxBits == 1)
                report.text +=
                    " (" + Counted(bytes.size(), "byte", "bytes") + " is too large to search for two flipped bits)";
            report.text += ": nothing written.";
            return report;
        case diagnosis::RepairOutcome::Unique:
        case diagnosis::RepairOutcome::Ambiguous: break;
    }
    const bool ones = result.singles != 0;
    const std::uint64_t fewest = ones ? result.singles : result.pairs;
    std::string text = Counted(fewest, "candidate", "candidates") + " with " + (ones ? "one bit" : "two bits") +
                       " flipped " + (fewest == 1 ? "gives " : "give ") + target;
    if (ones && result.pairs != 0)
        text += " (and " + Counted(result.pairs, "pair", "pairs") + " of flipped bits, far less likely)";
    // Only the candidates of the fewest flips are listed: the likelier ones, those that decide.
    std::string lines;
    std::uint64_t listed = 0;
    const std::size_t bitsEach = ones ? 1 : 2;
    for (const diagnosis::FlipCandidate& candidate : result.candidates) {
        if (candidate.bits.size() != bitsEach || listed >= kListedCandidates) continue;
        lines += (listed++ == 0 ? "  " : "\n  ") + CandidateText(candidate, bytes);
    }
    if (fewest > listed) lines += (listed == 0 ? "  ... and " : "\n  ... and ") + Grouped(fewest - listed) + " more";
    if (result.outcome == diagnosis::RepairOutcome::Ambiguous) {
        report.text = text + ": no repair can be chosen, nothing written.\n" + lines;
        return report;
    }
    report.repaired = diagnosis::ApplyFlips(bytes, result.candidates.front());
    report.text = text + ": the one sure repair. Save it with \"Save mended copy...\".\n" + lines;
    return report;
}

std::optional<std::string> CheckRepair(std::span<const std::uint8_t> repaired, std::uint32_t expected) {
    const std::uint32_t got = Crc32(repaired);
    if (got == expected) return std::nullopt;
    return "The mended copy's CRC-32 is " + Hex8(got) + ", not " + Hex8(expected) +
           ": nothing saved (an error in Vesperine).";
}

}  // namespace vesperine::inspector
