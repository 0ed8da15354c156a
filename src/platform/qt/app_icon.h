// The application icon, drawn for this program at 32 and 16 pixels.
#pragma once

#include <QIcon>

namespace vesperine::qt {

[[nodiscard]] QIcon AppIcon();

}  // namespace vesperine::qt
