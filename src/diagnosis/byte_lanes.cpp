// Byte lanes: copies and word-wide tests of one lane.
#include "diagnosis/byte_lanes.h"

#include <bit>
#include <string>

#include "analysis/lanes.h"
#include "base/format.h"
#include "diagnosis/fill_map.h"
#include "diagnosis/scan.h"

namespace vesperine::diagnosis {
namespace {

// The byte positions of a word loaded from an even offset that hold the odd lane (offsets 0,
// 2, 4, 6), in the machine's byte order.
constexpr std::uint64_t kOddLaneMask =
    std::endian::native == std::endian::little ? 0x00FF00FF00FF00FFull : 0xFF00FF00FF00FF00ull;

[[nodiscard]] std::string LaneText(Lane lane, unsigned width) {
    std::string text =
        lane == Lane::Odd ? "odd byte lane (offsets 0, 2, 4 ...)" : "even byte lane (offsets 1, 3, 5 ...)";
    if (width == 2) text += lane == Lane::Odd ? ", D0-D7," : ", D8-D15,";
    return text;
}

[[nodiscard]] Finding LaneFinding(Lane lane, std::uint8_t value, unsigned width, const std::string& where,
                                  std::uint64_t start, std::uint64_t end) {
    Finding finding;
    finding.kind = FindingKind::ByteLane;
    finding.severity = Severity::Warning;
    finding.text = LaneText(lane, width) + " is all " + HexText(value, 2).substr(2) + where +
                   ": an unused lane of a 16-bit board, or that chip was not read";
    finding.evidence = {{"value", value, 2}, {"start", start, 5}, {"last", end - 1, 5}};
    return finding;
}

}  // namespace

const char* LaneName(Lane lane) { return lane == Lane::Odd ? "odd lane" : "even lane"; }

std::vector<std::uint8_t> SplitLane(std::span<const std::uint8_t> bytes, Lane lane) {
    const std::size_t first = static_cast<std::size_t>(lane);
    std::vector<std::uint8_t> out(bytes.size() > first ? (bytes.size() - first + 1) / 2 : 0);
    GatherLanes(bytes.data() + first, 2, 1, out);
    return out;
}

bool IsLaneAll(std::span<const std::uint8_t> bytes, Lane lane, std::uint8_t value) {
    const std::size_t first = static_cast<std::size_t>(lane);
    if (bytes.size() <= first) return false;
    const std::uint64_t mask = lane == Lane::Odd ? kOddLaneMask : ~kOddLaneMask;
    const std::uint64_t pattern = 0x0101010101010101ull * value & mask;
    const std::uint8_t* p = bytes.data();
    const std::size_t whole = bytes.size() / 8 * 8;
    for (std::size_t i = 0; i < whole; i += 8) {
        if ((LoadWord(p + i) & mask) != pattern) return false;
    }
    for (std::size_t i = whole + first; i < bytes.size(); i += 2) {
        if (p[i] != value) return false;
    }
    return true;
}

std::optional<std::uint8_t> LaneFill(std::span<const std::uint8_t> bytes, Lane lane) {
    for (const std::uint8_t value : {std::uint8_t{0xFF}, std::uint8_t{0x00}}) {
        if (IsLaneAll(bytes, lane, value)) return value;
    }
    return std::nullopt;
}

std::vector<Finding> FindConstantLanes(std::span<const std::uint8_t> bytes, unsigned width) {
    std::vector<Finding> findings;
    if (bytes.size() < 32) return findings;
    const std::uint64_t length = bytes.size();
    const std::uint64_t half = length / 2 / 8 * 8;  // an even start keeps the lanes' parity
    for (const Lane lane : {Lane::Odd, Lane::Even}) {
        if (const auto value = LaneFill(bytes, lane)) {
            findings.push_back(LaneFinding(lane, *value, width, "", 0, length));
            continue;
        }
        const std::uint64_t starts[2] = {0, half};
        const std::uint64_t ends[2] = {half, length};
        for (int h = 0; h < 2; ++h) {
            const auto part = bytes.subspan(starts[h], ends[h] - starts[h]);
            const auto value = LaneFill(part, lane);
            if (!value || IsAllByte(part, *value)) continue;
            const std::string where = " in " + RegionText(starts[h], ends[h], length, width);
            findings.push_back(LaneFinding(lane, *value, width, where, starts[h], ends[h]));
        }
    }
    return findings;
}

}  // namespace vesperine::diagnosis
