// vesperine-cli: the window's analysis for scripts and batches, one subcommand per file.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "base/licence_notice.h"
#include "cli/command.h"
#include "cli/commands.h"
#include "cli/subcommand.h"
#include "platform/console.h"
#include "platform/write_interrupts.h"

namespace {

using namespace vesperine::cli;
using vesperine::kLicenceNotice;

// Every subcommand, in the order --help lists them.
// clang-format off
constexpr RegisterCommand kCommands[] = {
    Registered<kCrcCommand>,
    Registered<kExtractCommand>,
    Registered<kSplitCommand>,
    Registered<kMergeCommand>,
    Registered<kSearchCommand>,
    Registered<kDiagnoseCommand>,
    Registered<kCompareCommand>,
    Registered<kRepairCommand>,
    Registered<kReadsCommand>,
    Registered<kHashCommand>,
    Registered<kIdentifyCommand>,
    Registered<kDatCommand>,
    Registered<kBoardCommand>,
    Registered<kHeaderCommand>,
    Registered<kSumCommand>,
    Registered<kChecksumCommand>,
    Registered<kSolveCommand>,
};
// clang-format on

// The first argument, when it is a word but no subcommand's name: CLI11 would only say that an
// argument "was not expected", which does not tell a user who mistyped "identfy" what went wrong.
[[nodiscard]] bool RefuseUnknownSubcommand(CLI::App& app, int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-' || argv[1][0] == '\0') return false;
    std::string names;
    for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
        if (command->check_name(argv[1])) return false;
        names += (names.empty() ? "" : ", ") + command->get_name();
    }
    std::fprintf(stderr,
                 "vesperine-cli: \"%s\" is not a subcommand; the subcommands are %s (vesperine-cli --help tells what "
                 "each does)\n",
                 argv[1], names.c_str());
    return true;
}

// The subcommand whose work was running, for a message about its failure.
[[nodiscard]] const char* RunningCommand(CLI::App& app) {
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    return chosen.empty() ? "the command" : chosen.front()->get_name().c_str();
}

}  // namespace

int main(int argc, char** argv) {
    // UTF-8 arguments (and on Windows the patterns expanded), handed to CLI11 as argv would be.
    std::vector<std::string> arguments = vesperine::ProgramArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    argc = static_cast<int>(arguments.size());
    argv = pointers.data();
    vesperine::PrepareConsole();
    CLI::App app{
        "vesperine-cli: size, CRC-32, extraction, split and merge, search, diagnosis, reads, identification, header "
        "checksums and programmer sums of ROM dumps",
        "vesperine-cli"};
    app.require_subcommand(1);
    // Options are spelt --name on every system: on Windows CLI11 would also take "/json" for
    // --json and a path such as /tmp/x.bin for an option. Set before the subcommands, which copy it.
    app.allow_windows_style_options(false);
    std::string version = std::string("vesperine-cli " VESPERINE_VERSION "\n") + kLicenceNotice;
    version.pop_back();  // CLI11 ends the text with a line break of its own
    app.set_version_flag("--version", version);
    // An interrupted run removes the temporaries of its writes; a file-size limit is a write error.
    vesperine::InstallWriteInterruptHandlers();
    int status = kExitOk;
    for (const RegisterCommand add : kCommands) add(app, status);
    if (RefuseUnknownSubcommand(app, argc, argv)) return kExitError;
    // A subcommand's work runs inside parse, in its callback: whatever it throws ends here, with
    // a message and the error status, never in terminate.
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        // CLI11 has an exit code of its own for each kind of mistake; scripts get one: usage.
        app.exit(e);
        return kExitError;
    } catch (const std::bad_alloc&) {
        std::cout.flush();
        std::fprintf(stderr,
                     "vesperine-cli: not enough memory to finish %s; try fewer or smaller files at once, or a "
                     "machine with more memory\n",
                     RunningCommand(app));
        return kExitError;
    } catch (const std::exception& e) {
        std::cout.flush();
        std::fprintf(stderr, "vesperine-cli: %s failed: %s\n", RunningCommand(app), e.what());
        return kExitError;
    } catch (...) {
        std::cout.flush();
        std::fprintf(stderr, "vesperine-cli: %s failed for a reason that cannot be told\n", RunningCommand(app));
        return kExitError;
    }
    std::cout.flush();
    if (!std::cout) {
        std::fprintf(stderr, "vesperine-cli: cannot write the output\n");
        return kExitError;
    }
    return status;
}
