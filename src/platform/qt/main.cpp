// The vesperine program: one modal dialog, opened at start and closed to end.
#include <cstdio>
#include <cstdlib>

#include "platform/qt/main_app.h"

namespace {

// On a Unix desktop without a display the toolkit would abort with a page about plugins;
// say plainly what is missing instead. A platform chosen explicitly is left to the toolkit.
bool DisplayMissing() {
#if defined(__unix__) && !defined(__APPLE__)
    const auto unset = [](const char* name) {
        const char* value = std::getenv(name);
        return value == nullptr || *value == '\0';
    };
    return unset("DISPLAY") && unset("WAYLAND_DISPLAY") && unset("QT_QPA_PLATFORM");
#else
    return false;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    if (DisplayMissing()) {
        std::fputs("vesperine: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset).\n", stderr);
        return 1;
    }
    vesperine::qt::MainApp app(argc, argv);
    return app.Run();
}
