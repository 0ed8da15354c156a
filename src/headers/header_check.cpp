// Finding an image's system across copier headers and byte orders, and checking or fixing its sums.
#include "headers/header_check.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "headers/systems.h"

namespace vesperine::headers {
namespace detail {

std::span<const System> Systems() {
    // Ties in score go to the earlier entry.
    static const System kSystems[] = {Nintendo64(), GameBoyAdvance(), GameBoy(),    MegaDrive(),
                                      SnesLoRom(),  SnesHiRom(),      WilliamsWpc()};
    return kSystems;
}

std::uint32_t ReadBe(std::span<const std::uint8_t> bytes, std::uint64_t offset, unsigned width) {
    std::uint32_t value = 0;
    for (unsigned i = 0; i < width; ++i) value = value << 8 | bytes[offset + i];
    return value;
}

std::uint32_t ReadLe(std::span<const std::uint8_t> bytes, std::uint64_t offset, unsigned width) {
    std::uint32_t value = 0;
    for (unsigned i = width; i-- > 0;) value = value << 8 | bytes[offset + i];
    return value;
}

void WriteBe(std::span<std::uint8_t> bytes, std::uint64_t offset, unsigned width, std::uint32_t value) {
    for (unsigned i = width; i-- > 0; value >>= 8) bytes[offset + i] = static_cast<std::uint8_t>(value);
}

void WriteLe(std::span<std::uint8_t> bytes, std::uint64_t offset, unsigned width, std::uint32_t value) {
    for (unsigned i = 0; i < width; ++i, value >>= 8) bytes[offset + i] = static_cast<std::uint8_t>(value);
}

std::uint16_t ByteSum16(std::span<const std::uint8_t> bytes) {
    // A 64-bit total cannot overflow for any image; only its low 16 bits are the sum.
    std::uint64_t total = 0;
    for (const std::uint8_t b : bytes) total += b;
    return static_cast<std::uint16_t>(total);
}

}  // namespace detail

namespace {

using detail::ByteOrder;
using detail::System;

constexpr std::uint64_t kCopierHeader = 512;

// Swaps each 16-bit word or reverses each 32-bit word; both are their own inverse, so the same
// call takes a file to the system's order and back. Bytes past the last whole word stay.
void Reorder(std::span<std::uint8_t> bytes, ByteOrder order) {
    if (order == ByteOrder::Swap16) {
        for (std::size_t i = 0; i + 2 <= bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
    } else if (order == ByteOrder::Swap32) {
        for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
            std::swap(bytes[i], bytes[i + 3]);
            std::swap(bytes[i + 1], bytes[i + 2]);
        }
    }
}

// Where an image of a system starts in the file and how its words are ordered.
struct Found {
    const System* system = nullptr;
    std::uint64_t skip = 0;
    ByteOrder order = ByteOrder::Native;
};

[[nodiscard]] std::optional<Found> FindSystem(std::span<const std::uint8_t> file) {
    std::optional<Found> best;
    int bestScore = 0;
    auto consider = [&](const System& system, std::uint64_t skip, ByteOrder order,
                        std::span<const std::uint8_t> image) {
        const int score = system.recognise(image);
        if (score > bestScore) {
            bestScore = score;
            best = Found{&system, skip, order};
        }
    };
    for (const System& system : detail::Systems()) {
        const ByteOrder order = system.order ? system.order(file) : ByteOrder::Native;
        if (order != ByteOrder::Native) {
            // Recognisers read the header only: a reordered copy of its first 4 KiB is enough.
            std::vector<std::uint8_t> head(file.begin(), file.begin() + std::min<std::size_t>(file.size(), 0x1000));
            Reorder(head, order);
            consider(system, 0, order, head);
            continue;
        }
        consider(system, 0, order, file);
        if (system.copierHeader && file.size() % 1024 == kCopierHeader) {
            consider(system, kCopierHeader, order, file.subspan(kCopierHeader));
        }
    }
    return best;
}

[[nodiscard]] std::string LayoutText(const Found& found) {
    if (found.skip != 0) return "with a " + std::to_string(found.skip) + "-byte copier header";
    switch (found.order) {
        case ByteOrder::Swap16: return "in v64 byte order (16-bit words byte-swapped)";
        case ByteOrder::Swap32: return "in n64 byte order (32-bit words byte-reversed)";
        case ByteOrder::Native: break;
    }
    return "";
}

// The file's bytes with the image in the system's own order (a copy only when reordered).
struct SystemView {
    std::vector<std::uint8_t> owned;
    std::span<const std::uint8_t> image;
};

[[nodiscard]] SystemView ViewFor(std::span<const std::uint8_t> file, const Found& found) {
    SystemView view;
    if (found.order == ByteOrder::Native) {
        view.image = file.subspan(found.skip);
        return view;
    }
    view.owned.assign(file.begin() + static_cast<std::ptrdiff_t>(found.skip), file.end());
    Reorder(view.owned, found.order);
    view.image = view.owned;
    return view;
}

[[nodiscard]] HeaderReport ReportFor(const Found& found, detail::Checked checked) {
    HeaderReport report;
    report.system = std::move(checked.system);
    report.layout = LayoutText(found);
    report.fields = std::move(checked.fields);
    for (FieldCheck& field : report.fields) field.offset += found.skip;
    report.problem = std::move(checked.problem);
    report.notes = std::move(checked.notes);
    if (found.skip != 0) report.notes.push_back("the copier header is no part of the image and is not summed");
    return report;
}

}  // namespace

bool HeaderReport::good() const {
    return known() && problem.empty() &&
           std::all_of(fields.begin(), fields.end(), [](const FieldCheck& f) { return f.good(); });
}

std::vector<std::string> SystemNames() {
    std::vector<std::string> names;
    for (const System& system : detail::Systems()) {
        if (std::find(names.begin(), names.end(), system.name) == names.end()) names.emplace_back(system.name);
    }
    return names;
}

HeaderReport CheckHeader(std::span<const std::uint8_t> image) {
    const std::optional<Found> found = FindSystem(image);
    if (!found) return {};
    const SystemView view = ViewFor(image, *found);
    return ReportFor(*found, found->system->check(view.image));
}

FixResult FixHeader(std::span<const std::uint8_t> image) {
    FixResult result;
    const std::optional<Found> found = FindSystem(image);
    if (!found) {
        result.refusal = "the image is of no known system";
        return result;
    }
    const SystemView view = ViewFor(image, *found);
    const detail::Checked before = found->system->check(view.image);
    if (!before.problem.empty()) {
        result.refusal = before.problem;
        return result;
    }
    std::vector<std::uint8_t> bytes(image.begin(), image.end());
    if (std::all_of(before.fields.begin(), before.fields.end(), [](const FieldCheck& f) { return f.good(); })) {
        result.after = CheckHeader(bytes);
        result.bytes = std::move(bytes);
        return result;
    }
    const std::span<std::uint8_t> systemImage = std::span(bytes).subspan(found->skip);
    Reorder(systemImage, found->order);
    found->system->fix(systemImage);
    Reorder(systemImage, found->order);
    result.after = CheckHeader(bytes);
    if (!result.after.good() || result.after.system != before.system) {
        result.refusal = "the corrected image does not check good; nothing is given";
        return result;
    }
    result.bytes = std::move(bytes);
    return result;
}

}  // namespace vesperine::headers
