// The progress display's words: units, thousands, percent, the step-0 note and the time left.
#include "app/progress_text.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

TEST(ProgressText, SaysWhatIsCountedAndHowFar) {
    const struct {
        Progress progress;
        double elapsed;
        const char* text;
    } cases[] = {
        {{ProgressUnit::Windows, 12345678, 45000000}, 0.5, "Examined 12,345,678 of 45,000,000 windows (27 %)"},
        {{ProgressUnit::Windows, 12345678, 45000000},
         4.0,
         "Examined 12,345,678 of 45,000,000 windows (27 %), about 11 s left"},
        {{ProgressUnit::Windows, 1, 1000}, 1.0, "Examined 1 of 1,000 windows (0 %), about 17 min left"},
        {{ProgressUnit::Windows, 999, 1000}, 30.0, "Examined 999 of 1,000 windows (99 %), about 1 s left"},
        {{ProgressUnit::Windows, 0, 1000}, 9.0, "Examined 0 of 1,000 windows (0 %)"},
        {{ProgressUnit::Windows, 1000, 1000}, 9.0, "Examined 1,000 of 1,000 windows (100 %)"},
        {{ProgressUnit::Windows, 4096, 0},
         9.0,
         "Examined 4,096 windows; step 0 repeats one window until you break (Cancel or Shift+Backspace)"},
        {{ProgressUnit::BytesRead, 123456789, 1073741824}, 0.0, "Read 123,456,789 of 1,073,741,824 bytes (11 %)"},
        {{ProgressUnit::BytesHashed, 536870912, 1073741824},
         2.0,
         "Hashed 536,870,912 of 1,073,741,824 bytes (50 %), about 2 s left"},
        {{ProgressUnit::BytesExtracted, 100, 100}, 0.0, "Extracted 100 of 100 bytes (100 %)"},
        {{ProgressUnit::BytesRead, 0, 0}, 0.0, "Read 0 bytes"},
        {{ProgressUnit::Windows, 4294967295u, 4294967296u},
         0.0,
         "Examined 4,294,967,295 of 4,294,967,296 windows (99 %)"},
    };
    for (const auto& c : cases) EXPECT_EQ(ProgressText(c.progress, c.elapsed), c.text);
}

TEST(ProgressText, GroupsDigitsByThrees) {
    const struct {
        std::uint64_t n;
        const char* text;
    } cases[] = {{0, "0"},
                 {999, "999"},
                 {1000, "1,000"},
                 {100000, "100,000"},
                 {1234567, "1,234,567"},
                 {18446744073709551615u, "18,446,744,073,709,551,615"}};
    for (const auto& c : cases) EXPECT_EQ(WithThousands(c.n), c.text);
}

}  // namespace
}  // namespace vesperine
