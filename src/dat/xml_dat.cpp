// The XML DAT forms (Logiqx datafile and the machine list) through pugixml.
#include <pugixml.hpp>

#include <cstring>

#include "dat/dat_reader.h"
#include "dat/line_counter.h"
#include "dat/rom_fields.h"

namespace vesperine::dat {
namespace {

[[nodiscard]] DatParse Refused(std::uint32_t line, std::string message) {
    return {{}, DatError{"", line, std::move(message)}};
}

[[nodiscard]] std::uint32_t LineOf(LineCounter& lines, const pugi::xml_node& node) {
    const std::ptrdiff_t offset = node.offset_debug();
    return offset < 0 ? 0 : lines.LineAt(static_cast<std::size_t>(offset));
}

}  // namespace

DatParse ReadXmlDat(std::string_view text) {
    pugi::xml_document document;
    // Only elements and attributes matter; the DOCTYPE of Logiqx DATs is skipped, never fetched.
    const pugi::xml_parse_result parsed =
        document.load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_doctype, pugi::encoding_utf8);
    LineCounter lines(text);
    if (!parsed) {
        // pugixml names a cut-short file by whatever it was reading at the end ("Start-end tags
        // mismatch" for an element never closed): say what happened instead.
        const std::size_t end = text.find_last_not_of(" \t\r\n") + 1;
        const auto offset = static_cast<std::size_t>(parsed.offset);
        const bool cutShort = offset + 1 >= end && parsed.status != pugi::status_no_document_element;
        return Refused(lines.LineAt(offset), cutShort ? "XML: the file ends before its elements are closed (cut short?)"
                                                      : std::string("XML: ") + parsed.description());
    }
    const pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), "datafile") != 0 && std::strcmp(root.name(), "mame") != 0) {
        return Refused(LineOf(lines, root),
                       std::string("XML root <") + root.name() + "> is neither <datafile> nor <mame>");
    }
    DatParse result;
    for (const pugi::xml_node game : root.children()) {
        if (std::strcmp(game.name(), "game") != 0 && std::strcmp(game.name(), "machine") != 0) continue;
        const std::string gameName = game.attribute("name").value();
        for (const pugi::xml_node rom : game.children("rom")) {
            RomEntry entry;
            entry.game = gameName;
            bool sizeSeen = false;
            for (const pugi::xml_attribute attribute : rom.attributes()) {
                sizeSeen = sizeSeen || std::strcmp(attribute.name(), "size") == 0;
                if (auto message = TakeRomField(entry, attribute.name(), attribute.value())) {
                    return Refused(LineOf(lines, rom), *message);
                }
            }
            if (auto message = CheckRomComplete(entry, sizeSeen)) return Refused(LineOf(lines, rom), *message);
            result.roms.push_back(std::move(entry));
        }
    }
    return result;
}

}  // namespace vesperine::dat
