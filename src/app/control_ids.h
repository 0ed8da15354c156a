// Control, menu and key codes of the dialog template, shared by the core and every host.
#pragma once

namespace vesperine::ids {

inline constexpr int kBaseHex = 1000;
inline constexpr int kBaseText = 1001;
inline constexpr int kDumpHex = 1002;
inline constexpr int kDumpText = 1003;
inline constexpr int kBaseScrollBar = 1004;
inline constexpr int kDumpScrollBar = 1005;
inline constexpr int kBasePath = 1006;
inline constexpr int kMaskPath = 1007;
inline constexpr int kMaskNothing = 1008;  // mask group: 1008 to 1010
inline constexpr int kMaskExor = 1009;
inline constexpr int kMaskReplace = 1010;
inline constexpr int kStripeFull = 1011;  // stripe group: 1011 to 1013
inline constexpr int kStripeOdd = 1012;
inline constexpr int kStripeEven = 1013;
inline constexpr int kAreaStart = 1014;
inline constexpr int kAreaEnd = 1015;
inline constexpr int kAnalyzeButton = 1016;
inline constexpr int kDumpSize = 1017;
inline constexpr int kDumpCrc = 1018;
inline constexpr int kBaseFileButton = 1019;
inline constexpr int kMaskFileButton = 1020;
inline constexpr int kSaveDumpButton = 1021;
inline constexpr int kBaseJumpText = 1022;
inline constexpr int kDumpJumpText = 1023;
inline constexpr int kBaseJumpButton = 1024;
inline constexpr int kDumpJumpButton = 1025;
inline constexpr int kQuickExorButton = 1026;
inline constexpr int kQuickExorText = 1027;
inline constexpr int kSyncScroll = 1028;
inline constexpr int kEndianButton = 1029;
inline constexpr int kEndian16 = 1030;  // endian group: 1030 to 1031
inline constexpr int kEndian32 = 1031;
inline constexpr int kSearchSize = 1032;
inline constexpr int kSearchCrc = 1033;
inline constexpr int kAttackButton = 1034;
inline constexpr int kSearchStep = 1035;
inline constexpr int kMemo = 1036;
inline constexpr int kSwapButton = 1037;
inline constexpr int kLogClearButton = 1038;

inline constexpr int kMenuLoadBase = 32771;
inline constexpr int kMenuLoadMask = 32772;
inline constexpr int kMenuSaveDump = 32773;
inline constexpr int kMenuAnalyze = 32774;

}  // namespace vesperine::ids

namespace vesperine {

// Keys the key filter acts on, by their Windows virtual-key codes; hosts translate to these.
enum class FilterKey : int { PageUp = 0x21, PageDown = 0x22, F1 = 0x70, F2 = 0x71, F3 = 0x72, F4 = 0x73 };

// Scroll request kinds, numbered as the platform's SB_ codes.
enum class ScrollRequest : int {
    LineUp = 0,
    LineDown = 1,
    PageUp = 2,
    PageDown = 3,
    ThumbPosition = 4,
    ThumbTrack = 5,
    Top = 6,
    Bottom = 7,
    EndScroll = 8,
};

}  // namespace vesperine
