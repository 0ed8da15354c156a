// RenderBasePane, RenderDumpPane and ResetPaneScroll.
#include "app/main_dialog.h"
#include "panes/pane_text.h"

namespace vesperine {

void MainDialog::RenderPane(int barId) {
    PullFromControls();
    const bool base = barId == ids::kBaseScrollBar;
    // Positions are never negative (ranges start at 0); the product wraps as unsigned 32-bit.
    const auto top = static_cast<std::uint32_t>(host_.ScrollPos(barId)) * 16u;
    if (base) workspace_.SetBaseTop(top);
    else workspace_.SetDumpTop(top);
    PaneText text = FormatPane(base ? workspace_.Base() : workspace_.Dump(), top, ClassesForCodePage(host_.CodePage()));
    (base ? fields_.baseHex : fields_.dumpHex) = std::move(text.hex);
    (base ? fields_.baseText : fields_.dumpText) = std::move(text.chars);
    PushToControls();
}

void MainDialog::RenderBasePane() { RenderPane(ids::kBaseScrollBar); }

void MainDialog::RenderDumpPane() { RenderPane(ids::kDumpScrollBar); }

void MainDialog::ResetPaneScroll(int barId, std::uint32_t length) {
    // The last position shows the last byte's row with one or two rows to spare; lengths
    // below 240 give a negative maximum, which the bar takes as 0..0.
    const auto maximum = static_cast<std::int32_t>(length / 16u) - 15;
    host_.SetScrollRangeAndPos(barId, 0, maximum, 0);
}

}  // namespace vesperine
