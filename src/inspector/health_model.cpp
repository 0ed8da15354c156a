// The Health panel's model: the meanings of findings and the rows and sentence made from a diagnosis.
#include "inspector/health_model.h"

#include <array>

#include "base/format.h"

namespace vesperine::inspector {

namespace {

using diagnosis::FindingKind;

struct Meaning {
    FindingKind kind;
    const char* text;
};
constexpr std::array<Meaning, 8> kMeanings{{
    {FindingKind::DataLine,
     "A data line never changed: a bent or open pin, a dirty socket contact, a line shorted to VCC or GND, or a "
     "dead output of the chip. Reseat the chip and read again."},
    {FindingKind::AddressLine,
     "An address line does nothing: it is open or shorted, so part of the chip was never read. When it is the top "
     "line, a chip half the size of the read may have been dumped."},
    {FindingKind::Blank, "An erased chip, or no chip answered (FF: the bus floats high; 00: nothing drives it)."},
    {FindingKind::Constant, "Every byte is the same: no chip answered, or a data bus held at one value."},
    {FindingKind::Overdump, "The same image several times: the chip is smaller than what was read. Keep one copy."},
    {FindingKind::ByteLane,
     "One lane of a 16-bit board (or one chip of a pair) holds nothing: an unused lane, or that chip was not read."},
    {FindingKind::Fill, "A region of FF (erased) or 00. Real ROMs have them; it is not a fault."},
    {FindingKind::TooShort, "Fewer than 16 words: nothing can be told from so few bytes."},
}};

}  // namespace

std::string MeaningOf(FindingKind kind) {
    for (const Meaning& meaning : kMeanings)
        if (meaning.kind == kind) return meaning.text;
    return {};
}

std::string EvidenceText(const diagnosis::Finding& finding) {
    std::string text;
    for (const diagnosis::Evidence& evidence : finding.evidence) {
        if (!text.empty()) text += ", ";
        text += evidence.name + ' ' +
                (evidence.hexDigits > 0 ? HexText(evidence.value, evidence.hexDigits) : WithThousands(evidence.value));
    }
    return text;
}

std::string SeverityMark(diagnosis::Severity severity) {
    switch (severity) {
        case diagnosis::Severity::Fault: return "\u2716 FAULT";
        case diagnosis::Severity::Warning: return "\u26A0 WARNING";
        case diagnosis::Severity::Info: break;
    }
    return "\u2139 info";
}

std::string HealthSummary(const diagnosis::Diagnosis& result) {
    return Counted(result.length, "byte", "bytes") +
           (result.NeedsAttention()
                ? ", whole file and both byte lanes: look at the findings below, most serious first."
                : ", whole file and both byte lanes: no faults found.");
}

Rows HealthRows(const diagnosis::Diagnosis& result) {
    Rows rows;
    rows.reserve(result.findings.size());
    for (const diagnosis::Finding& finding : result.findings)
        rows.push_back({SeverityMark(finding.severity), finding.scope.empty() ? "whole file" : finding.scope,
                        finding.text + "\nEvidence: " + EvidenceText(finding) + '\n' + MeaningOf(finding.kind)});
    return rows;
}

std::string NothingToInspect(bool hasDialog) {
    // Alone (vesperine --inspect) there is no dialog to press F5 in.
    return hasDialog ? "Nothing to inspect: press F5 in the dialog to inspect its base file and dump, open a file with "
                       "\"Open file...\" or drop one here."
                     : "Nothing to inspect: open a file with \"Open file...\" or drop one here.";
}

}  // namespace vesperine::inspector
