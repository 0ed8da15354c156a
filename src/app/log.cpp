// The "Log && Memo" box: AppendLog, ClearLog and the capture of the user's typing.
#include "app/main_dialog.h"

namespace vesperine {

void MainDialog::AppendLog(std::string_view line) {
    // No pull first: every change the user makes in the memo pulls at once, so logText is
    // already the box's text.
    if (!fields_.logText.empty() && fields_.logText.back() != '\n') fields_.logText += "\r\n";
    fields_.logText += line;
    PushToControls();
}

void MainDialog::ClearLog() {
    fields_.logText.clear();
    PushToControls();
}

void MainDialog::OnEditChanged(int controlId) {
    // A push rewriting the memo notifies too; no sweep may start inside another.
    if (controlId != ids::kMemo || sweeping_) return;
    PullFromControls();
}

}  // namespace vesperine
