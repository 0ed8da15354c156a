// Blank dumps and repeated images.
#include "diagnosis/repetition.h"

#include <bit>
#include <string>

#include "analysis/repeat_period.h"
#include "base/format.h"
#include "diagnosis/scan.h"

namespace vesperine::diagnosis {

std::optional<std::uint8_t> ConstantByteOf(std::span<const std::uint8_t> bytes, const PassMeter& meter) {
    if (bytes.empty() || !IsAllByte(bytes, bytes[0], meter)) return std::nullopt;
    return bytes[0];
}

Finding BlankFinding(std::uint8_t value, std::uint64_t length) {
    Finding finding;
    finding.kind = value == 0xFF || value == 0x00 ? FindingKind::Blank : FindingKind::Constant;
    finding.severity = Severity::Fault;
    const std::string hex = HexText(value, 2).substr(2);
    if (value == 0xFF) {
        finding.text = "blank: every byte is FF (erased or unread chip)";
    } else if (value == 0x00) {
        finding.text = "blank: every byte is 00 (no chip, or a chip that does not drive the data lines)";
    } else {
        finding.text = "constant: every byte is " + hex + " (the chip does not answer, or is not selected)";
    }
    finding.evidence = {{"value", value, 2}, {"bytes", length, 0}};
    return finding;
}

Repetition FindRepetition(const StridedBytes& bytes, const PassMeter& meter) {
    const std::uint64_t image = RepeatPeriodOf(bytes, meter);
    if (image == 0) return {};
    return {image, bytes.size() / image};
}

Finding OverdumpFinding(const Repetition& repetition, unsigned width) {
    Finding finding;
    finding.kind = FindingKind::Overdump;
    finding.severity = Severity::Warning;
    const bool powerOfTwo = std::has_single_bit(repetition.image) && repetition.image >= width;
    const int firstDead = powerOfTwo ? std::countr_zero(repetition.image) - (width == 2 ? 1 : 0) : -1;
    if (repetition.copies == 2 && powerOfTwo) {
        const std::string line = "A" + std::to_string(firstDead);
        finding.line = firstDead;
        finding.text = line + " has no effect: the two halves are identical (overdump, or a chip half the size)";
    } else {
        finding.text = "overdump: the image is " + HexText(repetition.image, 5) + " bytes, repeated " +
                       std::to_string(repetition.copies) + " times";
        if (powerOfTwo && std::has_single_bit(repetition.copies)) {
            const int lastDead = firstDead + std::countr_zero(repetition.copies) - 1;
            finding.line = firstDead;
            finding.text += " (A" + std::to_string(firstDead) + (lastDead == firstDead + 1 ? " and A" : " to A") +
                            std::to_string(lastDead) + " have no effect)";
        }
    }
    finding.evidence = {{"image bytes", repetition.image, 5}, {"copies", repetition.copies, 0}};
    return finding;
}

}  // namespace vesperine::diagnosis
