// Tests of what only POSIX systems have (fifos, permission bits, symbolic links, /dev, /proc,
// file-size limits) skip themselves on Windows, saying why; the helpers here compile on both.
#pragma once

#include <string>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

// At the top of a test body: skips the test on Windows with the reason given.
#ifdef _WIN32
#define VESPERINE_POSIX_ONLY(why) GTEST_SKIP() << "POSIX only: " << (why)
#else
#define VESPERINE_POSIX_ONLY(why) static_cast<void>(0)
#endif

namespace vesperine::testing {

// Makes a named pipe; false where there are none.
inline bool MakeFifo(const std::string& path) {
#ifdef _WIN32
    static_cast<void>(path);
    return false;
#else
    return ::mkfifo(path.c_str(), 0600) == 0;
#endif
}

// Whether permission bits do not stop this process (root reads a file of mode 000).
inline bool RunningAsRoot() {
#ifdef _WIN32
    return false;
#else
    return ::geteuid() == 0;
#endif
}

}  // namespace vesperine::testing
