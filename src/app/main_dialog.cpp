// MainDialog's life: construction with the defaults, opening, the OK step and closing.
#include "app/main_dialog.h"

namespace vesperine {

MainDialog::MainDialog(Host& host, FileSystem& files) : host_(host), files_(files) {}

void MainDialog::OnInitDialog() {
    PushToControls();
    host_.FocusControl(ids::kBaseHex, false);
}

void MainDialog::OnOk() {
    // Enter where no control takes it: the window stays open and nothing changes.
}

void MainDialog::OnCancel() {
    if (longTask_) {
        // The task's poll hears it and breaks off; RunTask then closes the window.
        closeRequested_ = true;
        return;
    }
    workspace_.Release();
    host_.EndDialog(0);
}

}  // namespace vesperine
