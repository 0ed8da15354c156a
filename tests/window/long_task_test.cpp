// The long task: progress dialog, its Cancel, the polled keys, and "Go Attack!" running behind it.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "base/format.h"

#include "platform/qt/long_task.h"
#include "support/test_bytes.h"
#include "window_harness.h"

namespace vesperine::qt::testing {
namespace {

QWidget* VisibleProgressDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String(kProgressDialogName) && widget->isVisible()) return widget;
    return nullptr;
}

QString ProgressText(QWidget* progress) {
    const auto* label = progress->findChild<QLabel*>();
    return label ? label->text() : QString();
}

// Calls act once the progress dialog shows and satisfies ready; checks again on each turn of
// the event loop until then.
void WhenProgressShows(const std::function<bool(QWidget*)>& ready, const std::function<void(QWidget*)>& act) {
    QTimer::singleShot(1, [ready, act] {
        QWidget* progress = VisibleProgressDialog();
        if (progress && ready(progress)) act(progress);
        else WhenProgressShows(ready, act);
    });
}

TEST(LongTask, WorkWithoutAKnownEndCountsUpUnderABusyBar) {
    WindowHarness h;
    QString seen;
    int maximum = -1;
    const QString endless =
        QStringLiteral("Examined 7 windows; step 0 repeats one window until you break (Cancel or Shift+Backspace)");
    WhenProgressShows([&](QWidget* p) { return ProgressText(p) == endless; },
                      [&](QWidget* progress) {
                          seen = ProgressText(progress);
                          maximum = progress->findChild<QProgressBar*>()->maximum();
                          QTest::keyPress(progress, Qt::Key_Shift);
                      });
    EXPECT_TRUE(h.host.RunLongTask("Brute Force(DetectCRC)", [&](const ProgressPoll& poll) {
        while (!h.host.IsKeyDown(PolledKey::Shift)) {
            (void)poll({ProgressUnit::Windows, 7, 0});
            std::this_thread::yield();
        }
    }));
    EXPECT_EQ(seen, endless);
    EXPECT_EQ(maximum, 0) << "a busy bar";
}

TEST(LongTask, ShowsDoneOfTotalInFrontAndHearsShiftInTheProgressDialog) {
    WindowHarness h;
    QString seen;
    bool inFront = false;
    bool waitCursor = false;
    const QString text = QStringLiteral("Examined 3 of 10 windows (30 %)");
    WhenProgressShows([&](QWidget* p) { return ProgressText(p) == text; },
                      [&](QWidget* progress) {
                          seen = ProgressText(progress);
                          inFront = QApplication::activeWindow() == progress && progress->parentWidget() == &h.window;
                          waitCursor = QGuiApplication::overrideCursor() != nullptr;
                          QTest::keyPress(progress, Qt::Key_Shift);
                      });
    bool cancelled = true;
    EXPECT_TRUE(h.host.RunLongTask("Brute Force(DetectCRC)", [&](const ProgressPoll& poll) {
        while (!h.host.IsKeyDown(PolledKey::Shift)) {
            cancelled = poll({ProgressUnit::Windows, 3, 10});
            std::this_thread::yield();
        }
    }));
    EXPECT_EQ(seen, text);
    EXPECT_TRUE(inFront);
    EXPECT_TRUE(waitCursor) << "the host's own, for any long task";
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(VisibleProgressDialog(), nullptr);
    EXPECT_TRUE(h.window.isVisible());
}

TEST(LongTask, CancelMakesThePollAnswerTrue) {
    WindowHarness h;
    WhenProgressShows(
        [](QWidget*) { return true; },
        [](QWidget* progress) { QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton); });
    int polls = 0;
    EXPECT_TRUE(h.host.RunLongTask("work", [&](const ProgressPoll& poll) {
        while (!poll({ProgressUnit::Windows, static_cast<std::uint64_t>(polls), 0})) {
            ++polls;
            std::this_thread::yield();
        }
    }));
    EXPECT_EQ(VisibleProgressDialog(), nullptr);
}

TEST(LongTask, ReleasedKeysDoNotAnswerALaterTask) {
    WindowHarness h;
    QTest::keyClick(h.W(ids::kMemo), Qt::Key_Backspace);
    QTest::keyClick(h.W(ids::kMemo), Qt::Key_Shift);
    bool shift = true;
    bool backspace = true;
    EXPECT_TRUE(h.host.RunLongTask("work", [&](const ProgressPoll&) {
        shift = h.host.IsKeyDown(PolledKey::Shift);
        backspace = h.host.IsKeyDown(PolledKey::Backspace);
    }));
    EXPECT_FALSE(shift);
    EXPECT_FALSE(backspace);
}

