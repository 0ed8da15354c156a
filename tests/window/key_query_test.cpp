// The polled keys asked of the system: X11's keymap read right, and the break chord whatever has the focus.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTimer>
#include <atomic>
#include <functional>

#include "platform/qt/long_task.h"
#include "platform/qt/system_keys.h"
#include "window_harness.h"

namespace vesperine::qt::testing {
namespace {

TEST(X11Keymap, FindsEveryKeycodeCarryingAKeysymAtAnyLevel) {
    // Two keysyms per keycode from keycode 8: a A | Shift_L - | BackSpace BackSpace | b B | - Shift_R
    const std::uint32_t keysyms[] = {0x61, 0x41, 0xFFE1, 0, 0xFF08, 0xFF08, 0x62, 0x42, 0, 0xFFE2};
    EXPECT_EQ(KeycodesOf(keysyms, 2, 8, 0xFFE1), std::vector<std::uint8_t>{9});
    EXPECT_EQ(KeycodesOf(keysyms, 2, 8, 0xFFE2), std::vector<std::uint8_t>{12});
    EXPECT_EQ(KeycodesOf(keysyms, 2, 8, 0xFF08), std::vector<std::uint8_t>{10}) << "once, though on two levels";
    EXPECT_EQ(KeycodesOf(keysyms, 2, 8, 0x42), std::vector<std::uint8_t>{11});
    EXPECT_TRUE(KeycodesOf(keysyms, 2, 8, 0xFF1B).empty());
    EXPECT_TRUE(KeycodesOf(keysyms, 0, 8, 0xFFE1).empty());
}

TEST(X11Keymap, AKeyIsDownWhenItsBitIsSet) {
    std::array<std::uint8_t, 32> keymap{};
    const std::uint8_t shift[] = {50, 62};
    EXPECT_FALSE(AnyKeyDown(keymap, shift));
    keymap[62 / 8] = 0x40;  // keycode 62: byte 7, bit 6
    EXPECT_TRUE(AnyKeyDown(keymap, shift));
    keymap[7] = 0xBF;  // every other bit of that byte
    EXPECT_FALSE(AnyKeyDown(keymap, shift));
    keymap[31] = 0x80;
    const std::uint8_t last[] = {255};
    EXPECT_TRUE(AnyKeyDown(keymap, last));
}

TEST(SystemKeys, TheQueryAloneSaysWhetherAKeyIsDownAndAPressStillCountsOnce) {
    WindowHarness h;
    std::atomic<bool> held{false};
    h.window.keys().SetSystemQuery([&](PolledKey key) { return key == PolledKey::Shift && held; });
    QWidget* memo = h.W(ids::kMemo);
    QTest::keyPress(memo, Qt::Key_Shift);
    EXPECT_TRUE(h.host.IsKeyDown(PolledKey::Shift)) << "the press, once";
    EXPECT_FALSE(h.host.IsKeyDown(PolledKey::Shift)) << "the system says it is up";
    held = true;  // pressed where this program sees no event
    EXPECT_TRUE(h.host.IsKeyDown(PolledKey::Shift));
    EXPECT_TRUE(h.host.IsKeyDown(PolledKey::Shift));
    EXPECT_FALSE(h.host.IsKeyDown(PolledKey::Backspace));
}

TEST(SystemKeys, TheBreakChordStopsASearchWithTheFocusOnTheMainWindow) {
    WindowHarness h;
    h.LoadBase(Bytes(0x1000, 0x5A));
    h.W<QLineEdit>(ids::kSearchSize)->setText(QStringLiteral("10"));
    h.W<QLineEdit>(ids::kSearchCrc)->setText(QStringLiteral("12345678"));
    h.W<QLineEdit>(ids::kSearchStep)->setText(QStringLiteral("0"));  // no hit: runs until broken off
    std::atomic<bool> chordHeld{false};
    h.window.keys().SetSystemQuery([&](PolledKey) { return chordHeld.load(); });
    bool mainWindowActive = false;
    std::function<void()> whenShown = [&] {
        QWidget* progress = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == QLatin1String(kProgressDialogName) && widget->isVisible()) progress = widget;
        if (!progress) {
            QTimer::singleShot(1, whenShown);
            return;
        }
        // The user clicks back into the main window, blocked behind the progress dialog, and
        // holds the chord there: no key event reaches this program.
        QApplication::setActiveWindow(&h.window);
        h.W(ids::kMemo)->setFocus();
        mainWindowActive = QApplication::activeWindow() == &h.window;
        chordHeld = true;
    };
    QTimer::singleShot(1, whenShown);
    QTest::mouseClick(h.W(ids::kAttackButton), Qt::LeftButton);
    EXPECT_TRUE(mainWindowActive);
    ASSERT_EQ(h.prompts.messages.size(), 1u);
    EXPECT_EQ(h.prompts.messages[0].text, QStringLiteral("break."));
}

}  // namespace
}  // namespace vesperine::qt::testing
