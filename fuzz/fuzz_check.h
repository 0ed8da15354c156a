// The fuzz targets' one way to fail: a message on standard error, then abort for libFuzzer to keep the input.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace vesperine::fuzz {

inline void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "mismatch: %s\n", what);
    std::abort();
}

}  // namespace vesperine::fuzz
