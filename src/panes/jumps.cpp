// BaseJump and DumpJump: a pane to the row holding a typed address.
#include "app/main_dialog.h"

namespace vesperine {

void MainDialog::BaseJump() {}

void MainDialog::DumpJump() {}

}  // namespace vesperine
