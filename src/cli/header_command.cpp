// The header subcommand: the image's system and checksums reported, and a corrected copy written on request.
#include "cli/header_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

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

[[nodiscard]] std::string HexValue(std::uint32_t value, unsigned width) {
    char text[12];
    std::snprintf(text, sizeof text, "%0*X", static_cast<int>(width * 2), static_cast<unsigned>(value));
    return text;
}

[[nodiscard]] std::string OffsetText(std::uint64_t offset) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%06llX", static_cast<unsigned long long>(offset));
    return text;
}

[[nodiscard]] std::string BytesText(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) text += (text.empty() ? "" : " ") + HexValue(b, 1);
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

void PrintPlain(const std::string& path, const HeaderReport& report, std::ostream& out) {
    out << path << ": " << Heading(report) << '\n';
    for (const FieldCheck& f : report.fields) {
        out << "  " << f.field << " at " << OffsetText(f.offset) << ": stored " << HexValue(f.stored, f.width)
            << ", computed " << HexValue(f.computed, f.width) << " (" << f.range << "): " << (f.good() ? "good" : "BAD")
            << '\n';
    }
    if (!report.problem.empty()) out << "  cannot check: " << report.problem << '\n';
    for (const std::string& note : report.notes) out << "  note: " << note << '\n';
}

[[nodiscard]] nlohmann::json ReportJson(const std::string& path, const HeaderReport& report) {
    nlohmann::json fields = nlohmann::json::array();
    for (const FieldCheck& f : report.fields) {
        fields.push_back({{"field", f.field},
                          {"offset", f.offset},
                          {"width", f.width},
                          {"stored", HexValue(f.stored, f.width)},
                          {"computed", HexValue(f.computed, f.width)},
                          {"range", f.range},
                          {"good", f.good()}});
    }
    return {{"path", path},
            {"system", report.known() ? nlohmann::json(report.system) : nlohmann::json()},
            {"layout", report.layout},
            {"good", report.good()},
            {"fields", fields},
            {"problem", report.problem},
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
    return true;
}

// Writes the fixed image through outputs, which reads it back: the copy counts only when its
// bytes are the ones meant and they check good.
[[nodiscard]] bool WriteChecked(OutputSet& outputs, const std::string& path, const std::vector<std::uint8_t>& bytes,
                                std::ostream& err, std::uint32_t address) {
    if (!headers::CheckHeader(bytes).good()) {
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
    const HeaderReport report = headers::CheckHeader(bytes);

    std::string refusal;
    std::vector<Change> changes;
    bool fixed = false;
    if (options.fix && report.good()) {
        refusal = "nothing to fix: nothing written to " + options.output;
    } else if (options.fix) {
        const headers::FixResult fix = headers::FixHeader(bytes);
        if (!fix.refusal.empty()) {
            refusal = "cannot fix: " + fix.refusal + "; nothing written to " + options.output;
        } else {
            if (!WriteChecked(outputs, options.output, fix.bytes, streams.err, reading.base)) return kExitError;
            changes = ChangesBetween(bytes, fix.bytes);
            fixed = true;
        }
    }

    if (options.json) {
        nlohmann::json document = ReportJson(options.file, report);
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
        PrintPlain(options.file, report, streams.out);
        if (!refusal.empty()) streams.out << refusal << '\n';
        if (fixed) {
            streams.out << "fixed: " << options.output << '\n';
            for (const Change& c : changes)
                streams.out << "  " << OffsetText(c.offset) << ": " << c.from << " -> " << c.to << '\n';
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
            command.add_flag("--fix", options.fix, "Write a copy with every checksum corrected to -o OUT");
            command.add_option("-o,--output", options.output,
                               "Where --fix writes the corrected copy (never the input)");
        },
    .footer =
        "Exit status: 0 every checksum good (with --fix: the copy written and checked good), 1 a bad "
        "checksum or no known system, 2 an error.\n"
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
