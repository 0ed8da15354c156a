// The Logiqx DAT writer: fixed layout, escaped text, hex digests in lower case.
#include "dat/dat_writer.h"

#include <cstdio>

#include "base/format.h"
#include "dat/rom_fields.h"

namespace vesperine::dat {

namespace {

// "byte C4 at offset 3 is not UTF-8", "bytes EF BF BE (U+FFFE) at offset 3 are not allowed in XML".
[[nodiscard]] std::string Problem(std::string_view bytes, std::size_t at, const char* character, const char* why) {
    std::string text = bytes.size() == 1 ? "byte" : "bytes";
    for (const char c : bytes) {
        text.push_back(' ');
        AppendHexByte(text, static_cast<std::uint8_t>(c));
    }
    return text + character + " at offset " + std::to_string(at) + (bytes.size() == 1 ? " is " : " are ") + why;
}

}  // namespace

/*
  UTF-8 as RFC 3629 has it: a lead byte C2-DF, E0-EF or F0-F4 and its continuations 80-BF, with
  no overlong form (E0 then A0-BF, F0 then 90-BF), no surrogate (ED then 80-9F) and nothing above
  U+10FFFF (F4 then 80-8F). XML 1.0's characters are then all but the controls below 20 (save
  09, 0A, 0D) and U+FFFE, U+FFFF.
*/
std::optional<std::string> XmlTextProblem(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            if (lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\r') {
                return Problem(text.substr(i, 1), i, " (a control character)", "not allowed in XML");
            }
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;  // the bounds of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF)
            length = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        else if (lead >= 0xF0 && lead <= 0xF4)
            length = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        bool valid = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            valid = k == 1 ? c >= low && c <= high : c >= 0x80 && c <= 0xBF;
        }
        if (!valid) return Problem(text.substr(i, 1), i, "", "not UTF-8");
        if (lead == 0xEF && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
            static_cast<unsigned char>(text[i + 2]) >= 0xBE) {
            const bool ffff = static_cast<unsigned char>(text[i + 2]) == 0xBF;
            return Problem(text.substr(i, 3), i, ffff ? " (U+FFFF)" : " (U+FFFE)", "not allowed in XML");
        }
        i += length;
    }
    return std::nullopt;
}

std::optional<std::string> EscapeXml(std::string_view text) {
    if (XmlTextProblem(text)) return std::nullopt;
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            // Parsers turn a literal tab or line end in an attribute into a space, and CR LF into LF.
            case '\t': out += "&#9;"; break;
            case '\n': out += "&#10;"; break;
            case '\r': out += "&#13;"; break;
            default: out += c;
        }
    }
    return out;
}

std::optional<std::string> WriteLogiqxDat(const std::string& gameName, const std::string& description,
                                          std::span<const RomEntry> roms) {
    const std::optional<std::string> game = EscapeXml(gameName);
    const std::optional<std::string> about = EscapeXml(description);
    if (!game || !about) return std::nullopt;
    std::string out =
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management Datafile//EN\" "
        "\"http://www.logiqx.com/Dats/datafile.dtd\">\n"
        "<datafile>\n"
        "\t<header>\n"
        "\t\t<name>" +
        *game +
        "</name>\n"
        "\t\t<description>" +
        *about +
        "</description>\n"
        "\t</header>\n"
        "\t<game name=\"" +
        *game +
        "\">\n"
        "\t\t<description>" +
        *about + "</description>\n";
    for (const RomEntry& rom : roms) {
        const std::optional<std::string> name = EscapeXml(rom.name);
        if (!name) return std::nullopt;
        out += "\t\t<rom name=\"" + *name + "\" size=\"" + std::to_string(rom.size) + "\"";
        if (rom.crc) {
            const std::uint32_t crc = *rom.crc;
            const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
                                           static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)};
            out += " crc=\"" + HexOf(bytes) + "\"";
        }
        if (rom.md5) out += " md5=\"" + HexOf(*rom.md5) + "\"";
        if (rom.sha1) out += " sha1=\"" + HexOf(*rom.sha1) + "\"";
        if (rom.sha256) out += " sha256=\"" + HexOf(*rom.sha256) + "\"";
        if (rom.status != RomStatus::Good) out += std::string(" status=\"") + RomStatusName(rom.status) + "\"";
        out += "/>\n";
    }
    out += "\t</game>\n</datafile>\n";
    return out;
}

}  // namespace vesperine::dat
