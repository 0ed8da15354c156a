// The vesperine program: one modal dialog, opened at start and closed to end.
#include <cstdio>
#include <cstdlib>
#include <span>

#include "platform/qt/command_line.h"
#include "platform/qt/main_app.h"
#include "platform/write_interrupts.h"

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
    using vesperine::qt::CommandLine;
    const CommandLine line = vesperine::qt::ParseCommandLine(
        std::span<const char* const>(argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)));
    switch (line.action) {
        case CommandLine::Action::Help: std::fputs(vesperine::qt::HelpText().c_str(), stdout); return 0;
        case CommandLine::Action::Version: std::fputs(vesperine::qt::VersionText().c_str(), stdout); return 0;
        case CommandLine::Action::Refuse:
            std::fprintf(stderr, "vesperine: %s\nTry 'vesperine --help' for more information.\n", line.refusal.c_str());
            return vesperine::qt::kUsageStatus;
        case CommandLine::Action::Run:
        case CommandLine::Action::Inspect: break;
    }
    if (DisplayMissing()) {
        std::fputs("vesperine: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset).\n", stderr);
        return 1;
    }
    // The toolkit sees no arguments: the files are ours, and its own options (-platform,
    // -style) are set through its environment variables instead (QT_QPA_PLATFORM, QT_STYLE_OVERRIDE).
    int toolkitArgc = 1;
    vesperine::qt::MainApp app(toolkitArgc, argv);
    // A save interrupted by Ctrl+C in the terminal or a logout removes its temporary, as the
    // CLI's writes do; the window is then gone as it would be without the handler.
    vesperine::InstallWriteInterruptHandlers();
    if (line.action == CommandLine::Action::Inspect) return app.RunInspector(line.inspect);
    return app.Run(line.files);
}
