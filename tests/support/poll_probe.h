// The three promises of a metered step, checked with a poll that records what the step reports.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "base/work_poll.h"

namespace vesperine::testing {

// With a poll that never breaks, the result of the call without one (same decides); with one
// that breaks at once, nothing, after that one call; and done never going back, never past a
// nonzero total, the total never changing.
template <typename Result, typename Same>
void ExpectMetered(const std::function<std::optional<Result>(const WorkPoll&)>& metered, const Result& plain,
                   Same same) {
    for (const std::uint64_t breakAt : {0u, 1u}) {
        std::uint64_t calls = 0, lastDone = 0;
        std::optional<std::uint64_t> total;
        const std::optional<Result> result = metered([&](std::uint64_t done, std::uint64_t t) {
            EXPECT_TRUE(done >= lastDone && (t == 0 || done <= t) && total.value_or(t) == t) << done << " of " << t;
            lastDone = done;
            total = t;
            return ++calls == breakAt;
        });
        EXPECT_EQ(result.has_value(), breakAt == 0);
        EXPECT_TRUE(!result || same(*result, plain));
        EXPECT_TRUE(breakAt == 0 ? calls > 0 : calls == 1) << calls << " calls";
    }
}

}  // namespace vesperine::testing
