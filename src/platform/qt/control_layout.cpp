// The dialog template's controls and menu, one row each.
#include "platform/qt/control_layout.h"

#include "app/control_ids.h"

namespace vesperine::qt {

namespace {
using K = ControlKind;
constexpr std::uint32_t kPane = kBorder | kTabStop | kMultiLine | kWantReturn;
constexpr std::uint32_t kPathEdit = kBorder | kReadOnly | kAutoHScroll;
constexpr std::uint32_t kHexEdit = kBorder | kTabStop | kAutoHScroll;
constexpr std::uint32_t kResultEdit = kBorder | kTabStop | kReadOnly | kAutoHScroll;
constexpr std::uint32_t kMemoEdit = kBorder | kTabStop | kMultiLine | kWantReturn | kAutoHScroll | kVScroll;
}  // namespace

const std::array<ControlTemplate, kControlCount> kControls{{
    {ids::kBaseHex, K::Edit, "", 4, 13, 230, 132, kPane},
    {ids::kBaseText, K::Edit, "", 234, 13, 70, 132, kPane},
    {ids::kDumpHex, K::Edit, "", 4, 175, 230, 131, kPane},
    {ids::kDumpText, K::Edit, "", 234, 175, 70, 131, kPane},
    {ids::kBaseFileButton, K::Button, ".", 319, 13, 6, 12, kTabStop},
    {ids::kBasePath, K::Edit, "", 324, 13, 191, 12, kPathEdit},
    {ids::kMaskFileButton, K::Button, ".", 319, 37, 6, 12, kTabStop},
    {ids::kMaskPath, K::Edit, "", 324, 37, 191, 12, kPathEdit},
    {ids::kMaskNothing, K::Radio, "Nothing", 326, 62, 44, 10, kGroupStart | kTabStop},
    {ids::kMaskExor, K::Radio, "EX-OR", 383, 62, 36, 10, kTabStop},
    {ids::kMaskReplace, K::Radio, "Replace(1byte)", 437, 62, 72, 10, kTabStop},
    {ids::kStripeFull, K::Radio, "Full", 326, 88, 32, 10, kGroupStart | kTabStop},
    {ids::kStripeOdd, K::Radio, "Odd", 383, 88, 28, 10, kTabStop},
    {ids::kStripeEven, K::Radio, "Even", 437, 88, 32, 10, kTabStop},
    {ids::kAreaStart, K::Edit, "", 329, 123, 40, 12, kHexEdit},
    {ids::kAreaEnd, K::Edit, "", 380, 123, 38, 12, kHexEdit},
    {ids::kAnalyzeButton, K::Button, "Go Analyze!", 454, 115, 57, 20, kTabStop},
    {ids::kBaseJumpButton, K::Button, "BASE Jump", 324, 174, 50, 12, kTabStop},
    {ids::kBaseJumpText, K::Edit, "", 374, 174, 38, 12, kHexEdit},
    {ids::kDumpJumpButton, K::Button, "DUMP Jump", 324, 188, 50, 11, kTabStop},
    {ids::kDumpJumpText, K::Edit, "", 374, 187, 38, 12, kHexEdit},
    {ids::kQuickExorButton, K::Button, "Quick EXOR", 324, 200, 50, 11, kTabStop},
    {ids::kQuickExorText, K::Edit, "", 374, 200, 38, 12, kHexEdit},
    {ids::kEndianButton, K::Button, "Endian Conv", 324, 212, 51, 12, kTabStop},
    {ids::kEndian16, K::Radio, "16bit", 377, 212, 36, 10, kGroupStart | kTabStop},
    {ids::kEndian32, K::Radio, "32bit", 377, 222, 36, 10, kTabStop},
    {ids::kSearchSize, K::Edit, "", 471, 177, 36, 12, kHexEdit},
    {ids::kSearchCrc, K::Edit, "", 471, 189, 36, 12, kHexEdit},
    {ids::kSearchStep, K::Edit, "", 471, 201, 36, 12, kHexEdit},
    {ids::kAttackButton, K::Button, "Go Attack!", 441, 216, 57, 16, kTabStop | kMayWrap},
    {ids::kMemo, K::Edit, "", 320, 260, 195, 35, kMemoEdit},
    {ids::kDumpSize, K::Edit, "", 329, 146, 136, 12, kResultEdit},
    {ids::kDumpCrc, K::Edit, "", 469, 146, 40, 12, kResultEdit},
    {ids::kSaveDumpButton, K::Button, "Save DumpFile", 445, 295, 70, 13, kTabStop | kMayWrap},
    {ids::kBaseScrollBar, K::ScrollBar, "", 304, 13, 10, 132, kNoStyle},
    {ids::kDumpScrollBar, K::ScrollBar, "", 304, 175, 10, 131, kNoStyle},
    {kNoId, K::Label, "Selected [Base File]", 319, 5, 81, 8, kGroupStart},
    {kNoId, K::Label, "Selected [Mask File] *need not exist", 319, 29, 145, 8, kGroupStart},
    {kNoId, K::Label, "Target Area (HEX)", 329, 115, 69, 8, kGroupStart},
    {kNoId, K::Label, "to", 370, 124, 9, 8, kGroupStart},
    {kNoId, K::Label, "DUMP SIZE", 329, 138, 37, 8, kGroupStart},
    {kNoId, K::Label, "CRC32", 469, 137, 21, 8, kGroupStart},
    {kNoId, K::Label, "= BASE = +0 +1 +2 +3 +4 +5 +6 +7 +8 +9 +A +B +C +D +E +F", 5, 5, 225, 8, kGroupStart},
    {kNoId, K::Label, "0123456789ABCDEF", 235, 5, 80, 8, kGroupStart},
    {kNoId, K::Label, "= DUMP = +0 +1 +2 +3 +4 +5 +6 +7 +8 +9 +A +B +C +D +E +F", 5, 167, 225, 8, kGroupStart},
    {kNoId, K::Label, "0123456789ABCDEF", 235, 167, 80, 8, kGroupStart},
    {ids::kSyncScroll, K::Check, "Sync scroll", 252, 151, 60, 10, kTabStop},
    {kNoId, K::Label, "Size(HEX):", 428, 179, 41, 8, kGroupStart},
    {kNoId, K::Label, "TargetCRC:", 428, 191, 41, 8, kGroupStart},
    {kNoId, K::Label, "Step(HEX):", 428, 203, 41, 8, kGroupStart},
    {kNoId, K::Label, "Log && Memo", 322, 252, 41, 8, kGroupStart},
    {kNoId, K::GroupBox, "Assist Func", 320, 165, 95, 85, kNoStyle},
    {kNoId, K::GroupBox, "Brute Force(DetectCRC)", 420, 165, 95, 85, kNoStyle},
    {kNoId, K::GroupBox, "Masking Pattern", 320, 52, 195, 23, kNoStyle},
    {kNoId, K::GroupBox, "Extract ODD && EVEN (Stripe Mode)", 320, 78, 195, 22, kNoStyle},
    {kNoId, K::GroupBox, "Dump Action", 320, 101, 195, 61, kNoStyle},
    {kNoId, K::Label, "*Shift+BS=Break", 439, 235, 61, 8, kGroupStart},
    {ids::kSwapButton, K::Button, "Swap 1stHalf&&2ndHalf", 324, 233, 86, 13, kTabStop},
    {ids::kLogClearButton, K::Button, "Log Clear", 320, 295, 50, 10, kTabStop},
}};

const std::array<MenuItem, 4> kMenuItems{{
    {ids::kMenuLoadBase, "Load BaseFile (F1)"},
    {ids::kMenuLoadMask, "Load MaskFile (F2)"},
    {ids::kMenuSaveDump, "Save DumpFile (F3)"},
    {ids::kMenuAnalyze, "Go Analyze (F4)"},
}};

}  // namespace vesperine::qt
