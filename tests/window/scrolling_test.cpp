// The pane scroll bars through real mouse and wheel input, and the paging keys in the panes.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QWheelEvent>

#include "platform/qt/request_scroll_bar.h"
#include "window_harness.h"

namespace vesperine::qt::testing {
namespace {

QString FirstRow(const WindowHarness& h, int paneId) {
    return h.W<QPlainTextEdit>(paneId)->toPlainText().section(QLatin1Char('\n'), 0, 0).left(8);
}

void ClickPart(RequestScrollBar* bar, QStyle::SubControl part, QPoint offset = {}) {
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->PartRect(part).center() + offset);
}

TEST(ScrollBars, ArrowAndPageClicksAskTheHandlerWhichMovesBarAndPane) {
    WindowHarness h;
    h.LoadBase(Bytes(0x1000, 0));  // positions 0 to 241
    RequestScrollBar* bar = h.window.ScrollBar(ids::kBaseScrollBar);
    ClickPart(bar, QStyle::SC_ScrollBarAddLine);
    EXPECT_EQ(bar->Position(), 1);
    EXPECT_EQ(FirstRow(h, ids::kBaseHex), QStringLiteral("00000010"));
    // A page is 16 rows, whatever Qt's own page step (0 here) would have done.
    ClickPart(bar, QStyle::SC_ScrollBarAddPage);
    EXPECT_EQ(bar->Position(), 17);
    EXPECT_EQ(FirstRow(h, ids::kBaseHex), QStringLiteral("00000110"));
    ClickPart(bar, QStyle::SC_ScrollBarSubLine);
    EXPECT_EQ(bar->Position(), 16);
    ClickPart(bar, QStyle::SC_ScrollBarSubPage);
    EXPECT_EQ(bar->Position(), 0);
    EXPECT_EQ(FirstRow(h, ids::kBaseHex), QStringLiteral("00000000"));
}

TEST(ScrollBars, LineDownOnTheDumpBarStopsAtTheBaseFilesRowCount) {
    WindowHarness h;
    h.LoadBase(Bytes(0x4000, 0));
    h.window.MenuAction(ids::kMenuAnalyze)->trigger();  // dump of 0x4000: positions 0 to 1009
    h.LoadBase(Bytes(0x20, 0));                         // base of two rows
    RequestScrollBar* dumpBar = h.window.ScrollBar(ids::kDumpScrollBar);
    for (int i = 0; i < 4; ++i) ClickPart(dumpBar, QStyle::SC_ScrollBarAddLine);
    EXPECT_EQ(dumpBar->Position(), 2) << "the handler's limit stands, not the bar's own step";
}

TEST(ScrollBars, DraggingTheThumbTracksItAndTheReleaseKeepsIt) {
    WindowHarness h;
    h.LoadBase(Bytes(0x1000, 0));
    RequestScrollBar* bar = h.window.ScrollBar(ids::kBaseScrollBar);
    const QPoint thumb = bar->PartRect(QStyle::SC_ScrollBarSlider).center();
    const QPoint bottom = bar->PartRect(QStyle::SC_ScrollBarAddPage).bottomLeft() + QPoint(thumb.x(), 0);
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(bar, (thumb + bottom) / 2);
    const int tracked = bar->TrackPosition();
    EXPECT_GT(tracked, 0);
    EXPECT_EQ(bar->Position(), tracked) << "the thumb-track request moved the bar";
    QTest::mouseMove(bar, bottom);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, bottom);
    EXPECT_GT(bar->Position(), tracked);
    EXPECT_EQ(FirstRow(h, ids::kBaseHex),
              QStringLiteral("%1").arg(bar->Position() * 16, 8, 16, QLatin1Char('0')).toUpper());
}

TEST(ScrollBars, TheWheelOverAPaneAsksItsBarForLines) {
    WindowHarness h;
    h.LoadBase(Bytes(0x1000, 0));
    QWidget* viewport = h.W<QPlainTextEdit>(ids::kBaseText)->viewport();
    const QPointF at(10, 10);
    QWheelEvent down(at, viewport->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &down);
    EXPECT_EQ(h.window.ScrollBar(ids::kBaseScrollBar)->Position(), QApplication::wheelScrollLines());
    EXPECT_EQ(h.window.ScrollBar(ids::kDumpScrollBar)->Position(), 0);
}

TEST(PagingKeys, PageDownInTheBaseHexBoxMovesBothPanesInStep) {
    WindowHarness h;
    h.LoadBase(Bytes(0x2000, 0));
    QTest::mouseClick(h.W(ids::kStripeOdd), Qt::LeftButton);
    h.window.MenuAction(ids::kMenuAnalyze)->trigger();  // dump 0x1000: ratio 2
    QTest::mouseClick(h.W(ids::kSyncScroll), Qt::LeftButton);
    h.Key(ids::kBaseHex, Qt::Key_PageDown);
    EXPECT_EQ(h.window.ScrollBar(ids::kBaseScrollBar)->Position(), 16);
    EXPECT_EQ(h.window.ScrollBar(ids::kDumpScrollBar)->Position(), 8);
    EXPECT_EQ(FirstRow(h, ids::kBaseHex), QStringLiteral("00000100"));
    EXPECT_EQ(FirstRow(h, ids::kDumpHex), QStringLiteral("00000080"));
}

TEST(PagingKeys, PageDownInACharacterBoxScrollsNothing) {
    WindowHarness h;
    h.LoadBase(Bytes(0x2000, 0));
    h.Key(ids::kBaseText, Qt::Key_PageDown);
    EXPECT_EQ(h.window.ScrollBar(ids::kBaseScrollBar)->Position(), 0);
    EXPECT_EQ(FirstRow(h, ids::kBaseHex), QStringLiteral("00000000"));
}

}  // namespace
}  // namespace vesperine::qt::testing
