// OnVScroll and the paging keys: moving a pane, and its partner while "Sync scroll" is ticked.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "app/main_dialog.h"

namespace vesperine {
namespace {

constexpr std::uint32_t kMaxPosition = std::numeric_limits<std::int32_t>::max();

// Positions are rows of 16 bytes and never negative (every range starts at 0), so they are
// worked on as unsigned 32-bit numbers, as the limits and the sync ratio they meet are.
std::uint32_t PositionOf(int position) { return static_cast<std::uint32_t>(std::max(position, 0)); }

// A bar takes a signed position; anything past the largest one is clamped by the bar anyway.
int ToBarPosition(std::uint32_t n) { return static_cast<int>(std::min(n, kMaxPosition)); }

// The new position for a request on a bar at p whose thumb is dragged to t. Line down and
// page down stop at the base file's row count, on the dump bar as well.
std::uint32_t RequestedPosition(ScrollRequest request, std::uint32_t p, std::uint32_t t, std::uint32_t limit) {
    switch (request) {
        case ScrollRequest::LineUp: return p > 0 ? p - 1 : p;
        case ScrollRequest::LineDown: return std::min(p + 1, limit);
        case ScrollRequest::PageUp: return p > 16 ? p - 16 : 0;
        case ScrollRequest::PageDown: return std::min(p + 16, limit);
        case ScrollRequest::ThumbTrack: return t;
        default: return p;
    }
}

// Where the partner of a pane moved to n goes, by the ratio baseLength / dumpLength taken
// afresh; nothing when the lengths give no ratio to divide by. A dump move multiplies, and the
// product wraps modulo 2^32 as the 32-bit arithmetic of the positions does.
std::optional<std::uint32_t> SyncedPosition(int movedBar, std::uint32_t n, const Workspace& workspace) {
    if (workspace.dumpLength() == 0) return std::nullopt;
    const std::uint32_t ratio = workspace.baseLength() / workspace.dumpLength();
    if (movedBar == ids::kDumpScrollBar) return n * ratio;
    if (ratio == 0) return std::nullopt;
    return n / ratio;
}

void MovePane(MainDialog& dialog, int barId, int position) {
    dialog.host().SetScrollPos(barId, position);
    if (barId == ids::kBaseScrollBar) {
        dialog.RenderBasePane();
    } else {
        dialog.RenderDumpPane();
    }
}

// The partner follows n as computed, before the moved bar clamped it. A partner that cannot
// follow stays as it is, unrendered.
void MovePartner(MainDialog& dialog, int movedBar, std::uint32_t n) {
    const std::optional<std::uint32_t> position = SyncedPosition(movedBar, n, dialog.workspace());
    if (!position) return;
    const int partner = movedBar == ids::kBaseScrollBar ? ids::kDumpScrollBar : ids::kBaseScrollBar;
    // Converted modulo 2^32, as the product is: the bar clamps whatever comes out.
    MovePane(dialog, partner, static_cast<int>(*position));
}

}  // namespace

void MainDialog::OnVScroll(ScrollRequest request, int barId) {
    // A dump pane rendered now would read bytes a long task may be writing.
    if (longTask_) return;
    if (barId != ids::kBaseScrollBar && barId != ids::kDumpScrollBar) return;
    const std::uint32_t n = RequestedPosition(request, PositionOf(host_.ScrollPos(barId)),
                                              PositionOf(host_.ScrollTrackPos(barId)), workspace_.baseLength() / 16u);
    // Every request renders, even one that leaves the pane where it was.
    MovePane(*this, barId, ToBarPosition(n));
    // Read after the render, whose pull has just taken the check box's state.
    if (fields_.syncScroll == 1) MovePartner(*this, barId, n);
}

void MainDialog::PagePane(int step) {
    // Only the hex boxes page; an empty hex box means its pane has not been shown yet.
    const int focus = host_.FocusedControl();
    int barId = 0;
    if (focus == ids::kBaseHex && !fields_.baseHex.empty()) barId = ids::kBaseScrollBar;
    if (focus == ids::kDumpHex && !fields_.dumpHex.empty()) barId = ids::kDumpScrollBar;
    if (barId == 0) return;
    // No upper limit here: the bar clamps. Widened so that no position plus step can overflow.
    const std::int64_t moved = std::int64_t{host_.ScrollPos(barId)} + step;
    const auto n =
        static_cast<std::uint32_t>(std::clamp<std::int64_t>(moved, 0, std::numeric_limits<std::uint32_t>::max()));
    MovePane(*this, barId, ToBarPosition(n));
    if (fields_.syncScroll != 1) return;
    // Paging the base leaves a dump pane never shown alone; paging the dump does not ask.
    if (barId == ids::kBaseScrollBar && fields_.dumpHex.empty()) return;
    MovePartner(*this, barId, n);
}

}  // namespace vesperine
