// The diagnosis' long steps under a poll: unchanged results, an at-once break-off, steady progress.
#include <gtest/gtest.h>

#include "diagnosis/block_map.h"
#include "diagnosis/compare.h"
#include "diagnosis/diagnose.h"
#include "dump_maker.h"
#include "support/poll_probe.h"

namespace vesperine::diagnosis {
namespace {

using namespace testing;
using vesperine::testing::ExpectMetered;

constexpr std::size_t k2M = 0x200000;

std::string Said(const Diagnosis& d) {
    std::string text = std::to_string(d.length) + " " + std::to_string(d.lanesChecked) + "\n";
    for (const Finding& f : d.findings) {
        text += std::to_string(static_cast<int>(f.severity)) + " [" + f.scope + "] " + f.text + "\n";
    }
    return text;
}

// Dumps above the 1 MiB between polls, each taking the checks down another road: random, a
// repeat, a tied address line, stuck data lines, a blank lane, text, an odd length, a blank file.
std::vector<std::pair<Image, DiagnoseOptions>> Dumps() {
    return {{RandomImage(k2M + 5), {}},
            {Repeat(CodeImage(k2M / 2), 4), {}},
            {TieAddressLine(CodeImage(k2M), 20), {2, false}},
            {StickDataLine(CodeImage(k2M + 2), 3, true), {2, false}},
            {BlankLane(CodeImage(k2M), 1, 0xFF, k2M / 2), {1, false}},
            {TextImage(3 * k2M / 2), {1, true}},
            {Image(k2M, 0xFF), {}}};
}

TEST(DiagnosisPollsTest, AMeteredStepGivesThePlainResultBreaksOffAtOnceAndNeverGoesBack) {
    for (const auto& [dump, options] : Dumps()) {
        SCOPED_TRACE(dump.size());
        const std::span<const std::uint8_t> bytes(dump);
        ExpectMetered<Diagnosis>([&](const WorkPoll& poll) { return Diagnose(bytes, options, poll); },
                                 Diagnose(bytes, options),
                                 [](const Diagnosis& a, const Diagnosis& b) { return Said(a) == Said(b); });

        const std::uint64_t blockLength = BlockLengthFor(bytes.size() * 512);  // 1 MiB blocks: a tick a block
        ExpectMetered<std::vector<Block>>(
            [&](const WorkPoll& poll) { return MapBlocks(bytes, blockLength, poll); }, MapBlocks(bytes, blockLength),
            [](const std::vector<Block>& a, const std::vector<Block>& b) {
                return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Block& x, const Block& y) {
                    return x.offset == y.offset && x.length == y.length && x.kind == y.kind &&
                           x.repeatOf == y.repeatOf && x.entropy == y.entropy;
                });
            });

        // B as A with the halves swapped, so that the transforms are tried too (and one fits).
        Image b(dump.begin() + static_cast<std::ptrdiff_t>(dump.size() / 2), dump.end());
        b.insert(b.end(), dump.begin(), dump.begin() + static_cast<std::ptrdiff_t>(dump.size() / 2));
        ExpectMetered<Comparison>([&](const WorkPoll& poll) { return CompareDumps(bytes, b, poll); },
                                  CompareDumps(bytes, b),
                                  [](const Comparison& x, const Comparison& y) {
                                      return ExplainComparison(x) == ExplainComparison(y) && x.bitSetInB == y.bitSetInB;
                                  });
    }
}

}  // namespace
}  // namespace vesperine::diagnosis
