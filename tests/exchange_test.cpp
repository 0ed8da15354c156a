// The exchange sweeps, the log and the memo's change capture.
#include <gtest/gtest.h>

#include "support/dialog_harness.h"

namespace vesperine {
namespace {

using testing::DialogHarness;

TEST(Exchange, OpeningShowsTheDefaultsAndFocusesTheBaseHexPane) {
    DialogHarness h;
    EXPECT_EQ(h.Text(ids::kSearchStep), "4");
    for (const int id : {ids::kBasePath, ids::kMaskPath, ids::kAreaStart, ids::kAreaEnd, ids::kDumpSize, ids::kDumpCrc,
                         ids::kBaseJumpText, ids::kSearchSize, ids::kSearchCrc, ids::kMemo, ids::kBaseHex})
        EXPECT_EQ(h.Text(id), "") << id;
    EXPECT_EQ(h.host.CheckedRadio(ids::kMaskNothing, ids::kMaskReplace), 0);
    EXPECT_EQ(h.host.CheckedRadio(ids::kStripeFull, ids::kStripeEven), 0);
    EXPECT_EQ(h.host.CheckedRadio(ids::kEndian16, ids::kEndian32), 0);
    EXPECT_EQ(h.host.CheckState(ids::kSyncScroll), 0);
    EXPECT_EQ(h.host.focus, ids::kBaseHex);
    for (const int id : {ids::kAreaStart, ids::kAreaEnd, ids::kBaseJumpText, ids::kDumpJumpText, ids::kQuickExorText,
                         ids::kSearchSize, ids::kSearchCrc, ids::kSearchStep})
        EXPECT_EQ(h.host.limits[id], 8) << id;
    EXPECT_EQ(h.host.limits.count(ids::kMemo), 0u);
}

TEST(Exchange, PullTakesEveryControlAndPushGivesItBack) {
    DialogHarness h;
    h.host.Type(ids::kBaseJumpText, "1234");
    h.ChooseStripe(2);
    h.host.SetCheckState(ids::kSyncScroll, 1);
    EXPECT_TRUE(h.dialog.PullFromControls());
    EXPECT_EQ(h.dialog.fields().baseJumpText, "1234");
    EXPECT_EQ(h.dialog.fields().stripeMode, 2);
    EXPECT_EQ(h.dialog.fields().syncScroll, 1);

    h.host.CheckRadio(ids::kMaskNothing, ids::kMaskReplace, -1);
    h.dialog.PullFromControls();
    EXPECT_EQ(h.dialog.fields().maskMode, -1) << "no button checked pulls as -1";
    h.dialog.fields().maskMode = 7;
    h.dialog.PushToControls();
    EXPECT_EQ(h.host.CheckedRadio(ids::kMaskNothing, ids::kMaskReplace), -1) << "a value outside the group clears all";
}

TEST(Exchange, OverlongTextStopsThePullAtItsRow) {
    DialogHarness h;
    h.host.Type(ids::kAreaStart, "1");
    h.host.Type(ids::kAreaEnd, "123456789");
    h.host.Type(ids::kSearchSize, "20");  // a later row
    EXPECT_FALSE(h.dialog.PullFromControls());
    EXPECT_EQ(h.dialog.fields().areaStart, "1");
    EXPECT_EQ(h.dialog.fields().areaEnd, "123456789");
    EXPECT_EQ(h.dialog.fields().searchSizeText, "") << "rows after the offending one keep their values";
    ASSERT_EQ(h.host.messages.size(), 1u);
    EXPECT_EQ(h.host.messages[0].text, "Please enter no more than 8 characters.");
    EXPECT_EQ(h.host.focus, ids::kAreaEnd);
    EXPECT_TRUE(h.host.focusSelectedAll);
}

TEST(Log, AppendSeparatesLinesWithCrLfAndNeverEndsWithOne) {
    DialogHarness h;
    h.dialog.AppendLog("first");
    EXPECT_EQ(h.Text(ids::kMemo), "first");
    h.dialog.AppendLog("second");
    EXPECT_EQ(h.Text(ids::kMemo), "first\r\nsecond");
    h.dialog.ClearLog();
    h.dialog.AppendLog("again");
    EXPECT_EQ(h.Text(ids::kMemo), "again");
}

TEST(Log, TypedNotesAreCapturedAndATypedLineBreakIsNotDoubled) {
    DialogHarness h;
    h.host.Type(ids::kMemo, "my note\r\n");
    h.dialog.OnEditChanged(ids::kMemo);
    h.dialog.AppendLog("[AN] line");
    EXPECT_EQ(h.Text(ids::kMemo), "my note\r\n[AN] line");

    h.host.Type(ids::kMemo, "[AN] line\r\nmore");
    h.dialog.OnEditChanged(ids::kMemo);
    h.dialog.AppendLog("next");
    EXPECT_EQ(h.Text(ids::kMemo), "[AN] line\r\nmore\r\nnext");
}

TEST(Log, ClearWithoutPullPutsBackUnpulledTypingButKeepsWhatAMemoChangePulled) {
    DialogHarness h;
    h.host.Type(ids::kBaseJumpText, "100");
    h.dialog.ClearLog();
    EXPECT_EQ(h.Text(ids::kBaseJumpText), "") << "typing no pull has taken is replaced";

    h.host.Type(ids::kBaseJumpText, "200");
    h.host.Type(ids::kMemo, "x");
    h.dialog.OnEditChanged(ids::kMemo);
    h.dialog.ClearLog();
    EXPECT_EQ(h.Text(ids::kBaseJumpText), "200");
    EXPECT_EQ(h.Text(ids::kMemo), "");
}

TEST(Log, ChangeNotificationsDuringASweepStartNoPull) {
    DialogHarness h;
    int pullsSeen = 0;
    h.host.changeListener = [&](int id) {
        if (id != ids::kMemo) return;
        // A real edit notifies on every set; this one would pull the stale jump text if heard.
        h.host.Type(ids::kBaseJumpText, "STALE");
        h.dialog.OnEditChanged(id);
        ++pullsSeen;
    };
    h.dialog.AppendLog("line");
    EXPECT_GE(pullsSeen, 1);
    EXPECT_EQ(h.dialog.fields().baseJumpText, "") << "the notification inside the push was ignored";
}

TEST(Routing, MenuButtonsAndKeysReachTheSameCommands) {
    DialogHarness h;
    h.dialog.OnMenuCommand(ids::kMenuLoadBase);
    h.dialog.OnButtonClicked(ids::kBaseFileButton);
    h.dialog.OnKeyDown(FilterKey::F1);
    EXPECT_EQ(h.host.openDialogs, 3);
    h.dialog.OnMenuCommand(ids::kMenuLoadMask);
    h.dialog.OnButtonClicked(ids::kMaskFileButton);
    h.dialog.OnKeyDown(FilterKey::F2);
    EXPECT_EQ(h.host.openDialogs, 6);
    h.dialog.OnMenuCommand(ids::kMenuSaveDump);
    h.dialog.OnButtonClicked(ids::kSaveDumpButton);
    h.dialog.OnKeyDown(FilterKey::F3);
    EXPECT_EQ(h.host.saveDialogs, 3);

    h.LoadBase(testing::HexBytes("01 02 03"));
    h.dialog.OnMenuCommand(ids::kMenuAnalyze);
    h.dialog.OnButtonClicked(ids::kAnalyzeButton);
    h.dialog.OnKeyDown(FilterKey::F4);
    EXPECT_EQ(h.Text(ids::kMemo),
              "[AN] Addr:00000000 Size:00000003 CRC:55BC801D\r\n"
              "[AN] Addr:00000000 Size:00000003 CRC:55BC801D\r\n"
              "[AN] Addr:00000000 Size:00000003 CRC:55BC801D");
}

TEST(Lifecycle, CancelReleasesTheWorkspaceAndEndsTheDialog) {
    DialogHarness h;
    h.LoadBase(testing::HexBytes("01 02"));
    h.dialog.Analyze();
    h.dialog.OnOk();
    EXPECT_FALSE(h.host.endedWith.has_value());
    h.dialog.OnCancel();
    EXPECT_TRUE(h.host.endedWith.has_value());
    EXPECT_TRUE(h.host.messages.empty()) << "no question on close";
    EXPECT_EQ(h.dialog.workspace().baseLength(), 0u);
    EXPECT_TRUE(h.dialog.workspace().HeldDump().empty());
}

}  // namespace
}  // namespace vesperine
