// The diagnose subcommand: parsing its arguments, and the diagnosis of one dump written out.
#include "cli/diagnose_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "base/format.h"
#include "cli/input_file.h"
#include "cli/json_output.h"
#include "diagnosis/diagnose.h"

namespace vesperine::cli {
namespace {

using diagnosis::Finding;

constexpr const char* kCleanText =
    "No faults found: every data line toggles, every address line has an effect, no byte lane is empty "
    "and the image is not repeated.";

[[nodiscard]] std::string EvidenceText(const Finding& finding) {
    std::string text;
    for (const diagnosis::Evidence& e : finding.evidence) {
        if (!text.empty()) text += ", ";
        text += e.name + " " + (e.hexDigits != 0 ? HexText(e.value, e.hexDigits) : std::to_string(e.value));
    }
    return text;
}

[[nodiscard]] nlohmann::json FindingJson(const Finding& finding) {
    nlohmann::json evidence = nlohmann::json::object();
    for (const diagnosis::Evidence& e : finding.evidence) evidence[e.name] = e.value;
    nlohmann::json json{{"severity", diagnosis::SeverityName(finding.severity)},
                        {"kind", diagnosis::KindName(finding.kind)},
                        {"scope", finding.scope.empty() ? "whole file" : finding.scope},
                        {"text", finding.text},
                        {"evidence", evidence}};
    if (finding.line >= 0) json["line"] = finding.line;
    return json;
}

void WritePlain(const std::string& path, const diagnosis::Diagnosis& result, std::ostream& out) {
    out << path << ": " << FormatDumpSize(static_cast<std::uint32_t>(result.length)) << ", "
        << (result.width == 2 ? "16-bit words (little-endian)" : "8-bit words") << ", "
        << (result.lanesChecked ? "whole file and both byte lanes" : "whole file") << '\n';
    const bool judged = result.findings.empty() || result.findings[0].kind != diagnosis::FindingKind::TooShort;
    if (judged && !result.NeedsAttention()) out << kCleanText << '\n';
    for (const Finding& finding : result.findings) {
        std::string severity = diagnosis::SeverityName(finding.severity);
        severity.resize(9, ' ');
        out << severity << (finding.scope.empty() ? "" : finding.scope + ": ") << finding.text << '\n';
        if (!finding.evidence.empty()) out << "         (" << EvidenceText(finding) << ")\n";
    }
}

}  // namespace

int RunDiagnose(const DiagnoseOptions& options, FileSystem& files, Streams streams) {
    const std::optional<CutFile> cut = LoadAndCut(options.dump, options.file, files, streams.err);
    if (!cut) return kExitError;
    const Dump* const dump = &cut->dump;
    const std::string prefix = "vesperine-cli: " + options.file + ": ";
    if (dump->bytes.empty()) {
        streams.err << prefix << "Nothing to diagnose: the dump is empty.\n";
        return kExitError;
    }
    if (options.width == 2 && dump->bytes.size() % 2 != 0) {
        streams.err << prefix << "--width 2 needs whole 16-bit words; the dump is " << dump->bytes.size()
                    << " bytes, an odd length.\n";
        return kExitError;
    }
    const diagnosis::Diagnosis result = diagnosis::Diagnose(dump->bytes, {options.width, options.wholeOnly});
    if (options.json) {
        nlohmann::json findings = nlohmann::json::array();
        for (const Finding& finding : result.findings) findings.push_back(FindingJson(finding));
        WriteJson(streams.out, nlohmann::json{{"path", options.file},
                                              {"start", dump->start},
                                              {"size", result.length},
                                              {"width", result.width},
                                              {"lanes", result.lanesChecked},
                                              {"clean", !result.NeedsAttention()},
                                              {"findings", findings},
                                              {"read", ReadingJson(cut->reading)}});
    } else {
        WriteDecodedLine(streams.out, options.file, cut->reading);
        WritePlain(options.file, result, streams.out);
    }
    return result.NeedsAttention() ? kExitNo : kExitOk;
}

const Subcommand<DiagnoseOptions> kDiagnoseCommand{
    .name = "diagnose",
    .summary = "Stuck data lines, dead address lines, fills, empty byte lanes and overdumps of a dump",
    .fileHelp = "The dump to diagnose",
    .cutsDump = true,
    .addOptions =
        [](CLI::App& command, DiagnoseOptions& options) {
            command
                .add_option("--width", options.width,
                            "Bytes per chip word: 1, or 2 for a 16-bit chip read low byte first")
                ->check(CLI::IsMember({1u, 2u}));
            command.add_flag("--whole-only", options.wholeOnly, "Leave out the two byte lanes (odd and even bytes)");
        },
    .footer =
        "Exit status: 0 clean (plain descriptions such as fills only), 1 a fault or warning found, 2 an error.\n"
        "Example:\n  vesperine-cli diagnose board.bin\n"
        "  board.bin: 262144 bytes (0x00040000), 8-bit words, whole file and both byte lanes\n"
        "  fault    A5 has no effect: address line open or shorted (every byte equals the byte 0x20 away)\n"
        "           (line 5, offset bit 5, pairs compared 131072)\n"
        "  info     upper half (A17 = 1) is all FF: unused (erased)\n"
        "           (start 0x20000, last 0x3FFFF, value 0xFF, bytes 131072)",
    .run = RunDiagnose,
};

}  // namespace vesperine::cli
