// Mouse clicks at window points, found the way a real click finds its widget: every control takes its own.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QWindow>
#include <functional>
#include <vector>

#include "platform/qt/control_layout.h"
#include "window_harness.h"

namespace vesperine::qt::testing {
namespace {

bool TakesClicks(ControlKind kind) { return kind != ControlKind::Label && kind != ControlKind::GroupBox; }

// Points of the control at template row `row` that no control above it in the stacking order
// covers: its centre and a point two pixels inside each corner, in window coordinates.
std::vector<QPoint> VisiblePoints(const MainWindow& window, std::size_t row) {
    const QWidget* control = window.templateWidgets()[row];
    const QRect r = control->rect();
    const QPoint local[] = {
        r.center(), {2, 2}, {r.width() - 3, 2}, {2, r.height() - 3}, {r.width() - 3, r.height() - 3}};
    std::vector<QPoint> points;
    for (const QPoint& p : local) {
        const QPoint inParent = control->mapToParent(p);
        bool covered = false;
        for (std::size_t above = 0; above < row; ++above)
            covered |=
                TakesClicks(kControls[above].kind) && window.templateWidgets()[above]->geometry().contains(inParent);
        if (!covered) points.push_back(control->mapTo(&window, p));
    }
    return points;
}

// A harness where every button's command leaves a trace of its own.
struct ClickHarness : WindowHarness {
    ClickHarness() {
        Bytes base(0x400);
        for (std::size_t i = 0; i < base.size(); ++i) base[i] = static_cast<std::uint8_t>(i);
        LoadBase(base);
        window.MenuAction(ids::kMenuAnalyze)->trigger();
        files.files["/roms/picked.bin"] = {1, 2, 3};
        prompts.files.push_back(QStringLiteral("/roms/picked.bin"));  // for whichever "." runs
        for (int id : {ids::kBaseJumpText, ids::kDumpJumpText}) W<QLineEdit>(id)->setText(QStringLiteral("200"));
        W<QLineEdit>(ids::kQuickExorText)->setText(QStringLiteral("FF"));
        W<QLineEdit>(ids::kSearchSize)->setText(QStringLiteral("10"));
        W<QLineEdit>(ids::kSearchCrc)->setText(QStringLiteral("12345678"));
        W<QLineEdit>(ids::kSearchStep)->setText(QStringLiteral("1"));
        window.Control(ids::kMemo)->setFocus();
    }

