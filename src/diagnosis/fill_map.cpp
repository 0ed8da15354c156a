// Fill maps: block scans for FF and 00, merged into runs and named by address bits.
#include "diagnosis/fill_map.h"

#include <algorithm>
#include <bit>

#include "base/format.h"
#include "diagnosis/scan.h"

namespace vesperine::diagnosis {

std::uint64_t FillBlockSize(std::uint64_t length) {
    return std::max<std::uint64_t>(16, std::bit_floor(std::max<std::uint64_t>(length / 16, 1)));
}

std::vector<FillRun> FindFillRuns(std::span<const std::uint8_t> bytes, std::uint8_t value, const PassMeter& meter) {
    std::vector<FillRun> runs;
    if (bytes.size() < 64) return runs;
    const std::uint64_t block = FillBlockSize(bytes.size());
    for (std::uint64_t start = 0; start < bytes.size() && !meter.Tick(start); start += block) {
        const std::uint64_t end = std::min<std::uint64_t>(start + block, bytes.size());
        if (!IsAllByte(bytes.subspan(start, end - start), value, meter.Part(start, end, end - start))) continue;
        if (!runs.empty() && runs.back().end == start) {
            runs.back().end = end;
        } else {
            runs.push_back({start, end, value});
        }
    }
    return runs;
}

std::string RegionText(std::uint64_t start, std::uint64_t end, std::uint64_t length, unsigned width) {
    const std::uint64_t size = end - start;
    std::string span = RangeText(start, end, 5);
    if (!std::has_single_bit(size) || start % size != 0) return span;
    const unsigned low = static_cast<unsigned>(std::countr_zero(size));
    const unsigned top = AddressBitsFor(length);
    const unsigned laneBits = width == 2 ? 1u : 0u;
    if (low >= top || low < laneBits) return span;
    std::string bits;
    for (unsigned k = top; k-- > low;) {
        if (!bits.empty()) bits += ", ";
        bits += "A" + std::to_string(k - laneBits) + " = " + ((start >> k) & 1u ? "1" : "0");
    }
    if (top - low == 1 && std::has_single_bit(length)) {
        return (start == 0 ? "lower half (" : "upper half (") + bits + ")";
    }
    return span + " (" + bits + ")";
}

std::vector<Finding> FindFills(std::span<const std::uint8_t> bytes, unsigned width, const PassMeter& meter) {
    std::vector<Finding> findings;
    const std::uint64_t n = bytes.size();
    for (const std::uint8_t value : {std::uint8_t{0xFF}, std::uint8_t{0x00}}) {
        const PassMeter half = value == 0xFF ? meter.Part(0, n / 2, n) : meter.Part(n / 2, n, n);
        for (const FillRun& run : FindFillRuns(bytes, value, half)) {
            if (run.start == 0 && run.end == bytes.size()) continue;
            Finding finding;
            finding.kind = FindingKind::Fill;
            finding.severity = Severity::Info;
            finding.text = RegionText(run.start, run.end, bytes.size(), width) + " is all " +
                           (value == 0xFF ? "FF: unused (erased)" : "00: unused, or filled with zeros");
            finding.evidence = {{"start", run.start, 5},
                                {"last", run.end - 1, 5},
                                {"value", value, 2},
                                {"bytes", run.end - run.start, 0}};
            findings.push_back(std::move(finding));
        }
    }
    return findings;
}

}  // namespace vesperine::diagnosis
