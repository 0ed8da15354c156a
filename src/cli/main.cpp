// vesperine-cli: the window's analysis for scripts and batches, one subcommand per file.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>

#include "app/licence_notice.h"
#include "cli/command.h"
#include "cli/commands.h"

namespace {

using namespace vesperine::cli;
using vesperine::kLicenceNotice;

// Every subcommand, in the order --help lists them.
constexpr RegisterCommand kCommands[] = {
    RegisterCrcCommand,    RegisterExtractCommand,  RegisterSplitCommand,    RegisterMergeCommand,
    RegisterSearchCommand, RegisterDiagnoseCommand, RegisterCompareCommand,  RegisterRepairCommand,
    RegisterReadsCommand,  RegisterHashCommand,     RegisterIdentifyCommand, RegisterDatCommand,
    RegisterHeaderCommand, RegisterSumCommand,      RegisterChecksumCommand, RegisterSolveCommand,
};

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "vesperine-cli: size, CRC-32, extraction, split and merge, search, diagnosis, reads, identification, header "
        "checksums and programmer sums of ROM dumps",
        "vesperine-cli"};
    app.require_subcommand(1);
    std::string version = std::string("vesperine-cli " VESPERINE_VERSION "\n") + kLicenceNotice;
    version.pop_back();  // CLI11 ends the text with a line break of its own
    app.set_version_flag("--version", version);
    int status = kExitOk;
    for (const RegisterCommand add : kCommands) add(app, status);
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
    }
    std::cout.flush();
    if (!std::cout) {
        std::fprintf(stderr, "vesperine-cli: cannot write the output\n");
        return kExitError;
    }
    return status;
}
