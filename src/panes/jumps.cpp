// BaseJump and DumpJump: a pane to the row holding a typed address.
#include <string>

#include "app/hex_field.h"
#include "app/main_dialog.h"

namespace vesperine {
namespace {

// The row holding the address, which the bar clamps to its last position. A jump moves only
// its own pane, "Sync scroll" or not.
void JumpPane(MainDialog& dialog, const std::string DialogFields::*jumpText, int barId) {
    dialog.PullFromControls();
    const std::uint32_t address = ParseHexField(dialog.fields().*jumpText);
    // At most 0x0FFFFFFF, which a signed position holds.
    dialog.host().SetScrollPos(barId, static_cast<int>(address / 16u));
    dialog.PushToControls();
}

}  // namespace

void MainDialog::BaseJump() {
    JumpPane(*this, &DialogFields::baseJumpText, ids::kBaseScrollBar);
    RenderBasePane();
}

void MainDialog::DumpJump() {
    JumpPane(*this, &DialogFields::dumpJumpText, ids::kDumpScrollBar);
    RenderDumpPane();
}

}  // namespace vesperine
