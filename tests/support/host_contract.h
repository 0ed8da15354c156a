// The host contract: what every Host implementation must answer alike, as typed GoogleTest cases.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "app/control_ids.h"
#include "app/host.h"

namespace vesperine::testing {

// Instantiate with a type that is default-constructible and offers `Host& host()`, e.g.
//   INSTANTIATE_TYPED_TEST_SUITE_P(Fake, HostContract, ::testing::Types<FakeHostUnderTest>);
template <typename HostUnderTest>
class HostContract : public ::testing::Test {
protected:
    HostUnderTest subject;
    Host& host() { return subject.host(); }
};

TYPED_TEST_SUITE_P(HostContract);

TYPED_TEST_P(HostContract, SettingTextReplacesTheWholeText) {
    Host& host = this->host();
    host.SetControlText(ids::kAreaStart, "FFFF");
    host.SetControlText(ids::kAreaStart, "1");
    EXPECT_EQ(host.ControlText(ids::kAreaStart), "1");
    host.SetControlText(ids::kAreaStart, "");
    EXPECT_EQ(host.ControlText(ids::kAreaStart), "");
}

TYPED_TEST_P(HostContract, MultiLineTextKeepsItsCrLfLineBreaks) {
    Host& host = this->host();
    const std::string log = "[AN] Addr:00000000 Size:00000010 CRC:CBF43926\r\nnote\r\n";
    host.SetControlText(ids::kMemo, log);
    EXPECT_EQ(host.ControlText(ids::kMemo), log);
}

TYPED_TEST_P(HostContract, UneditedTextGivesBackEveryBytePushed) {
    Host& host = this->host();
    // A lone lead byte, a trail byte, bytes no single-byte page defines and a control byte.
    const std::string chars = "\x82\x41\x81\xff\x8d.\x7f";
    host.SetControlText(ids::kBaseText, chars);
    EXPECT_EQ(host.ControlText(ids::kBaseText), chars);
    const std::string path = "/roms/\xe6\x97\xa5\xff.bin";  // file-name bytes, one not UTF-8
    host.SetControlText(ids::kBasePath, path);
    EXPECT_EQ(host.ControlText(ids::kBasePath), path);
}

TYPED_TEST_P(HostContract, LimitedEditKeepsTextsWithinTheLimit) {
    Host& host = this->host();
    host.SetControlText(ids::kSearchStep, "4");
    host.LimitText(ids::kSearchStep, 8);
    host.SetControlText(ids::kSearchStep, "89ABCDEF");
    EXPECT_EQ(host.ControlText(ids::kSearchStep), "89ABCDEF");
}

TYPED_TEST_P(HostContract, RadioGroupHasOnePositionOrNone) {
    Host& host = this->host();
    host.CheckRadio(ids::kMaskNothing, ids::kMaskReplace, 2);
    EXPECT_EQ(host.CheckedRadio(ids::kMaskNothing, ids::kMaskReplace), 2);
    host.CheckRadio(ids::kMaskNothing, ids::kMaskReplace, 0);
    EXPECT_EQ(host.CheckedRadio(ids::kMaskNothing, ids::kMaskReplace), 0);
    host.CheckRadio(ids::kMaskNothing, ids::kMaskReplace, -1);
    EXPECT_EQ(host.CheckedRadio(ids::kMaskNothing, ids::kMaskReplace), -1);
    host.CheckRadio(ids::kMaskNothing, ids::kMaskReplace, 1);
    host.CheckRadio(ids::kMaskNothing, ids::kMaskReplace, 3);  // outside the group: clears all
    EXPECT_EQ(host.CheckedRadio(ids::kMaskNothing, ids::kMaskReplace), -1);
}

TYPED_TEST_P(HostContract, RadioGroupsAreIndependent) {
    Host& host = this->host();
    host.CheckRadio(ids::kStripeFull, ids::kStripeEven, 1);
    host.CheckRadio(ids::kEndian16, ids::kEndian32, 1);
    host.CheckRadio(ids::kMaskNothing, ids::kMaskReplace, 2);
    EXPECT_EQ(host.CheckedRadio(ids::kStripeFull, ids::kStripeEven), 1);
    EXPECT_EQ(host.CheckedRadio(ids::kEndian16, ids::kEndian32), 1);
}

TYPED_TEST_P(HostContract, CheckBoxIsClearOrTicked) {
    Host& host = this->host();
    host.SetCheckState(ids::kSyncScroll, 1);
    EXPECT_EQ(host.CheckState(ids::kSyncScroll), 1);
    host.SetCheckState(ids::kSyncScroll, 0);
    EXPECT_EQ(host.CheckState(ids::kSyncScroll), 0);
}

TYPED_TEST_P(HostContract, ScrollRangeBelowItsMinimumIsZeroToZero) {
    Host& host = this->host();
    host.SetScrollRangeAndPos(ids::kBaseScrollBar, 0, -15, 3);
    EXPECT_EQ(host.ScrollPos(ids::kBaseScrollBar), 0);
    host.SetScrollPos(ids::kBaseScrollBar, 7);
    EXPECT_EQ(host.ScrollPos(ids::kBaseScrollBar), 0);
}

TYPED_TEST_P(HostContract, ScrollPositionIsClampedIntoTheRange) {
    Host& host = this->host();
    host.SetScrollRangeAndPos(ids::kDumpScrollBar, 0, 241, 999);
    EXPECT_EQ(host.ScrollPos(ids::kDumpScrollBar), 241);
    host.SetScrollRangeAndPos(ids::kDumpScrollBar, 0, 4081, 5);
    EXPECT_EQ(host.ScrollPos(ids::kDumpScrollBar), 5);
    host.SetScrollPos(ids::kDumpScrollBar, 5000);
    EXPECT_EQ(host.ScrollPos(ids::kDumpScrollBar), 4081);
    host.SetScrollPos(ids::kDumpScrollBar, -4);
    EXPECT_EQ(host.ScrollPos(ids::kDumpScrollBar), 0);
    EXPECT_EQ(host.ScrollPos(ids::kBaseScrollBar), 0);  // the other bar did not move
}

TYPED_TEST_P(HostContract, TrackPositionIsThePositionWhenNothingIsDragged) {
    Host& host = this->host();
    host.SetScrollRangeAndPos(ids::kBaseScrollBar, 0, 100, 42);
    EXPECT_EQ(host.ScrollTrackPos(ids::kBaseScrollBar), 42);
    host.SetScrollPos(ids::kBaseScrollBar, 17);
    EXPECT_EQ(host.ScrollTrackPos(ids::kBaseScrollBar), 17);
}

TYPED_TEST_P(HostContract, FocusGoesWhereItIsPut) {
    Host& host = this->host();
    host.FocusControl(ids::kAreaStart, true);
    EXPECT_EQ(host.FocusedControl(), ids::kAreaStart);
    host.FocusControl(ids::kDumpHex, false);
    EXPECT_EQ(host.FocusedControl(), ids::kDumpHex);
}

TYPED_TEST_P(HostContract, LongTaskRunsItsWorkToItsEndOnAnotherThread) {
    Host& host = this->host();
    std::thread::id worker;
    bool broken = true;
    bool ended = false;
    EXPECT_TRUE(host.RunLongTask("work", [&](const ProgressPoll& poll) {
        worker = std::this_thread::get_id();
        broken = poll({ProgressUnit::BytesRead, 1, 2});
        ended = true;
    }));
    EXPECT_TRUE(ended);
    EXPECT_FALSE(broken) << "nobody asked to break off";
    EXPECT_NE(worker, std::this_thread::get_id());
}

REGISTER_TYPED_TEST_SUITE_P(HostContract, SettingTextReplacesTheWholeText, MultiLineTextKeepsItsCrLfLineBreaks,
                            UneditedTextGivesBackEveryBytePushed, LimitedEditKeepsTextsWithinTheLimit,
                            RadioGroupHasOnePositionOrNone, RadioGroupsAreIndependent, CheckBoxIsClearOrTicked,
                            ScrollRangeBelowItsMinimumIsZeroToZero, ScrollPositionIsClampedIntoTheRange,
                            TrackPositionIsThePositionWhenNothingIsDragged, FocusGoesWhereItIsPut,
                            LongTaskRunsItsWorkToItsEndOnAnotherThread);

}  // namespace vesperine::testing
