// ParseCommandLine: options first, then at most two files made absolute.
#include "platform/qt/command_line.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "base/licence_notice.h"

namespace vesperine::qt {

namespace {

namespace fs = std::filesystem;

// A relative path against the current folder, naming the file the system would open. On
// POSIX a ".." step leaves the folder a symbolic link leads to, not the link's own folder, so
// "link/../x.bin" is not "x.bin": the path up to its last ".." is resolved by the system, and
// kept as given when it cannot be (then it opens nothing, as given). Windows resolves ".."
// by the spelling, so there the spelling is cleaned. A path that cannot be made absolute (no
// current folder) is kept as given, and so is an empty one.
std::string AbsolutePath(const std::string& given) {
    if (given.empty()) return given;
    std::error_code error;
    const fs::path absolute = fs::absolute(given, error);
    if (error) return given;
#ifdef _WIN32
    return absolute.lexically_normal().string();
#else
    fs::path upToLastParent;
    fs::path rest;
    for (const fs::path& step : absolute) {
        rest /= step;
        if (step == "..") {
            upToLastParent /= rest;
            rest.clear();
        }
    }
    if (upToLastParent.empty()) return absolute.lexically_normal().string();
    const fs::path resolved = fs::canonical(upToLastParent, error);
    if (error) return absolute.string();
    return (resolved / rest).lexically_normal().string();
#endif
}

}  // namespace

CommandLine ParseCommandLine(std::span<const char* const> arguments) {
    CommandLine line;
    std::vector<std::string> files;
    bool optionsEnded = false;
    bool inspect = false;
    for (const char* raw : arguments) {
        const std::string_view argument(raw);
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == "--help" || argument == "-h")) {
            return CommandLine{CommandLine::Action::Help, {}, {}, {}};
        } else if (!optionsEnded && argument == "--version") {
            return CommandLine{CommandLine::Action::Version, {}, {}, {}};
        } else if (!optionsEnded && argument == "--inspect") {
            inspect = true;
        } else if (!optionsEnded && argument.size() > 1 && argument.front() == '-') {
            // Checked after the loop, so that --help later on the line still wins.
            if (line.refusal.empty()) line.refusal = "unknown option '" + std::string(argument) + "'";
        } else {
            files.emplace_back(argument);
        }
    }
    if (line.refusal.empty() && inspect) {
        line.action = CommandLine::Action::Inspect;
        for (const std::string& file : files) line.inspect.push_back(AbsolutePath(file));
        return line;
    }
    if (line.refusal.empty() && files.size() > 2)
        line.refusal = "too many files: at most a base file and a mask file, not " + std::to_string(files.size());
    if (!line.refusal.empty()) {
        line.action = CommandLine::Action::Refuse;
        return line;
    }
    if (!files.empty()) line.files.base = AbsolutePath(files[0]);
    if (files.size() > 1) line.files.mask = AbsolutePath(files[1]);
    return line;
}

std::string HelpText() {
    return "Usage: vesperine [BASE [MASK]]\n"
           "   or: vesperine --inspect [FILE...]\n"
           "Load a ROM image, cut an area out of it (whole, or the odd or even bytes), mask it,\n"
           "see its size and CRC-32, transform it, search it for a CRC-32 and save it.\n"
           "\n"
           "  BASE          load this file as the base file at start, as \"Load BaseFile (F1)\" does\n"
           "  MASK          load this file as the mask file at start, as \"Load MaskFile (F2)\" does\n"
           "  --inspect     open the Inspector alone on these files (health, checksums, identity,\n"
           "                reads, map); F5 in the window opens it on the base file and the dump\n"
           "  -h, --help    show this help and exit\n"
           "  --version     show the version and exit\n"
           "  --            every argument after it is a file, even one starting with \"-\"\n"
           "\n"
           "A file dropped on a base pane or on the base path loads as the base file, one dropped\n"
           "on the mask path as the mask file.\n";
}

std::string VersionText() { return std::string("vesperine " VESPERINE_VERSION "\n") + kLicenceNotice; }

}  // namespace vesperine::qt
