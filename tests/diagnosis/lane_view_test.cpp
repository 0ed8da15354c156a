// The lane checks read in place against the same checks on a copy of the lane, polls included.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "analysis/repeat_period.h"
#include "diagnosis/address_lines.h"
#include "diagnosis/byte_lanes.h"
#include "diagnosis/data_lines.h"
#include "diagnosis/dump_maker.h"
#include "diagnosis/scan.h"

namespace vesperine::diagnosis {
namespace {

using namespace testing;

// Every answer of every check a lane gets, and every position each reported to its poll.
std::string Trace(const StridedBytes& lane) {
    std::string trace;
    const WorkPoll poll = [&](std::uint64_t done, std::uint64_t) {
        trace += std::to_string(done) + ",";
        return false;
    };
    const auto metered = [&](const auto& check) {
        WorkMeter meter(poll, 4 * lane.size());
        const auto answer = check(PassMeter(&meter, 0, 4 * lane.size(), lane.size()));
        trace += "=" + std::to_string(answer) + "\n";
    };
    if (lane.empty()) return trace;
    metered([&](const PassMeter& m) { return IsAllByte(lane, lane[0], m); });
    metered([&](const PassMeter& m) { return IsAllByte(lane, 0xFF, m); });
    metered([&](const PassMeter& m) { return RepeatPeriodOf(lane, m); });
    for (unsigned k = 0; k <= AddressBitsFor(lane.size()); ++k) {
        metered([&](const PassMeter& m) { return OffsetBitHasNoEffect(lane, k, m); });
    }
    for (const unsigned width : {1u, 2u}) {
        metered([&](const PassMeter& m) {
            const DataLineScan scan = ScanDataLines(lane, width, m);
            return scan.words << 32 | scan.alwaysSet << 16 | scan.everSet;
        });
    }
    return trace;
}

TEST(LaneView, ChecksInPlaceMatchChecksOnACopy) {
    std::mt19937_64 random(7);
    std::vector<Image> dumps;
    for (const std::size_t length : {2u, 3u, 33u, 64u, 255u, 4096u, 70001u, 131072u, 262147u}) {
        dumps.push_back(RandomImage(length, length));
        dumps.push_back(Image(length, 0xFF));
        dumps.push_back(BlankLane(RandomImage(length, length + 1), length % 2, 0x00, length / 3));
        dumps.push_back(TextImage(length));
    }
    for (const std::size_t length : {std::size_t{3} << 20, (std::size_t{5} << 19) + 3}) {
        dumps.push_back(RandomImage(length, length));
        dumps.push_back(Repeat(CodeImage(length / 4), 4));
    }
    const Image code = CodeImage(1 << 18);
    for (const unsigned k : {1u, 2u, 3u, 4u, 9u, 17u}) dumps.push_back(TieAddressLine(code, k));
    dumps.push_back(Repeat(TieAddressLine(code, 5), 3));
    dumps.push_back(Repeat(RandomImage(96 * 1024 + 6), 11));
    Image stuck = CodeImage(300001);
    for (std::size_t i = 1; i < stuck.size(); i += 2) stuck[i] |= 0x20;  // D5 of the even lane
    dumps.push_back(stuck);
    dumps.push_back(BlankLane(code, 0, 0x00));

    for (const Image& dump : dumps) {
        for (const Lane lane : {Lane::Odd, Lane::Even}) {
            const ByteBuffer copy = SplitLane(dump, lane);
            const StridedBytes view(dump, static_cast<std::size_t>(lane), 2);
            ASSERT_EQ(view.size(), copy.size());
            EXPECT_EQ(Trace(view), Trace(std::span<const std::uint8_t>(copy.data(), copy.size())))
                << "length " << dump.size() << ", " << LaneName(lane);
        }
    }
}

}  // namespace
}  // namespace vesperine::diagnosis
