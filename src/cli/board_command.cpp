// The board subcommand: DATs streamed into sets, chips gathered from files, folders and zips, the board worked out.
#include "cli/board_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "base/format.h"
#include "board/board.h"
#include "cli/board_report.h"
#include "cli/identify_command.h"
#include "cli/json_output.h"
#include "cli/messages.h"
#include "cli/output_files.h"
#include "dat/dat_sets.h"
#include "dat/zip_members.h"
#include "files/utf8_path.h"

namespace vesperine::cli {
namespace {

// Every DAT streamed into one DatSets.
[[nodiscard]] std::optional<dat::DatSets> LoadDatSets(const std::vector<std::string>& paths, FileSystem& files,
                                                      std::ostream& err) {
    dat::DatSets all;
    for (const std::string& path : paths) {
        dat::DatSetReader reader;
        const std::optional<StreamedInput> read = StreamInputFile(
            files, path, [&](std::span<const std::uint8_t> piece) { reader.Feed(piece); }, err, RawInput());
        if (!read) return std::nullopt;
        dat::DatSets one = reader.Finish();
        if (one.error) {
            FileProblem(err, path) << dat::DescribeDatError(*one.error) << '\n';
            return std::nullopt;
        }
        board::AppendSets(all, std::move(one));
    }
    if (all.roms.empty()) {
        err << "vesperine-cli: the DATs describe no ROM\n";
        return std::nullopt;
    }
    return all;
}

struct ReadsOf {
    std::string chip;
    std::vector<std::string> reads;
};

[[nodiscard]] std::optional<std::vector<ReadsOf>> ParseReads(const std::vector<std::string>& texts, std::ostream& err) {
    std::vector<ReadsOf> parsed;
    for (const std::string& text : texts) {
        const std::size_t equals = text.find('=');
        ReadsOf one;
        if (equals != std::string::npos) {
            one.chip = text.substr(0, equals);
            std::stringstream list(text.substr(equals + 1));
            for (std::string read; std::getline(list, read, ',');) {
                if (!read.empty()) one.reads.push_back(read);
            }
        }
        if (one.chip.empty() || one.reads.empty()) {
            err << "vesperine-cli: --reads \"" << text << "\" is not CHIP=READ[,READ...]\n";
            return std::nullopt;
        }
        parsed.push_back(std::move(one));
    }
    return parsed;
}

// A file read for chips: its chips are [firstChip, endChip) (a zip's members, or one).
struct GivenFile {
    std::string path;
    std::optional<std::uint64_t> length;
    std::size_t firstChip = 0, endChip = 0;
};

// The chips and the memory that holds their bytes.
struct Pile {
    std::vector<board::Chip> chips;
    std::vector<GivenFile> given;
    std::deque<ByteBuffer> files;                   // chips and reads as read
    std::deque<std::vector<std::uint8_t>> members;  // chips inflated from zips
    std::vector<InputReading> readings;             // of each chip: how it was read (decoded records are said)
    std::vector<std::string> inputs;                // every file read, which no output may be
};

// Whether path is a file given before under another name (file identity, as an output is told
// from an input): its chips then take path as another name of theirs, and it is not read again.
// Files of two known lengths are not asked about.
[[nodiscard]] bool GivenBefore(Pile& pile, FileSystem& files, const std::string& path) {
    const std::optional<std::uint64_t> length = files.FileLength(path);
    for (const GivenFile& given : pile.given) {
        if ((length && given.length && *length != *given.length) || !files.SameFile(given.path, path)) continue;
        for (std::size_t c = given.firstChip; c < given.endChip; ++c) {
            board::Chip& chip = pile.chips[c];
            chip.otherNames.push_back(path + chip.name.substr(given.path.size()));  // a member keeps its name
        }
        return true;
    }
    pile.given.push_back({path, length, pile.chips.size(), pile.chips.size()});
    return false;
}

[[nodiscard]] bool AddFile(Pile& pile, FileSystem& files, const std::string& path, const InputOptions& input,
                           std::ostream& err) {
    if (GivenBefore(pile, files, path)) return true;
    const bool zip = dat::IsZipName(path);  // a zip of chips, as identify takes it
    InputReading reading;
    std::optional<ByteBuffer> bytes = LoadInputFile(files, path, err, zip ? RawInput() : input, &reading);
    if (!bytes) return false;
    pile.inputs.push_back(path);
    const ByteBuffer& held = pile.files.emplace_back(std::move(*bytes));
    const std::span<const std::uint8_t> whole(held.data(), held.size());
    if (!zip) {
        pile.chips.push_back({path, whole, {}, {}});
        pile.readings.push_back(reading);
        pile.given.back().endChip = pile.chips.size();
        return true;
    }
    const std::string error = dat::ForEachZipMember(
        whole, [](std::string_view) { return true; }, RomZipLimits(),
        [&](std::string_view name, std::span<const std::uint8_t> member) {
            const std::vector<std::uint8_t>& copy = pile.members.emplace_back(member.begin(), member.end());
            pile.chips.push_back({path + "/" + std::string(name), copy, {}, {}});
            InputReading asMember = reading;
            asMember.fileLength = asMember.imageLength = copy.size();
            pile.readings.push_back(asMember);
            return true;
        });
    if (!error.empty()) {
        FileProblem(err, path) << error << '\n';
        return false;
    }
    pile.given.back().endChip = pile.chips.size();
    return true;
}

[[nodiscard]] bool GatherChips(Pile& pile, const BoardOptions& options, const std::vector<ReadsOf>& reads,
                               FileSystem& files, std::ostream& err) {
    // A folder's files that are given as reads or DATs are not chips: told by file identity.
    std::vector<std::string> notChips = options.dats;
    for (const ReadsOf& r : reads) notChips.insert(notChips.end(), r.reads.begin(), r.reads.end());
    auto isRead = [&](const std::string& path) {
        return std::any_of(notChips.begin(), notChips.end(),
                           [&](const std::string& other) { return files.SameFile(other, path); });
    };
    for (const std::string& path : options.files) {
        if (!files.IsFolder(path)) {
            if (!AddFile(pile, files, path, options.input, err)) return false;
            continue;
        }
        std::vector<std::string> inFolder;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
            if (entry.is_regular_file()) inFolder.push_back(entry.path().string());
        }
        if (error) {
            FileProblem(err, path) << "the folder cannot be listed: " << error.message() << '\n';
            return false;
        }
        std::sort(inFolder.begin(), inFolder.end());
        for (const std::string& file : inFolder) {
            if (!isRead(file) && !AddFile(pile, files, file, options.input, err)) return false;
        }
    }
    for (const ReadsOf& r : reads) {
        const auto named = [&](const std::string& name) { return name == r.chip || FileNameOf(name) == r.chip; };
        const auto chip = std::find_if(pile.chips.begin(), pile.chips.end(), [&](const board::Chip& c) {
            return named(c.name) || std::any_of(c.otherNames.begin(), c.otherNames.end(), named);
        });
        if (chip == pile.chips.end()) {
            err << "vesperine-cli: --reads names " << r.chip << ", which is none of the chips given\n";
            return false;
        }
        // A read that is the chip, or another read, under another name would agree with it bit
        // for bit: told by file identity, as the reads command tells it.
        std::vector<std::string> seen{chip->name};
        for (const std::string& path : r.reads) {
            const auto same = std::find_if(seen.begin(), seen.end(),
                                           [&](const std::string& earlier) { return files.SameFile(earlier, path); });
            if (same != seen.end()) {
                err << "vesperine-cli: --reads " << r.chip << ": " << *same << " and " << path
                    << " are one file: each read must be a read of its own, or its bits are counted twice.\n";
                return false;
            }
            seen.push_back(path);
        }
        for (const std::string& path : r.reads) {
            std::optional<ByteBuffer> bytes = LoadInputFile(files, path, err, options.input);
            if (!bytes) return false;
            pile.inputs.push_back(path);
            const ByteBuffer& held = pile.files.emplace_back(std::move(*bytes));
            chip->reads.emplace_back(held.data(), held.size());
        }
    }
    if (pile.chips.empty()) {
        err << "vesperine-cli: no chip to look at: the folders given hold no file\n";
        return false;
    }
    return true;
}

[[nodiscard]] std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
    return text;
}

