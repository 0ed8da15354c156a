// What every vesperine-cli subcommand shares: exit statuses, output streams, registration.
#pragma once

#include <ostream>

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

// A subcommand adds itself to the program's parser. When the user chose it, its callback runs
// the work and stores the work's exit status in status.
using RegisterCommand = void (*)(CLI::App& app, int& status);

}  // namespace vesperine::cli
