// Nintendo 64 headers: CRC1 and CRC2 over the first MiB after the boot code, as each CIC's boot code computes them.
#include <array>
#include <bit>
#include <cstdio>
#include <optional>

#include "base/crc32.h"
#include "headers/systems.h"

namespace vesperine::headers::detail {
namespace {

constexpr std::uint32_t kMagic = 0x80371240;  // the first word of a z64 image
constexpr std::uint64_t kCrc1 = 0x10, kCrc2 = 0x14;
constexpr std::uint64_t kBootCode = 0x40, kBootCodeEnd = 0x1000;
constexpr std::uint64_t kSummedEnd = 0x101000;

enum class Variant { Standard, Cic6103, Cic6105, Cic6106 };

struct BootChip {
    const char* name;
    std::uint32_t bootCodeCrc;  // CRC-32 of bytes 0x40..0xFFF of a z64 image
    std::uint32_t seed;
    Variant variant;
};

// The retail boot chips, each known by the CRC-32 of its boot code.
constexpr std::array<BootChip, 6> kBootChips = {{
    {"CIC-6102/7101", 0x90BB6CB5, 0xF8CA4DDC, Variant::Standard},
    {"CIC-6101", 0x6170A4A1, 0xF8CA4DDC, Variant::Standard},
    {"CIC-7102", 0x009E9EA3, 0xF8CA4DDC, Variant::Standard},
    {"CIC-6103/7103", 0x0B050EE0, 0xA3886759, Variant::Cic6103},
    {"CIC-6105/7105", 0x98BC2C86, 0xDF26F436, Variant::Cic6105},
    {"CIC-6106/7106", 0xACC8580A, 0x1FEA617A, Variant::Cic6106},
}};

ByteOrder Order(std::span<const std::uint8_t> file) {
    if (file.size() < 4) return ByteOrder::Native;
    const std::uint32_t first = ReadBe(file, 0, 4);
    if (first == 0x37804012) return ByteOrder::Swap16;
    if (first == 0x40123780) return ByteOrder::Swap32;
    return ByteOrder::Native;
}

int Recognise(std::span<const std::uint8_t> image) {
    return image.size() >= kBootCodeEnd && ReadBe(image, 0, 4) == kMagic ? 10 : 0;
}

/*
  The boot code's sum, run over the big-endian words d of 0x1000..0x100FFF with six 32-bit
  registers that all start at the chip's seed (all arithmetic wraps at 2^32 on purpose):
    t4 += 1 when t6 + d carries out;  t6 += d;  t3 ^= d;  r = d rotated left by d & 31;  t5 += r;
    t2 ^= (t2 > d) ? r : t6 ^ d;
    t1 += t5 ^ d, or for the 6105 the boot code's own word at 0x750 + (offset & 0xFF), XOR d.
  CRC1 = t6 ^ t4 ^ t3 and CRC2 = t5 ^ t2 ^ t1; the 6103 adds instead of the last XOR
  ((t6 ^ t4) + t3, (t5 ^ t2) + t1), the 6106 multiplies first ((t6 * t4) + t3, (t5 * t2) + t1).
*/
[[nodiscard]] std::array<std::uint32_t, 2> Crcs(std::span<const std::uint8_t> image, const BootChip& chip) {
    std::uint32_t t1 = chip.seed, t2 = chip.seed, t3 = chip.seed, t4 = chip.seed, t5 = chip.seed, t6 = chip.seed;
    for (std::uint64_t i = kBootCodeEnd; i < kSummedEnd; i += 4) {
        const std::uint32_t d = ReadBe(image, i, 4);
        if (t6 + d < t6) ++t4;
        t6 += d;
        t3 ^= d;
        const std::uint32_t r = std::rotl(d, static_cast<int>(d & 0x1F));
        t5 += r;
        t2 ^= t2 > d ? r : t6 ^ d;
        t1 += chip.variant == Variant::Cic6105 ? ReadBe(image, kBootCode + 0x710 + (i & 0xFF), 4) ^ d : t5 ^ d;
    }
    switch (chip.variant) {
        case Variant::Cic6103: return {(t6 ^ t4) + t3, (t5 ^ t2) + t1};
        case Variant::Cic6106: return {t6 * t4 + t3, t5 * t2 + t1};
        case Variant::Standard:
        case Variant::Cic6105: break;
    }
    return {t6 ^ t4 ^ t3, t5 ^ t2 ^ t1};
}

// The chip whose boot code the image carries; for a boot code of no known chip, the chip whose
// sum agrees with the stored CRCs, or else the 6102, the most common.
struct Chosen {
    const BootChip* chip;
    std::array<std::uint32_t, 2> crcs;
    const char* how;  // empty when the boot code named the chip
};

[[nodiscard]] Chosen ChooseChip(std::span<const std::uint8_t> image) {
    const std::uint32_t bootCrc = Crc32(image.subspan(kBootCode, kBootCodeEnd - kBootCode));
    for (const BootChip& chip : kBootChips) {
        if (chip.bootCodeCrc == bootCrc) return {&chip, Crcs(image, chip), ""};
    }
    const std::array<std::uint32_t, 2> stored = {ReadBe(image, kCrc1, 4), ReadBe(image, kCrc2, 4)};
    for (const BootChip& chip : kBootChips) {
        const std::array<std::uint32_t, 2> crcs = Crcs(image, chip);
        if (crcs == stored) return {&chip, crcs, "the boot code is of no known chip; its CRCs agree with this chip's"};
    }
    return {&kBootChips[0], Crcs(image, kBootChips[0]),
            "the boot code is of no known chip and no chip's CRCs agree: checked as the most common"};
}

Checked Check(std::span<const std::uint8_t> image) {
    Checked checked{"Nintendo 64", {}, {}, {}};
    if (image.size() < kSummedEnd) {
        checked.problem = "the image has " + SizeText(image.size(), kHeaderSize) +
                          ", fewer than the 0x101000 bytes its CRCs cover (the boot code and 1 MiB after it)";
        return checked;
    }
    const Chosen chosen = ChooseChip(image);
    checked.system += std::string(" (") + chosen.chip->name + ")";
    char seed[9];
    std::snprintf(seed, sizeof seed, "%08X", static_cast<unsigned>(chosen.chip->seed));
    const std::string over = "the boot code's sum of " + RangeText(kBootCodeEnd, kSummedEnd) + ", seed " + seed;
    checked.fields.push_back({"CRC1", kCrc1, 4, ReadBe(image, kCrc1, 4), chosen.crcs[0], over});
    checked.fields.push_back({"CRC2", kCrc2, 4, ReadBe(image, kCrc2, 4), chosen.crcs[1], over});
    if (*chosen.how) checked.notes.emplace_back(chosen.how);
    return checked;
}

// The CRCs lie before the range they cover, so writing them changes nothing they depend on.
void Fix(std::span<std::uint8_t> image) {
    const Chosen chosen = ChooseChip(image);
    WriteBe(image, kCrc1, 4, chosen.crcs[0]);
    WriteBe(image, kCrc2, 4, chosen.crcs[1]);
}

}  // namespace

System Nintendo64() { return {"Nintendo 64", false, Order, Recognise, Check, Fix}; }

}  // namespace vesperine::headers::detail
