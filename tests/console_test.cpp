// The program's arguments and console: wildcard expansion, what a terminal is, the console's code page.
#include "platform/console.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "support/scratch_dir.h"

namespace vesperine {
namespace {

using Arguments = std::vector<std::string>;

TEST(Console, OnlyPatternsInTheLastPartOfAFileArgumentAreExpanded) {
    const std::map<std::string, Arguments> files = {
        {"*.bin", {"a.bin", "b.bin"}}, {"d\\r?m.bin", {"d\\rom.bin"}}, {"x*", {"x1"}}, {"-o*", {"-o1"}}};
    const WildcardMatcher match = [&](const std::string& pattern) {
        const auto found = files.find(pattern);
        return found == files.end() ? Arguments{} : found->second;
    };
    const struct {
        Arguments given, expanded;
    } cases[] = {
        {{"x*", "crc", "*.bin"}, {"x*", "crc", "a.bin", "b.bin"}},  // never the program itself
        {{"p", "hash", "d\\r?m.bin", "x*"}, {"p", "hash", "d\\rom.bin", "x1"}},
        {{"p", "crc", "-o*", "none*.bin"}, {"p", "crc", "-o*", "none*.bin"}},        // an option; nothing matched
        {{"p", "crc", "*.d/rom.bin", "d?:x"}, {"p", "crc", "*.d/rom.bin", "d?:x"}},  // not the last part
    };
    for (const auto& c : cases) EXPECT_EQ(ExpandWildcards(c.given, match), c.expanded) << c.given[2];
}

TEST(Console, TheNullDeviceIsNoTerminal) {
#ifdef _WIN32
    std::FILE* null = std::fopen("NUL", "w");
    ASSERT_NE(null, nullptr);
    EXPECT_NE(::_isatty(::_fileno(null)), 0) << "the C runtime's answer, which IsTerminal must not give";
#else
    std::FILE* null = std::fopen("/dev/null", "w");
    ASSERT_NE(null, nullptr);
#endif
    EXPECT_FALSE(IsTerminal(null));
    std::fclose(null);
}

#ifdef _WIN32
TEST(Console, PatternsFindNamesThatAreNotAsciiInAFolderThatIsNot) {
    const testing::ScratchDir scratch("vesperine-\xC3\xA4-");  // "ä": the folder's name is not ASCII either
    for (const char* name : {"\xC3\x84rger-2.bin", "\xE6\x97\xA5\xE6\x9C\xAC-1.bin", "b.txt"}) scratch.Write(name, "x");
    const std::string folder = scratch.Path("");
    EXPECT_EQ(MatchingFiles(folder + "*.bin"),
              (Arguments{folder + "\xC3\x84rger-2.bin", folder + "\xE6\x97\xA5\xE6\x9C\xAC-1.bin"}));
    EXPECT_EQ(MatchingFiles(folder + "?.txt"), Arguments{folder + "b.txt"});
    EXPECT_TRUE(MatchingFiles(folder + "*.hex").empty());
}

TEST(Console, TheConsoleCodePageIsPutBack) {
    const UINT before = ::GetConsoleOutputCP();
    if (before == 0) GTEST_SKIP() << "no console to change";
    PrepareConsole();
    EXPECT_EQ(::GetConsoleOutputCP(), static_cast<UINT>(CP_UTF8));
    RestoreConsole();
    EXPECT_EQ(::GetConsoleOutputCP(), before);
}
#endif

}  // namespace
}  // namespace vesperine
