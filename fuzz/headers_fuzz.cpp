// libFuzzer target: header checks on any bytes, and fixes that change only the sums they report.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "headers/header_check.h"

namespace {

using vesperine::headers::CheckHeader;
using vesperine::headers::FixHeader;
using vesperine::headers::HeaderReport;
using vesperine::headers::Stated;

using Bytes = std::vector<std::uint8_t>;

void Require(bool holds) {
    if (!holds) __builtin_trap();
}

constexpr std::array<std::uint8_t, 48> kGameBoyLogo = {
    0xCE, 0xED, 0x66, 0x66, 0xCC, 0x0D, 0x00, 0x0B, 0x03, 0x73, 0x00, 0x83, 0x00, 0x0C, 0x00, 0x0D,
    0x00, 0x08, 0x11, 0x1F, 0x88, 0x89, 0x00, 0x0E, 0xDC, 0xCC, 0x6E, 0xE6, 0xDD, 0xDD, 0xD9, 0x99,
    0xBB, 0xBB, 0x67, 0x63, 0x6E, 0x0E, 0xEC, 0xCC, 0xDD, 0xDC, 0x99, 0x9F, 0xBB, 0xB9, 0x33, 0x3E};

enum Shape : unsigned { kRaw, kMegaDrive, kGameBoy, kAdvance, kN64, kLoRom, kHiRom, kWpc };

// The image's length for a shape: at least what its system reads, and a spread above that which
// reaches odd lengths, mirrored SNES sizes, every WPC size and (for the N64) the 1 MiB its CRCs
// cover.
std::size_t LengthFor(unsigned shape, unsigned pick, std::uint8_t flags, bool copier) {
    constexpr std::array<std::size_t, 4> kWpcSizes = {128u << 10, 256u << 10, 512u << 10, 1024u << 10};
    switch (shape) {
        case kMegaDrive: return 0x200 + pick % 0x2000;
        case kGameBoy: return 0x150 + pick % 0x8000;
        case kAdvance: return 0xC0 + pick % 0x2000;
        // A full N64 image costs some twenty 1 MiB passes (every chip's sum, for a boot code of
        // no known chip, before and after the fix): only with flags Ax and pick a multiple of 16.
        case kN64: return (flags & 0xF0) == 0xA0 && pick % 16 == 0 ? 0x101000 + pick / 16 % 8 : 0x1000 + pick % 64;
        case kLoRom: return (copier ? 512 : 0) + (0x8000 + pick % 0x18000) / (copier ? 1024 : 1) * (copier ? 1024 : 1);
        case kHiRom: return (copier ? 512 : 0) + (0x10000 + pick % 0x30000) / (copier ? 1024 : 1) * (copier ? 1024 : 1);
        case kWpc: return kWpcSizes[pick % 16 == 0 ? pick / 16 % 4 : 0];
        default: return 0;
    }
}

// A plausible SNES header at base: a title of printable bytes, a map mode of the layout, and
// (as the flags say) a ROM size byte and a checksum whose complement is its XOR with FFFF.
void PlantSnes(Bytes& image, std::size_t base, bool hiRom, std::uint8_t flags) {
    for (std::size_t i = 0; i < 21; ++i) image[base + i] = static_cast<std::uint8_t>(0x20 + image[base + i] % 0x5F);
    const std::uint8_t mode = image[base + 0x15];
    image[base + 0x15] = static_cast<std::uint8_t>(hiRom        ? 0x21 | (mode & 0x14)
                                                   : (mode & 1) ? 0x23
                                                                : 0x20 | (mode & 0x12));
    if (flags & 0x01) image[base + 0x17] = static_cast<std::uint8_t>(0x07 + image[base + 0x17] % 7);
    if (flags & 0x02) {
        image[base + 0x1C] = static_cast<std::uint8_t>(~image[base + 0x1E]);
        image[base + 0x1D] = static_cast<std::uint8_t>(~image[base + 0x1F]);
    }
}

// The magic values of the shape's system at their offsets; the N64's in the byte order flags say.
void Plant(Bytes& image, unsigned shape, std::uint8_t flags, bool copier) {
    const std::size_t n = image.size();
    const std::size_t skip = copier ? 512 : 0;
    switch (shape) {
        case kMegaDrive: std::copy_n("SEGA", 4, image.begin() + 0x100); break;
        case kGameBoy: std::copy(kGameBoyLogo.begin(), kGameBoyLogo.end(), image.begin() + 0x104); break;
        case kAdvance:
            image[0xB2] = 0x96;
            image[3] = 0xEA;
            break;
        case kN64: {
            constexpr std::array<std::array<std::uint8_t, 4>, 3> kOrders = {
                {{0x80, 0x37, 0x12, 0x40}, {0x37, 0x80, 0x40, 0x12}, {0x40, 0x12, 0x37, 0x80}}};
            const auto& magic = kOrders[flags % 3];
            std::copy(magic.begin(), magic.end(), image.begin());
            break;
        }
        case kLoRom: PlantSnes(image, skip + 0x7FC0, false, flags); break;
        case kHiRom: PlantSnes(image, skip + 0xFFC0, true, flags); break;
        case kWpc:
            for (std::size_t at = n - 14; at < n; at += 2) image[at] |= 0x80;
            break;
        default: break;
    }
}

// Bytes a fix may change: the fields the report names, and for the WPC the correction word
// just before its checksum, which balances the sum.
std::vector<bool> Writable(const HeaderReport& report, std::size_t n) {
    std::vector<bool> writable(n, false);
    for (const auto& field : report.fields) {
        Require(field.offset + field.width <= n);
        std::uint64_t first = field.offset;
        if (report.system == "Williams WPC") first -= 2;
        for (std::uint64_t i = first; i < field.offset + field.width; ++i) writable[i] = true;
    }
    return writable;
}

// A fix is given only when all it rests on is known, and then changes only the sums it reports.
void CheckFix(std::span<const std::uint8_t> image, const Stated& stated = {}) {
    const HeaderReport before = CheckHeader(image, stated);
    const vesperine::headers::FixResult fix = FixHeader(image, stated);
    if (!before.known() || !before.problem.empty() || before.doubtful) {
        Require(fix.bytes.empty() && !fix.refusal.empty());
        return;
    }
    Require(before.systemGiven == !stated.system.empty());
    // WPC is known by its sizes and vectors alone: with a sum that does not hold, the system is a
    // guess until it is stated.
    if (stated.system.empty() && before.system == "Williams WPC" && !before.good()) {
        Require(fix.bytes.empty() && fix.statedBy == "--system wpc");
        return;
    }
    // A known image whose sums can be checked is fixed, in place and in its own layout.
    Require(fix.refusal.empty() && fix.bytes.size() == image.size());
    const HeaderReport after = CheckHeader(fix.bytes, stated);
    Require(after.good() && fix.after.good());
    Require(after.system == before.system && after.layout == before.layout);
    Require(after.fields.size() == before.fields.size());
    for (std::size_t i = 0; i < after.fields.size(); ++i) Require(after.fields[i].offset == before.fields[i].offset);
    const std::vector<bool> writable = Writable(after, image.size());
    for (std::size_t i = 0; i < image.size(); ++i) Require(writable[i] || fix.bytes[i] == image[i]);
    if (before.good()) Require(std::equal(image.begin(), image.end(), fix.bytes.begin()));
}

// The naive twin of the near-logo rule: a logo within 4 bytes of Nintendo's is a system's (the
// Game Boy's, unless a magic value outranks it), and one further off is never the Game Boy.
void CheckLogoRule(std::span<const std::uint8_t> image) {
    if (image.size() < 0x150) return;
    unsigned differ = 0;
    for (std::size_t i = 0; i < kGameBoyLogo.size(); ++i) differ += image[0x104 + i] != kGameBoyLogo[i];
    const HeaderReport report = CheckHeader(image);
    if (differ <= 4) Require(report.known());
    if (report.system == "Game Boy") Require(differ <= 4 && report.doubtful == (differ != 0));
}

}  // namespace