TEST(KeyState, AKeyCountsWhileDownAndOnceAfterAPress) {
    WindowHarness h;
    QWidget* memo = h.W(ids::kMemo);
    QTest::keyPress(memo, Qt::Key_Shift);
    EXPECT_TRUE(h.host.IsKeyDown(PolledKey::Shift));
    EXPECT_TRUE(h.host.IsKeyDown(PolledKey::Shift));
    EXPECT_FALSE(h.host.IsKeyDown(PolledKey::Backspace));
    QTest::keyRelease(memo, Qt::Key_Shift);
    QTest::keyClick(memo, Qt::Key_Backspace);
    EXPECT_FALSE(h.host.IsKeyDown(PolledKey::Shift));
    EXPECT_TRUE(h.host.IsKeyDown(PolledKey::Backspace)) << "pressed since the last query";
    EXPECT_FALSE(h.host.IsKeyDown(PolledKey::Backspace));
}

TEST(KeyState, OtherKeysMendAShiftStateMissedElsewhere) {
    WindowHarness h;
    QWidget* memo = h.W(ids::kMemo);
    QTest::keyPress(memo, Qt::Key_Shift);
    QTest::keyClick(memo, Qt::Key_A);  // Shift was released in another window meanwhile
    EXPECT_TRUE(h.host.IsKeyDown(PolledKey::Shift)) << "the press still counts once";
    EXPECT_FALSE(h.host.IsKeyDown(PolledKey::Shift));
}

