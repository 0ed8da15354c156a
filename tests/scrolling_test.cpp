// Scroll requests, the paging keys, synchronised panes and jumps, through the fake host.
#include <gtest/gtest.h>

#include <climits>

#include "base/format.h"
#include "support/dialog_harness.h"

namespace vesperine {
namespace {

using testing::DialogHarness;

constexpr int kBase = ids::kBaseScrollBar;
constexpr int kDump = ids::kDumpScrollBar;

Bytes Filled(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i ^ (i >> 8));
    return bytes;
}

struct PaneHarness : DialogHarness {
    // Loads a base file of baseSize bytes and cuts the dump from 0 to areaEnd.
    void Prepare(std::size_t baseSize, const std::string& areaEnd = "", int stripe = 0) {
        LoadBase(Filled(baseSize));
        if (areaEnd.empty()) return;
        TypeArea("0", areaEnd);
        ChooseStripe(stripe);
        dialog.Analyze();
    }
    void TickSync() { host.SetCheckState(ids::kSyncScroll, 1); }
    void Place(int bar, int position) { host.SetScrollPos(bar, position); }
    [[nodiscard]] int Pos(int bar) const { return host.ScrollPos(bar); }
    void Request(int bar, ScrollRequest request) { dialog.OnVScroll(request, bar); }
    // The user drags the thumb to `to`; the bar reports it as the track position only.
    void Drag(int bar, int to) {
        host.bars[bar].track = to;
        dialog.OnVScroll(ScrollRequest::ThumbTrack, bar);
        host.bars[bar].track.reset();
    }
    void Press(int focus, FilterKey key) {
        host.focus = focus;
        dialog.OnKeyDown(key);
    }
    // The offset of the first row the pane shows.
    [[nodiscard]] std::string TopRow(int hexId) const { return Text(hexId).substr(0, 8); }
};

std::string RowOf(int position) { return HexDigits(static_cast<std::uint32_t>(position) * 16u, 8); }

TEST(Scrolling, EachRequestKindOnTheBaseBarAtItsEdges) {
    // 0x1000 bytes: positions 0 to 241, line and page down stop at 0x1000 / 16 = 256.
    const struct {
        int from;
        ScrollRequest request;
        int track;
        int to;
    } cases[] = {
        {0, ScrollRequest::LineUp, 0, 0},
        {5, ScrollRequest::LineUp, 0, 4},
        {0, ScrollRequest::LineDown, 0, 1},
        {241, ScrollRequest::LineDown, 0, 241},
        {0, ScrollRequest::PageUp, 0, 0},
        {5, ScrollRequest::PageUp, 0, 0},
        {16, ScrollRequest::PageUp, 0, 0},
        {20, ScrollRequest::PageUp, 0, 4},
        {0, ScrollRequest::PageDown, 0, 16},
        {230, ScrollRequest::PageDown, 0, 241},
        {7, ScrollRequest::ThumbPosition, 200, 7},
        {7, ScrollRequest::ThumbTrack, 200, 200},
        {7, ScrollRequest::ThumbTrack, 0, 0},
        {7, ScrollRequest::Top, 200, 7},
        {7, ScrollRequest::Bottom, 200, 7},
        {7, ScrollRequest::EndScroll, 200, 7},
        {7, static_cast<ScrollRequest>(42), 200, 7},
    };
    for (const auto& c : cases) {
        PaneHarness h;
        h.Prepare(0x1000);
        h.Place(kBase, c.from);
        h.host.bars[kBase].track = c.track;
        // Every request renders, even one that leaves the pane where it was.
        h.host.Type(ids::kBaseHex, "typed");
        h.Request(kBase, c.request);
        EXPECT_EQ(h.Pos(kBase), c.to) << "from " << c.from << " request " << static_cast<int>(c.request);
        EXPECT_EQ(h.TopRow(ids::kBaseHex), RowOf(c.to))
            << "from " << c.from << " request " << static_cast<int>(c.request);
    }
}

TEST(Scrolling, ASmallFileStaysAtItsOnlyPosition) {
    for (const auto request : {ScrollRequest::LineUp, ScrollRequest::LineDown, ScrollRequest::PageUp,
                               ScrollRequest::PageDown, ScrollRequest::ThumbTrack, ScrollRequest::EndScroll}) {
        PaneHarness h;
        h.Prepare(100);
        h.host.bars[kBase].track = 3;
        h.host.Type(ids::kBaseHex, "typed");
        h.Request(kBase, request);
        EXPECT_EQ(h.Pos(kBase), 0);
        EXPECT_EQ(h.TopRow(ids::kBaseHex), "00000000");
    }
}

TEST(Scrolling, RequestsBeforeAnyLoadRenderTheEmptyGrid) {
    PaneHarness h;
    h.Request(kDump, ScrollRequest::LineDown);
    EXPECT_EQ(h.Pos(kDump), 0);
    EXPECT_EQ(h.Text(ids::kDumpHex).size(), 984u);
    EXPECT_EQ(h.Text(ids::kBaseHex), "");
}

TEST(Scrolling, TheDumpBarStopsAtTheBaseFilesRowCount) {
    // A long dump analysed, then a shorter base file loaded: the dump bar keeps 0..497, while
    // line and page down stop at 0x1000 / 16 = 256.
    PaneHarness h;
    h.Prepare(0x2000, "2000");
    h.LoadBase(Filled(0x1000));
    const struct {
        int from;
        ScrollRequest request;
        int to;
    } cases[] = {
        {255, ScrollRequest::LineDown, 256}, {256, ScrollRequest::LineDown, 256}, {250, ScrollRequest::PageDown, 256},
        {497, ScrollRequest::LineDown, 256}, {497, ScrollRequest::PageDown, 256}, {497, ScrollRequest::LineUp, 496},
    };
    for (const auto& c : cases) {
        h.Drag(kDump, c.from);
        ASSERT_EQ(h.Pos(kDump), c.from);
        h.Request(kDump, c.request);
        EXPECT_EQ(h.Pos(kDump), c.to) << "from " << c.from << " request " << static_cast<int>(c.request);
        EXPECT_EQ(h.TopRow(ids::kDumpHex), RowOf(c.to));
    }
}

TEST(Sync, PartnerFollowsByTheRatioOfTheLengths) {
    const struct {
        std::size_t baseSize;
        const char* areaEnd;
        int stripe;
        int movedBar;
        int to;
        int partnerTo;
    } cases[] = {
        {0x20000, "20000", 1, kBase, 0x100, 0x80},                                        // odd bytes: ratio 2
        {0x20000, "20000", 1, kDump, 0x80, 0x100}, {0x30000, "10000", 0, kBase, 7, 2},    // ratio 3
        {0x30000, "10000", 0, kDump, 2, 6},        {0x1000, "1000", 0, kBase, 100, 100},  // ratio 1
        {0x1000, "1000", 0, kDump, 100, 100},
    };
    for (const auto& c : cases) {
        PaneHarness h;
        h.Prepare(c.baseSize, c.areaEnd, c.stripe);
        h.TickSync();
        h.Drag(c.movedBar, c.to);
        const int partner = c.movedBar == kBase ? kDump : kBase;
        EXPECT_EQ(h.Pos(c.movedBar), c.to) << c.baseSize << " moved " << c.movedBar;
        EXPECT_EQ(h.Pos(partner), c.partnerTo) << c.baseSize << " moved " << c.movedBar;
        EXPECT_EQ(h.TopRow(partner == kBase ? ids::kBaseHex : ids::kDumpHex), RowOf(c.partnerTo));
    }
}

TEST(Sync, LineAndPageMovesCarryThePartner) {
    PaneHarness h;
    h.Prepare(0x20000, "20000", 1);
    h.TickSync();
    h.Place(kBase, 0xFF);
    h.Request(kBase, ScrollRequest::LineDown);
    EXPECT_EQ(h.Pos(kDump), 0x80);
    h.Request(kDump, ScrollRequest::PageDown);
    EXPECT_EQ(h.Pos(kBase), 0x120);

    // Page up from 5 puts both at 0.
    h.Place(kBase, 5);
    h.Place(kDump, 9);
    h.Request(kBase, ScrollRequest::PageUp);
    EXPECT_EQ(h.Pos(kBase), 0);
    EXPECT_EQ(h.Pos(kDump), 0);
}

TEST(Sync, PartnerTakesThePositionBeforeTheBarClampedIt) {
    // Dump 0x10000 (last position 4081) of a 0x20000 base: line down at the end computes 4082,
    // which the dump bar clamps, while the base goes to 4082 * 2.
    PaneHarness h;
    h.Prepare(0x20000, "20000", 1);
    h.TickSync();
    h.Place(kDump, 4081);
    h.Request(kDump, ScrollRequest::LineDown);
    EXPECT_EQ(h.Pos(kDump), 4081);
    EXPECT_EQ(h.Pos(kBase), 8164);
}

TEST(Sync, AnyBaseRequestRealignsAnIndependentlyScrolledDump) {
    for (const auto request : {ScrollRequest::ThumbPosition, ScrollRequest::EndScroll, ScrollRequest::LineUp}) {
        PaneHarness h;
        h.Prepare(0x20000, "20000", 1);
        h.Place(kBase, 0x100);
        h.Place(kDump, 50);
        h.Request(kBase, request);  // not ticked yet: the dump stays
        EXPECT_EQ(h.Pos(kDump), 50);
        h.TickSync();
        h.Place(kBase, 0x100);
        h.Request(kBase, request);
        EXPECT_EQ(h.Pos(kDump), request == ScrollRequest::LineUp ? 0x7F : 0x80);
    }
}

TEST(Sync, WithoutADumpThePartnerStaysUnrendered) {
    PaneHarness h;
    h.Prepare(0x1000);
    h.TickSync();
    h.Request(kBase, ScrollRequest::LineDown);
    EXPECT_EQ(h.Pos(kBase), 1);
    EXPECT_EQ(h.Text(ids::kDumpHex), "");

    h.Place(kBase, 10);
    h.Request(kDump, ScrollRequest::LineDown);
    EXPECT_EQ(h.Pos(kBase), 10);
    EXPECT_EQ(h.Text(ids::kDumpHex).size(), 984u);
}

TEST(Sync, ADumpLongerThanTheBaseSendsTheBaseToItsTop) {
    // Ratio 0x1000 / 0x2000 = 0: dump moves put the base at 0, base moves leave the dump.
    PaneHarness h;
    h.Prepare(0x2000, "2000");
    h.LoadBase(Filled(0x1000));
    h.TickSync();
    for (const int to : {300, 2, 497}) {
        h.Place(kBase, 100);
        h.Drag(kDump, to);
        EXPECT_EQ(h.Pos(kBase), 0) << to;
        EXPECT_EQ(h.TopRow(ids::kBaseHex), "00000000");
    }
    h.Place(kBase, 100);
    h.Request(kDump, ScrollRequest::LineDown);
    EXPECT_EQ(h.Pos(kDump), 256);
    EXPECT_EQ(h.Pos(kBase), 0);

    h.host.Type(ids::kDumpHex, "typed");
    h.Request(kBase, ScrollRequest::PageDown);
    EXPECT_EQ(h.Pos(kBase), 16);
    EXPECT_EQ(h.Pos(kDump), 256);
    EXPECT_EQ(h.Text(ids::kDumpHex), "typed");
}

TEST(PagingKeys, PageTheFocusedHexPane) {
    const struct {
        int from;
        FilterKey key;
        int to;
    } cases[] = {
        {0, FilterKey::PageDown, 16},  {5, FilterKey::PageUp, 0}, {230, FilterKey::PageDown, 241},
        {241, FilterKey::PageUp, 225}, {0, FilterKey::PageUp, 0},
    };
    for (const auto& c : cases) {
        PaneHarness h;
        h.Prepare(0x1000, "1000");
        h.Place(kBase, c.from);
        h.Place(kDump, c.from);
        h.Press(ids::kBaseHex, c.key);
        EXPECT_EQ(h.Pos(kBase), c.to) << c.from;
        EXPECT_EQ(h.TopRow(ids::kBaseHex), RowOf(c.to));
        EXPECT_EQ(h.Pos(kDump), c.from);
        h.Press(ids::kDumpHex, c.key);
        EXPECT_EQ(h.Pos(kDump), c.to) << c.from;
        EXPECT_EQ(h.TopRow(ids::kDumpHex), RowOf(c.to));
    }
}

TEST(PagingKeys, OtherControlsAndUnshownPanesScrollNothing) {
    PaneHarness h;
    h.Press(ids::kBaseHex, FilterKey::PageDown);
    h.Press(ids::kDumpHex, FilterKey::PageDown);
    EXPECT_EQ(h.Text(ids::kBaseHex), "");
    EXPECT_EQ(h.Text(ids::kDumpHex), "");

    h.Prepare(0x1000, "1000");
    h.TickSync();
    h.Place(kBase, 5);
    h.Place(kDump, 5);
    h.host.Type(ids::kBaseHex, "typed in base");
    for (const int focus : {ids::kBaseText, ids::kDumpText, ids::kMemo, ids::kBaseScrollBar, 0}) {
        h.Press(focus, FilterKey::PageDown);
        h.Press(focus, FilterKey::PageUp);
        EXPECT_EQ(h.Pos(kBase), 5) << focus;
        EXPECT_EQ(h.Pos(kDump), 5) << focus;
        EXPECT_EQ(h.Text(ids::kBaseHex), "typed in base") << focus;
    }
}

TEST(PagingKeys, SyncWithoutADumpMovesTheBaseOnly) {
    PaneHarness h;
    h.Prepare(0x1000);
    h.TickSync();
    h.Press(ids::kBaseHex, FilterKey::PageDown);
    EXPECT_EQ(h.Pos(kBase), 16);
    EXPECT_EQ(h.Pos(kDump), 0);
    EXPECT_EQ(h.Text(ids::kDumpHex), "");
}

TEST(PagingKeys, SyncCarriesThePartner) {
    PaneHarness h;
    h.Prepare(0x20000, "20000", 1);
    h.TickSync();
    h.Press(ids::kBaseHex, FilterKey::PageDown);
    EXPECT_EQ(h.Pos(kBase), 16);
    EXPECT_EQ(h.Pos(kDump), 8);
    EXPECT_EQ(h.TopRow(ids::kDumpHex), RowOf(8));
    h.Press(ids::kDumpHex, FilterKey::PageDown);
    EXPECT_EQ(h.Pos(kDump), 24);
    EXPECT_EQ(h.Pos(kBase), 48);
    EXPECT_EQ(h.TopRow(ids::kBaseHex), RowOf(48));
}

TEST(PagingKeys, OnlyPagingTheBaseAsksWhetherThePartnerWasShown) {
    PaneHarness h;
    h.Prepare(0x20000, "20000", 1);
    h.TickSync();
    // The user empties the dump hex box: paging the base leaves the dump alone.
    h.host.Type(ids::kDumpHex, "");
    h.Press(ids::kBaseHex, FilterKey::PageDown);
    EXPECT_EQ(h.Pos(kBase), 16);
    EXPECT_EQ(h.Pos(kDump), 0);
    EXPECT_EQ(h.Text(ids::kDumpHex), "");

    // Emptying the base hex box does not stop paging the dump from moving the base.
    h.dialog.RenderDumpPane();
    h.host.Type(ids::kBaseHex, "");
    h.Press(ids::kDumpHex, FilterKey::PageDown);
    EXPECT_EQ(h.Pos(kDump), 16);
    EXPECT_EQ(h.Pos(kBase), 32);
    EXPECT_EQ(h.TopRow(ids::kBaseHex), RowOf(32));
}

TEST(PagingKeys, ADumpLongerThanTheBaseSendsTheBaseToItsTop) {
    PaneHarness h;
    h.Prepare(0x2000, "2000");
    h.LoadBase(Filled(0x1000));
    h.TickSync();
    h.Place(kBase, 100);
    h.Press(ids::kDumpHex, FilterKey::PageDown);
    EXPECT_EQ(h.Pos(kDump), 16);
    EXPECT_EQ(h.Pos(kBase), 0);
    h.Press(ids::kBaseHex, FilterKey::PageDown);
    EXPECT_EQ(h.Pos(kBase), 16);
    EXPECT_EQ(h.Pos(kDump), 16);
}

TEST(PagingKeys, PositionsAtTheTopOfTheIntRangeDoNotOverflow) {
    // No real bar reaches these positions; the keys must still only ever clamp.
    PaneHarness h;
    h.Prepare(0x1000);
    h.host.bars[kBase] = {0, INT_MAX, INT_MAX - 5, std::nullopt};
    h.Press(ids::kBaseHex, FilterKey::PageDown);
    EXPECT_EQ(h.Pos(kBase), INT_MAX);
    h.Press(ids::kBaseHex, FilterKey::PageUp);
    EXPECT_EQ(h.Pos(kBase), INT_MAX - 16);
}

TEST(Jumps, ShowTheRowHoldingTheAddress) {
    // 0x10000 bytes: positions 0 to 4081.
    const struct {
        const char* address;
        int to;
    } cases[] = {
        {"1234", 0x123}, {"FF0F", 4080}, {"FF10", 4081}, {"FFFF", 4081}, {"FFFFFFFF", 4081}, {"", 0}, {"zz", 0},
    };
    for (const auto& c : cases) {
        PaneHarness h;
        h.Prepare(0x10000, "10000");
        h.Place(kBase, 100);
        h.Place(kDump, 100);
        h.host.Type(ids::kBaseJumpText, c.address);
        h.dialog.BaseJump();
        EXPECT_EQ(h.Pos(kBase), c.to) << c.address;
        EXPECT_EQ(h.TopRow(ids::kBaseHex), RowOf(c.to)) << c.address;
        h.host.Type(ids::kDumpJumpText, c.address);
        h.dialog.DumpJump();
        EXPECT_EQ(h.Pos(kDump), c.to) << c.address;
        EXPECT_EQ(h.TopRow(ids::kDumpHex), RowOf(c.to)) << c.address;
    }
}

TEST(Jumps, MoveOnlyTheirOwnPaneEvenWhenSynchronised) {
    PaneHarness h;
    h.Prepare(0x20000, "20000", 1);
    h.TickSync();
    h.host.Type(ids::kDumpJumpText, "800");
    h.dialog.DumpJump();
    EXPECT_EQ(h.Pos(kDump), 0x80);
    EXPECT_EQ(h.Pos(kBase), 0);
    h.host.Type(ids::kBaseJumpText, "4000");
    h.dialog.BaseJump();
    EXPECT_EQ(h.Pos(kBase), 0x400);
    EXPECT_EQ(h.Pos(kDump), 0x80);
    // The address typed stays in its box.
    EXPECT_EQ(h.Text(ids::kBaseJumpText), "4000");
}

}  // namespace
}  // namespace vesperine
