// The vesperine program's command line: a base file and a mask file to load at start, --help, --version.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vesperine::qt {

// Files to load once the window has opened, as absolute paths in the platform's file-name bytes.
struct StartFiles {
    std::optional<std::string> base;
    std::optional<std::string> mask;
};

struct CommandLine {
    enum class Action { Run, Help, Version, Refuse, Inspect };
    Action action = Action::Run;
    StartFiles files;                  // for Run
    std::string refusal;               // for Refuse: what is wrong, one line without the program's name
    std::vector<std::string> inspect;  // for Inspect: the files, absolute, in the order given
};

// Reads `vesperine [--help | --version] [--] [BASE [MASK]]` or `vesperine --inspect [--]
// [FILE...]`, arguments without the program name; with --inspect anywhere before "--" every
// file is one to inspect, as many as given. --help (or -h) and --version win wherever they stand before "--"; an
// argument after
// "--" is a file whatever it looks like. An unknown option or a third file is refused. Relative
// paths are made absolute against the current folder, as the open dialog would give them.
[[nodiscard]] CommandLine ParseCommandLine(std::span<const char* const> arguments);

// The texts that --help and --version print, each ending in a line break.
[[nodiscard]] std::string HelpText();
[[nodiscard]] std::string VersionText();

// The exit status of a refused command line, as command-line tools use for wrong usage.
inline constexpr int kUsageStatus = 2;

}  // namespace vesperine::qt
