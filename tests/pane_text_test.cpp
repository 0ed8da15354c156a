// Pane texts and the pane commands: rows, cells, characters and the transfer around a render.
#include "panes/pane_text.h"

#include <gtest/gtest.h>

#include "support/dialog_harness.h"

namespace vesperine {
namespace {

using testing::DialogHarness;
using testing::HexBytes;

std::string Row(const std::string& text, int row) {
    std::size_t begin = 0;
    for (int r = 0; r < row; ++r) begin = text.find("\r\n", begin) + 2;
    return text.substr(begin, text.find("\r\n", begin) - begin);
}

TEST(FormatPane, EmptyBufferGivesTheGridOfOffsetsAndDashes) {
    const PaneText text = FormatPane({}, 0, {});
    EXPECT_EQ(text.hex.size(), kHexTextLength);
    EXPECT_EQ(text.chars.size(), kCharTextLength);
    EXPECT_EQ(Row(text.hex, 0), "00000000 -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");
    EXPECT_EQ(Row(text.hex, 16), "00000100 -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");
    EXPECT_EQ(Row(text.chars, 16), "................");
    EXPECT_NE(text.hex.substr(text.hex.size() - 2), "\r\n");
}

TEST(FormatPane, ShortBufferFillsItsCellsAndDashesTheRest) {
    Bytes bytes(20);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0x41 + i);
    const PaneText text = FormatPane(bytes, 0, {});
    EXPECT_EQ(Row(text.hex, 0), "00000000 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50");
    EXPECT_EQ(Row(text.hex, 1), "00000010 51 52 53 54 -- -- -- -- -- -- -- -- -- -- -- --");
    EXPECT_EQ(Row(text.chars, 0), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(Row(text.chars, 1), "QRST............");
    EXPECT_EQ(Row(text.chars, 2), "................");
}

TEST(FormatPane, TopOffsetNamesTheFirstRowAndLengthsStayFixed) {
    const Bytes bytes(0x1000, 0xAB);
    const PaneText text = FormatPane(bytes, 0x100, {});
    EXPECT_EQ(Row(text.hex, 0).substr(0, 8), "00000100");
    EXPECT_EQ(Row(text.hex, 16).substr(0, 8), "00000200");
    EXPECT_EQ(text.hex.size(), kHexTextLength);
    const PaneText beyond = FormatPane(bytes, 0xFFFFFFF0u, {});
    EXPECT_EQ(Row(beyond.hex, 0), "FFFFFFF0 -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");
    EXPECT_EQ(Row(beyond.hex, 1).substr(0, 8), "00000000") << "offsets wrap as 32-bit numbers";
    EXPECT_EQ(beyond.chars.size(), kCharTextLength);
}

TEST(FormatPane, CharacterRuleByCodePage) {
    const Bytes bytes = HexBytes("41 20 2E 00 0A 7F FF 82 40 E0 FC FD 81 9F A0 7E");
    EXPECT_EQ(Row(FormatPane(bytes, 0, ClassesForCodePage(1252)).chars, 0), "A ......@......~");
    EXPECT_EQ(Row(FormatPane(bytes, 0, ClassesForCodePage(932)).chars, 0),
              std::string("A .....\x82@\xE0\xFC.\x81\x9F\xA0~"));
    EXPECT_EQ(Row(FormatPane(bytes, 0, {}).hex, 0), "00000000 41 20 2E 00 0A 7F FF 82 40 E0 FC FD 81 9F A0 7E");
}

TEST(PaneCommands, ResetPaneScrollRanges) {
    const struct {
        std::uint32_t length;
        int maximum;
    } cases[] = {{0, 0}, {239, 0}, {240, 0}, {256, 1}, {0x1000, 241}, {0x10000, 4081}};
    for (const auto& c : cases) {
        DialogHarness h;
        h.host.bars[ids::kBaseScrollBar].position = 0;
        h.dialog.ResetPaneScroll(ids::kBaseScrollBar, c.length);
        EXPECT_EQ(h.host.bars[ids::kBaseScrollBar].maximum, c.maximum) << c.length;
        EXPECT_EQ(h.host.bars[ids::kBaseScrollBar].position, 0);
    }
}

TEST(PaneCommands, RenderReplacesOnlyItsOwnPaneAndCarriesOtherTyping) {
    DialogHarness h;
    h.LoadBase(HexBytes("41 42"));
    h.host.Type(ids::kBaseHex, "typed over the base pane");
    h.host.Type(ids::kDumpHex, "typed into the dump pane");
    h.host.Type(ids::kAreaStart, "1");
    h.dialog.RenderBasePane();
    EXPECT_EQ(Row(h.Text(ids::kBaseHex), 0), "00000000 41 42 -- -- -- -- -- -- -- -- -- -- -- -- -- --");
    EXPECT_EQ(h.Text(ids::kDumpHex), "typed into the dump pane");
    EXPECT_EQ(h.Text(ids::kAreaStart), "1");
    EXPECT_EQ(h.dialog.fields().areaStart, "1");
    EXPECT_EQ(testing::HexString(h.dialog.workspace().Base()), "41 42") << "typing never changes a buffer";
}

TEST(PaneCommands, RenderReadsTheBarPositionAndRecordsTheTop) {
    DialogHarness h;
    h.LoadBase(Bytes(0x1000, 0x11));
    h.host.SetScrollPos(ids::kBaseScrollBar, 0x10);
    h.dialog.RenderBasePane();
    EXPECT_EQ(h.dialog.workspace().baseTop(), 0x100u);
    EXPECT_EQ(Row(h.Text(ids::kBaseHex), 0).substr(0, 8), "00000100");
}

}  // namespace
}  // namespace vesperine