    [[nodiscard]] bool Logged(const char* text) const {
        return dialog.fields().logText.find(text) != std::string::npos;
    }
    [[nodiscard]] bool Told(const char* text) const {
        for (const AskedMessage& message : prompts.messages)
            if (message.text == QLatin1String(text)) return true;
        return false;
    }
};

struct ButtonTrace {
    int id;
    std::function<bool(const ClickHarness&)> ran;
};

const std::vector<ButtonTrace>& ButtonTraces() {
    static const std::vector<ButtonTrace> traces{
        {ids::kBaseFileButton, [](const ClickHarness& h) { return h.Text(ids::kBasePath) == "/roms/picked.bin"; }},
        {ids::kMaskFileButton, [](const ClickHarness& h) { return h.Text(ids::kMaskPath) == "/roms/picked.bin"; }},
        {ids::kAnalyzeButton,
         [](const ClickHarness& h) {
             return h.dialog.fields().logText.find("[AN]") != h.dialog.fields().logText.rfind("[AN]");
         }},
        {ids::kBaseJumpButton, [](const ClickHarness& h) { return h.host.ScrollPos(ids::kBaseScrollBar) == 0x20; }},
        {ids::kDumpJumpButton, [](const ClickHarness& h) { return h.host.ScrollPos(ids::kDumpScrollBar) == 0x20; }},
        {ids::kQuickExorButton, [](const ClickHarness& h) { return h.dialog.workspace().Dump()[1] == 0xFE; }},
        {ids::kEndianButton, [](const ClickHarness& h) { return h.Logged("16Bit EndianConv CRC:"); }},
        {ids::kAttackButton, [](const ClickHarness& h) { return h.Told("CRC not found."); }},
        {ids::kSwapButton, [](const ClickHarness& h) { return h.Logged("Swap 1stHalf & 2ndHalf CRC:"); }},
        {ids::kSaveDumpButton,
         [](const ClickHarness& h) {
             return !h.prompts.fileDialogs.empty() && h.prompts.fileDialogs.back() == FileChoice::Save;
         }},
        {ids::kLogClearButton, [](const ClickHarness& h) { return h.dialog.fields().logText.empty(); }},
    };
    return traces;
}

std::size_t RowOf(int id) {
    for (std::size_t row = 0; row < kControls.size(); ++row)
        if (kControls[row].id == id) return row;
    return kControls.size();
}

void ClickAt(MainWindow& window, QPoint point) { QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, point); }

TEST(WindowClicks, EveryPushButtonRunsItsCommandFromAnyVisiblePoint) {
    for (const ButtonTrace& trace : ButtonTraces()) {
        const std::size_t row = RowOf(trace.id);
        ClickHarness probe;
        const std::vector<QPoint> points = VisiblePoints(probe.window, row);
        ASSERT_GE(points.size(), 3u) << trace.id;
        for (const QPoint& point : points) {
            SCOPED_TRACE(::testing::Message() << kControls[row].caption << " at " << point.x() << "," << point.y());
            ClickHarness h;
            EXPECT_FALSE(trace.ran(h)) << "the trace is not there before the click";
            ClickAt(h.window, point);
            EXPECT_TRUE(trace.ran(h));
            EXPECT_EQ(h.window.focusWidget(), h.W(trace.id));
        }
    }
}

TEST(WindowClicks, EveryRadioButtonAndTheCheckBoxTakeTheirClickAndTheFocus) {
    for (std::size_t row = 0; row < kControls.size(); ++row) {
        const ControlKind kind = kControls[row].kind;
        if (kind != ControlKind::Radio && kind != ControlKind::Check) continue;
        WindowHarness probe;
        for (const QPoint& point : VisiblePoints(probe.window, row)) {
            SCOPED_TRACE(::testing::Message() << kControls[row].caption << " at " << point.x() << "," << point.y());
            WindowHarness h;
            auto* button = qobject_cast<QAbstractButton*>(h.window.templateWidgets()[row]);
            const bool expected = kind == ControlKind::Radio || !button->isChecked();
            ClickAt(h.window, point);
            EXPECT_EQ(button->isChecked(), expected);
            EXPECT_EQ(h.window.focusWidget(), button);
        }
    }
}

TEST(WindowClicks, EveryEditTakesTheFocusFromAnyVisiblePoint) {
    for (std::size_t row = 0; row < kControls.size(); ++row) {
        if (kControls[row].kind != ControlKind::Edit) continue;
        WindowHarness probe;
        for (const QPoint& point : VisiblePoints(probe.window, row)) {
            SCOPED_TRACE(::testing::Message()
                         << "edit " << kControls[row].id << " at " << point.x() << "," << point.y());
            WindowHarness h;
            QWidget* edit = h.window.templateWidgets()[row];
            h.W(ids::kSaveDumpButton)->setFocus();
            QWidget* hit = h.window.childAt(point);
            ASSERT_TRUE(hit == edit || edit->isAncestorOf(hit));
            ClickAt(h.window, point);
            // The memo's own scroll bar takes a click without taking the focus.
            if (!qobject_cast<QScrollBar*>(hit)) {
                EXPECT_EQ(h.window.focusWidget(), edit);
            }
        }
    }
}

TEST(WindowClicks, LabelsAndGroupBoxesNeverTakeAClick) {
    WindowHarness h;
    for (std::size_t row = 0; row < kControls.size(); ++row) {
        if (TakesClicks(kControls[row].kind)) continue;
        QWidget* frame = h.window.templateWidgets()[row];
        const QPoint corner = frame->mapTo(&h.window, QPoint(1, frame->height() / 2));
        EXPECT_NE(h.window.childAt(corner), frame) << kControls[row].caption;
    }
}

}  // namespace
}  // namespace vesperine::qt::testing
