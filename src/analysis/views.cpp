// Building the views of a dump, and reading their bytes without copying more than a chunk.
#include "analysis/views.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string_view>

#include "analysis/lanes.h"
#include "analysis/repeat_period.h"
#include "analysis/transforms.h"
#include "base/crc32.h"
#include "base/format.h"

namespace vesperine {
namespace {

// A multiple of every view width, so that chunk boundaries never split a group.
constexpr std::size_t kViewChunk = std::size_t{64} << 10;

void AddParts(std::vector<ViewPlan>& views, std::uint64_t length, std::uint32_t count, const char* noun,
              const char* family, const std::vector<std::uint64_t>& trimmedSizes) {
    if (length % count != 0 || length < count) return;
    const std::uint64_t size = length / count;
    if (std::find(trimmedSizes.begin(), trimmedSizes.end(), size) != trimmedSizes.end()) return;
    for (std::uint32_t i = 0; i < count; ++i) {
        views.push_back({std::string(noun) + " " + std::to_string(i + 1) + " of " + std::to_string(count), family,
                         ViewKind::Part, i * size, 1, 1, size});
    }
}

void FillLanes(const std::uint8_t* file, const ViewPlan& view, std::uint64_t from, std::span<std::uint8_t> out) {
    GatherLanes(file + from / view.width * view.stride + view.offset, view.stride, view.width, out);
}

void FillSwap(const std::uint8_t* source, std::uint32_t width, std::span<std::uint8_t> out) {
    std::memcpy(out.data(), source, out.size());
    if (width == 2) {
        SwapBytePairs(out);
    } else {
        ReverseByteQuads(out);
    }
}

// A header that copiers and emulators put before an image: recognised by its magic at magicAt,
// or, with no magic, by a length of size more than a multiple of 1 KiB.
struct AddedHeader {
    const char* name;
    std::uint64_t size;
    std::uint64_t magicAt;
    std::string_view magic;
};

constexpr AddedHeader kAddedHeaders[] = {
    {"512-byte copier header", 512, 0, ""},
    {"16-byte iNES header", 16, 0, std::string_view("NES\x1A", 4)},
    {"16-byte fwNES FDS header", 16, 0, std::string_view("FDS\x1A", 4)},
    {"128-byte Atari 7800 A78 header", 128, 1, "ATARI7800"},
    {"64-byte Lynx LNX header", 64, 0, "LYNX"},
};

void AddHeaderViews(std::vector<ViewPlan>& views, std::span<const std::uint8_t> file) {
    const std::uint64_t n = file.size();
    for (const AddedHeader& header : kAddedHeaders) {
        if (n <= header.size) continue;
        const bool fits = header.magic.empty() ? n % 1024 == header.size
                                               : std::memcmp(file.data() + header.magicAt, header.magic.data(),
                                                             header.magic.size()) == 0;
        if (!fits) continue;
        views.push_back({std::string("after removing a ") + header.name, "header removed", ViewKind::Part, header.size,
                         1, 1, n - header.size});
    }
}

// The N64 byte order of a file's first word: z64 (big-endian, as the console reads it), v64
// (16-bit words byte-swapped) or n64 (32-bit words byte-reversed); nullptr for any other file.
[[nodiscard]] const char* N64Order(std::span<const std::uint8_t> file) {
    // Static: GCC 12 at -O3 loses the match against a table built on the stack (N64Order of a v64
    // image gave nullptr).
    static constexpr std::array<std::pair<std::array<std::uint8_t, 4>, const char*>, 3> kOrders = {{
        {{0x80, 0x37, 0x12, 0x40}, "z64"},
        {{0x37, 0x80, 0x40, 0x12}, "v64"},
        {{0x40, 0x12, 0x37, 0x80}, "n64"},
    }};
    if (file.size() < 4) return nullptr;
    for (const auto& [magic, name] : kOrders) {
        if (std::memcmp(file.data(), magic.data(), 4) == 0) return name;
    }
    return nullptr;
}

// The view's name, with the N64 byte orders it converts between when it takes an N64 image to
// another of the three (a 16-bit swap between z64 and v64, a 32-bit one between z64 and n64).
[[nodiscard]] std::string SwapName(const char* name, const char* from, std::uint32_t width) {
    if (from == nullptr) return name;
    const std::string_view f(from), other = width == 2 ? "v64" : "n64";
    if (f != "z64" && f != other) return name;
    return std::string(name) + ": N64 " + from + " to " + std::string(f == "z64" ? other : "z64") + " byte order";
}

// Chips are trimmed only when they are large enough to have a tail worth cutting; a file under
// 1 KiB (a PROM, a fragment) is taken as it is.
constexpr std::uint64_t kSmallestTrimmed = 1024;

void AddPaddedViews(std::vector<ViewPlan>& views, std::uint64_t n) {
    if (n < kSmallestTrimmed || std::has_single_bit(n)) return;
    const std::uint64_t size = std::bit_ceil(n);
    for (const std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
        views.push_back({"padded to " + SizeText(size) + (fill ? " with FF" : " with 00"), "padded", ViewKind::Padded,
                         0, 1, 1, size, fill});
    }
}

}  // namespace

std::vector<ViewPlan> ViewsOf(std::span<const std::uint8_t> file) {
    const std::uint64_t n = file.size();
    std::vector<std::uint64_t> trimmedSizes;
    if (const std::uint64_t period = RepeatPeriodOf(file); period != 0) {
        for (std::uint64_t d = period; d < n; d += period) {
            if (n % d == 0) trimmedSizes.push_back(d);
        }
    }
    std::vector<ViewPlan> views;
    views.push_back({"whole", "whole", ViewKind::Part, 0, 1, 1, n});
    AddParts(views, n, 2, "half", "halves", trimmedSizes);
    AddParts(views, n, 4, "quarter", "quarters", trimmedSizes);
    if (n % 2 == 0 && n >= 2) {
        views.push_back({"odd bytes", "odd and even bytes", ViewKind::Lanes, 0, 1, 2, n / 2});
        views.push_back({"even bytes", "odd and even bytes", ViewKind::Lanes, 1, 1, 2, n / 2});
    }
    if (n % 4 == 0 && n >= 4) {
        for (std::uint32_t lane = 0; lane < 4; ++lane) {
            views.push_back({"byte lane " + std::to_string(lane) + " of 4", "byte lanes of a 32-bit bus",
                             ViewKind::Lanes, lane, 1, 4, n / 4});
        }
        for (std::uint32_t lane = 0; lane < 2; ++lane) {
            views.push_back({"16-bit lane " + std::to_string(lane) + " of 2", "16-bit lanes of a 32-bit bus",
                             ViewKind::Lanes, std::uint64_t{2} * lane, 2, 4, n / 2});
        }
    }
    const char* n64 = N64Order(file);
    if (n % 2 == 0 && n >= 2) {
        views.push_back({SwapName("16-bit byte swap", n64, 2), "16-bit byte swap", ViewKind::Swap, 0, 2, 2, n});
    }
    if (n % 4 == 0 && n >= 4) {
        views.push_back({SwapName("32-bit byte swap", n64, 4), "32-bit byte swap", ViewKind::Swap, 0, 4, 4, n});
    }
    if (n >= 1) views.push_back({"inverted", "inverted", ViewKind::Inverted, 0, 1, 1, n});
    for (const std::uint64_t d : trimmedSizes) {
        views.push_back(
            {"trimmed to 1 of " + std::to_string(n / d) + " copies", "trimmed", ViewKind::Part, 0, 1, 1, d});
    }
    AddHeaderViews(views, file);
    AddPaddedViews(views, n);
    return views;
}

void FillView(std::span<const std::uint8_t> file, const ViewPlan& view, std::uint64_t from,
              std::span<std::uint8_t> out) {
    switch (view.kind) {
        case ViewKind::Part: std::memcpy(out.data(), file.data() + view.offset + from, out.size()); return;
        case ViewKind::Lanes: FillLanes(file.data(), view, from, out); return;
        case ViewKind::Swap: FillSwap(file.data() + from, view.width, out); return;
        case ViewKind::Inverted:
            std::memcpy(out.data(), file.data() + from, out.size());
            XorEachByte(out, 0xFF);
            return;
        case ViewKind::Padded: {
            const std::size_t have = from < file.size() ? std::min<std::size_t>(out.size(), file.size() - from) : 0;
            if (have != 0) std::memcpy(out.data(), file.data() + from, have);
            std::memset(out.data() + have, view.fill, out.size() - have);
            return;
        }
    }
}

std::uint32_t ViewCrc(std::span<const std::uint8_t> file, const ViewPlan& view) {
    if (view.kind == ViewKind::Part) return Crc32(file.subspan(view.offset, view.size));
    std::array<std::uint8_t, kViewChunk> chunk;
    std::uint32_t crc = 0;
    for (std::uint64_t from = 0; from < view.size; from += kViewChunk) {
        const std::span<std::uint8_t> out(chunk.data(), std::min<std::uint64_t>(kViewChunk, view.size - from));
        FillView(file, view, from, out);
        crc = Crc32(out, crc);
    }
    return crc;
}

ViewBytes MaterializeView(std::span<const std::uint8_t> file, const ViewPlan& view) {
    ViewBytes result;
    if (view.kind == ViewKind::Part) {
        result.bytes = file.subspan(view.offset, view.size);
        return result;
    }
    result.owned.resize(view.size);
    FillView(file, view, 0, result.owned);
    result.bytes = result.owned;
    return result;
}

std::uint64_t FileOffsetOf(const ViewPlan& view, std::uint64_t at) {
    return view.offset + at / view.width * view.stride + at % view.width;
}

bool IsPiece(const ViewPlan& view) { return view.kind == ViewKind::Part && view.family != "whole"; }

std::vector<ViewPlan> ChecksumViewPlans(std::uint64_t n, bool quarters) {
    std::vector<ViewPlan> plans{{"whole", "whole", ViewKind::Part, 0, 1, 1, n}};
    const bool even = n != 0 && n % 2 == 0;
    const bool byFour = n != 0 && n % 4 == 0;
    const auto addParts = [&](std::uint32_t count, const char* noun, const char* family) {
        for (std::uint32_t i = 0; i < count; ++i) {
            plans.push_back({std::string(noun) + " " + std::to_string(i + 1) + " of " + std::to_string(count), family,
                             ViewKind::Part, i * (n / count), 1, 1, n / count});
        }
    };
    if (even) addParts(2, "half", "halves");
    if (byFour && quarters) addParts(4, "quarter", "quarters");
    if (even) {
        plans.push_back({"odd bytes", "odd and even bytes", ViewKind::Lanes, 0, 1, 2, n / 2});
        plans.push_back({"even bytes", "odd and even bytes", ViewKind::Lanes, 1, 1, 2, n / 2});
    }
    if (byFour) {
        for (std::uint32_t lane = 0; lane < 4; ++lane) {
            plans.push_back({"byte lane " + std::to_string(lane + 1) + " of 4", "byte lanes of a 32-bit bus",
                             ViewKind::Lanes, lane, 1, 4, n / 4});
        }
    }
    return plans;
}

std::vector<View> ChecksumViewsOf(std::span<const std::uint8_t> file, bool quarters) {
    std::vector<ViewPlan> plans = ChecksumViewPlans(file.size(), quarters);
    std::vector<View> views(plans.size());
    for (std::size_t v = 0; v < plans.size(); ++v) {
        static_cast<ViewBytes&>(views[v]) = MaterializeView(file, plans[v]);
        if (!views[v].owned.empty()) views[v].bytes = views[v].owned;
        views[v].plan = std::move(plans[v]);
    }
    return views;
}

}  // namespace vesperine
