// Building the views of a dump, and reading their bytes without copying more than a chunk.
#include "dat/views.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "analysis/crc32.h"

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

// The loops below are written so that the compiler vectorises them: fixed strides and widths,
// whole words loaded and stored through memcpy.
template <std::size_t Stride>
void TakeBytes(const std::uint8_t* source, std::span<std::uint8_t> out) {
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = source[i * Stride];
}

void TakeWords(const std::uint8_t* source, std::span<std::uint8_t> out) {
    for (std::size_t i = 0; i + 2 <= out.size(); i += 2) std::memcpy(&out[i], source + 2 * i, 2);
}

void FillLanes(const std::uint8_t* file, const ViewSpec& view, std::uint64_t from, std::span<std::uint8_t> out) {
    const std::uint8_t* source = file + from / view.width * view.stride + view.offset;
    if (view.width == 1 && view.stride == 2) return TakeBytes<2>(source, out);
    if (view.width == 1 && view.stride == 4) return TakeBytes<4>(source, out);
    if (view.width == 2 && view.stride == 4) return TakeWords(source, out);
    const std::size_t groups = out.size() / view.width;
    for (std::size_t i = 0; i < groups; ++i) std::memcpy(&out[i * view.width], source + i * view.stride, view.width);
}

void FillSwap(const std::uint8_t* source, std::uint32_t width, std::span<std::uint8_t> out) {
    if (width == 2) {
        for (std::size_t i = 0; i + 2 <= out.size(); i += 2) {
            std::uint16_t word;
            std::memcpy(&word, source + i, 2);
            word = static_cast<std::uint16_t>(word << 8 | word >> 8);
            std::memcpy(&out[i], &word, 2);
        }
        return;
    }
    for (std::size_t i = 0; i + 4 <= out.size(); i += 4) {
        std::uint32_t word;
        std::memcpy(&word, source + i, 4);
        word = word >> 24 | (word >> 8 & 0xFF00u) | (word << 8 & 0xFF0000u) | word << 24;
        std::memcpy(&out[i], &word, 4);
    }
}

}  // namespace

std::uint64_t OverdumpPeriod(std::span<const std::uint8_t> file) {
    // Periods are divisors of the length: found in pairs below its square root, then tried
    // from the smallest. A wrong one usually fails at its first bytes.
    const std::uint64_t n = file.size();
    std::vector<std::uint64_t> divisors;
    for (std::uint64_t p = 1; p * p <= n; ++p) {
        if (n % p != 0) continue;
        divisors.push_back(p);
        if (p * p != n) divisors.push_back(n / p);
    }
    std::sort(divisors.begin(), divisors.end());
    for (const std::uint64_t p : divisors) {
        if (p < n && std::memcmp(file.data(), file.data() + p, n - p) == 0) return p;
    }
    return 0;
}

std::vector<ViewSpec> ViewsOf(std::span<const std::uint8_t> file) {
    const std::uint64_t n = file.size();
    std::vector<std::uint64_t> trimmedSizes;
    if (const std::uint64_t period = OverdumpPeriod(file); period != 0) {
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
            for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(file[from + i] ^ 0xFFu);
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
