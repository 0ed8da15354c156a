// CrcSearch: "Go Attack!", the first window of the area whose CRC-32 is the target.
#include "app/main_dialog.h"

namespace vesperine {

void MainDialog::CrcSearch() {}

}  // namespace vesperine
