// The window's layout as data: every control of the dialog template, the menu bar and the caption.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vesperine::qt {

enum class ControlKind { Edit, Button, Radio, Check, ScrollBar, Label, GroupBox };

// Template styles, combined as bits.
enum Style : std::uint32_t {
    kNoStyle = 0,
    kTabStop = 1u << 0,
    kGroupStart = 1u << 1,
    kBorder = 1u << 2,
    kReadOnly = 1u << 3,
    kMultiLine = 1u << 4,
    kWantReturn = 1u << 5,   // Enter starts a new line
    kAutoHScroll = 1u << 6,  // scrolls horizontally instead of wrapping
    kVScroll = 1u << 7,      // its own vertical scroll bar
    kMayWrap = 1u << 8,      // a button caption that may wrap
};

inline constexpr int kNoId = -1;

// One control: id (kNoId for labels and frames), kind, caption as the template spells it
// ("&&" for one "&"), place and size in dialog units, styles.
struct ControlTemplate {
    int id;
    ControlKind kind;
    std::string_view caption;
    int x, y, w, h;
    std::uint32_t styles;
};

inline constexpr int kControlCount = 59;
// In template order, which is also the tab order and the stacking order (first on top).
extern const std::array<ControlTemplate, kControlCount> kControls;

struct MenuItem {
    int id;
    std::string_view text;
};
extern const std::array<MenuItem, 4> kMenuItems;

inline constexpr std::string_view kWindowCaption = "Vesperine [VESPERIN] Ver1.40";
inline constexpr int kClientWidth = 519;  // dialog units
inline constexpr int kClientHeight = 309;

}  // namespace vesperine::qt
