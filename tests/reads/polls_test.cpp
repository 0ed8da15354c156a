// Read comparison and the CRC mend under a poll: unchanged results, an at-once break-off, steady progress.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "diagnosis/dump_maker.h"
#include "reads/compare_reads.h"
#include "reads/crc_mend.h"
#include "support/poll_probe.h"

namespace vesperine::reads {
namespace {

using diagnosis::testing::CodeImage;
using diagnosis::testing::Image;
using vesperine::testing::ExpectMetered;

bool SameComparison(const ReadsComparison& a, const ReadsComparison& b) {
    return a.unstableBits == b.unstableBits && a.unstableWords == b.unstableWords && a.ties == b.ties &&
           a.unstable == b.unstable && a.tied == b.tied && a.shapes == b.shapes && a.byDataLine == b.byDataLine &&
           a.addressOnes == b.addressOnes && a.soleDissent == b.soleDissent && a.oneToZero == b.oneToZero &&
           a.zeroToOne == b.zeroToOne && a.consensus.size() == b.consensus.size() &&
           std::memcmp(a.consensus.data(), b.consensus.data(), a.consensus.size()) == 0;
}

TEST(ReadsPollsTest, AMeteredStepGivesThePlainResultBreaksOffAtOnceAndNeverGoesBack) {
    std::mt19937_64 random(7);
    const Image image = CodeImage(0x240001);
    for (const std::size_t readCount : {2u, 3u, 5u}) {
        std::vector<Image> reads(readCount, image);
        for (int k = 0; k < 40; ++k) {
            std::uint8_t& byte = reads[random() % readCount][random() % image.size()];
            byte = static_cast<std::uint8_t>(byte ^ (1u << (random() % 8)));
        }
        const std::vector<std::span<const std::uint8_t>> spans(reads.begin(), reads.end());
        for (const unsigned width : {1u, 2u}) {
            ExpectMetered<ReadsComparison>([&](const WorkPoll& poll) { return CompareReads(spans, width, poll); },
                                           CompareReads(spans, width), SameComparison);
        }
        // The mend over the unstable bits, and over enough more that many assignments are walked.
        const ReadsComparison c = CompareReads(spans);
        std::vector<std::uint64_t> wide = c.unstable;
        for (std::uint64_t bit = 3; wide.size() < 50; bit += 8 * 4099) wide.push_back(bit);
        std::sort(wide.begin(), wide.end());
        wide.erase(std::unique(wide.begin(), wide.end()), wide.end());
        for (const auto& unknowns : {c.unstable, wide}) {
            const std::span<const std::uint8_t> consensus(c.consensus.data(), c.consensus.size());
            const std::uint32_t expected = static_cast<std::uint32_t>(random());
            ExpectMetered<MendResult>(
                [&](const WorkPoll& poll) { return MendByCrc(consensus, unknowns, expected, 8, poll); },
                MendByCrc(consensus, unknowns, expected, 8),
                [](const MendResult& a, const MendResult& b) {
                    return a.outcome == b.outcome && a.consensusCrc == b.consensusCrc && a.rank == b.rank &&
                           a.freeBits == b.freeBits && a.assignments == b.assignments;
                });
        }
    }
}

}  // namespace
}  // namespace vesperine::reads
