// The header subcommand: the image's system and checksums reported, and a corrected copy written on request.
#include "cli/header_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/format.h"
#include "cli/input_file.h"
#include "cli/messages.h"
#include "cli/output_files.h"
#include "cli/programmer_output.h"
#include "headers/header_check.h"

namespace vesperine::cli {
namespace {

using headers::FieldCheck;
using headers::HeaderReport;

// A run of bytes that --fix changed.
struct Change {
    std::uint64_t offset;
    std::string from, to;  // "00 00 FF FF"
};

[[nodiscard]] std::string BytesText(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) text += (text.empty() ? "" : " ") + HexDigits(b, 2);
    return text;
}

// The runs of bytes where the two images of one length differ.
[[nodiscard]] std::vector<Change> ChangesBetween(std::span<const std::uint8_t> before,
                                                 std::span<const std::uint8_t> after) {
    std::vector<Change> changes;
    for (std::size_t i = 0; i < before.size();) {
        if (before[i] == after[i]) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < before.size() && before[end] != after[end]) ++end;
        changes.push_back({i, BytesText(before.subspan(i, end - i)), BytesText(after.subspan(i, end - i))});
        i = end;
    }
    return changes;
}

[[nodiscard]] std::string Heading(const HeaderReport& report) {
    if (!report.known()) {
        std::string tried;
        for (const std::string& name : headers::SystemNames()) tried += (tried.empty() ? "" : ", ") + name;
        return "no known system (tried: " + tried + ")";
    }
    return report.system + (report.layout.empty() ? "" : " " + report.layout);
}

[[nodiscard]] std::string CommaList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    return list;
}

// What stops the check, with the option that states the unknown; empty for a checked image.
[[nodiscard]] std::string CannotCheck(const HeaderReport& report) {
    std::string text = report.problem;
    if (text.empty() && !report.known()) text = "no system's marks are found";
    if (text.empty()) return "";
    return text + (report.statedBy.empty() ? "" : "; " + report.statedBy + " states it");
}

void PrintPlain(const std::string& path, const HeaderReport& report, const HeaderOptions& options, std::ostream& out) {
    out << path << ": " << Heading(report) << '\n';
    if (report.systemGiven) {
        out << "  system: given (--system " << options.system << "), not recognised: " << report.recognition << '\n';
    }
    if (report.doubtful)
        out << "  warning: recognised by marks that differ from its own: " << report.recognition << '\n';
    for (const FieldCheck& f : report.fields) {
        out << "  " << f.field << " at " << HexText(f.offset, 6) << ": stored " << HexDigits(f.stored, f.width * 2)
            << ", computed " << HexDigits(f.computed, f.width * 2) << " (" << f.range
            << "): " << (f.good() ? "good" : "BAD") << '\n';
    }
    const std::string cannot = CannotCheck(report);
    if (!cannot.empty()) out << "  cannot check: " << cannot << '\n';
    for (const std::string& note : report.notes) out << "  note: " << note << '\n';
}

[[nodiscard]] nlohmann::json ReportJson(const std::string& path, const HeaderReport& report,
                                        const HeaderOptions& options) {
    nlohmann::json fields = nlohmann::json::array();
    for (const FieldCheck& f : report.fields) {
        fields.push_back({{"field", f.field},
                          {"offset", f.offset},
                          {"width", f.width},
                          {"stored", HexDigits(f.stored, f.width * 2)},
                          {"computed", HexDigits(f.computed, f.width * 2)},
                          {"range", f.range},
                          {"good", f.good()}});
    }
    return {{"path", path},
            {"system", report.known() ? nlohmann::json(report.system) : nlohmann::json()},
            {"layout", report.layout},
            {"verdict", report.verdict()},
            {"good", report.good()},
            {"systemGiven", report.systemGiven},
            {"recognition", report.recognition},
            {"doubtful", report.doubtful},
            {"cic", options.cic.empty() ? nlohmann::json() : nlohmann::json(options.cic)},
            {"fields", fields},
            {"problem", report.problem},
            {"statedBy", report.statedBy},
            {"notes", report.notes},
            {"fixed", nullptr}};
}

[[nodiscard]] bool CheckArguments(const HeaderOptions& options, std::ostream& err) {
    if (options.fix && options.output.empty()) {
        err << "vesperine-cli: --fix needs -o OUT: the corrected copy is never written over the input\n";
        return false;
    }
    if (!options.fix && !options.output.empty()) {
        err << "vesperine-cli: -o " << options.output << " is for --fix\n";
        return false;
    }
    const std::vector<std::string> codes = headers::SystemCodes();
    if (!options.system.empty() && std::find(codes.begin(), codes.end(), options.system) == codes.end()) {
        err << "vesperine-cli: --system " << options.system << ": no such system (known: " << CommaList(codes) << ")\n";
        return false;
    }
    if (!options.cic.empty() && !headers::IsCicName(options.cic)) {
        err << "vesperine-cli: --cic " << options.cic << ": no such CIC chip (known: " << CommaList(headers::CicNames())
            << ")\n";
        return false;
    }
    return true;
}

