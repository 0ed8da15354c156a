// "Go Attack!" through the fake host: the hit's log line and question, saving, the break
// chord, the messages, and what the search leaves of the dump.
#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "support/dialog_harness.h"

namespace vesperine {
namespace {

using testing::DialogHarness;
using testing::HexBytes;
using testing::HexString;

constexpr const char* kDigits = "31 32 33 34 35 36 37 38 39";  // "123456789", CRC-32 CBF43926

struct SearchHarness : DialogHarness {
    void Attack(const std::string& crc, const std::string& size, const std::string& step) {
        host.Type(ids::kSearchCrc, crc);
        host.Type(ids::kSearchSize, size);
        host.Type(ids::kSearchStep, step);
        dialog.OnButtonClicked(ids::kAttackButton);
    }
    [[nodiscard]] std::string Log() const { return Text(ids::kMemo); }
    // The wait cursor was taken once and given back, and every message came while it was held.
    void ExpectOneBalancedWaitCursor() const {
        EXPECT_EQ(host.waitCursorsBegun, 1);
        EXPECT_EQ(host.waitDepth, 0);
        EXPECT_EQ(host.messagesUnderWaitCursor, static_cast<int>(host.messages.size()));
    }
};

TEST(CrcSearch, HitIsLoggedBeforeTheQuestionAndYesSavesTheWindow) {
    SearchHarness h;
    h.LoadBase(HexBytes(std::string("00 11 ") + kDigits + " 22"));
    std::size_t messagesWhenLogged = 99;
    h.host.changeListener = [&](int id) {
        if (id == ids::kMemo && h.host.ControlText(id).find("DetectCRC") != std::string::npos) {
            messagesWhenLogged = h.host.messages.size();
        }
    };
    h.host.messageAnswers.push_back(MessageAnswer::Yes);
    h.host.saveAnswers.push_back("/out/window.bin");
    h.Attack("CBF43926", "9", "1");

    EXPECT_EQ(h.Log(), "DetectCRC:CBF43926 ADR:00000002 SIZE:00000009");
    EXPECT_EQ(messagesWhenLogged, 0u);
    ASSERT_EQ(h.host.messages.size(), 1u);
    EXPECT_EQ(h.host.messages[0].text, "DetectCRC:CBF43926 ADR:00000002 SIZE:00000009\r\nDo you want to save?");
    EXPECT_EQ(h.host.messages[0].caption, "Detect!");
    EXPECT_EQ(h.host.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(HexString(h.files.files.at("/out/window.bin")), kDigits);
    h.ExpectOneBalancedWaitCursor();
}

TEST(CrcSearch, NoKeepsTheLogLineAndSavesNothing) {
    SearchHarness h;
    h.LoadBase(HexBytes(kDigits));
    h.host.messageAnswers.push_back(MessageAnswer::No);
    h.Attack("CBF43926", "9", "4");
    EXPECT_EQ(h.Log(), "DetectCRC:CBF43926 ADR:00000000 SIZE:00000009");
    EXPECT_EQ(h.host.saveDialogs, 0);
    EXPECT_EQ(h.files.writes, 0);
}

TEST(CrcSearch, FailedSaveNamesThePathAndTheLogLineStays) {
    SearchHarness h;
    h.LoadBase(HexBytes(kDigits));
    h.host.saveAnswers.push_back("/ro/window.bin");
    h.files.writeFailures["/ro/window.bin"] = WriteStatus::CannotOpen;
    h.Attack("CBF43926", "9", "4");
    ASSERT_EQ(h.host.messages.size(), 2u);
    EXPECT_EQ(h.host.messages[1].text, "Write error.");
    EXPECT_EQ(h.host.messages[1].caption, "/ro/window.bin");
    EXPECT_EQ(h.Log(), "DetectCRC:CBF43926 ADR:00000000 SIZE:00000009");
    h.ExpectOneBalancedWaitCursor();
}

// Bytes 0xEE up to `at`, then text's bytes, then 0xEE up to `length`.
Bytes Placed(std::size_t length, std::size_t at, std::string_view text) {
    Bytes bytes(length, 0xEE);
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    return bytes;
}

// Every window that fits is examined: over area 0 to 20 with size 10 and step 4 that is the
// windows at 0, 4, 8, C and 10, the last ending at the area's last byte.
TEST(CrcSearch, HitsFoundByAddress) {
    const struct {
        Bytes base;
        std::string start, end;
        int stripe;
        std::string crc, size, step;
        std::string logLine;
    } cases[] = {
        {Placed(0x20, 0x10, "0123456789ABCDEF"), "0", "20", 0, "983C37B5", "10", "4",
         "DetectCRC:983C37B5 ADR:00000010 SIZE:00000010"},
        {Placed(0x20, 0x17, "123456789"), "10", "20", 0, "CBF43926", "9", "7",
         "DetectCRC:CBF43926 ADR:00000017 SIZE:00000009"},
        {HexBytes(kDigits), "0", "9", 0, "CBF43926", "9", "4", "DetectCRC:CBF43926 ADR:00000000 SIZE:00000009"},
        {HexBytes("AA BB CC DD"), "2", "4", 0, "0", "0", "4", "DetectCRC:00000000 ADR:00000002 SIZE:00000000"},
        // Odd: dump byte i is area byte 2i, so "123" at dump offset 1 starts at area offset 2.
        {HexBytes("EE 00 31 00 32 00 33 00"), "0", "8", 1, "884863D2", "3", "1",
         "DetectCRC:884863D2 ADR:00000001 SIZE:00000003"},
        // Even: dump byte i is area byte 2i + 1.
        {HexBytes("EE 31 EE 32 EE 33 EE"), "0", "7", 2, "884863d2", "3", "4",
         "DetectCRC:884863D2 ADR:00000000 SIZE:00000003"},
    };
    for (const auto& c : cases) {
        SearchHarness h;
        h.LoadBase(c.base);
        h.TypeArea(c.start, c.end);
        h.ChooseStripe(c.stripe);
        h.host.messageAnswers.push_back(MessageAnswer::No);
        h.Attack(c.crc, c.size, c.step);
        EXPECT_EQ(h.Log(), c.logLine) << c.start << ".." << c.end << " stripe " << c.stripe;
    }
}

TEST(CrcSearch, AddressInStripeModesIsAreaStartPlusDumpOffset) {
    for (const int stripe : {1, 2}) {
        // The dump's bytes 8 to 16 are "123456789", striped into the area at base offset 100.
        Bytes base(0x100 + 2 * 17, 0xEE);
        for (int i = 0; i < 9; ++i) base[0x100 + 2 * (8 + i) + (stripe == 2)] = static_cast<std::uint8_t>('1' + i);
        SearchHarness h;
        h.LoadBase(base);
        h.TypeArea("100", "122");
        h.ChooseStripe(stripe);
        h.host.saveAnswers.push_back("/out/w.bin");
        h.Attack("CBF43926", "9", "4");
        EXPECT_EQ(h.Log(), "DetectCRC:CBF43926 ADR:00000108 SIZE:00000009") << "stripe " << stripe;
        EXPECT_EQ(HexString(h.files.files.at("/out/w.bin")), kDigits) << "stripe " << stripe;
    }
}

TEST(CrcSearch, SearchesTheMaskedExtract) {
    SearchHarness h;
    h.LoadBase(HexBytes("CE CD CC CB CA C9 C8 C7 C6"));  // "123456789" XOR FF
    h.LoadMask(HexBytes("FF"));
    h.ChooseMask(1);
    h.host.saveAnswers.push_back("/out/w.bin");
    h.Attack("CBF43926", "9", "1");
    EXPECT_EQ(h.Log(), "DetectCRC:CBF43926 ADR:00000000 SIZE:00000009");
    EXPECT_EQ(HexString(h.files.files.at("/out/w.bin")), kDigits);
}

TEST(CrcSearch, EndsWithOneMessageAndNoLogLine) {
    const struct {
        const char* crc;
        const char* size;
        int maskMode;
        const char* message;
    } cases[] = {
        {"12345678", "4", 0, "CRC not found."},
        {"CBF43926", "A", 0, "CRC not found."},  // size above the length: no window
        {"CBF43926", "9", 1, "MASK data is nothing."},
        {"CBF43926", "9", 2, "MASK data is nothing."},
    };
    for (const auto& c : cases) {
        SearchHarness h;
        h.LoadBase(HexBytes(kDigits));
        h.ChooseMask(c.maskMode);
        h.Attack(c.crc, c.size, "1");
        ASSERT_EQ(h.host.messages.size(), 1u) << c.message;
        EXPECT_EQ(h.host.messages[0].text, c.message);
        EXPECT_EQ(h.host.messages[0].caption, std::nullopt);
        EXPECT_EQ(h.host.messages[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(h.Log(), "");
        h.ExpectOneBalancedWaitCursor();
    }
}

TEST(CrcSearch, EmptyAreaEndDoesNothing) {
    SearchHarness h;
    h.Attack("0", "0", "4");
    EXPECT_TRUE(h.host.messages.empty());
    EXPECT_EQ(h.host.waitCursorsBegun, 0);
    EXPECT_EQ(h.host.longTasks, 0);
    EXPECT_EQ(h.Log(), "");
}

// A step of 0 without a hit runs until it is broken off. The chord is asked for Shift first,
// and for Backspace only while Shift is down.
TEST(CrcSearch, ShiftBackspaceBreaksButNeitherKeyAlone) {
    SearchHarness h;
    h.LoadBase(HexBytes(kDigits));
    std::vector<PolledKey> queries;
    int shiftQueries = 0;
    h.host.keyState = [&](PolledKey key, int) {
        queries.push_back(key);
        if (key == PolledKey::Shift) ++shiftQueries;
        const bool shiftDown = shiftQueries <= 5 || shiftQueries >= 11;  // then Backspace alone
        const bool backspaceDown = shiftQueries > 5;
        return key == PolledKey::Shift ? shiftDown : backspaceDown;
    };
    h.Attack("12345678", "4", "0");

    EXPECT_EQ(h.host.MessageTexts(), std::vector<std::string>{"break."});
    EXPECT_EQ(h.host.messages[0].caption, std::nullopt);
    EXPECT_EQ(shiftQueries, 11);
    for (std::size_t i = 0; i < queries.size(); ++i) {
        if (queries[i] == PolledKey::Backspace) {
            EXPECT_EQ(queries.at(i - 1), PolledKey::Shift) << i;
        }
    }
    EXPECT_EQ(std::count(queries.begin(), queries.end(), PolledKey::Backspace), 6);
    EXPECT_EQ(h.Log(), "");
    h.ExpectOneBalancedWaitCursor();
}

TEST(CrcSearch, CancelInTheProgressDisplayBreaks) {
    SearchHarness h;
    h.LoadBase(HexBytes(kDigits));
    h.host.breakRequested = [](int pollsBefore) { return pollsBefore == 2; };
    h.Attack("12345678", "4", "0");
    EXPECT_EQ(h.host.MessageTexts(), std::vector<std::string>{"break."});
    EXPECT_EQ(h.host.progressPolls, 3);
    EXPECT_EQ(h.host.longTasks, 1);
}

TEST(CrcSearch, StepZeroHitsAtOnceEvenWithTheChordHeld) {
    SearchHarness h;
    h.LoadBase(HexBytes(kDigits));
    h.host.keyState = [](PolledKey, int) { return true; };
    h.host.messageAnswers.push_back(MessageAnswer::No);
    h.Attack("CBF43926", "9", "0");
    EXPECT_EQ(h.Log(), "DetectCRC:CBF43926 ADR:00000000 SIZE:00000009");
    EXPECT_EQ(h.host.keyQueries, 0);
}

// The search extracts afresh but leaves the last Analyze's results, pane and length in use,
// the length cut back to what the new extract holds.
TEST(CrcSearch, LeavesTheAnalyzedDumpsTextsAndPane) {
    SearchHarness h;
    Bytes base(0x40, 0xEE);
    for (int i = 0; i < 9; ++i) base[i] = static_cast<std::uint8_t>('1' + i);
    h.LoadBase(base);
    h.dialog.Analyze();
    h.host.SetScrollRangeAndPos(ids::kDumpScrollBar, 0, 3, 2);
    h.dialog.OnVScroll(ScrollRequest::ThumbPosition, ids::kDumpScrollBar);
    const std::string sizeText = h.Text(ids::kDumpSize);
    const std::string crcText = h.Text(ids::kDumpCrc);
    const std::string paneHex = h.Text(ids::kDumpHex);
    const int scrollPos = h.host.ScrollPos(ids::kDumpScrollBar);
    ASSERT_EQ(scrollPos, 2);

    h.TypeArea("0", "9");
    h.host.messageAnswers.push_back(MessageAnswer::No);
    h.Attack("CBF43926", "9", "4");
    EXPECT_EQ(h.Log().substr(h.Log().rfind('\n') + 1), "DetectCRC:CBF43926 ADR:00000000 SIZE:00000009");
    EXPECT_EQ(h.Text(ids::kDumpSize), sizeText);
    EXPECT_EQ(h.Text(ids::kDumpCrc), crcText);
    EXPECT_EQ(h.Text(ids::kDumpHex), paneHex);
    EXPECT_EQ(h.host.ScrollPos(ids::kDumpScrollBar), scrollPos);
    EXPECT_LE(h.dialog.workspace().dumpLength(), h.dialog.workspace().HeldDump().size());
    EXPECT_EQ(h.HeldDump(), kDigits);
}

}  // namespace
}  // namespace vesperine
