// The one way every subcommand described by a Subcommand joins the program's parser.
#pragma once

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/command.h"
#include "cli/dump_options.h"
#include "cli/input_file.h"
#include "platform/native_file_system.h"

namespace vesperine::cli {

// Adds the subcommand to app with its arguments bound to options, which must outlive app: FILE
// or FILE... where it takes files, the dump-cut options where it cuts a dump, --as and --base
// where it reads files (an `input` member), its own options,
// --json and the footer. No callback: tests parse with it to see what a command line gives.
template <typename Options>
CLI::App* AddSubcommandOptions(CLI::App& app, const Subcommand<Options>& description, Options& options) {
    CLI::App* command = app.add_subcommand(description.name, description.summary);
    if constexpr (requires { options.files; }) {
        if (description.fileHelp != nullptr)
            command->add_option("FILE", options.files, description.fileHelp)->required();
    } else if constexpr (requires { options.file; }) {
        if (description.fileHelp != nullptr)
            command->add_option("FILE", options.file, description.fileHelp)->required();
    }
    if constexpr (requires { options.dump; }) {
        if (description.cutsDump) AddDumpOptions(*command, options.dump);
    }
    if constexpr (requires { options.input; }) AddInputOptions(*command, options.input);
    if (description.addOptions != nullptr) description.addOptions(*command, options);
    command->add_flag("--json", options.json, description.jsonHelp);
    command->footer(description.footer);
    return command;
}

// Adds the subcommand with a callback that runs it on the real file system and the standard
// streams, leaving its exit status in status.
template <typename Options>
void AddSubcommand(CLI::App& app, int& status, const Subcommand<Options>& description) {
    auto options = std::make_shared<Options>();
    CLI::App* command = AddSubcommandOptions(app, description, *options);
    command->callback([options, command, &status, &description] {
        if (description.beforeRun != nullptr) description.beforeRun(*command, *options);
        NativeFileSystem files;
        status = description.run(*options, files, {std::cout, std::cerr});
    });
}

// The program's table entry for the subcommand described by a constant with linkage.
template <const auto& Description>
void Registered(CLI::App& app, int& status) {
    AddSubcommand(app, status, Description);
}

}  // namespace vesperine::cli
