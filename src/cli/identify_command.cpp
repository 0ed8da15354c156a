// The identify subcommand: DATs read and indexed once, then each file and each zip member.
#include "cli/identify_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/input_file.h"
#include "cli/json_output.h"
#include "cli/memory_budget.h"
#include "cli/messages.h"
#include "cli/progress.h"
#include "dat/dat_reader.h"
#include "dat/identify.h"
#include "dat/zip_members.h"

namespace vesperine::cli {
namespace {

// How a status reads in a line: the two that warn say why.
[[nodiscard]] std::string StatusText(dat::RomStatus status) {
    switch (status) {
        case dat::RomStatus::BadDump: return "BAD DUMP (the DAT knows no good dump)";
        case dat::RomStatus::NoDump: return "NO DUMP (the DAT knows no dump)";
        default: return dat::RomStatusName(status);
    }
}

// A whole file read with a progress line, which is gone before a message is written.
[[nodiscard]] std::optional<ByteBuffer> LoadShowingProgress(FileSystem& files, const std::string& path,
                                                            std::ostream& err, const InputOptions& input = RawInput(),
                                                            InputReading* reading = nullptr) {
    std::ostringstream why;
    std::optional<ByteBuffer> bytes;
    {
        TerminalProgress progress("Reading " + path);
        bytes = LoadInputFile(files, path, why, input, reading, std::ref(progress));
    }
    err << why.str();
    return bytes;
}

[[nodiscard]] std::optional<dat::DatIndex> LoadDats(const std::vector<std::string>& paths, FileSystem& files,
                                                    std::ostream& err) {
    std::vector<dat::RomEntry> roms;
    for (const std::string& path : paths) {
        std::optional<ByteBuffer> bytes = LoadShowingProgress(files, path, err);
        if (!bytes) return std::nullopt;
        dat::DatParse parse = dat::ReadDat(*bytes);
        bytes.reset();
        if (parse.error) {
            FileProblem(err, path) << dat::DescribeDatError(*parse.error) << '\n';
            return std::nullopt;
        }
        std::move(parse.roms.begin(), parse.roms.end(), std::back_inserter(roms));
    }
    if (roms.empty()) {
        err << "vesperine-cli: " << (paths.size() == 1 ? "the DAT " : "the DATs ");
        for (std::size_t i = 0; i < paths.size(); ++i) err << (i == 0 ? "" : ", ") << paths[i];
        err << (paths.size() == 1 ? " describes" : " describe") << " no ROM\n";
        return std::nullopt;
    }
    return dat::DatIndex(std::move(roms));
}

// Identifies one file or member and writes its lines or adds its JSON. Gives whether it matched.
bool Report(const std::string& path, std::span<const std::uint8_t> bytes, const InputReading& reading,
            const dat::DatIndex& index, const IdentifyOptions& options, Streams streams, nlohmann::json& results) {
    // The progress line goes before the file's lines are written.
    const dat::Identification found = [&] {
        TerminalProgress progress("Identifying " + path);
        return dat::Identify(bytes, path, index, options.near, [&](std::uint64_t done, std::uint64_t views) {
            static_cast<void>(progress(done, views));
        });
    }();
    const auto& roms = index.roms();
    if (options.json) {
        nlohmann::json matches = nlohmann::json::array(), near = nlohmann::json::array();
        for (const dat::ViewMatch& m : found.matches) {
            const dat::RomEntry& rom = roms[m.rom];
            matches.push_back({{"view", m.view},
                               {"rom", rom.name},
                               {"game", rom.game},
                               {"size", rom.size},
                               {"status", dat::RomStatusName(rom.status)},
                               {"verified", m.verified}});
        }
        for (const dat::NearMiss& n : found.nearMisses) {
            const dat::RomEntry& rom = roms[n.rom];
            near.push_back({{"view", n.view},
                            {"rom", rom.name},
                            {"game", rom.game},
                            {"size", rom.size},
                            {"status", dat::RomStatusName(rom.status)},
                            {"reason", n.reason}});
        }
        results.push_back({{"path", path},
                           {"size", bytes.size()},
                           {"read", ReadingJson(reading)},
                           {"matches", matches},
                           {"nearMisses", near}});
        return !found.matches.empty();
    }
    WriteDecodedLine(streams.out, path, reading);
    for (const dat::ViewMatch& m : found.matches) {
        const dat::RomEntry& rom = roms[m.rom];
        streams.out << path << ": " << m.view << " = \"" << rom.name << "\" in \"" << rom.game << "\", "
                    << StatusText(rom.status) << " (";
        for (std::size_t i = 0; i < m.verified.size(); ++i) streams.out << (i ? " " : "") << m.verified[i];
        streams.out << ")\n";
    }
    for (const dat::NearMiss& n : found.nearMisses) {
        const dat::RomEntry& rom = roms[n.rom];
        streams.out << path << ": " << n.view << " ~ \"" << rom.name << "\" in \"" << rom.game << "\", "
                    << StatusText(rom.status) << ": " << n.reason << '\n';
    }
    if (found.matches.empty()) streams.out << path << ": no match\n";
    return !found.matches.empty();
}

}  // namespace

dat::ZipLimits RomZipLimits() { return {std::min<std::uint64_t>(dat::kMaxRomSize, TableMemoryBudget()), kRomZipTotal}; }

int RunIdentify(const IdentifyOptions& options, FileSystem& files, Streams streams) {
    const std::optional<dat::DatIndex> index = LoadDats(options.dats, files, streams.err);
    if (!index) return kExitError;
    bool error = false;
    bool unmatched = false;
    nlohmann::json results = nlohmann::json::array();
    auto fail = [&](const std::string& path, const std::string& message) {
        FileProblem(streams.err, path) << message << '\n';
        results.push_back({{"path", path}, {"error", message}});
        error = true;
    };
    for (const std::string& path : options.files) {
        std::ostringstream why;
        InputReading reading;
        const bool zip = dat::IsZipName(path);
        const std::optional<ByteBuffer> file =
            LoadShowingProgress(files, path, why, zip ? RawInput() : options.input, &reading);
        if (!file) {
            RecordFileFailure(path, why.str(), streams.err, results);
            error = true;
            continue;
        }
        streams.err << why.str();
        if (!zip) {
            unmatched |= !Report(path, *file, reading, *index, options, streams, results);
            continue;
        }
        // Member by member: each is identified and freed before the next is inflated.
        bool any = false;
        const std::string zipError = dat::ForEachZipMember(
            *file, [](std::string_view) { return true; }, RomZipLimits(),
            [&](std::string_view name, std::span<const std::uint8_t> bytes) {
                any = true;
                InputReading member = reading;
                member.fileLength = member.imageLength = bytes.size();
                unmatched |= !Report(path + "/" + std::string(name), bytes, member, *index, options, streams, results);
                return true;
            });
        if (!zipError.empty()) {
            fail(path, zipError);
        } else if (!any) {
            fail(path, "the zip holds no file");
        }
    }
    if (options.json) WriteJson(streams.out, nlohmann::json{{"files", results}});
    return error ? kExitError : unmatched ? kExitNo : kExitOk;
}

const Subcommand<IdentifyOptions> kIdentifyCommand{
    .name = "identify",
    .summary =
        "Name each file, or its halves, quarters, odd/even bytes, bus lanes, byte swaps (N64 byte orders), "
        "inversion, trimmed overdump, the image after a copier or emulator header, or the file padded to a "
        "power of two, by DAT files",
    .fileHelp = "Dumps to identify; a *.zip is taken member by member",
    .addOptions =
        [](CLI::App& command, IdentifyOptions& options) {
            command
                .add_option("--dat", options.dats,
                            "DAT files: Logiqx or machine-list XML, bracketed text, or zipped (after the FILEs: "
                            "--dat takes every argument that follows it)")
                ->required();
            command.add_flag("--near", options.near,
                             "Also report near misses: a ROM of the same size whose name has the file's stem, or of "
                             "the same size and layout as a matched ROM of its game, with a different CRC-32");
        },
    .footer =
        "Memory: each DAT's text while it is read (a zipped DAT member by member, up to 1 GiB each) and its "
        "ROMs, a few hundred bytes each, for the whole run; then one file at a time, up to twice its size (a "
        "view copied out to confirm an MD5 or SHA digest). A zip FILE is held whole and inflated one member "
        "at a time, each as a file: a member over half the physical memory, or members over 8 GiB in all, "
        "are refused before anything is inflated.\n"
        "Exit status: 0 when every file (every zip member) matched, 1 when one matched nothing, 2 on "
        "an unreadable file or DAT.\n"
        "Example:\n  vesperine-cli identify board.bin --dat arcade.dat\n"
        "  board.bin: odd bytes = \"prg-lo.u3\" in \"mygame\", good (crc32 sha1)\n"
        "  board.bin: even bytes = \"prg-hi.u4\" in \"mygame\", good (crc32 sha1)",
    .run = RunIdentify,
};

}  // namespace vesperine::cli