/*
  The input, after two bytes of shape (system, copier header) and flags, fills the image over
  and over; the shape's magic values are then planted so that every system is reached, and as
  the flags say, a Game Boy logo damaged or a system and CIC stated. The raw input is checked as
  it is too.
*/
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    CheckFix(input);
    if (size < 4) return 0;
    const unsigned shape = data[0] % 8u;
    const bool copier = (data[0] & 0x80) != 0 && (shape == kLoRom || shape == kHiRom);
    const std::uint8_t flags = data[1];
    const unsigned pick = unsigned{data[2]} << 8 | data[3];
    const std::span<const std::uint8_t> fill = input.subspan(4);
    if (shape == kRaw || fill.empty()) return 0;
    Bytes image(LengthFor(shape, pick, flags, copier));
    // The fill, then the image doubled over itself: a memcpy per doubling.
    const std::size_t first = std::min(image.size(), fill.size());
    std::copy_n(fill.begin(), first, image.begin());
    for (std::size_t done = first; done < image.size(); done *= 2) {
        std::copy_n(image.begin(), std::min(done, image.size() - done),
                    image.begin() + static_cast<std::ptrdiff_t>(done));
    }
    Plant(image, shape, flags, copier);
    // Flags 1x: a few logo bytes of a Game Boy misread, as a bad contact would.
    if (shape == kGameBoy && (flags & 0xF0) == 0x10) {
        for (unsigned i = 0; i <= (flags & 0x07); ++i) image[0x104 + (pick >> (2 * i)) % 48] ^= 0x20;
    }
    CheckFix(image);
    if (shape == kGameBoy) CheckLogoRule(image);
    // Flags 2x: checked and fixed as a stated system (any, by pick) and, for the N64, a stated CIC.
    if ((flags & 0xF0) == 0x20 || shape == kN64) {
        const std::vector<std::string> codes = vesperine::headers::SystemCodes();
        const std::vector<std::string> cics = vesperine::headers::CicNames();
        CheckFix(image, {codes[pick % codes.size()], shape == kN64 ? cics[pick / 8 % cics.size()] : ""});
    }
    return 0;
}