// The first candidate's ROMs that may be written: good, baddump, and verified mends, each
// checked again against every digest the DAT gives. Gives false when an output failed.
[[nodiscard]] bool WriteRoms(const board::BoardResult& result, const Pile& pile, const board::BoardIndex& index,
                             const BoardOptions& options, FileSystem& files, Streams streams, nlohmann::json& written) {
    if (result.candidates.empty()) return true;
    if (!files.IsFolder(options.write)) {
        std::error_code error;
        std::filesystem::create_directories(PathFromUtf8(options.write), error);
        if (error) {
            FileProblem(streams.err, options.write) << "the folder cannot be made: " << error.message() << '\n';
            return false;
        }
    }
    OutputSet set(files, pile.inputs);
    std::deque<std::vector<std::uint8_t>> bytesOf;  // alive until Commit
    std::vector<std::string> names;
    std::vector<std::string> lines;
    for (const board::RomResult& r : result.candidates.front().roms) {
        const dat::RomEntry& rom = index.roms().roms()[r.rom];
        std::vector<std::uint8_t> bytes;
        if (r.state == board::RomState::Good || r.state == board::RomState::BadDump) {
            bytes = board::SourceBytes(*r.source, pile.chips);
        } else if (r.state == board::RomState::Near) {
            for (const board::Mend& m : r.mends) {
                if (m.outcome == board::MendOutcome::Verified) bytes = m.bytes;
            }
        }
        if (bytes.empty() && rom.size != 0) continue;
        if (rom.name.find_first_of("/\\") != std::string::npos || rom.name == "." || rom.name == "..") {
            streams.err << "vesperine-cli: \"" << rom.name << "\" is not written: the name is not one file's\n";
            continue;
        }
        if (std::find(names.begin(), names.end(), rom.name) != names.end()) continue;
        const board::DigestCheck check = board::CheckDigests(rom, bytes);
        if (check.differs) {
            streams.err << "vesperine-cli: \"" << rom.name << "\" is not written: its " << *check.differs
                        << " does not agree with the DAT\n";
            continue;
        }
        // Joined as every output path is (and as identify names zip members): with '/', which
        // Windows takes too, so the report reads the same on both systems.
        const bool separated = options.write.ends_with('/') || options.write.ends_with('\\');
        const std::string path = options.write + (separated ? "" : "/") + rom.name;
        if (!set.Stage(path, bytesOf.emplace_back(std::move(bytes)))) {
            ReportOutputProblem(set, streams.err);
            return false;
        }
        names.push_back(rom.name);
        lines.push_back(Joined(check.verified));
    }
    if (!set.Commit()) {
        ReportOutputProblem(set, streams.err);
        return false;
    }
    for (std::size_t i = 0; i < set.written().size(); ++i) {
        const WrittenOutput& w = set.written()[i];
        written.push_back(
            {{"path", w.path}, {"size", w.size}, {"crc32", ChecksumDigits(w.crc, 32)}, {"verified", lines[i]}});
        if (!options.json)
            streams.out << "Wrote " << w.path << " (" << w.size << " bytes, crc32 " << ChecksumDigits(w.crc, 32)
                        << "; verified " << lines[i] << ")\n";
    }
    return true;
}

}  // namespace

