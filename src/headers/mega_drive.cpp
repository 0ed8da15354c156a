// Mega Drive headers: the 16-bit big-endian word sum from 0x200 to the end, stored at 0x18E.
#include <cstring>

#include "headers/systems.h"

namespace vesperine::headers::detail {
namespace {

constexpr std::uint64_t kConsole = 0x100;  // "SEGA MEGA DRIVE", "SEGA GENESIS", ...
constexpr std::uint64_t kChecksum = 0x18E;
constexpr std::uint64_t kSummed = 0x200;

int Recognise(std::span<const std::uint8_t> image) {
    if (image.size() < kSummed) return 0;
    return std::memcmp(image.data() + kConsole, "SEGA", 4) == 0 ? 10 : 0;
}

Marks Show(std::span<const std::uint8_t> image) {
    if (Recognise(image) != 0) return {"\"SEGA\" at 0x000100", false};
    return {"0x000100 holds " + HexBytes(image.subspan(kConsole, 4)) + ", not \"SEGA\" (53 45 47 41)", false};
}

// Words are big-endian, as the 68000 reads them; an odd last byte counts as a word's high byte.
[[nodiscard]] std::uint16_t WordSum(std::span<const std::uint8_t> image, const PassMeter& meter) {
    std::uint64_t high = 0, low = 0;
    std::uint64_t i = kSummed;
    for (std::uint64_t nextTick = kPollBytes; i + 2 <= image.size(); i += 2) {
        high += image[i];
        low += image[i + 1];
        if (i + 2 == nextTick) {
            if (meter.Tick(nextTick)) break;
            nextTick += kPollBytes;
        }
    }
    if (i < image.size()) high += image[i];
    return static_cast<std::uint16_t>((high << 8) + low);
}

Checked Check(std::span<const std::uint8_t> image, std::string_view /*cic*/, const PassMeter& meter) {
    Checked checked{"Mega Drive", {}, {}, {}, {}};
    checked.fields.push_back({"checksum", kChecksum, 2, ReadBe(image, kChecksum, 2), WordSum(image, meter),
                              "16-bit sum of the big-endian words of " + RangeText(kSummed, image.size())});
    return checked;
}

void Fix(std::span<std::uint8_t> image, std::string_view /*cic*/, const PassMeter& meter) {
    WriteBe(image, kChecksum, 2, WordSum(image, meter));
}

}  // namespace

System MegaDrive() { return {"Mega Drive", "megadrive", kSummed, false, nullptr, Recognise, Show, Check, Fix}; }

}  // namespace vesperine::headers::detail
