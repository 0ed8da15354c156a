// Williams WPC pinball game ROMs: the 16-bit sum of the image, held by a checksum and a correction word at its end.
#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "headers/systems.h"

namespace vesperine::headers::detail {
namespace {

/*
  The last 32 KiB of a WPC game ROM is the 6809's fixed bank at 0x8000-0xFFFF; its last bytes,
  counted from the end n of the image (n - 20 is 0xFFEC):
    n - 20, n - 19   correction word: any value, chosen so that the sum below comes out right;
                     00FF there tells the machine not to check (a development image)
    n - 18, n - 17   checksum, big-endian
    n - 16 .. n - 1  the 6809's interrupt and reset vectors, big-endian, into 0x8000-0xFFFF
  The machine adds every byte of the image in 16 bits and compares the sum with the checksum.
*/
constexpr std::uint64_t kCorrectionFromEnd = 20;
constexpr std::uint64_t kChecksumFromEnd = 18;
constexpr std::uint64_t kVectorsFromEnd = 14;  // SWI3 at 0xFFF2 .. RESET at 0xFFFE
constexpr std::uint32_t kDevelopment = 0x00FF;
constexpr std::array<std::uint64_t, 4> kSizes = {128u << 10, 256u << 10, 512u << 10, 1024u << 10};

// WPC images are 128 KiB to 1 MiB; their vectors point into the fixed bank. A weak sign, so the
// lowest score: any other system's header wins over it. An erased end (FF throughout, as any
// dump with an FF fill after its image has) points every vector at FFFF, which no 6809 program
// can start at: the reset vector must lie below it.
int Recognise(std::span<const std::uint8_t> image) {
    const std::uint64_t n = image.size();
    if (std::find(kSizes.begin(), kSizes.end(), n) == kSizes.end()) return 0;
    for (std::uint64_t at = n - kVectorsFromEnd; at < n; at += 2) {
        if (ReadBe(image, at, 2) < 0x8000) return 0;
    }
    return ReadBe(image, n - 2, 2) == 0xFFFF ? 0 : 1;
}

Marks Show(std::span<const std::uint8_t> image) {
    const std::uint64_t n = image.size();
    unsigned low = 0;
    for (std::uint64_t at = n - kVectorsFromEnd; at < n; at += 2) low += ReadBe(image, at, 2) < 0x8000;
    const bool sized = std::find(kSizes.begin(), kSizes.end(), n) != kSizes.end();
    std::string text = SizeText(n, kHeaderSize) +
                       (sized ? "" : " (WPC game ROMs are 128 KiB, 256 KiB, 512 KiB or 1 MiB)") + ", " +
                       std::to_string(7 - low) + " of 7 vectors into 0x8000-0xFFFF";
    if (ReadBe(image, n - 2, 2) == 0xFFFF) text += ", the reset vector FFFF (an erased end)";
    return {text, false};
}

Checked Check(std::span<const std::uint8_t> image, std::string_view /*cic*/, const PassMeter& meter) {
    const std::uint64_t n = image.size();
    Checked checked{"Williams WPC", {}, {}, {}, {}};
    checked.fields.push_back(
        {"checksum", n - kChecksumFromEnd, 2, ReadBe(image, n - kChecksumFromEnd, 2), ByteSum16(image, meter),
         "16-bit sum of all " + SizeText(n, kHeaderSize) + ", balanced by the correction word at " +
             RangeText(n - kCorrectionFromEnd, n - kCorrectionFromEnd + 2)});
    if (ReadBe(image, n - kCorrectionFromEnd, 2) == kDevelopment) {
        checked.notes.emplace_back("the correction word is 00FF: the machine skips the check (a development image)");
    }
    return checked;
}

/*
  Keeps the stored checksum (the machine shows it as the game's revision) and balances the sum
  with the correction word when its two bytes can: they add 0 to 510. Otherwise, as the field's
  own instructions do, the checksum becomes K = R + 510 and the correction FFFF - K, R being the
  sum of every other byte: K's bytes and the correction's add up to 510 whatever K is.
*/
void Fix(std::span<std::uint8_t> image, std::string_view /*cic*/, const PassMeter& meter) {
    const std::uint64_t n = image.size();
    const std::uint64_t at = n - kCorrectionFromEnd;
    const std::uint32_t stored = ReadBe(image, n - kChecksumFromEnd, 2);
    const std::uint32_t correctionBytes = image[at] + image[at + 1];
    const auto rest = static_cast<std::uint16_t>(ByteSum16(image, meter) - correctionBytes);
    const auto needed = static_cast<std::uint16_t>(stored - rest);
    if (needed <= 510) {
        image[at] = static_cast<std::uint8_t>(needed > 255 ? 255 : needed);
        image[at + 1] = static_cast<std::uint8_t>(needed - image[at]);
        return;
    }
    const std::uint32_t checksumBytes = image[n - kChecksumFromEnd] + image[n - kChecksumFromEnd + 1];
    const auto checksum = static_cast<std::uint16_t>(rest - checksumBytes + 510);
    WriteBe(image, n - kChecksumFromEnd, 2, checksum);
    WriteBe(image, at, 2, 0xFFFFu - checksum);
}

}  // namespace

// The minimum is the fixed bank: the vectors, checksum and correction word lie at its end.
System WilliamsWpc() { return {"Williams WPC", "wpc", 0x8000, false, nullptr, Recognise, Show, Check, Fix}; }

}  // namespace vesperine::headers::detail
