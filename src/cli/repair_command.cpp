// The repair subcommand: parsing its arguments, the candidates written out, the mended file saved.
#include "cli/repair_command.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

#include "base/crc32.h"
#include "base/format.h"
#include "cli/hex_arg.h"
#include "cli/input_file.h"
#include "cli/json_output.h"
#include "cli/messages.h"
#include "cli/output_files.h"
#include "cli/programmer_output.h"
#include "cli/progress.h"
#include "diagnosis/finding.h"
#include "diagnosis/repair.h"

namespace vesperine::cli {
namespace {

using diagnosis::FlipCandidate;
using diagnosis::RepairOutcome;
using diagnosis::RepairResult;

constexpr std::size_t kPlainCandidates = 20;

[[nodiscard]] const char* OutcomeName(RepairOutcome outcome) {
    switch (outcome) {
        case RepairOutcome::AlreadyMatches: return "already-matches";
        case RepairOutcome::Unique: return "unique";
        case RepairOutcome::Ambiguous: return "ambiguous";
        case RepairOutcome::NoCandidate: return "none";
        case RepairOutcome::TooLarge: return "too-large";
        case RepairOutcome::Broken: return "broken";
    }
    return "";
}

[[nodiscard]] std::string ByteText(std::uint8_t value) { return HexText(value, 2).substr(2); }

[[nodiscard]] std::string CandidateText(const FlipCandidate& candidate, std::span<const std::uint8_t> bytes) {
    std::string text = "flip";
    for (std::size_t k = 0; k < candidate.bits.size(); ++k) {
        const diagnosis::BitPosition& p = candidate.bits[k];
        const std::uint8_t from = bytes[p.offset];
        const auto to = static_cast<std::uint8_t>(from ^ (1u << p.bit));
        text += (k == 0 ? " " : " and ") + std::string("offset ") + HexText(p.offset, 5) + " bit " +
                std::to_string(p.bit) + " (" + ByteText(from) + " -> " + ByteText(to) + ")";
    }
    return text;
}

[[nodiscard]] std::string CountText(std::uint64_t count, const char* what) {
    return WithThousands(count) + " " + what + (count == 1 ? "" : "s");
}

[[nodiscard]] std::string SummaryText(const RepairResult& result, unsigned bits) {
    switch (result.outcome) {
        case RepairOutcome::AlreadyMatches: return "the CRC-32 already is the expected one: nothing to repair";
        case RepairOutcome::NoCandidate:
            return bits == 2 ? "no flip of one or two bits gives the expected CRC-32"
                             : "no flip of one bit gives the expected CRC-32 (try --bits 2)";
        case RepairOutcome::TooLarge:
        case RepairOutcome::Broken: return "";
        case RepairOutcome::Unique:
        case RepairOutcome::Ambiguous: break;
    }
    std::string text;
    if (result.singles != 0) {
        text = CountText(result.singles, "candidate") + " with one flipped bit";
        if (result.pairs != 0)
            text += " (and " + CountText(result.pairs, "pair") + " of flipped bits, far less likely)";
    } else {
        text = CountText(result.pairs, "candidate") + " with two flipped bits";
    }
    if (result.outcome == RepairOutcome::Ambiguous) text += ": ambiguous, no repair can be chosen";
    return text;
}

[[nodiscard]] nlohmann::json CandidateJson(const FlipCandidate& candidate, std::span<const std::uint8_t> bytes) {
    nlohmann::json flips = nlohmann::json::array();
    for (const diagnosis::BitPosition& p : candidate.bits) {
        flips.push_back(
            {{"offset", p.offset}, {"bit", p.bit}, {"from", bytes[p.offset]}, {"to", bytes[p.offset] ^ (1u << p.bit)}});
    }
    return {{"flips", flips}};
}

// The mended bytes, only when they are what the repair claims: the front candidate is the one
// candidate of the fewest flips, and the CRC-32 of the bytes with its bits flipped is expected.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> VerifiedMend(const RepairResult& result,
                                                                    std::span<const std::uint8_t> bytes,
                                                                    std::uint32_t expected) {
    if (result.outcome != RepairOutcome::Unique || result.candidates.empty()) return std::nullopt;
    const std::size_t fewest = result.singles != 0 ? 1 : 2;
    const std::uint64_t ofFewest = fewest == 1 ? result.singles : result.pairs;
    const FlipCandidate& front = result.candidates.front();
    if (ofFewest != 1 || front.bits.size() != fewest) return std::nullopt;
    if (result.candidates.size() > 1 && result.candidates[1].bits.size() == fewest) return std::nullopt;
    std::vector<std::uint8_t> mended = diagnosis::ApplyFlips(bytes, front);
    if (Crc32(mended) != expected) return std::nullopt;
    return mended;
}

}  // namespace

