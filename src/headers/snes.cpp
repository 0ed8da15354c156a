// SNES LoROM and HiROM headers: the 16-bit sum of the image as the cartridge's mirroring presents it.
#include <bit>
#include <string>
#include <string_view>

#include "headers/systems.h"

namespace vesperine::headers::detail {
namespace {

// Offsets within the 64-byte header block at 0x7FC0 (LoROM) or 0xFFC0 (HiROM).
constexpr std::uint64_t kTitle = 0x00, kTitleLength = 21;
constexpr std::uint64_t kMapMode = 0x15;
constexpr std::uint64_t kRomSize = 0x17;
constexpr std::uint64_t kComplement = 0x1C;
constexpr std::uint64_t kChecksum = 0x1E;

/*
  The console sees an image of n bytes, n not a power of two, as the largest power of two p
  below n followed by the remaining n - p bytes repeated until they fill another p (and that
  remainder, if its own length is no power of two, is mirrored the same way). The checksum is
  the 16-bit sum of that 2p-byte picture. With n = p + r:
    MirroredSum(image, T) = (T / 2p) * (sum(image[0, p)) + MirroredSum(image[p, n), p))
  and for n a power of two, (T / n) * sum(image).
*/
// The meter is ticked over the image's length. Only the low 16 bits of the result are used, and
// sums and products modulo 2^64 keep them, so the parts' 16-bit sums serve as well as whole ones.
[[nodiscard]] std::uint64_t MirroredSum(std::span<const std::uint8_t> image, std::uint64_t target,
                                        const PassMeter& meter) {
    const std::uint64_t n = image.size();
    if (n == 0) return 0;
    if (std::has_single_bit(n)) return ByteSum16(image, meter) * (target / n);
    const std::uint64_t p = std::bit_floor(n);
    const std::uint64_t total = ByteSum16(image.first(p), meter.Part(0, p, p));
    return (target / (2 * p)) * (total + MirroredSum(image.subspan(p), p, meter.Part(p, n, n - p)));
}

[[nodiscard]] bool TitleFits(std::span<const std::uint8_t> title) {
    // ASCII, or the half-width katakana of Japanese titles.
    for (const std::uint8_t c : title) {
        if (!((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xDF))) return false;
    }
    return true;
}

// Map modes 0x20 to 0x3F, bit 0 set for HiROM (0x21, 0x31, 0x35 ExHiROM); SA-1 (0x23) sets it with
// a LoROM header.
[[nodiscard]] bool IsHiRomMode(std::uint8_t map) { return (map & 0x01) != 0 && map != 0x23; }

template <std::uint64_t Base, bool HiRom>
int Recognise(std::span<const std::uint8_t> image) {
    if (image.size() < Base + 0x40) return 0;
    const auto header = image.subspan(Base, 0x40);
    const std::uint8_t map = header[kMapMode];
    const bool mapFits = (map & 0xE0) == 0x20 && IsHiRomMode(map) == HiRom;
    if (!mapFits || !TitleFits(header.subspan(kTitle, kTitleLength))) return 0;
    const bool pairFits = (ReadLe(header, kChecksum, 2) ^ ReadLe(header, kComplement, 2)) == 0xFFFF;
    const bool sizeFits = header[kRomSize] >= 0x07 && header[kRomSize] <= 0x0D;
    if (!pairFits && !sizeFits) return 0;
    return 3 + (pairFits ? 2 : 0) + (sizeFits ? 1 : 0);
}

// The checksum the image calls for, with the stored checksum and complement counted as a
// consistent pair: their four bytes then always add up to 0xFF + 0xFF whatever the checksum, so
// writing the result and its complement leaves the sum as computed. The header lies in the
// first power-of-two part, which the picture holds once.
template <std::uint64_t Base>
std::uint16_t ComputedChecksum(std::span<const std::uint8_t> image, const PassMeter& meter) {
    const std::uint64_t target = std::bit_ceil(image.size());
    const std::uint64_t stored = std::uint64_t{ByteSum16(image.subspan(Base + kComplement, 4))};
    return static_cast<std::uint16_t>(MirroredSum(image, target, meter) - stored + 0x1FE);
}

// What the recogniser weighs in the header, each said to fit or not.
template <std::uint64_t Base, bool HiRom>
Marks Show(std::span<const std::uint8_t> image) {
    const auto header = image.subspan(Base, 0x40);
    const std::uint8_t map = header[kMapMode];
    const bool mapFits = (map & 0xE0) == 0x20 && IsHiRomMode(map) == HiRom;
    const bool pairFits = (ReadLe(header, kChecksum, 2) ^ ReadLe(header, kComplement, 2)) == 0xFFFF;
    const bool sizeFits = header[kRomSize] >= 0x07 && header[kRomSize] <= 0x0D;
    std::string text = "the header at " + RangeText(Base, Base + 0x40) + ": map mode " +
                       HexBytes(header.subspan(kMapMode, 1)) +
                       (mapFits ? "" : " (not a " + std::string(HiRom ? "HiROM" : "LoROM") + " mode)") + ", title " +
                       (TitleFits(header.subspan(kTitle, kTitleLength)) ? "printable" : "not printable") +
                       ", checksum and complement " + (pairFits ? "paired" : "not paired") + ", ROM size byte " +
                       HexBytes(header.subspan(kRomSize, 1)) + (sizeFits ? "" : " (not 07-0D)");
    return {text, false};
}

template <std::uint64_t Base>
Checked Check(std::span<const std::uint8_t> image, const char* name, const PassMeter& meter) {
    const std::uint16_t computed = ComputedChecksum<Base>(image, meter);
    const std::uint64_t n = image.size();
    std::string over = "16-bit sum of all " + SizeText(n, kHeaderSize) + " of the image";
    if (!std::has_single_bit(n)) {
        const std::uint64_t p = std::bit_floor(n);
        over += ", the " + SizeText(n - p, kHeaderSize) + " above " + SizeText(p, kHeaderSize) + " mirrored to fill " +
                SizeText(2 * p, kHeaderSize);
    }
    Checked checked{name, {}, {}, {}, {}};
    checked.fields.push_back({"checksum", Base + kChecksum, 2, ReadLe(image, Base + kChecksum, 2), computed, over});
    checked.fields.push_back({"complement", Base + kComplement, 2, ReadLe(image, Base + kComplement, 2),
                              computed ^ 0xFFFFu, "the checksum XOR FFFF"});
    return checked;
}

template <std::uint64_t Base>
void Fix(std::span<std::uint8_t> image, std::string_view /*cic*/, const PassMeter& meter) {
    const std::uint16_t computed = ComputedChecksum<Base>(image, meter);
    WriteLe(image, Base + kChecksum, 2, computed);
    WriteLe(image, Base + kComplement, 2, computed ^ 0xFFFFu);
}

}  // namespace

System SnesLoRom() {
    return {"SNES LoROM",
            "snes-lorom",
            0x8000,
            true,
            nullptr,
            Recognise<0x7FC0, false>,
            Show<0x7FC0, false>,
            [](std::span<const std::uint8_t> image, std::string_view, const PassMeter& meter) {
                return Check<0x7FC0>(image, "SNES LoROM", meter);
            },
            Fix<0x7FC0>};
}

System SnesHiRom() {
    return {"SNES HiROM",
            "snes-hirom",
            0x10000,
            true,
            nullptr,
            Recognise<0xFFC0, true>,
            Show<0xFFC0, true>,
            [](std::span<const std::uint8_t> image, std::string_view, const PassMeter& meter) {
                return Check<0xFFC0>(image, "SNES HiROM", meter);
            },
            Fix<0xFFC0>};
}

}  // namespace vesperine::headers::detail
