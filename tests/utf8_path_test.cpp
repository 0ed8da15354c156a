// Paths and UTF-8 text: names that are not ASCII survive both ways; names by text agree with std::filesystem.
#include "files/utf8_path.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

TEST(Utf8Path, NamesThatAreNotAsciiSurviveBothWays) {
    for (const char* text : {"\xC3\x84rger.bin", "T\xC3\xABmp/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.bin", "plain.bin"}) {
        EXPECT_EQ(Utf8FromPath(PathFromUtf8(text)), text);
        EXPECT_EQ(Utf8FromPath(PathFromUtf8(text).filename()), FileNameOf(text));
    }
#ifdef _WIN32
    EXPECT_EQ(PathFromUtf8("\xC3\x84.bin").wstring(), L"\u00C4.bin");  // what Windows is given
#endif
}

// std::filesystem is the oracle for every path it can hold.
TEST(Utf8Path, NamesByTextAreStdFilesystemsFilenameAndStem) {
    for (const char* path : {"a/b.bin", "b.bin", "a/", "a/.hidden", "a/b.tar.gz", "..", ".", "...", "a/..b", "/x",
                             "noext", "d.d/noext", "a/.b.c"}) {
        EXPECT_EQ(FileNameOf(path), Utf8FromPath(PathFromUtf8(path).filename())) << path;
        EXPECT_EQ(StemOf(path), Utf8FromPath(PathFromUtf8(path).stem())) << path;
    }
#ifdef _WIN32
    for (const char* path : {"C:x.bin", "C:\\d\\x.y.bin", "\\\\server\\share\\r.bin"}) {
        EXPECT_EQ(FileNameOf(path), Utf8FromPath(PathFromUtf8(path).filename())) << path;
        EXPECT_EQ(StemOf(path), Utf8FromPath(PathFromUtf8(path).stem())) << path;
    }
#endif
    EXPECT_EQ(FileNameOf("a/R\xC4tsel.bin"), "R\xC4tsel.bin");  // Latin-1: no path to compare with on Windows
}

}  // namespace
}  // namespace vesperine
