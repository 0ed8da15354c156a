// Game Boy and Game Boy Advance headers: the boot ROM's header checks and the Game Boy's global sum.
#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "headers/systems.h"

namespace vesperine::headers::detail {
namespace {

// The Nintendo logo the Game Boy's boot ROM compares at 0x104 before it starts a cartridge.
constexpr std::array<std::uint8_t, 48> kGameBoyLogo = {
    0xCE, 0xED, 0x66, 0x66, 0xCC, 0x0D, 0x00, 0x0B, 0x03, 0x73, 0x00, 0x83, 0x00, 0x0C, 0x00, 0x0D,
    0x00, 0x08, 0x11, 0x1F, 0x88, 0x89, 0x00, 0x0E, 0xDC, 0xCC, 0x6E, 0xE6, 0xDD, 0xDD, 0xD9, 0x99,
    0xBB, 0xBB, 0x67, 0x63, 0x6E, 0x0E, 0xEC, 0xCC, 0xDD, 0xDC, 0x99, 0x9F, 0xBB, 0xB9, 0x33, 0x3E};
constexpr std::uint64_t kGbLogo = 0x104;
constexpr std::uint64_t kGbHeaderFirst = 0x134, kGbHeaderEnd = 0x14D;
constexpr std::uint64_t kGbHeaderChecksum = 0x14D;
constexpr std::uint64_t kGbGlobalChecksum = 0x14E;

constexpr std::uint64_t kGbMinimum = 0x150;
// A logo this close is a Game Boy's with bytes misread; random bytes come this close with a
// chance of C(48,4) / 256^44, below 2^-330, and no other system's header puts anything there.
constexpr unsigned kGbLogoNear = 4;

[[nodiscard]] unsigned LogoDifferences(std::span<const std::uint8_t> image) {
    unsigned differ = 0;
    for (std::size_t i = 0; i < kGameBoyLogo.size(); ++i) differ += image[kGbLogo + i] != kGameBoyLogo[i];
    return differ;
}

// The exact logo scores as a magic value, a near one just below it: any exact magic wins.
int RecogniseGameBoy(std::span<const std::uint8_t> image) {
    if (image.size() < kGbMinimum) return 0;
    const unsigned differ = LogoDifferences(image);
    return differ == 0 ? 10 : differ <= kGbLogoNear ? 9 : 0;
}

Marks ShowGameBoy(std::span<const std::uint8_t> image) {
    const unsigned differ = LogoDifferences(image);
    if (differ == 0) return {"the Nintendo logo at 0x000104", false};
    // The first few offsets that differ: enough to tell one flipped byte from a logo of another kind.
    std::string at;
    unsigned listed = 0;
    for (std::size_t i = 0; i < kGameBoyLogo.size() && listed < kGbLogoNear; ++i) {
        if (image[kGbLogo + i] == kGameBoyLogo[i]) continue;
        at += (listed++ == 0 ? "at " : ", ") + HexText(kGbLogo + i, 6);
    }
    Marks marks{"the logo at 0x000104 differs from Nintendo's in " + std::to_string(differ) + " of 48 bytes (" + at +
                    (differ > kGbLogoNear ? ", ..." : "") + ")",
                differ <= kGbLogoNear};
    return marks;
}

// The boot ROM's check: x = x - byte - 1 over 0x134..0x14C, starting from 0.
[[nodiscard]] std::uint8_t GbHeaderChecksum(std::span<const std::uint8_t> image) {
    std::uint8_t x = 0;
    for (std::uint64_t i = kGbHeaderFirst; i < kGbHeaderEnd; ++i) x = static_cast<std::uint8_t>(x - image[i] - 1);
    return x;
}

// The 16-bit sum of every byte but the two that hold it.
[[nodiscard]] std::uint16_t GbGlobalChecksum(std::span<const std::uint8_t> image, const PassMeter& meter) {
    return static_cast<std::uint16_t>(ByteSum16(image, meter) - image[kGbGlobalChecksum] -
                                      image[kGbGlobalChecksum + 1]);
}

Checked CheckGameBoy(std::span<const std::uint8_t> image, std::string_view /*cic*/, const PassMeter& meter) {
    Checked checked{"Game Boy", {}, {}, {}, {}};
    checked.fields.push_back({"header checksum", kGbHeaderChecksum, 1, image[kGbHeaderChecksum],
                              GbHeaderChecksum(image),
                              "x = x - byte - 1 over " + RangeText(kGbHeaderFirst, kGbHeaderEnd)});
    checked.fields.push_back({"global checksum", kGbGlobalChecksum, 2, ReadBe(image, kGbGlobalChecksum, 2),
                              GbGlobalChecksum(image, meter),
                              "16-bit sum of all " + SizeText(image.size(), kHeaderSize) + " but 0x00014E-0x00014F"});
    checked.notes.emplace_back("the boot ROM checks the header checksum; no Game Boy checks the global one");
    if (LogoDifferences(image) != 0) checked.notes.emplace_back("the boot ROM starts no cartridge whose logo differs");
    return checked;
}

// The global sum covers the header checksum, so that is written first.
void FixGameBoy(std::span<std::uint8_t> image, std::string_view /*cic*/, const PassMeter& meter) {
    image[kGbHeaderChecksum] = GbHeaderChecksum(image);
    WriteBe(image, kGbGlobalChecksum, 2, GbGlobalChecksum(image, meter));
}

constexpr std::uint64_t kGbaFixed = 0xB2;
constexpr std::uint64_t kGbaHeaderFirst = 0xA0, kGbaHeaderEnd = 0xBD;
constexpr std::uint64_t kGbaComplement = 0xBD;

// The fixed 0x96 at 0xB2, and an ARM branch (condition "always", opcode 0xEA) as the first
// instruction at 0.
constexpr std::uint64_t kGbaMinimum = 0xC0;

int RecogniseGameBoyAdvance(std::span<const std::uint8_t> image) {
    if (image.size() < kGbaMinimum) return 0;
    return image[kGbaFixed] == 0x96 && image[3] == 0xEA ? 10 : 0;
}

Marks ShowGameBoyAdvance(std::span<const std::uint8_t> image) {
    if (RecogniseGameBoyAdvance(image) != 0) return {"the fixed 96 at 0x0000B2 and an ARM branch at 0", false};
    std::string text;
    if (image[kGbaFixed] != 0x96)
        text = "0x0000B2 holds " + HexBytes(image.subspan(kGbaFixed, 1)) + ", not the fixed 96";
    if (image[3] != 0xEA) {
        text += std::string(text.empty() ? "" : "; ") + "the first instruction is " + HexBytes(image.first(4)) +
                ", no ARM branch (?? ?? ?? EA)";
    }
    return {text, false};
}

// The complement: -(sum of 0xA0..0xBC) - 0x19, in 8 bits.
[[nodiscard]] std::uint8_t GbaComplement(std::span<const std::uint8_t> image) {
    std::uint8_t sum = 0;
    for (std::uint64_t i = kGbaHeaderFirst; i < kGbaHeaderEnd; ++i) sum = static_cast<std::uint8_t>(sum + image[i]);
    return static_cast<std::uint8_t>(0 - sum - 0x19);
}

Checked CheckGameBoyAdvance(std::span<const std::uint8_t> image, std::string_view /*cic*/, const PassMeter& /*meter*/) {
    Checked checked{"Game Boy Advance", {}, {}, {}, {}};
    checked.fields.push_back({"complement", kGbaComplement, 1, image[kGbaComplement], GbaComplement(image),
                              "-(sum of " + RangeText(kGbaHeaderFirst, kGbaHeaderEnd) + ") - 0x19"});
    return checked;
}

void FixGameBoyAdvance(std::span<std::uint8_t> image, std::string_view /*cic*/, const PassMeter& /*meter*/) {
    image[kGbaComplement] = GbaComplement(image);
}

}  // namespace

System GameBoy() {
    return {"Game Boy", "gameboy", kGbMinimum, false, nullptr, RecogniseGameBoy, ShowGameBoy, CheckGameBoy, FixGameBoy};
}

System GameBoyAdvance() {
    return {"Game Boy Advance",
            "gba",
            kGbaMinimum,
            false,
            nullptr,
            RecogniseGameBoyAdvance,
            ShowGameBoyAdvance,
            CheckGameBoyAdvance,
            FixGameBoyAdvance};
}

}  // namespace vesperine::headers::detail
