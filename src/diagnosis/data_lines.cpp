// Data lines: one pass of word-wide AND and OR, then a finding per line that never toggled.
#include "diagnosis/data_lines.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "diagnosis/scan.h"

namespace vesperine::diagnosis {

DataLineScan ScanDataLines(std::span<const std::uint8_t> bytes, unsigned width, const PassMeter& meter) {
    return ScanDataLines(StridedBytes(bytes), width, meter);
}

DataLineScan ScanDataLines(const StridedBytes& bytes, unsigned width, const PassMeter& meter) {
    DataLineScan scan;
    scan.width = width;
    const std::size_t length = bytes.size() - bytes.size() % width;
    scan.words = length / width;
    if (length == 0) return scan;
    // Eight bytes at a time; each byte position keeps its own AND and OR, folded by the
    // position's parity at the end (eight is a whole number of words of either width).
    std::uint64_t all = ~std::uint64_t{0};
    std::uint64_t any = 0;
    const std::size_t whole = length / 8 * 8;
    if (!ForEachWord(bytes, whole, meter, [&all, &any](std::uint64_t word) {
            all &= word;
            any |= word;
            return true;
        }))
        return scan;
    std::uint8_t allBytes[8];
    std::uint8_t anyBytes[8];
    std::memcpy(allBytes, &all, 8);
    std::memcpy(anyBytes, &any, 8);
    std::uint32_t andParts[2] = {0xFF, 0xFF};
    std::uint32_t orParts[2] = {0, 0};
    const bool sawWords = length >= 8;
    for (std::size_t k = 0; k < 8 && sawWords; ++k) {
        andParts[k % width] &= allBytes[k];
        orParts[k % width] |= anyBytes[k];
    }
    for (std::size_t k = 0; whole + k < length; ++k) {
        andParts[k % width] &= bytes[whole + k];
        orParts[k % width] |= bytes[whole + k];
    }
    scan.alwaysSet = width == 2 ? andParts[0] | andParts[1] << 8 : andParts[0];
    scan.everSet = width == 2 ? orParts[0] | orParts[1] << 8 : orParts[0];
    return scan;
}

std::vector<Finding> FindStuckDataLines(const DataLineScan& scan, std::uint32_t ignore) {
    std::vector<Finding> findings;
    const unsigned lines = 8 * scan.width;
    for (unsigned k = 0; k < lines; ++k) {
        const std::uint32_t bit = 1u << k;
        if (ignore & bit) continue;
        const bool high = (scan.alwaysSet & bit) != 0;
        if (!high && (scan.everSet & bit) != 0) continue;
        const std::string name = "D" + std::to_string(k);
        Finding finding;
        finding.kind = FindingKind::DataLine;
        finding.severity = Severity::Fault;
        finding.line = static_cast<int>(k);
        finding.text =
            high ? name + " stuck at 1: data line " + std::to_string(k) + " is always high (open pin or shorted to VCC)"
                 : name + " stuck at 0: data line " + std::to_string(k) +
                       " is always low (shorted to GND, or a dead output)";
        finding.evidence = {{"line", k, 0}, {"level", high ? 1u : 0u, 0}, {"words", scan.words, 0}};
        findings.push_back(std::move(finding));
    }
    return findings;
}

}  // namespace vesperine::diagnosis
