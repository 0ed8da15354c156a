// Byte lanes: copies and word-wide tests of one lane.
#include "diagnosis/byte_lanes.h"

#include <algorithm>
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

ByteBuffer SplitLane(std::span<const std::uint8_t> bytes, Lane lane, const PassMeter& meter) {
    const std::size_t first = static_cast<std::size_t>(lane);
    ByteBuffer out(bytes.size() > first ? (bytes.size() - first + 1) / 2 : 0);
    const std::span<std::uint8_t> all(out.data(), out.size());
    for (std::size_t at = 0; at < out.size(); at += kPollBytes / 2) {
        const std::size_t part = std::min<std::size_t>(kPollBytes / 2, out.size() - at);
        GatherLanes(bytes.data() + first + 2 * at, 2, 1, all.subspan(at, part));
        if (meter.Tick(2 * (at + part))) break;
    }
    return out;
}

bool IsLaneAll(std::span<const std::uint8_t> bytes, Lane lane, std::uint8_t value, const PassMeter& meter) {
    const std::size_t first = static_cast<std::size_t>(lane);
    if (bytes.size() <= first) return false;
    const std::uint64_t mask = lane == Lane::Odd ? kOddLaneMask : ~kOddLaneMask;
    const std::uint64_t pattern = 0x0101010101010101ull * value & mask;
    const std::uint8_t* p = bytes.data();
    const std::size_t whole = bytes.size() / 8 * 8;
    for (std::size_t at = 0; at < whole; at += kPollBytes) {
        const std::size_t end = std::min<std::size_t>(whole, at + kPollBytes);
        for (std::size_t i = at; i < end; i += 8) {
            if ((LoadWord(p + i) & mask) != pattern) return false;
        }
        if (meter.Tick(end)) return false;
    }
    for (std::size_t i = whole + first; i < bytes.size(); i += 2) {
        if (p[i] != value) return false;
    }
    return true;
}

// A lane is tried for FF, then 00: the first try that fails stops at once unless the lane is
// FF nearly throughout, so the meter sees the two as one pass that may repeat its ground.
std::optional<std::uint8_t> LaneFill(std::span<const std::uint8_t> bytes, Lane lane, const PassMeter& meter) {
    for (const std::uint8_t value : {std::uint8_t{0xFF}, std::uint8_t{0x00}}) {
        if (IsLaneAll(bytes, lane, value, meter)) return value;
    }
    return std::nullopt;
}

std::vector<Finding> FindConstantLanes(std::span<const std::uint8_t> bytes, unsigned width, const PassMeter& meter) {
    std::vector<Finding> findings;
    if (bytes.size() < 32) return findings;
    const std::uint64_t length = bytes.size();
    const std::uint64_t half = length / 2 / 8 * 8;  // an even start keeps the lanes' parity
    for (const Lane lane : {Lane::Odd, Lane::Even}) {
        // Each lane half the pass: the whole lane, then its halves.
        const std::uint64_t l = static_cast<std::uint64_t>(lane);
        const PassMeter laneMeter = meter.Part(l * length / 2, (l + 1) * length / 2, 2 * length);
        if (const auto value = LaneFill(bytes, lane, laneMeter.Part(0, length, length))) {
            findings.push_back(LaneFinding(lane, *value, width, "", 0, length));
            continue;
        }
        const std::uint64_t starts[2] = {0, half};
        const std::uint64_t ends[2] = {half, length};
        for (int h = 0; h < 2; ++h) {
            const auto part = bytes.subspan(starts[h], ends[h] - starts[h]);
            const std::uint64_t size = part.size();
            const PassMeter partMeter = laneMeter.Part(length + starts[h], length + ends[h], 2 * size);
            const auto value = LaneFill(part, lane, partMeter.Part(0, size, size));
            if (!value || IsAllByte(part, *value, partMeter.Part(size, 2 * size, size))) continue;
            const std::string where = " in " + RegionText(starts[h], ends[h], length, width);
            findings.push_back(LaneFinding(lane, *value, width, where, starts[h], ends[h]));
        }
    }
    return findings;
}

}  // namespace vesperine::diagnosis
