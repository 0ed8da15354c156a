// The crc subcommand: parsing its arguments, and its work over each file.
#include "cli/crc_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "analysis/crc32.h"
#include "app/format.h"
#include "cli/commands.h"
#include "cli/input_file.h"
#include "platform/std_file_system.h"

namespace vesperine::cli {

int RunCrc(const CrcOptions& options, FileSystem& files, Streams streams) {
    const std::optional<DumpRequest> request = PrepareDump(options.dump, files, streams.err);
    if (!request) return kExitError;
    int status = kExitOk;
    nlohmann::json results = nlohmann::json::array();
    for (const std::string& path : options.files) {
        std::ostringstream why;
        const std::optional<ByteBuffer> file = LoadInputFile(files, path, why);
        std::optional<Dump> dump;
        if (file) dump = CutDump(*request, *file, path, why);
        if (!dump) {
            streams.err << why.str();
            results.push_back({{"path", path}, {"error", why.str()}});
            status = kExitError;
            continue;
        }
        const std::uint32_t size = static_cast<std::uint32_t>(dump->bytes.size());
        const std::uint32_t crc = Crc32(dump->bytes);
        if (options.json) {
            results.push_back({{"path", path}, {"start", dump->start}, {"size", size}, {"crc32", FormatHex8(crc)}});
        } else {
            streams.out << path << ": " << FormatDumpSize(size) << " CRC:" << FormatHex8(crc) << '\n';
        }
    }
    if (options.json) streams.out << nlohmann::json{{"files", results}}.dump(2) << '\n';
    return status;
}

void RegisterCrcCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<CrcOptions>();
    CLI::App* command = app.add_subcommand("crc", "Size and CRC-32 of each file, or of a dump cut from it");
    command->add_option("FILE", options->files, "Files to checksum")->required();
    AddDumpOptions(*command, options->dump);
    command->add_flag("--json", options->json, "One JSON document instead of lines");
    command->footer("Example:\n  vesperine-cli crc --area 0:80000 --stripe odd board.bin\n"
                    "  board.bin: 262144 bytes (0x00040000) CRC:1A2B3C4D");
    command->callback([options, &status] {
        StdFileSystem files;
        status = RunCrc(*options, files, {std::cout, std::cerr});
    });
}

}  // namespace vesperine::cli
