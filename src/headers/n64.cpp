// Nintendo 64 headers: CRC1 and CRC2 over the first MiB after the boot code, as each CIC's boot code computes them.
#include <array>
#include <bit>
#include <cstdio>
#include <optional>
#include <string_view>

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

// The names a chip is stated by; the first is the one shown as an example.
struct ChipName {
    const char* name;
    std::size_t chip;  // into kBootChips
};
constexpr std::array<ChipName, 10> kChipNames = {{{"6102", 0},
                                                  {"6101", 1},
                                                  {"6103", 3},
                                                  {"6105", 4},
                                                  {"6106", 5},
                                                  {"7101", 0},
                                                  {"7102", 2},
                                                  {"7103", 3},
                                                  {"7105", 4},
                                                  {"7106", 5}}};

// "6102" from "6102", "CIC-6102", "cic6102" or "CIC 6102".
[[nodiscard]] std::string_view Digits(std::string_view name) {
    if (name.size() >= 3 && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'I' || name[1] == 'i') &&
        (name[2] == 'C' || name[2] == 'c')) {
        name.remove_prefix(3);
        if (!name.empty() && (name[0] == '-' || name[0] == ' ')) name.remove_prefix(1);
    }
    return name;
}

[[nodiscard]] const BootChip* StatedChip(std::string_view name) {
    for (const ChipName& known : kChipNames) {
        if (Digits(name) == known.name) return &kBootChips[known.chip];
    }
    return nullptr;
}

// The chip the CRCs are checked with: a stated one, else the chip the boot code is, else the
// chip whose sum gives the stored CRCs (the data they cover is then intact, whatever the boot
// code). None when none of these holds: a seed is never assumed, for a boot code that is no
// chip's is the likeliest cause of CRCs that agree with nothing.
struct Chosen {
    const BootChip* chip = nullptr;
    std::array<std::uint32_t, 2> crcs{};
    std::string how;      // a note on how the chip was chosen, when not by its boot code
    std::string unknown;  // why no chip could be chosen
};

[[nodiscard]] Chosen ChooseChip(std::span<const std::uint8_t> image, std::string_view cic) {
    const std::uint32_t bootCrc = Crc32(image.subspan(kBootCode, kBootCodeEnd - kBootCode));
    const BootChip* carried = nullptr;
    for (const BootChip& chip : kBootChips) {
        if (chip.bootCodeCrc == bootCrc) carried = &chip;
    }
    const std::string bootCode =
        "the boot code (CRC-32 " + HexDigits(bootCrc, 8) + " over " + RangeText(kBootCode, kBootCodeEnd) + ")";
    if (!cic.empty()) {
        const BootChip* stated = StatedChip(cic);
        if (!stated) return {nullptr, {}, "", "no CIC chip is called " + std::string(cic)};
        std::string how = "the CIC is given as " + std::string(Digits(cic)) + ", not recognised: ";
        if (carried == stated) how += bootCode + " is that chip's";
        else if (carried) how += bootCode + " is " + carried->name + "'s, not the given chip's";
        else how += bootCode + " matches no known chip";
        return {stated, Crcs(image, *stated), how, ""};
    }
    if (carried) return {carried, Crcs(image, *carried), "", ""};
    const std::array<std::uint32_t, 2> stored = {ReadBe(image, kCrc1, 4), ReadBe(image, kCrc2, 4)};
    for (const BootChip& chip : kBootChips) {
        const std::array<std::uint32_t, 2> crcs = Crcs(image, chip);
        if (crcs == stored) {
            return {&chip, crcs,
                    bootCode + " matches no known CIC chip; the stored CRCs agree with " + chip.name +
                        "'s sum, so the data they cover is intact, but the boot code itself is not checked",
                    ""};
        }
    }
    return {nullptr,
            {},
            "",
            bootCode + " matches no known CIC chip, and no chip's sum gives the stored CRCs " +
                HexDigits(stored[0], 8) + " " + HexDigits(stored[1], 8) + ": they cannot be checked"};
}

[[nodiscard]] std::string CicOptions() {
    std::string others;
    for (std::size_t i = 1; i < kChipNames.size(); ++i) others += std::string(i == 1 ? "" : ", ") + kChipNames[i].name;
    return std::string("--cic ") + kChipNames[0].name + " (or " + others + ")";
}

// The sums cover the first MiB whatever the image's length: a millisecond, not metered.
Checked Check(std::span<const std::uint8_t> image, std::string_view cic, const PassMeter& /*meter*/) {
    Checked checked{"Nintendo 64", {}, {}, {}, {}};
    if (image.size() < kSummedEnd) {
        checked.problem = "the image has " + SizeText(image.size(), kHeaderSize) +
                          ", fewer than the 0x101000 bytes its CRCs cover (the boot code and 1 MiB after it)";
        return checked;
    }
    const Chosen chosen = ChooseChip(image, cic);
    if (!chosen.chip) {
        checked.system += " (boot code of no known CIC chip)";
        checked.problem = chosen.unknown;
        checked.statedBy = CicOptions();
        return checked;
    }
    checked.system += std::string(" (") + chosen.chip->name + ")";
    const std::string over =
        "the boot code's sum of " + RangeText(kBootCodeEnd, kSummedEnd) + ", seed " + HexDigits(chosen.chip->seed, 8);
    checked.fields.push_back({"CRC1", kCrc1, 4, ReadBe(image, kCrc1, 4), chosen.crcs[0], over});
    checked.fields.push_back({"CRC2", kCrc2, 4, ReadBe(image, kCrc2, 4), chosen.crcs[1], over});
    if (!chosen.how.empty()) checked.notes.push_back(chosen.how);
    return checked;
}

// The CRCs lie before the range they cover, so writing them changes nothing they depend on.
void Fix(std::span<std::uint8_t> image, std::string_view cic, const PassMeter& /*meter*/) {
    const Chosen chosen = ChooseChip(image, cic);
    if (!chosen.chip) return;
    WriteBe(image, kCrc1, 4, chosen.crcs[0]);
    WriteBe(image, kCrc2, 4, chosen.crcs[1]);
}

Marks Show(std::span<const std::uint8_t> image) {
    const std::uint32_t first = ReadBe(image, 0, 4);
    if (first == kMagic) return {"the first word 80371240", false};
    return {"the first word is " + HexDigits(first, 8) + ", not 80371240 in any byte order", false};
}

}  // namespace

System Nintendo64() { return {"Nintendo 64", "n64", kBootCodeEnd, false, Order, Recognise, Show, Check, Fix}; }

std::vector<std::string> Nintendo64CicNames() {
    std::vector<std::string> names;
    for (const ChipName& known : kChipNames) names.emplace_back(known.name);
    return names;
}

bool IsNintendo64Cic(std::string_view name) { return StatedChip(name) != nullptr; }

}  // namespace vesperine::headers::detail
