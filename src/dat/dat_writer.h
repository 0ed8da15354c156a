// Writing ROMs as a Logiqx XML DAT of one game, ready to submit.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "dat/rom_entry.h"

namespace vesperine::dat {

// Why text cannot stand in an XML 1.0 document, even escaped, or nullopt when it can: bytes that
// are not UTF-8 (a Latin-1 or code-page name, which makes XML parsers reject the whole file),
// control characters other than tab, line feed and carriage return, and U+FFFE and U+FFFF.
// For example "byte C4 at offset 3 is not UTF-8". No encoding is guessed: a name is written as
// the bytes it is, or not at all.
[[nodiscard]] std::optional<std::string> XmlTextProblem(std::string_view text);

// The text escaped for element content and attribute values alike: the five markup
// characters, and tab, line feed and carriage return as character references so that parsers
// give them back as they are. nullopt when XmlTextProblem finds one.
[[nodiscard]] std::optional<std::string> EscapeXml(std::string_view text);

// A <datafile> with a header and one <game name> whose <rom> elements carry name, size and
// every digest the entries hold (their game field is not used). Gives nullopt when a name or
// the description cannot be written (see XmlTextProblem).
[[nodiscard]] std::optional<std::string> WriteLogiqxDat(const std::string& gameName, const std::string& description,
                                                        std::span<const RomEntry> roms);

}  // namespace vesperine::dat
