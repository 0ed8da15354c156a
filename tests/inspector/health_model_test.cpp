// The Health panel's model: every finding of a diagnosis becomes one row that carries its text, evidence and meaning.
#include "inspector/health_model.h"

#include <gtest/gtest.h>

#include <random>

namespace vesperine::inspector {
namespace {

TEST(HealthModel, EachFindingIsOneRowWithItsEvidenceAndMeaning) {
    // A dump with faults of several kinds: D5 stuck low, a fill, and an even lane of zeros.
    std::vector<std::uint8_t> bytes(64 * 1024);
    std::mt19937 random(3);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random() & ~0x20u);
    std::fill(bytes.begin() + 0x8000, bytes.begin() + 0xA000, 0xFF);
    for (std::size_t k = 0; k < bytes.size(); k += 2) bytes[k] &= 0x20;
    const diagnosis::Diagnosis result = diagnosis::Diagnose(bytes, {});
    ASSERT_TRUE(result.NeedsAttention());
    const Rows rows = HealthRows(result);
    ASSERT_EQ(rows.size(), result.findings.size());
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const diagnosis::Finding& finding = result.findings[k];
        EXPECT_EQ(rows[k][0], SeverityMark(finding.severity));
        EXPECT_EQ(rows[k][1], finding.scope.empty() ? "whole file" : finding.scope);
        EXPECT_EQ(rows[k][2], finding.text + "\nEvidence: " + EvidenceText(finding) + "\n" + MeaningOf(finding.kind));
        for (const diagnosis::Evidence& evidence : finding.evidence)
            EXPECT_NE(EvidenceText(finding).find(evidence.name + ' '), std::string::npos);
    }
    EXPECT_EQ(HealthSummary(result),
              "65,536 bytes, whole file and both byte lanes: look at the findings below, most serious first.");
    for (int kind = 0; kind <= static_cast<int>(diagnosis::FindingKind::TooShort); ++kind)
        EXPECT_FALSE(MeaningOf(static_cast<diagnosis::FindingKind>(kind)).empty()) << "kind " << kind;
}

}  // namespace
}  // namespace vesperine::inspector
