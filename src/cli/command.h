// What every vesperine-cli subcommand shares: exit statuses, output streams, its description.
#pragma once

#include <ostream>

#include "files/file_system.h"

namespace CLI {
class App;
}

namespace vesperine::cli {

// Exit statuses, the same for every subcommand: success or a hit; "not found" or a mismatch;
// a usage error or a file that cannot be used (with a message on standard error).
inline constexpr int kExitOk = 0;
inline constexpr int kExitNo = 1;
inline constexpr int kExitError = 2;

// Where a subcommand writes: its result (plain lines, or one JSON document) to out, messages
// to err. Tests pass string streams, the program the standard streams.
struct Streams {
    std::ostream& out;
    std::ostream& err;
};

// What sets one subcommand apart, as data; cli/subcommand.h registers every one the same way.
// Options is its parsed arguments, with a `json` member for --json. With fileHelp, a required
// positional FILE is bound to the `file` (one) or `files` (FILE...) member; without it,
// addOptions adds the positional arguments the subcommand takes. With cutsDump, the dump-cut
// options (--area, --stripe, --mask, --mask-mode) are bound to the `dump` member. run does the
// work against a file system and two streams, so that tests call it without a process.
template <typename Options>
struct Subcommand {
    const char* name;
    const char* summary;
    const char* fileHelp = nullptr;
    bool cutsDump = false;
    void (*addOptions)(CLI::App& command, Options& options) = nullptr;
    const char* footer = "";  // exit statuses, notes and an example
    int (*run)(const Options& options, FileSystem& files, Streams streams) = nullptr;
    const char* jsonHelp = "One JSON document instead of lines";
    // Reads what only the parsed command line tells (the order of repeated options); may be null.
    void (*beforeRun)(const CLI::App& command, Options& options) = nullptr;
};

// A subcommand adds itself to the program's parser. When the user chose it, its callback runs
// the work and stores the work's exit status in status.
using RegisterCommand = void (*)(CLI::App& app, int& status);

}  // namespace vesperine::cli
