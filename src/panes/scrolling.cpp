// OnVScroll and the paging keys: moving a pane, and its partner while "Sync scroll" is ticked.
#include "app/main_dialog.h"

namespace vesperine {

void MainDialog::OnVScroll(ScrollRequest, int) {}

void MainDialog::PagePane(int) {}

}  // namespace vesperine