TEST(GoAttack, RunsBehindTheProgressDialogUnderTheWaitCursorUntilCancelled) {
    WindowHarness h;
    h.LoadBase(Bytes(0x1000, 0x5A));
    h.W<QLineEdit>(ids::kSearchSize)->setText(QStringLiteral("10"));
    h.W<QLineEdit>(ids::kSearchCrc)->setText(QStringLiteral("12345678"));
    h.W<QLineEdit>(ids::kSearchStep)->setText(QStringLiteral("0"));  // no hit: runs until broken off
    QString title;
    bool waitCursor = false;
    WhenProgressShows([](QWidget*) { return true; },
                      [&](QWidget* progress) {
                          title = progress->windowTitle();
                          waitCursor = QGuiApplication::overrideCursor() != nullptr;
                          // Through the window system, as a user's click comes, so that what keeps input away
                          // from the window applies.
                          QWidget* analyze = h.W(ids::kAnalyzeButton);
                          QTest::mouseClick(h.window.windowHandle(), Qt::LeftButton, {},
                                            analyze->mapTo(&h.window, analyze->rect().center()));
                          QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
                      });
    QTest::mouseClick(h.W(ids::kAttackButton), Qt::LeftButton);
    EXPECT_EQ(title, QStringLiteral("Brute Force(DetectCRC)"));
    EXPECT_TRUE(waitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    ASSERT_EQ(h.prompts.messages.size(), 1u);
    EXPECT_EQ(h.prompts.messages[0].text, QStringLiteral("break."));
    EXPECT_EQ(h.dialog.fields().logText, "") << "no other command ran meanwhile";
}

TEST(GoAttack, AHitIsLoggedAndOffered) {
    WindowHarness h;
    h.LoadBase({'x', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'y', 'z'});
    h.W<QLineEdit>(ids::kSearchSize)->setText(QStringLiteral("9"));
    h.W<QLineEdit>(ids::kSearchCrc)->setText(QStringLiteral("CBF43926"));
    h.W<QLineEdit>(ids::kSearchStep)->setText(QStringLiteral("1"));
    h.prompts.answers.push_back(MessageAnswer::No);
    QTest::mouseClick(h.W(ids::kAttackButton), Qt::LeftButton);
    EXPECT_EQ(h.Text(ids::kMemo), "DetectCRC:CBF43926 ADR:00000001 SIZE:00000009");
    ASSERT_EQ(h.prompts.messages.size(), 1u);
    EXPECT_EQ(h.prompts.messages[0].caption, QStringLiteral("Detect!"));
    EXPECT_EQ(h.prompts.messages[0].buttons, MessageButtons::YesNo);
}

// Holds the work at its first report of unit until the window has shown that report.
class HoldUntilShown {
public:
    HoldUntilShown(WindowHarness& h, ProgressUnit unit, QString prefix) : prefix_(std::move(prefix)) {
        h.host.SetProgressHook([this, unit](const Progress& progress) {
            if (progress.unit != unit) return;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!shown_ && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
        });
        WhenProgressShows([this](QWidget* p) { return ProgressText(p).startsWith(prefix_); },
                          [this](QWidget* p) {
                              text_ = ProgressText(p);
                              title_ = p->windowTitle();
                              shown_ = true;
                          });
    }
    [[nodiscard]] const QString& text() const { return text_; }
    [[nodiscard]] const QString& title() const { return title_; }

private:
    QString prefix_;
    QString text_;
    QString title_;
    std::atomic<bool> shown_{false};
};

Bytes Generated(std::size_t size) {
    Bytes bytes(size);
    std::uint32_t x = 12345;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;  // any bytes that are not all alike will do
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return bytes;
}

using vesperine::testing::ZlibCrc;

constexpr std::size_t kLarge = std::size_t{64} << 20;

TEST(LargeFiles, ALoadShowsBytesReadAndLoadsTheWholeFile) {
    WindowHarness h;
    const Bytes file = Generated(kLarge);
    const HoldUntilShown hold(h, ProgressUnit::BytesRead, QStringLiteral("Read "));
    h.LoadBase(file);
    EXPECT_EQ(hold.title(), QStringLiteral("Load BaseFile"));
    EXPECT_TRUE(hold.text().endsWith(QStringLiteral(" of 67,108,864 bytes (1 %)"))) << hold.text().toStdString();
    EXPECT_EQ(h.Text(ids::kAreaEnd), "04000000");
    EXPECT_EQ(h.dialog.workspace().baseLength(), kLarge);
    EXPECT_EQ(VisibleProgressDialog(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(LargeFiles, AnAnalyzeShowsBytesHashedAndTheFilesCrc) {
    WindowHarness h;
    const Bytes file = Generated(kLarge);
    h.LoadBase(file);
    const HoldUntilShown hold(h, ProgressUnit::BytesHashed, QStringLiteral("Hashed "));
    h.Key(ids::kBaseHex, Qt::Key_F4);
    EXPECT_EQ(hold.title(), QStringLiteral("Go Analyze!"));
    EXPECT_TRUE(hold.text().endsWith(QStringLiteral(" of 67,108,864 bytes (12 %)"))) << hold.text().toStdString();
    const std::string crc = HexDigits(ZlibCrc(file), 8);
    EXPECT_EQ(h.Text(ids::kDumpCrc), crc);
    EXPECT_EQ(h.Text(ids::kMemo), "[AN] Addr:00000000 Size:04000000 CRC:" + crc);
    EXPECT_EQ(h.Text(ids::kDumpSize), "67108864 bytes (0x04000000)");
}

TEST(GoAttack, ACloseDuringTheSearchBreaksItAndThenClosesTheWindow) {
    WindowHarness h;
    h.LoadBase(Bytes(0x1000, 0x5A));
    h.W<QLineEdit>(ids::kSearchSize)->setText(QStringLiteral("10"));
    h.W<QLineEdit>(ids::kSearchCrc)->setText(QStringLiteral("12345678"));
    h.W<QLineEdit>(ids::kSearchStep)->setText(QStringLiteral("0"));  // no hit: runs until broken off
    bool stayedWhileRunning = false;
    bool nothingModal = false;  // nothing modal in front of the window
    WhenProgressShows([](QWidget*) { return true; },
                      [&](QWidget*) {
                          // Qt drops a window system's close request for a window that another modal one
                          // blocks (the window itself is modal, as the dialog it stands for); past that check,
                          // the request comes to the window as this event.
                          nothingModal = QGuiApplication::modalWindow() == h.window.windowHandle();
                          QCloseEvent close;
                          QCoreApplication::sendEvent(h.window.windowHandle(), &close);
                          stayedWhileRunning = h.window.isVisible();
                      });
    QTest::mouseClick(h.W(ids::kAttackButton), Qt::LeftButton);
    EXPECT_TRUE(nothingModal);
    EXPECT_TRUE(stayedWhileRunning) << "the window waits for the search to break off";
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_TRUE(h.prompts.messages.empty()) << "no \"break.\" for a close the user asked for";
    EXPECT_TRUE(h.dialog.workspace().Base().empty()) << "released as any close does";
    EXPECT_EQ(VisibleProgressDialog(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace vesperine::qt::testing