int RunBoard(const BoardOptions& options, FileSystem& files, Streams streams) {
    const std::optional<std::vector<ReadsOf>> reads = ParseReads(options.reads, streams.err);
    if (!reads) return kExitError;
    std::optional<dat::DatSets> sets = LoadDatSets(options.dats, files, streams.err);
    if (!sets) return kExitError;
    const board::BoardIndex index(std::move(*sets));
    Pile pile;
    if (!GatherChips(pile, options, *reads, files, streams.err)) return kExitError;
    const board::BoardResult result = board::FindBoard(pile.chips, index);
    if (!options.json) {
        for (std::size_t c = 0; c < pile.chips.size(); ++c)
            WriteDecodedLine(streams.out, pile.chips[c].name, pile.readings[c]);
        WriteBoardText(streams.out, result, pile.chips, index);
    }
    nlohmann::json written = nlohmann::json::array();
    const bool wrote = options.write.empty() || WriteRoms(result, pile, index, options, files, streams, written);
    if (options.json) {
        nlohmann::json json = BoardJson(result, pile.chips, index);
        json["written"] = written;
        nlohmann::json chips = nlohmann::json::array();
        for (std::size_t c = 0; c < pile.chips.size(); ++c) {
            chips.push_back({{"path", pile.chips[c].name},
                             {"otherNames", pile.chips[c].otherNames},
                             {"size", pile.chips[c].bytes.size()},
                             {"read", ReadingJson(pile.readings[c])}});
        }
        json["files"] = chips;
        WriteJson(streams.out, json);
    }
    if (!wrote) return kExitError;
    const bool complete = std::any_of(result.candidates.begin(), result.candidates.end(),
                                      [](const board::Candidate& c) { return c.complete; });
    return complete ? kExitOk : kExitNo;
}

const Subcommand<BoardOptions> kBoardCommand{
    .name = "board",
    .summary =
        "From a pile of chip dumps to the DAT's sets: which set, which chip is which ROM (through every view "
        "identify takes, a ROM at the start of a bigger chip before FF or 00 fill, and pairs of chips), what "
        "is missing, and near misses mended with the DAT's CRC-32",
    .fileHelp = "Chip dumps: files, folders of files, zips of files",
    .addOptions =
        [](CLI::App& command, BoardOptions& options) {
            command
                .add_option("--dat", options.dats,
                            "DAT files: MAME's listing, Logiqx XML, bracketed text, or zipped (after the FILEs: --dat "
                            "takes every argument that follows it)")
                ->required();
            command.add_option("--reads", options.reads,
                               "Further reads of one chip, CHIP=READ[,READ...], for the reads' mend of a near miss");
            command.add_option("--write", options.write,
                               "Write the best set's good and mended ROMs into this folder under their DAT names, "
                               "each verified against every digest the DAT gives");
        },
    .footer =
        "Memory: the DATs' sets and ROMs (a few hundred bytes each; XML is read streamed), every chip and read "
        "whole, and one view or pairing at a time.\n"
        "Exit status: 0 when a set is complete (every ROM good, a known bad dump, never dumped, or optional), "
        "1 when none is, 2 on an unreadable DAT or file or a failed write.\n"
        "Example:\n  vesperine-cli board U1.bin U2.bin U3.bin --dat mame.xml --reads U3.bin=U3b.bin,U3c.bin",
    .run = RunBoard,
};

}  // namespace vesperine::cli
