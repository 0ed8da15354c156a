// Lead-byte and trail-byte classes of the double-byte code pages.
#include "panes/code_page.h"

#include <initializer_list>
#include <utility>

namespace vesperine {
namespace {

using Ranges = std::initializer_list<std::pair<int, int>>;

std::bitset<256> Set(Ranges ranges) {
    std::bitset<256> bits;
    for (const auto& [first, last] : ranges)
        for (int b = first; b <= last; ++b) bits.set(static_cast<std::size_t>(b));
    return bits;
}

}  // namespace

ByteClasses ClassesForCodePage(int codePage) {
    switch (codePage) {
        case 932: return {Set({{0x81, 0x9F}, {0xE0, 0xFC}}), Set({{0x40, 0x7E}, {0x80, 0xFC}})};
        case 936: return {Set({{0x81, 0xFE}}), Set({{0x40, 0x7E}, {0x80, 0xFE}})};
        case 949: return {Set({{0x81, 0xFE}}), Set({{0x41, 0x5A}, {0x61, 0x7A}, {0x81, 0xFE}})};
        case 950: return {Set({{0x81, 0xFE}}), Set({{0x40, 0x7E}, {0xA1, 0xFE}})};
        default: return {};
    }
}

}  // namespace vesperine
