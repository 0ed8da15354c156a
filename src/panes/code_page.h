// Lead-byte and trail-byte classes of the double-byte code pages the panes know.
#pragma once

#include <bitset>
#include <cstdint>

namespace vesperine {

struct ByteClasses {
    std::bitset<256> lead;
    std::bitset<256> trail;
};

// 932 (Shift_JIS), 936 (GBK), 949 (Unified Hangul) and 950 (Big5) have double-byte
// characters; every other number is taken as a single-byte page, which has neither class.
[[nodiscard]] ByteClasses ClassesForCodePage(int codePage);

}  // namespace vesperine
