// Finding an image's system across copier headers and byte orders, and checking or fixing its sums.
#include "headers/header_check.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>

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

std::string HexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) {
        if (!text.empty()) text.push_back(' ');
        AppendHexByte(text, b);
    }
    return text;
}
std::uint16_t ByteSum16(std::span<const std::uint8_t> bytes, const PassMeter& meter) {
    // A 64-bit total cannot overflow for any image; only its low 16 bits are the sum.
    std::uint64_t total = 0;
    for (std::size_t at = 0; at < bytes.size(); at += kPollBytes) {
        const std::size_t end = std::min<std::size_t>(bytes.size(), at + kPollBytes);
        for (std::size_t i = at; i < end; ++i) total += bytes[i];
        if (meter.Tick(end)) break;
    }
    return static_cast<std::uint16_t>(total);
}

}  // namespace detail

namespace {

using detail::ByteOrder;
using detail::System;

constexpr std::uint64_t kCopierHeader = 512;

// Swaps each 16-bit word or reverses each 32-bit word; both are their own inverse, so the same
// call takes a file to the system's order and back. Bytes past the last whole word stay.
void ReorderPart(std::span<std::uint8_t> bytes, ByteOrder order) {
    if (order == ByteOrder::Swap16) {
        for (std::size_t i = 0; i + 2 <= bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
    } else if (order == ByteOrder::Swap32) {
        for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
            std::swap(bytes[i], bytes[i + 3]);
            std::swap(bytes[i + 1], bytes[i + 2]);
        }
    }
}

// Reorder a chunk at a time (kPollBytes is a whole number of words), ticking the meter over the
// bytes' length.
void Reorder(std::span<std::uint8_t> bytes, ByteOrder order, const PassMeter& meter = {}) {
    if (order == ByteOrder::Native) return;
    for (std::size_t at = 0; at < bytes.size(); at += kPollBytes) {
        const std::size_t end = std::min<std::size_t>(bytes.size(), at + kPollBytes);
        ReorderPart(bytes.subspan(at, end - at), order);
        if (meter.Tick(end)) return;
    }
}

// A copy of bytes taken a chunk at a time, so that its page faults fall between ticks.
[[nodiscard]] std::vector<std::uint8_t> CopyOf(std::span<const std::uint8_t> bytes, const PassMeter& meter) {
    std::vector<std::uint8_t> copy;
    copy.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size(); at += kPollBytes) {
        const std::size_t end = std::min<std::size_t>(bytes.size(), at + kPollBytes);
        copy.insert(copy.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                    bytes.begin() + static_cast<std::ptrdiff_t>(end));
        if (meter.Tick(end)) break;
    }
    return copy;
}

// Where an image of a system starts in the file and how its words are ordered.
// The score of a recogniser that has no magic value to go by, only a plausible shape.
constexpr int kWeakSign = 1;

struct Found {
    const System* system = nullptr;
    std::uint64_t skip = 0;
    ByteOrder order = ByteOrder::Native;
    int score = 0;  // the recogniser's: 1 is a weak sign only, 10 a magic value
};