// Writes the fixed image through outputs, which reads it back: the copy counts only when its
// bytes are the ones meant and they check good.
[[nodiscard]] bool WriteChecked(OutputSet& outputs, const std::string& path, const std::vector<std::uint8_t>& bytes,
                                const headers::Stated& stated, std::ostream& err, std::uint32_t address) {
    if (!headers::CheckHeader(bytes, stated).good()) {
        FileProblem(err, path) << "the corrected copy does not check good: nothing written\n";
        return false;
    }
    const std::optional<ImageFile> encoded = EncodeImageByName(path, bytes, err, address);
    if (!encoded) return false;
    if (!outputs.Stage(path, encoded->Payload(bytes)) || !outputs.Commit()) {
        ReportOutputProblem(outputs, err);
        return false;
    }
    return true;
}

}  // namespace

int RunHeader(const HeaderOptions& options, FileSystem& files, Streams streams) {
    if (!CheckArguments(options, streams.err)) return kExitError;
    OutputSet outputs(files, {options.file});
    if (options.fix && !outputs.Claim(options.output)) {
        ReportOutputProblem(outputs, streams.err);
        return kExitError;
    }
    InputReading reading;
    const std::optional<ByteBuffer> file = LoadInputFile(files, options.file, streams.err, options.input, &reading);
    if (!file) return kExitError;
    const std::span<const std::uint8_t> bytes(file->data(), file->size());
    const headers::Stated stated{options.system, options.cic};
    const HeaderReport report = headers::CheckHeader(bytes, stated);
    if (!options.cic.empty() && report.known() && report.system.rfind("Nintendo 64", 0) != 0) {
        FileProblem(streams.err, options.file)
            << "--cic states a Nintendo 64 boot chip, and the image is checked as " << report.system << "\n";
        return kExitError;
    }

    std::string refusal;
    std::vector<Change> changes;
    bool fixed = false;
    if (options.fix && report.good()) {
        refusal = "nothing to fix: all checksums of the " + report.system + " header agree; no file written to " +
                  options.output;
    } else if (options.fix) {
        const headers::FixResult fix = headers::FixHeader(bytes, stated);
        if (!fix.refusal.empty()) {
            refusal = "cannot fix: " + fix.refusal + (fix.statedBy.empty() ? "" : "; " + fix.statedBy + " states it") +
                      "; nothing written to " + options.output;
        } else {
            if (!WriteChecked(outputs, options.output, fix.bytes, stated, streams.err, reading.base)) return kExitError;
            changes = ChangesBetween(bytes, fix.bytes);
            fixed = true;
        }
    }

    if (options.json) {
        nlohmann::json document = ReportJson(options.file, report, options);
        if (fixed) {
            nlohmann::json runs = nlohmann::json::array();
            for (const Change& c : changes) runs.push_back({{"offset", c.offset}, {"from", c.from}, {"to", c.to}});
            document["fixed"] = {{"path", options.output}, {"changes", runs}};
        }
        if (!refusal.empty()) document["notFixed"] = refusal;
        document["read"] = ReadingJson(reading);
        streams.out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    } else {
        WriteDecodedLine(streams.out, options.file, reading);
        PrintPlain(options.file, report, options, streams.out);
        if (!refusal.empty()) streams.out << refusal << '\n';
        if (fixed) {
            streams.out << "fixed: " << options.output << '\n';
            for (const Change& c : changes)
                streams.out << "  " << HexText(c.offset, 6) << ": " << c.from << " -> " << c.to << '\n';
        }
    }
    return report.good() || fixed ? kExitOk : kExitNo;
}

const Subcommand<HeaderOptions> kHeaderCommand{
    .name = "header",
    .summary =
        "Check the header checksums of an SNES, Mega Drive, Game Boy, Game Boy Advance, Nintendo 64 or "
        "Williams WPC image, and write a corrected copy",
    .fileHelp = "The image (SNES with or without a copier header; N64 in any byte order)",
    .addOptions =
        [](CLI::App& command, HeaderOptions& options) {
            command.add_flag("--fix", options.fix,
                             "Write a copy with every checksum corrected to -o OUT. Nothing is written when all "
                             "checksums already agree (exit 0), nor when the system or the N64 boot chip is not "
                             "known (exit 1: state it with --system or --cic)");
            command.add_option("-o,--output", options.output,
                               "Where --fix writes the corrected copy (never the input)");
            command.add_option(
                "--system", options.system,
                "Check (and fix) as this system, whatever is recognised: " + CommaList(headers::SystemCodes()));
            command.add_option("--cic", options.cic,
                               "Check (and fix) an N64 image with this boot chip's seed, whatever its boot code: " +
                                   CommaList(headers::CicNames()));
        },
    .footer =
        "Exit status: 0 every checksum good (with --fix: the copy written and checked good, or nothing to "
        "fix), 1 a bad checksum, no known system, sums that cannot be checked (an N64 boot code of no known "
        "chip) or a refused fix, 2 an error.\n"
        "A Game Boy logo that differs from Nintendo's in up to 4 of its 48 bytes is recognised with a warning; "
        "a fix then needs --system gameboy.\n"
        "Example:\n  vesperine-cli header game.gb --fix -o fixed.gb\n"
        "  game.gb: Game Boy\n"
        "    header checksum at 0x00014D: stored 00, computed C2 (x = x - byte - 1 over 0x000134-0x00014C): BAD\n"
        "    global checksum at 0x00014E: stored 0000, computed 7C86 (16-bit sum of all 32 KiB but "
        "0x00014E-0x00014F): BAD\n"
        "    note: the boot ROM checks the header checksum; no Game Boy checks the global one\n"
        "  fixed: fixed.gb\n"
        "    0x00014D: 00 00 00 -> C2 7D 48",
    .run = RunHeader,
};

}  // namespace vesperine::cli
