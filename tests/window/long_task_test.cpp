// The long task: progress dialog, its Cancel, the polled keys, and "Go Attack!" running behind it.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <thread>

#include "platform/qt/long_task.h"
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
    WhenProgressShows([](QWidget* p) { return ProgressText(p) == QStringLiteral("7 so far"); },
                      [&](QWidget* progress) {
                          seen = ProgressText(progress);
                          maximum = progress->findChild<QProgressBar*>()->maximum();
                          QTest::keyPress(progress, Qt::Key_Shift);
                      });
    h.host.RunLongTask("Brute Force(DetectCRC)", [&](const ProgressPoll& poll) {
        while (!h.host.IsKeyDown(PolledKey::Shift)) {
            poll(7, 0);
            std::this_thread::yield();
        }
    });
    EXPECT_EQ(seen, QStringLiteral("7 so far"));
    EXPECT_EQ(maximum, 0) << "a busy bar";
}

TEST(LongTask, ShowsDoneOfTotalModallyAndHearsShiftInTheProgressDialog) {
    WindowHarness h;
    QString seen;
    bool modal = false;
    bool stayedOpen = false;
    WhenProgressShows([](QWidget* p) { return ProgressText(p) == QStringLiteral("3 of 10"); },
                      [&](QWidget* progress) {
                          seen = ProgressText(progress);
                          modal = progress->isModal();
                          h.window.close();  // refused while the work runs
                          stayedOpen = h.window.isVisible();
                          QTest::keyPress(progress, Qt::Key_Shift);
                      });
    bool cancelled = true;
    h.host.RunLongTask("Brute Force(DetectCRC)", [&](const ProgressPoll& poll) {
        while (!h.host.IsKeyDown(PolledKey::Shift)) {
            cancelled = poll(3, 10);
            std::this_thread::yield();
        }
    });
    EXPECT_EQ(seen, QStringLiteral("3 of 10"));
    EXPECT_TRUE(modal);
    EXPECT_TRUE(stayedOpen);
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(VisibleProgressDialog(), nullptr);
    EXPECT_TRUE(h.window.isVisible());
}

TEST(LongTask, CancelMakesThePollAnswerTrue) {
    WindowHarness h;
    WhenProgressShows([](QWidget*) { return true; },
                      [](QWidget* progress) { QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton); });
    int polls = 0;
    h.host.RunLongTask("work", [&](const ProgressPoll& poll) {
        while (!poll(static_cast<std::uint64_t>(polls), 0)) {
            ++polls;
            std::this_thread::yield();
        }
    });
    EXPECT_EQ(VisibleProgressDialog(), nullptr);
}

TEST(LongTask, ReleasedKeysDoNotAnswerALaterTask) {
    WindowHarness h;
    QTest::keyClick(h.W(ids::kMemo), Qt::Key_Backspace);
    QTest::keyClick(h.W(ids::kMemo), Qt::Key_Shift);
    bool shift = true;
    bool backspace = true;
    h.host.RunLongTask("work", [&](const ProgressPoll&) {
        shift = h.host.IsKeyDown(PolledKey::Shift);
        backspace = h.host.IsKeyDown(PolledKey::Backspace);
    });
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
    WhenProgressShows([](QWidget*) { return true; }, [&](QWidget* progress) {
        title = progress->windowTitle();
        waitCursor = QGuiApplication::overrideCursor() != nullptr;
        // Through the window system, as a user's click comes, so the progress dialog's
        // modality applies.
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

}  // namespace
}  // namespace vesperine::qt::testing
