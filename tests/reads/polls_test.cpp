// Read comparison and the CRC mend under a poll: unchanged results, an at-once break-off, steady progress.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "diagnosis/dump_maker.h"
#include "reads/compare_reads.h"
#include "reads/crc_mend.h"
#include "reads/read_findings.h"
#include "support/poll_probe.h"

namespace vesperine::reads {
namespace {

using diagnosis::testing::CodeImage;
using diagnosis::testing::Image;
using vesperine::testing::ExpectMetered;

// The comparison as the findings word it, with the consensus.
bool SameComparison(const ReadsComparison& a, const ReadsComparison& b) {
    const auto said = [](const ReadsComparison& c) {
        std::string text(reinterpret_cast<const char*>(c.consensus.data()), c.consensus.size());
        for (const ReadsFinding& f : ExplainReads(c)) text += f.text;
        return text;
    };
    return said(a) == said(b) && a.unstable == b.unstable && a.shapes == b.shapes;
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
        const ReadsComparison c = CompareReads(spans);
        ExpectMetered<std::vector<ReadsFinding>>(
            [&](const WorkPoll& poll) { return ExplainReads(c, poll); }, ExplainReads(c),
            [](const std::vector<ReadsFinding>& a, const std::vector<ReadsFinding>& b) {
                return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                                  [](const ReadsFinding& x, const ReadsFinding& y) { return x.text == y.text; });
            });
        // The mend over the unstable bits, and over more, so that 2^18 assignments or more are walked.
        std::vector<std::uint64_t> wide = c.unstable;
        for (std::uint64_t bit = 3; wide.size() < 50; bit += 8 * 4099) wide.push_back(bit);
        std::sort(wide.begin(), wide.end());
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
