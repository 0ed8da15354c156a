// The Health panel's model: the diagnosis as rows, most serious first, each finding with what it means at the
// programmer.
#pragma once

#include <string>

#include "diagnosis/diagnose.h"
#include "inspector/text.h"

namespace vesperine::inspector {

// What a kind of finding means to a person at the programmer, and what to do about it.
[[nodiscard]] std::string MeaningOf(diagnosis::FindingKind kind);
// The finding's evidence as "name value" pairs: "stuck 1, changes 0".
[[nodiscard]] std::string EvidenceText(const diagnosis::Finding& finding);
// The severity as marked in the table: "✖ FAULT", "⚠ WARNING", "ℹ info".
[[nodiscard]] std::string SeverityMark(diagnosis::Severity severity);

// The sentence over the table: the length checked and whether anything needs looking at.
[[nodiscard]] std::string HealthSummary(const diagnosis::Diagnosis& result);
// One row a finding, in the diagnosis' order: its mark, where ("whole file" or the lane), and
// one cell of three lines: the finding, "Evidence: ...", and its meaning.
[[nodiscard]] Rows HealthRows(const diagnosis::Diagnosis& result);
// The panel with no subject: where to get one (F5 only where there is a dialog).
[[nodiscard]] std::string NothingToInspect(bool hasDialog);

}  // namespace vesperine::inspector
