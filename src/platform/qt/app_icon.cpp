// AppIcon: both sizes from the compiled-in resources (resources/vesperine.qrc).
#include "platform/qt/app_icon.h"

// The resources live in a static library, whose unreferenced objects a linker drops; naming
// them here keeps them. Q_INIT_RESOURCE must be used outside any namespace.
static void InitIconResources() { Q_INIT_RESOURCE(vesperine); }

namespace vesperine::qt {

QIcon AppIcon() {
    InitIconResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/vesperine/vesperine-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/vesperine/vesperine-32.png"), QSize(32, 32));
    return icon;
}

}  // namespace vesperine::qt
