// The window's template: places, captions, menu, frame, and pane rows under their headings.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>

#include "platform/qt/control_layout.h"
#include "window_harness.h"

namespace vesperine::qt::testing {
namespace {

TEST(WindowLayout, EveryControlStandsAtItsTemplatePlace) {
    WindowHarness h;
    const DialogUnits& u = h.window.units();
    ASSERT_EQ(h.window.templateWidgets().size(), kControls.size());
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const ControlTemplate& spec = kControls[i];
        SCOPED_TRACE(::testing::Message() << "row " << i << " id " << spec.id << " " << spec.caption);
        const QRect expected(qRound(spec.x * u.unitX()), qRound(spec.y * u.unitY()), qRound(spec.w * u.unitX()),
                             qRound(spec.h * u.unitY()));
        EXPECT_EQ(h.window.templateWidgets()[i]->geometry(), expected);
        EXPECT_TRUE(h.window.templateWidgets()[i]->isVisible());
        EXPECT_TRUE(h.window.templateWidgets()[i]->isEnabled());
    }
    EXPECT_EQ(h.window.clientArea()->size(), QSize(qRound(519 * u.unitX()), qRound(309 * u.unitY())));
}

TEST(WindowLayout, DialogUnitsComeFromTheFontsCells) {
    WindowHarness h;
    const QFontMetricsF metrics(h.window.clientArea()->font());
    EXPECT_DOUBLE_EQ(h.window.units().unitX(), metrics.horizontalAdvance(QStringLiteral("x")) / 4.0);
    EXPECT_DOUBLE_EQ(h.window.units().unitY(), metrics.height() / 8.0);
    // About the template's 12 points at 96 dpi: a window a little over 1000 pixels wide.
    EXPECT_NEAR(h.window.clientArea()->width(), 1038, 80);
}

TEST(WindowLayout, CaptionMenuAndFrame) {
    WindowHarness h;
    EXPECT_EQ(h.window.windowTitle(), QStringLiteral("Vesperine [VESPERIN] Ver1.40"));
    const Qt::WindowFlags flags = h.window.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(h.window.minimumSize(), h.window.maximumSize());
    EXPECT_FALSE(h.window.windowIcon().isNull());
    EXPECT_FALSE(h.window.windowIcon().pixmap(16, 16).isNull());

    const QList<QAction*> items = h.window.menuBar()->actions();
    ASSERT_EQ(items.size(), 4);
    const char* texts[] = {"Load BaseFile (F1)", "Load MaskFile (F2)", "Save DumpFile (F3)", "Go Analyze (F4)"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(items[i]->text(), QString::fromLatin1(texts[i]));
        EXPECT_EQ(items[i]->menu(), nullptr) << "an item on the bar, not a drop-down";
        EXPECT_TRUE(items[i]->isEnabled());
    }
}

TEST(WindowLayout, DoubledAmpersandsShowAsOneAndNoMnemonic) {
    WindowHarness h;
    QStringList labels;
    for (QLabel* label : h.window.clientArea()->findChildren<QLabel*>()) labels << label->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("Log & Memo")));
    QStringList frames;
    for (QGroupBox* box : h.window.clientArea()->findChildren<QGroupBox*>()) frames << box->title();
    // Qt's own escape for a literal "&" in a button or frame caption.
    EXPECT_TRUE(frames.contains(QStringLiteral("Extract ODD && EVEN (Stripe Mode)")));
    EXPECT_EQ(h.W<QAbstractButton>(ids::kSwapButton)->text(), QStringLiteral("Swap 1stHalf&&2ndHalf"));
    EXPECT_TRUE(h.W<QAbstractButton>(ids::kSwapButton)->shortcut().isEmpty());
}

TEST(WindowLayout, RadioButtonsLieAboveTheirFrames) {
    WindowHarness h;
    for (int id : {ids::kMaskExor, ids::kStripeEven, ids::kEndian32, ids::kSyncScroll}) {
        QWidget* radio = h.W(id);
        EXPECT_EQ(h.window.clientArea()->childAt(radio->geometry().center()), radio) << id;
    }
}

// The first offset of each row sits under the heading's first character, and a row of the
// fixed-pitch font fits its box without wrapping.
struct PaneHeading {
    int paneId;
    int headingRow;  // the heading's row in kControls
    int rowChars;
};

TEST(WindowLayout, PaneRowsLineUpUnderTheirHeadings) {
    WindowHarness h;
    h.LoadBase(Bytes(0x400, 0x41));
    h.window.MenuAction(ids::kMenuAnalyze)->trigger();
    for (const PaneHeading pane : {PaneHeading{ids::kBaseHex, 42, 56}, PaneHeading{ids::kBaseText, 43, 16},
                                   PaneHeading{ids::kDumpHex, 44, 56}, PaneHeading{ids::kDumpText, 45, 16}}) {
        SCOPED_TRACE(pane.paneId);
        auto* edit = h.W<QPlainTextEdit>(pane.paneId);
        auto* heading = static_cast<QLabel*>(h.window.templateWidgets()[pane.headingRow]);
        const int margin = static_cast<int>(edit->document()->documentMargin());
        EXPECT_EQ(edit->x() + edit->frameWidth() + margin, heading->x());

        const QFontMetricsF metrics(edit->font());
        EXPECT_EQ(heading->text().size(), pane.rowChars);
        EXPECT_LE(metrics.horizontalAdvance(heading->text()), edit->viewport()->width() - 2 * margin);
        EXPECT_DOUBLE_EQ(QFontMetricsF(heading->font()).horizontalAdvance(heading->text()),
                         metrics.horizontalAdvance(QString(pane.rowChars, QLatin1Char('0'))));
        int rows = 0;
        for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next(), ++rows)
            EXPECT_EQ(block.layout()->lineCount(), 1) << "row " << rows << " wraps";
        EXPECT_EQ(rows, 17);
    }
}

TEST(WindowLayout, FullWidthCharactersTakeTwoCells) {
    WindowHarness h;
    const QFontMetricsF metrics(h.W(ids::kBaseText)->font());
    // Eight full-width characters fill the sixteen cells of one character row.
    EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(QStringLiteral("あいうえおかきく")),
                     metrics.horizontalAdvance(QStringLiteral("0123456789ABCDEF")));
}

}  // namespace
}  // namespace vesperine::qt::testing
