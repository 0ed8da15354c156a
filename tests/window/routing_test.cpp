// The window's sources reaching MainDialog: start state, menu, buttons, keys, Enter, Escape, radios.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>

#include "window_harness.h"

namespace vesperine::qt::testing {
namespace {

const Bytes kDigits = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};  // CRC-32 CBF43926

int AnalyzeLines(const WindowHarness& h) {
    return static_cast<int>(QString::fromStdString(h.dialog.fields().logText).count(QStringLiteral("[AN]")));
}

TEST(WindowStart, ShowsTheDefaultsWithTheFocusInTheBaseHexPane) {
    WindowHarness h;
    EXPECT_EQ(h.window.windowTitle(), QStringLiteral("Vesperine [VESPERIN] Ver1.40"));
    for (int id : {ids::kBasePath, ids::kMaskPath, ids::kAreaStart, ids::kAreaEnd, ids::kDumpSize, ids::kDumpCrc,
                   ids::kBaseJumpText, ids::kDumpJumpText, ids::kQuickExorText, ids::kSearchSize, ids::kSearchCrc,
                   ids::kMemo, ids::kBaseHex, ids::kDumpText})
        EXPECT_EQ(h.Text(id), "") << id;
    EXPECT_EQ(h.W<QLineEdit>(ids::kSearchStep)->text(), QStringLiteral("4"));
    for (int id : {ids::kMaskNothing, ids::kStripeFull, ids::kEndian16})
        EXPECT_TRUE(h.W<QAbstractButton>(id)->isChecked()) << id;
    EXPECT_FALSE(h.W<QAbstractButton>(ids::kSyncScroll)->isChecked());
    EXPECT_EQ(h.window.focusWidget(), h.W(ids::kBaseHex));
    EXPECT_EQ(h.host.FocusedControl(), ids::kBaseHex);
    EXPECT_TRUE(h.window.isModal());
}

TEST(WindowCommands, AnalyzeDoesNothingBeforeABaseFileFromAnyOfItsSources) {
    WindowHarness h;
    h.Key(ids::kBaseHex, Qt::Key_F4);
    QTest::mouseClick(h.W(ids::kAnalyzeButton), Qt::LeftButton);
    h.window.MenuAction(ids::kMenuAnalyze)->trigger();
    EXPECT_EQ(h.Text(ids::kDumpSize), "");
    EXPECT_EQ(h.Text(ids::kMemo), "");
    EXPECT_TRUE(h.prompts.messages.empty());
}

TEST(WindowCommands, F4TheButtonAndTheMenuItemAllAnalyze) {
    WindowHarness h;
    h.LoadBase(kDigits);
    EXPECT_EQ(h.Text(ids::kAreaEnd), "00000009");
    h.Key(ids::kAreaStart, Qt::Key_F4);
    EXPECT_EQ(AnalyzeLines(h), 1);
    EXPECT_EQ(h.Text(ids::kDumpCrc), "CBF43926");
    QTest::mouseClick(h.W(ids::kAnalyzeButton), Qt::LeftButton);
    EXPECT_EQ(AnalyzeLines(h), 2);
    h.window.MenuAction(ids::kMenuAnalyze)->trigger();
    EXPECT_EQ(AnalyzeLines(h), 3);
}

TEST(WindowCommands, TheDotButtonsChooseTheirFiles) {
    WindowHarness h;
    h.files.files["/roms/mask.bin"] = {1, 2};
    h.prompts.files.push_back(QStringLiteral("/roms/mask.bin"));
    QTest::mouseClick(h.W(ids::kMaskFileButton), Qt::LeftButton);
    EXPECT_EQ(h.W<QLineEdit>(ids::kMaskPath)->text(), QStringLiteral("/roms/mask.bin"));
    EXPECT_EQ(h.W<QLineEdit>(ids::kBasePath)->text(), QString());

    h.files.files["/roms/base.bin"] = kDigits;
    h.prompts.files.push_back(QStringLiteral("/roms/base.bin"));
    QTest::mouseClick(h.W(ids::kBaseFileButton), Qt::LeftButton);
    EXPECT_EQ(h.W<QLineEdit>(ids::kBasePath)->text(), QStringLiteral("/roms/base.bin"));
    EXPECT_EQ(h.prompts.fileDialogs, (std::vector<FileChoice>{FileChoice::Open, FileChoice::Open}));
}

TEST(WindowKeys, F1FromTheMemoOpensTheBaseChooserWithOrWithoutShiftOrCtrl) {
    WindowHarness h;
    h.Key(ids::kMemo, Qt::Key_F1);
    h.Key(ids::kMemo, Qt::Key_F1, Qt::ShiftModifier);
    h.Key(ids::kMemo, Qt::Key_F1, Qt::ControlModifier);
    EXPECT_EQ(h.prompts.fileDialogs.size(), 3u);
    EXPECT_EQ(h.W<QLineEdit>(ids::kBasePath)->text(), QString()) << "cancelled: nothing changes";
}

TEST(WindowKeys, F2AndF3ReachTheirCommandsFromAnyControl) {
    WindowHarness h;
    h.Key(ids::kSearchStep, Qt::Key_F2);
    h.Key(ids::kDumpText, Qt::Key_F3);
    EXPECT_EQ(h.prompts.fileDialogs, (std::vector<FileChoice>{FileChoice::Open, FileChoice::Save}));
}

TEST(WindowKeys, AutoRepeatedF1CountsEveryTime) {
    WindowHarness h;
    QWidget* pane = h.W(ids::kBaseHex);
    pane->setFocus();
    QKeyEvent first(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier, QString(), false);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(pane, &first);
    QApplication::sendEvent(pane, &repeat);
    EXPECT_EQ(h.prompts.fileDialogs.size(), 2u);
}

TEST(WindowKeys, AltF4ClosesWithoutAnalyzing) {
    WindowHarness h;
    h.LoadBase(kDigits);
    h.Key(ids::kBaseHex, Qt::Key_F4, Qt::AltModifier);
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_EQ(AnalyzeLines(h), 0);
    EXPECT_EQ(h.dialog.workspace().baseLength(), 0u) << "closing releases the workspace";
}

TEST(WindowKeys, EscapeClosesAtOnceWithADumpUnsaved) {
    WindowHarness h;
    h.LoadBase(kDigits);
    h.window.MenuAction(ids::kMenuAnalyze)->trigger();
    ASSERT_EQ(h.dialog.workspace().dumpLength(), 9u);
    h.Key(ids::kDumpHex, Qt::Key_Escape);
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_EQ(h.window.result(), QDialog::Rejected);
    EXPECT_TRUE(h.prompts.messages.empty()) << "no question";
    EXPECT_TRUE(h.prompts.fileDialogs.size() == 1u) << "no save offered";
    EXPECT_EQ(h.dialog.workspace().dumpLength(), 0u);
}

TEST(WindowKeys, TheCloseBoxClosesLikeEscape) {
    WindowHarness h;
    h.LoadBase(kDigits);
    EXPECT_TRUE(h.window.close());
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_EQ(h.dialog.workspace().baseLength(), 0u);
}

TEST(WindowKeys, EnterInTheAreaStartChangesNothing) {
    WindowHarness h;
    h.LoadBase(kDigits);
    h.W<QLineEdit>(ids::kAreaStart)->setText(QStringLiteral("4"));
    h.Key(ids::kAreaStart, Qt::Key_Return);
    h.Key(ids::kAreaStart, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(h.window.isVisible());
    EXPECT_EQ(h.W<QLineEdit>(ids::kAreaStart)->text(), QStringLiteral("4"));
    EXPECT_EQ(h.dialog.fields().areaStart, "0") << "no pull, no command";
    EXPECT_EQ(AnalyzeLines(h), 0);
}

TEST(WindowKeys, EnterOnAFocusedButtonDoesNotPressIt) {
    WindowHarness h;
    h.Key(ids::kBaseFileButton, Qt::Key_Return);
    EXPECT_TRUE(h.prompts.fileDialogs.empty());
    EXPECT_TRUE(h.window.isVisible());
}

TEST(WindowKeys, EnterInTheMemoStartsANewLineThatTheLogKeeps) {
    WindowHarness h;
    QWidget* memo = h.W(ids::kMemo);
    memo->setFocus();
    QTest::keyClicks(memo, QStringLiteral("note"));
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_EQ(h.dialog.fields().logText, "note\r\n");
    h.LoadBase(kDigits);
    h.window.MenuAction(ids::kMenuAnalyze)->trigger();
    EXPECT_EQ(h.Text(ids::kMemo).rfind("note\r\n[AN] Addr:00000000 Size:00000009 CRC:CBF43926", 0), 0u);
}

TEST(WindowKeys, EnterInAPaneStartsANewLine) {
    WindowHarness h;
    h.Key(ids::kDumpHex, Qt::Key_Return);
    EXPECT_EQ(h.W<QPlainTextEdit>(ids::kDumpHex)->toPlainText(), QStringLiteral("\n"));
}

TEST(WindowInput, LimitedEditsRefuseANinthCharacter) {
    WindowHarness h;
    for (int id : {ids::kAreaStart, ids::kAreaEnd, ids::kBaseJumpText, ids::kDumpJumpText, ids::kQuickExorText,
                   ids::kSearchSize, ids::kSearchCrc, ids::kSearchStep}) {
        auto* edit = h.W<QLineEdit>(id);
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("123456789"));
        EXPECT_EQ(edit->text(), QStringLiteral("12345678")) << id;
    }
    auto* memo = h.W(ids::kMemo);
    QTest::keyClicks(memo, QStringLiteral("123456789"));
    EXPECT_EQ(h.dialog.fields().logText, "123456789");
}

TEST(WindowInput, ARadioClickChangesNoFieldUntilAPull) {
    WindowHarness h;
    QTest::mouseClick(h.W(ids::kMaskExor), Qt::LeftButton);
    QTest::mouseClick(h.W(ids::kStripeEven), Qt::LeftButton);
    QTest::mouseClick(h.W(ids::kSyncScroll), Qt::LeftButton);
    EXPECT_TRUE(h.W<QAbstractButton>(ids::kMaskExor)->isChecked());
    EXPECT_FALSE(h.W<QAbstractButton>(ids::kMaskNothing)->isChecked()) << "the group is exclusive";
    EXPECT_TRUE(h.W<QAbstractButton>(ids::kStripeEven)->isChecked());
    EXPECT_TRUE(h.W<QAbstractButton>(ids::kEndian16)->isChecked()) << "other groups keep theirs";
    EXPECT_EQ(h.dialog.fields().maskMode, 0);
    EXPECT_EQ(h.dialog.fields().stripeMode, 0);
    EXPECT_EQ(h.dialog.fields().syncScroll, 0);
    QTest::keyClicks(h.W(ids::kMemo), QStringLiteral("x"));  // a memo change pulls
    EXPECT_EQ(h.dialog.fields().maskMode, 1);
    EXPECT_EQ(h.dialog.fields().stripeMode, 2);
    EXPECT_EQ(h.dialog.fields().syncScroll, 1);
}

TEST(WindowMessages, ABoxWithoutACaptionCarriesTheApplicationsTitle) {
    WindowHarness h;
    h.prompts.files.push_back(QStringLiteral("/roms/missing.bin"));
    h.Key(ids::kBaseHex, Qt::Key_F1);
    ASSERT_EQ(h.prompts.messages.size(), 1u);
    EXPECT_EQ(h.prompts.messages[0].text, QStringLiteral("File not found."));
    EXPECT_EQ(h.prompts.messages[0].caption, QStringLiteral("/roms/missing.bin"));

    h.host.ShowMessage("break.", std::nullopt, MessageButtons::Ok);
    EXPECT_EQ(h.prompts.messages[1].caption, QCoreApplication::applicationName());
}

}  // namespace
}  // namespace vesperine::qt::testing