int RunRepair(const RepairOptions& options, FileSystem& files, Streams streams) {
    const std::optional<std::uint32_t> expected = ParseHexArg(options.crc);
    if (!expected) {
        streams.err << "vesperine-cli: --crc " << options.crc << ": not a CRC-32 in hex (1 to 8 digits).\n";
        return kExitError;
    }
    // The mended file's name is checked before the search, which can take a while.
    OutputSet outputs(files, {options.file});
    if (!options.writePath.empty() && !outputs.Claim(options.writePath)) {
        ReportOutputProblem(outputs, streams.err);
        return kExitError;
    }
    InputReading reading;
    const std::optional<ByteBuffer> file = LoadInputFile(files, options.file, streams.err, options.input, &reading);
    if (!file) return kExitError;
    const std::span<const std::uint8_t> bytes(file->data(), file->size());
    TerminalProgress progress(options.bits == 2 ? "Trying one and two flipped bits" : "Trying one flipped bit");
    const RepairResult result =
        diagnosis::FindBitRepairs(bytes, *expected, options.bits, diagnosis::kKeptPairs, std::ref(progress));
    if (result.outcome == RepairOutcome::TooLarge) {
        const std::uint64_t largest = diagnosis::kPairTableLimit / diagnosis::PairTableBytes(1);
        FileProblem(streams.err, options.file)
            << "a two-bit repair of " << WithThousands(bytes.size()) << " bytes needs a table of "
            << WithThousands(result.tableBytes >> 20) << " MiB, more than the 1,024 MiB allowed; files up to "
            << WithThousands(largest) << " bytes can be searched for two flipped bits (--bits 1 has no limit).\n";
        return kExitError;
    }
    const bool repairable = result.outcome == RepairOutcome::Unique;
    bool written = false;
    if (repairable && !options.writePath.empty()) {
        const std::optional<std::vector<std::uint8_t>> mended = VerifiedMend(result, bytes, *expected);
        if (!mended) {
            FileProblem(streams.err, options.file)
                << "the candidate does not check out (its CRC-32 or "
                << "its being the only one of the fewest flips); nothing written to " << options.writePath << ".\n";
            return kExitError;
        }
        const std::optional<ImageFile> encoded =
            EncodeImageByName(options.writePath, *mended, streams.err, reading.base);
        if (!encoded) return kExitError;
        if (!outputs.Stage(options.writePath, encoded->Payload(*mended)) || !outputs.Commit()) {
            ReportOutputProblem(outputs, streams.err);
            return kExitError;
        }
        written = true;
    }
    const std::string summary = SummaryText(result, options.bits);
    if (options.json) {
        nlohmann::json candidates = nlohmann::json::array();
        for (const FlipCandidate& c : result.candidates) candidates.push_back(CandidateJson(c, bytes));
        WriteJson(streams.out,
                  nlohmann::json{{"path", options.file},
                                 {"crc32", HexDigits(result.crc, 8)},
                                 {"expected", HexDigits(*expected, 8)},
                                 {"bits", options.bits},
                                 {"outcome", OutcomeName(result.outcome)},
                                 {"singles", result.singles},
                                 {"pairs", result.pairs},
                                 {"summary", summary},
                                 {"candidates", candidates},
                                 {"written", written ? nlohmann::json(options.writePath) : nlohmann::json()},
                                 {"read", ReadingJson(reading)}});
    } else {
        streams.out << options.file << ": CRC:" << HexDigits(result.crc, 8) << ", expected " << HexDigits(*expected, 8)
                    << '\n';
        WriteDecodedLine(streams.out, options.file, reading);
        streams.out << summary << '\n';
        for (std::size_t k = 0; k < result.candidates.size() && k < kPlainCandidates; ++k) {
            streams.out << "  " << CandidateText(result.candidates[k], bytes) << '\n';
        }
        const std::uint64_t total = result.singles + result.pairs;
        if (total > kPlainCandidates && result.outcome != RepairOutcome::Unique) {
            streams.out << "  ... and " << WithThousands(total - kPlainCandidates) << " more\n";
        }
        if (written) {
            streams.out << "written: " << options.writePath << '\n';
        } else if (!options.writePath.empty() && result.outcome != RepairOutcome::AlreadyMatches) {
            streams.out << "nothing written to " << options.writePath << ": only one candidate can be written\n";
        } else if (!options.writePath.empty()) {
            streams.out << "nothing written to " << options.writePath << ": the file needs no repair\n";
        }
    }
    return repairable || result.outcome == RepairOutcome::AlreadyMatches ? kExitOk : kExitNo;
}

const Subcommand<RepairOptions> kRepairCommand{
    .name = "repair",
    .summary = "The flipped bits whose correction gives a dump its expected CRC-32",
    .fileHelp = "The dump to repair",
    .addOptions =
        [](CLI::App& command, RepairOptions& options) {
            command.add_option("--crc", options.crc, "The expected CRC-32 in hex")->required();
            command
                .add_option("--bits", options.bits,
                            "Flipped bits to look for: 1, or 2 for every pair too (files up to 8 MiB)")
                ->check(CLI::IsMember({1u, 2u}));
            command.add_option("--write", options.writePath,
                               "Write the mended file here, only when exactly one candidate exists");
        },
    .footer =
        "Exit status: 0 one candidate (or nothing to repair), 1 none or several, 2 an error.\n"
        "Example:\n  vesperine-cli repair flaky.bin --crc 44D56F86 --write mended.bin\n"
        "  flaky.bin: CRC:F6D39B08, expected 44D56F86\n"
        "  1 candidate with one flipped bit\n"
        "    flip offset 0x0A3F1 bit 6 (40 -> 00)\n"
        "  written: mended.bin",
    .run = RunRepair,
};

}  // namespace vesperine::cli
