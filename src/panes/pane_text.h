// The texts of a hex pane: 17 rows of 16 bytes from a top offset.
// src/panes: the dialog's two hex panes (text, scroll bars, scrolling, jumps), members of MainDialog
// built into vesperine_dialog (src/app/CMakeLists.txt). It may include base, files, analysis,
// search, the modules and app (cmake/layers.cmake).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "panes/code_page.h"

namespace vesperine {

inline constexpr int kPaneRows = 17;
inline constexpr std::size_t kHexTextLength = 17 * 56 + 16 * 2;   // 984
inline constexpr std::size_t kCharTextLength = 17 * 16 + 16 * 2;  // 304

struct PaneText {
    std::string hex;    // "%08X" offset and sixteen " %02X" or " --" cells a row
    std::string chars;  // sixteen characters a row, "." for every byte not shown
};

// Formats the rows at top, top + 16, ... top + 256 of buffer (whose size is the length); rows
// are joined by "\r\n" with none after the last, so the texts are always 984 and 304 bytes.
// Offsets are unsigned 32-bit and wrap as such.
[[nodiscard]] PaneText FormatPane(std::span<const std::uint8_t> buffer, std::uint32_t top, const ByteClasses& classes);

}  // namespace vesperine
