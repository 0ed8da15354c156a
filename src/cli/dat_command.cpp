// The dat subcommand: each file hashed in one pass, the entries written as one Logiqx game.
#include "cli/dat_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <utility>

#include "base/format.h"
#include "cli/hash_command.h"
#include "cli/input_file.h"
#include "cli/json_output.h"
#include "cli/messages.h"
#include "cli/output_files.h"
#include "dat/dat_writer.h"
#include "dat/digests.h"
#include "files/utf8_path.h"

namespace vesperine::cli {

int RunDat(const DatOptions& options, FileSystem& files, Streams streams) {
    std::vector<dat::RomEntry> roms;
    std::set<std::string> names;
    nlohmann::json listed = nlohmann::json::array();
    std::string readLines;
    // A DAT names files as they lie on disk: their digests are what a DAT manager computes of
    // them, so a .hex is recorded as its text unless --as asks for the image it describes.
    InputOptions input = options.input;
    if (input.as.empty()) input.as = "raw";
    for (const std::string& path : options.files) {
        const std::string name = FileNameOf(path);
        // A name is written as the bytes it is or not at all: a guessed encoding would name a
        // file that is not on the disk.
        if (const std::optional<std::string> problem = dat::XmlTextProblem(name)) {
            FileProblem(streams.err, path) << "the name cannot be written in an XML DAT: " << *problem
                                           << "; rename the file in UTF-8 (nothing written)\n";
            return kExitError;
        }
        InputReading reading;
        const std::optional<ByteBuffer> file = LoadInputFile(files, path, streams.err, input, &reading);
        if (!file) return kExitError;
        if (options.input.as.empty()) reading.by = "dat's rule: files as they are on disk";
        // Said in the text where a reader could doubt it: a decoded file, or one named as records.
        if (reading.format != formats::FileFormat::Binary || FormatByExtension(path)) {
            readLines += path + ": recorded " + DescribeReading(reading) + '\n';
        }
        if (!names.insert(name).second) {
            FileProblem(streams.err, path) << "another file is also named " << name << "\n";
            return kExitError;
        }
        const dat::Digests digests = dat::ComputeDigests(*file);
        dat::RomEntry rom;
        rom.name = name;
        rom.size = digests.size;
        rom.crc = digests.crc32;
        rom.md5 = digests.md5;
        rom.sha1 = digests.sha1;
        rom.sha256 = digests.sha256;
        roms.push_back(std::move(rom));
        nlohmann::json entry = {{"name", name}};
        entry.update(DigestsJson(digests));
        entry["read"] = ReadingJson(reading);
        listed.push_back(std::move(entry));
    }
    const std::string game = options.name.empty() ? StemOf(options.files.front()) : options.name;
    const std::string description = options.description.empty() ? game : options.description;
    for (const auto& [option, given] : {std::pair{"--name", &game}, std::pair{"--description", &description}}) {
        if (const std::optional<std::string> problem = dat::XmlTextProblem(*given)) {
            streams.err << "vesperine-cli: " << option << ": cannot be written in an XML DAT: " << *problem
                        << " (nothing written)\n";
            return kExitError;
        }
    }
    const std::optional<std::string> text = dat::WriteLogiqxDat(game, description, roms);
    if (!text) {
        streams.err << "vesperine-cli: a name or the description holds a control character, which XML cannot hold\n";
        return kExitError;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text->data());
    const std::optional<WrittenOutput> written =
        WriteOneOutput(files, options.files, options.output, {bytes, text->size()}, streams.err);
    if (!written) return kExitError;
    if (options.json) {
        WriteJson(streams.out, nlohmann::json{{"output", options.output},
                                              {"game", game},
                                              {"roms", listed},
                                              {"size", written->size},
                                              {"crc32", HexDigits(written->crc, 8)}});
    } else {
        // The DAT's own size and CRC, as read back, after what it describes.
        const std::string line = SizeCrcLine(written->path, written->size, written->crc);
        streams.out << options.output << ": " << roms.size() << (roms.size() == 1 ? " ROM" : " ROMs") << " of \""
                    << game << "\"," << line.substr(options.output.size() + 1) << '\n'
                    << readLines;
    }
    return kExitOk;
}

const Subcommand<DatOptions> kDatCommand{
    .name = "dat",
    .summary = "Write a Logiqx DAT of one game for new dumps: name, size, CRC-32, MD5, SHA-1 and SHA-256 of each",
    .fileHelp = "The dumps, one rom each, named by their file names",
    .addOptions =
        [](CLI::App& command, DatOptions& options) {
            command.add_option("-o,--output", options.output, "The DAT to write (replaced whole, or left as it was)")
                ->required();
            command.add_option("--name", options.name,
                               "The game's name (default: the first file's name without extension)");
            command.add_option("--description", options.description, "The game's description (default: its name)");
        },
    .footer =
        "Example:\n  vesperine-cli dat prg-lo.u3 prg-hi.u4 -o mygame.dat --name mygame\n"
        "  mygame.dat: 2 ROMs of \"mygame\"",
    .run = RunDat,
    .jsonHelp = "One JSON document instead of the line",
};

}  // namespace vesperine::cli
