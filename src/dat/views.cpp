// Building the views of a dump, and reading their bytes without copying more than a chunk.
#include "dat/views.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "analysis/crc32.h"
#include "analysis/lanes.h"
#include "analysis/repeat_period.h"
#include "analysis/transforms.h"

namespace vesperine::dat {
namespace {

// A multiple of every view width, so that chunk boundaries never split a group.
constexpr std::size_t kViewChunk = std::size_t{64} << 10;

void AddParts(std::vector<ViewSpec>& views, std::uint64_t length, std::uint32_t count, const char* noun,
              const char* family, const std::vector<std::uint64_t>& trimmedSizes) {
    if (length % count != 0 || length < count) return;
    const std::uint64_t size = length / count;
    if (std::find(trimmedSizes.begin(), trimmedSizes.end(), size) != trimmedSizes.end()) return;
    for (std::uint32_t i = 0; i < count; ++i) {
        views.push_back({std::string(noun) + " " + std::to_string(i + 1) + " of " + std::to_string(count), family,
                         ViewKind::Part, i * size, 1, 1, size});
    }
}

void FillLanes(const std::uint8_t* file, const ViewSpec& view, std::uint64_t from, std::span<std::uint8_t> out) {
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

}  // namespace

std::vector<ViewSpec> ViewsOf(std::span<const std::uint8_t> file) {
    const std::uint64_t n = file.size();
    std::vector<std::uint64_t> trimmedSizes;
    if (const std::uint64_t period = RepeatPeriodOf(file); period != 0) {
        for (std::uint64_t d = period; d < n; d += period) {
            if (n % d == 0) trimmedSizes.push_back(d);
        }
    }
    std::vector<ViewSpec> views;
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
                             ViewKind::Lanes, 2u * lane, 2, 4, n / 2});
        }
    }
    if (n % 2 == 0 && n >= 2) views.push_back({"16-bit byte swap", "16-bit byte swap", ViewKind::Swap, 0, 2, 2, n});
    if (n % 4 == 0 && n >= 4) views.push_back({"32-bit byte swap", "32-bit byte swap", ViewKind::Swap, 0, 4, 4, n});
    if (n >= 1) views.push_back({"inverted", "inverted", ViewKind::Inverted, 0, 1, 1, n});
    for (const std::uint64_t d : trimmedSizes) {
        views.push_back(
            {"trimmed to 1 of " + std::to_string(n / d) + " copies", "trimmed", ViewKind::Part, 0, 1, 1, d});
    }
    return views;
}

void FillView(std::span<const std::uint8_t> file, const ViewSpec& view, std::uint64_t from,
              std::span<std::uint8_t> out) {
    switch (view.kind) {
        case ViewKind::Part: std::memcpy(out.data(), file.data() + view.offset + from, out.size()); return;
        case ViewKind::Lanes: FillLanes(file.data(), view, from, out); return;
        case ViewKind::Swap: FillSwap(file.data() + from, view.width, out); return;
        case ViewKind::Inverted:
            std::memcpy(out.data(), file.data() + from, out.size());
            XorEachByte(out, 0xFF);
            return;
    }
}

std::uint32_t ViewCrc(std::span<const std::uint8_t> file, const ViewSpec& view) {
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

ViewBytes MaterializeView(std::span<const std::uint8_t> file, const ViewSpec& view) {
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

}  // namespace vesperine::dat
