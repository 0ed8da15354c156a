// A poll that records what a long step reports, for the tests that every metered step passes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "base/work_poll.h"

namespace vesperine::testing {

// Answers false until breakAt calls have been made (never, by default), then true; checks on the
// way that done never goes back, never passes a nonzero total, and that the total never changes.
struct PollProbe {
    std::uint64_t breakAt = 0;  // 0: never break
    std::uint64_t calls = 0;
    std::uint64_t lastDone = 0;
    std::optional<std::uint64_t> total;

    [[nodiscard]] WorkPoll Poll() {
        return [this](std::uint64_t done, std::uint64_t t) {
            ++calls;
            EXPECT_GE(done, lastDone) << "call " << calls;
            if (t != 0) {
                EXPECT_LE(done, t) << "call " << calls;
            }
            if (total) {
                EXPECT_EQ(*total, t);
            }
            total = t;
            lastDone = done;
            return breakAt != 0 && calls >= breakAt;
        };
    }
};

// The three things every metered step promises: with a poll that never breaks, the result of the
// call without one (same(metered, plain) decides); with a poll that breaks at once, nothing, after
// that one call; and through both, progress that never goes back (checked by the probe).
template <typename Result, typename Same>
void ExpectMetered(const std::function<std::optional<Result>(const WorkPoll&)>& metered, const Result& plain,
                   Same same) {
    PollProbe patient;
    const std::optional<Result> full = metered(patient.Poll());
    ASSERT_TRUE(full.has_value());
    EXPECT_TRUE(same(*full, plain));
    EXPECT_GT(patient.calls, 0u) << "a step of this size should ask at least once";
    PollProbe hasty;
    hasty.breakAt = 1;
    EXPECT_FALSE(metered(hasty.Poll()).has_value());
    EXPECT_EQ(hasty.calls, 1u);
}

}  // namespace vesperine::testing