[[nodiscard]] std::optional<Found> FindSystem(std::span<const std::uint8_t> file) {
    std::optional<Found> best;
    int bestScore = 0;
    auto consider = [&](const System& system, std::uint64_t skip, ByteOrder order,
                        std::span<const std::uint8_t> image) {
        const int score = system.recognise(image);
        if (score > bestScore) {
            bestScore = score;
            best = Found{&system, skip, order, score};
        }
    };
    for (const System& system : detail::Systems()) {
        const ByteOrder order = system.order ? system.order(file) : ByteOrder::Native;
        if (order != ByteOrder::Native) {
            // Recognisers read the header only: a reordered copy of its first 4 KiB is enough.
            std::vector<std::uint8_t> head(file.begin(), file.begin() + std::min<std::size_t>(file.size(), 0x1000));
            ReorderPart(head, order);
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

// Where a stated system's image lies: the byte order its first word shows, and past a copier
// header when the length says there is one, unless the header sits better at 0.
[[nodiscard]] Found PlaceStated(std::span<const std::uint8_t> file, const System& system) {
    Found found{&system, 0, system.order ? system.order(file) : ByteOrder::Native};
    if (found.order == ByteOrder::Native && system.copierHeader && file.size() % 1024 == kCopierHeader &&
        system.recognise(file.subspan(kCopierHeader)) >= system.recognise(file)) {
        found.skip = kCopierHeader;
    }
    return found;
}

[[nodiscard]] const System* SystemByCode(std::string_view code) {
    for (const System& system : detail::Systems()) {
        if (code == system.code) return &system;
    }
    return nullptr;
}

[[nodiscard]] std::string CodeList() {
    std::string codes;
    for (const std::string& code : SystemCodes()) codes += (codes.empty() ? "" : ", ") + code;
    return codes;
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

// The meter sees the copy and the reordering as one pass over the file.
[[nodiscard]] SystemView ViewFor(std::span<const std::uint8_t> file, const Found& found, const PassMeter& meter) {
    SystemView view;
    if (found.order == ByteOrder::Native) {
        view.image = file.subspan(found.skip);
        return view;
    }
    const std::uint64_t n = file.size();
    view.owned = CopyOf(file.subspan(found.skip), meter.Part(0, n / 2, n - found.skip));
    Reorder(view.owned, found.order, meter.Part(n / 2, n, view.owned.size()));
    view.image = view.owned;
    return view;
}

[[nodiscard]] HeaderReport ReportFor(const Found& found, detail::Checked checked, const detail::Marks& marks,
                                     bool given) {
    HeaderReport report;
    report.system = std::move(checked.system);
    report.layout = LayoutText(found);
    report.fields = std::move(checked.fields);
    for (FieldCheck& field : report.fields) field.offset += found.skip;
    report.problem = std::move(checked.problem);
    report.statedBy = std::move(checked.statedBy);
    report.notes = std::move(checked.notes);
    report.systemGiven = given;
    report.recognition = marks.evidence;
    report.doubtful = marks.doubtful && !given;
    if (found.skip != 0) report.notes.push_back("the copier header is no part of the image and is not summed");
    return report;
}

// The report for the system found or stated; the checker runs only on an image long enough for it.
// The meter sees two passes over the file: the view (a copy for another byte order), the sums.
[[nodiscard]] HeaderReport CheckFound(std::span<const std::uint8_t> file, const Found& found, const Stated& stated,
                                      const PassMeter& meter) {
    const std::uint64_t n = file.size();
    const SystemView view = ViewFor(file, found, meter.Part(0, n, n));
    const System& system = *found.system;
    if (view.image.size() < system.minimum) {
        detail::Checked checked{system.name, {}, {}, {}, {}};
        checked.problem = "the image has " + SizeText(view.image.size(), detail::kHeaderSize) + ", fewer than the " +
                          SizeText(system.minimum, detail::kHeaderSize) + " a " + system.name + " header needs";
        return ReportFor(found, std::move(checked), {}, !stated.system.empty());
    }
    return ReportFor(found, system.check(view.image, stated.cic, meter.Part(n, 2 * n, view.image.size())),
                     system.marks(view.image), !stated.system.empty());
}

}  // namespace

bool HeaderReport::good() const {
    return known() && problem.empty() &&
           std::all_of(fields.begin(), fields.end(), [](const FieldCheck& f) { return f.good(); });
}

const char* HeaderReport::verdict() const {
    if (!known()) return "no known system";
    if (!problem.empty()) return "unverifiable";
    return good() ? "good" : "bad";
}

std::vector<std::string> SystemNames() {
    std::vector<std::string> names;
    for (const System& system : detail::Systems()) {
        if (std::find(names.begin(), names.end(), system.name) == names.end()) names.emplace_back(system.name);
    }
    return names;
}

std::vector<std::string> SystemCodes() {
    std::vector<std::string> codes;
    for (const System& system : detail::Systems()) codes.emplace_back(system.code);
    return codes;
}

std::vector<std::string> CicNames() { return detail::Nintendo64CicNames(); }

bool IsCicName(std::string_view name) { return detail::IsNintendo64Cic(name); }

namespace {

// CheckHeader, metered as CheckFound's two passes over the image.
[[nodiscard]] HeaderReport CheckMetered(std::span<const std::uint8_t> image, const Stated& stated,
                                        const PassMeter& meter) {
    if (!stated.system.empty()) {
        const System* system = SystemByCode(stated.system);
        if (!system) {
            HeaderReport report;
            report.problem = "no system is called " + stated.system + " (known: " + CodeList() + ")";
            return report;
        }
        HeaderReport report = CheckFound(image, PlaceStated(image, *system), stated, meter);
        const std::optional<Found> recognised = FindSystem(image);
        if (recognised && recognised->system != system) {
            report.notes.push_back(std::string("its marks are those of ") + recognised->system->name +
                                   ", not of the system given");
        }
        return report;
    }
    const std::optional<Found> found = FindSystem(image);
    if (!found) {
        HeaderReport report;
        report.statedBy = "--system NAME (" + CodeList() + ")";
        return report;
    }
    return CheckFound(image, *found, stated, meter);
}

// FixHeader, metered as six passes over the image: the check before (two), the copy, the fix (the
// reordering there and back and the sums between), the check after (two). A result broken off
// means nothing.
[[nodiscard]] FixResult FixMetered(std::span<const std::uint8_t> image, const Stated& stated, const PassMeter& meter) {
    FixResult result;
    const std::uint64_t n = image.size();
    const HeaderReport before = CheckMetered(image, stated, meter.Part(0, 2 * n, 2 * n));
    if (meter.BrokenOff()) return result;
    if (!before.known()) {
        result.refusal = before.problem.empty() ? "the image is of no known system" : before.problem;
        result.statedBy = before.statedBy;
        return result;
    }
    if (!before.problem.empty()) {
        result.refusal = before.problem;
        result.statedBy = before.statedBy;
        return result;
    }
    if (before.doubtful) {
        result.refusal = "the image is recognised as " + before.system +
                         " only by marks that differ from its own: " + before.recognition;
        const std::optional<Found> found = FindSystem(image);
        result.statedBy = std::string("--system ") + (found ? found->system->code : "NAME");
        return result;
    }
    std::vector<std::uint8_t> bytes = CopyOf(image, meter.Part(2 * n, 3 * n, n));
    if (before.good()) {
        result.after = before;
        result.bytes = std::move(bytes);
        return result;
    }
    const Found found = stated.system.empty() ? *FindSystem(image) : PlaceStated(image, *SystemByCode(stated.system));
    // A system known by a weak sign alone (WPC's sizes and vectors, which about 1 in 128 images of
    // those sizes show) is confirmed only by its sum holding: with the sum wrong, it is a guess.
    if (stated.system.empty() && found.score <= kWeakSign) {
        result.refusal = "the image is recognised as " + before.system + " only by " + before.recognition +
                         ", a weak sign, and its checksum does not hold";
        result.statedBy = std::string("--system ") + found.system->code;
        return result;
    }
    const std::span<std::uint8_t> systemImage = std::span(bytes).subspan(found.skip);
    const std::uint64_t m = systemImage.size();
    const PassMeter fixing = meter.Part(3 * n, 4 * n, 3 * m);
    Reorder(systemImage, found.order, fixing.Part(0, m, m));
    found.system->fix(systemImage, stated.cic, fixing.Part(m, 2 * m, m));
    Reorder(systemImage, found.order, fixing.Part(2 * m, 3 * m, m));
    if (meter.BrokenOff()) return result;
    result.after = CheckMetered(bytes, stated, meter.Part(4 * n, 6 * n, 2 * n));
    if (!result.after.good() || result.after.system != before.system) {
        result.refusal = "the corrected image does not check good; nothing is given";
        return result;
    }
    result.bytes = std::move(bytes);
    return result;
}

}  // namespace

HeaderReport CheckHeader(std::span<const std::uint8_t> image, const Stated& stated) {
    return CheckMetered(image, stated, {});
}

std::optional<HeaderReport> CheckHeader(std::span<const std::uint8_t> image, const Stated& stated,
                                        const WorkPoll& poll) {
    WorkMeter meter(poll, 2 * image.size());
    HeaderReport report = CheckMetered(image, stated, PassMeter(&meter, 0, meter.Total(), meter.Total()));
    if (meter.BrokenOff()) return std::nullopt;
    return report;
}

FixResult FixHeader(std::span<const std::uint8_t> image, const Stated& stated) { return FixMetered(image, stated, {}); }

std::optional<FixResult> FixHeader(std::span<const std::uint8_t> image, const Stated& stated, const WorkPoll& poll) {
    WorkMeter meter(poll, 6 * image.size());
    FixResult result = FixMetered(image, stated, PassMeter(&meter, 0, meter.Total(), meter.Total()));
    if (meter.BrokenOff()) return std::nullopt;
    return result;
}

}  // namespace vesperine::headers
