// The fields of a rom, checked the same way for the XML and the bracketed forms.
#include "dat/rom_fields.h"

#include <charconv>

namespace vesperine::dat {
namespace {

[[nodiscard]] int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

[[nodiscard]] std::string Quoted(std::string_view key, std::string_view value) { return QuotedForMessage(key, value); }

template <std::size_t N>
[[nodiscard]] std::optional<std::string> TakeDigest(std::optional<std::array<std::uint8_t, N>>& field,
                                                    std::string_view key, std::string_view value) {
    if (value.empty()) return std::nullopt;
    std::array<std::uint8_t, N> digest{};
    if (!ParseHexDigits(value, digest)) {
        return Quoted(key, value) + " is not " + std::to_string(2 * N) + " hex digits";
    }
    field = digest;
    return std::nullopt;
}

}  // namespace

const char* RomStatusName(RomStatus status) {
    switch (status) {
        case RomStatus::Good: return "good";
        case RomStatus::BadDump: return "baddump";
        case RomStatus::NoDump: return "nodump";
        case RomStatus::Verified: return "verified";
    }
    return "good";
}

std::string DescribeDatError(const DatError& error) {
    std::string text = error.member.empty() ? "" : error.member + ": ";
    if (error.line != 0) text += "line " + std::to_string(error.line) + ": ";
    return text + error.message;
}

std::string QuotedForMessage(std::string_view key, std::string_view value) {
    constexpr std::size_t kShown = 40;
    std::string text(key);
    if (!text.empty()) text += ' ';
    text += '"';
    for (const char c : value.substr(0, kShown)) text += c >= 0x20 && c < 0x7F ? c : '?';
    return text + (value.size() > kShown ? "...\"" : "\"");
}

bool ParseHexDigits(std::string_view text, std::span<std::uint8_t> out) {
    if (text.size() != 2 * out.size()) return false;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        out[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return true;
}

std::string HexOf(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * bytes.size());
    for (const std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0xFu];
    }
    return text;
}

std::optional<std::string> TakeRomField(RomEntry& rom, std::string_view key, std::string_view value) {
    if (key == "name") {
        if (value.empty()) return std::string("rom name is empty");
        rom.name = std::string(value);
    } else if (key == "size") {
        std::uint64_t size = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), size);
        const bool digitsOnly = !value.empty() && end == value.data() + value.size();
        if (error == std::errc::result_out_of_range || (digitsOnly && error == std::errc{} && size > kMaxRomSize)) {
            return Quoted(key, value) + " is larger than a ROM can be (2 GiB or more)";
        }
        if (!digitsOnly || error != std::errc{}) return Quoted(key, value) + " is not a decimal number";
        rom.size = size;
    } else if (key == "crc") {
        std::optional<std::array<std::uint8_t, 4>> crc;
        if (auto message = TakeDigest(crc, key, value)) return message;
        if (crc) {
            std::uint32_t value32 = 0;
            for (const std::uint8_t b : *crc) value32 = value32 << 8 | b;
            rom.crc = value32;
        }
    } else if (key == "md5") {
        return TakeDigest(rom.md5, key, value);
    } else if (key == "sha1") {
        return TakeDigest(rom.sha1, key, value);
    } else if (key == "sha256") {
        return TakeDigest(rom.sha256, key, value);
    } else if (key == "status" || key == "flags") {
        if (value == "good" || value.empty()) {
            rom.status = RomStatus::Good;
        } else if (value == "baddump") {
            rom.status = RomStatus::BadDump;
        } else if (value == "nodump") {
            rom.status = RomStatus::NoDump;
        } else if (value == "verified") {
            rom.status = RomStatus::Verified;
        } else if (key == "status") {
            return Quoted(key, value) + " is none of good, baddump, nodump, verified";
        }
    }
    return std::nullopt;
}

std::optional<std::string> CheckRomComplete(const RomEntry& rom, bool sizeSeen) {
    if (rom.name.empty()) return std::string("rom has no name");
    if (!sizeSeen) return "rom \"" + rom.name + "\" has no size";
    return std::nullopt;
}

}  // namespace vesperine::dat
