// The Logiqx DAT writer: fixed layout, escaped text, hex digests in lower case.
#include "dat/dat_writer.h"

#include "dat/rom_fields.h"

namespace vesperine::dat {

std::optional<std::string> EscapeXml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') return std::nullopt;
                out += c;
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
