// The reads subcommand: reads loaded alike, compared, the consensus or the mended image written.
#include "cli/reads_command.h"

#include <CLI/CLI.hpp>
#include <bit>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

#include "base/crc32.h"
#include "base/format.h"
#include "cli/hex_arg.h"
#include "cli/input_file.h"
#include "cli/output_files.h"
#include "cli/programmer_output.h"
#include "cli/progress.h"
#include "reads/compare_reads.h"
#include "reads/crc_mend.h"
#include "reads/read_findings.h"

namespace vesperine::cli {
namespace {

using reads::MendOutcome;
using reads::MendResult;
using reads::ReadsComparison;

constexpr std::size_t kPlainListed = 20;   // unstable bits and assignments listed as text
constexpr std::size_t kJsonListed = 1000;  // unstable bits listed in JSON
constexpr std::size_t kNearest = 8;        // ambiguous assignments nearest the majority listed

using Spans = std::vector<std::span<const std::uint8_t>>;

[[nodiscard]] bool CheckArguments(const ReadsOptions& options, std::ostream& err) {
    if (options.files.size() < 2) {
        err << "vesperine-cli: reads needs two reads of the chip or more; " << options.files.size()
            << (options.files.size() == 1 ? " was" : " were") << " given.\n";
        return false;
    }
    return true;
}

// One file named twice would be counted as two reads that agree (file identity, as outputs are
// told from inputs, so that a hard or symbolic link or "./" is no second read).
[[nodiscard]] bool CheckDistinct(const ReadsOptions& options, FileSystem& files, std::ostream& err) {
    for (std::size_t r = 1; r < options.files.size(); ++r) {
        for (std::size_t q = 0; q < r; ++q) {
            if (!files.SameFile(options.files[q], options.files[r])) continue;
            err << "vesperine-cli: reads " << q + 1 << " and " << r + 1 << ", " << options.files[q] << " and "
                << options.files[r]
                << ", are one file: each read must be a read of its own, or its bits are counted twice.\n";
            return false;
        }
    }
    return true;
}

// Every read cut alike, then their lengths checked against the first.
[[nodiscard]] std::optional<std::vector<CutFile>> LoadReads(const ReadsOptions& options, FileSystem& files,
                                                            std::ostream& err) {
    std::vector<CutFile> cuts;
    for (const std::string& path : options.files) {
        std::optional<CutFile> cut = LoadAndCut(options.dump, path, files, err);
        if (!cut) return std::nullopt;
        cuts.push_back(std::move(*cut));
    }
    const std::size_t length = cuts[0].dump.bytes.size();
    for (std::size_t r = 1; r < cuts.size(); ++r) {
        if (cuts[r].dump.bytes.size() == length) continue;
        err << "vesperine-cli: the reads differ in length: " << options.files[0] << " has " << WithThousands(length)
            << " bytes, " << options.files[r] << " " << WithThousands(cuts[r].dump.bytes.size())
            << "; every read must be of the whole chip (or of the same --area).\n";
        return std::nullopt;
    }
    if (length == 0) {
        err << "vesperine-cli: the reads are empty: nothing to compare.\n";
        return std::nullopt;
    }
    if (options.width == 2 && length % 2 != 0) {
        err << "vesperine-cli: --width 2 needs whole 16-bit words; the reads are " << WithThousands(length)
            << " bytes, an odd length.\n";
        return std::nullopt;
    }
    return cuts;
}

struct Mend {
    bool tooMany = false;  // more unstable bits than the lists keep: not tried
    MendResult result;
    std::uint32_t expected = 0;
};

[[nodiscard]] const char* OutcomeName(const Mend& mend) {
    if (mend.tooMany) return "too-many";
    switch (mend.result.outcome) {
        case MendOutcome::NoAssignment: return "none";
        case MendOutcome::Unique: return "unique";
        case MendOutcome::Ambiguous: return "ambiguous";
    }
    return "";
}

[[nodiscard]] int Digits(std::uint64_t length) {
    return std::max(5, static_cast<int>((std::bit_width(length - 1) + 3) / 4));
}

[[nodiscard]] unsigned ValueOf(std::span<const std::uint8_t> bytes, std::uint64_t index) {
    return (bytes[reads::OffsetOf(index)] >> reads::BitOf(index)) & 1u;
}

[[nodiscard]] std::string MendSummary(const Mend& mend, std::size_t readCount) {
    const MendResult& m = mend.result;
    const std::string unknowns = WithThousands(m.unknowns) + " unstable bit" + (m.unknowns == 1 ? "" : "s");
    if (mend.tooMany) {
        return "not tried: " + unknowns + " are more than the " + WithThousands(reads::kListedBitsLimit) +
               " a mend takes; reseat the chip and read again";
    }
    switch (m.outcome) {
        case MendOutcome::NoAssignment:
            return "no assignment of the " + unknowns + " gives CRC " + HexDigits(mend.expected, 8) +
                   ": a stable bit is wrong in every read too, or the CRC is another image's";
        case MendOutcome::Unique:
            return "exactly one assignment of the " + unknowns + " gives CRC " + HexDigits(mend.expected, 8) + ": " +
                   WithThousands(m.assignments.front().size()) + " of them changed from the consensus";
        case MendOutcome::Ambiguous: break;
    }
    return "2^" + std::to_string(m.freeBits) + " assignments of the " + unknowns + " give CRC " +
           HexDigits(mend.expected, 8) + " (32 equations fix at most 32 bits): ambiguous; " +
           (readCount < 8 ? "more reads would narrow it" : "reseat the chip and read again");
}

[[nodiscard]] std::string FlipsText(const reads::Flips& flips, std::span<const std::uint8_t> consensus) {
    if (flips.empty()) return "the consensus as it is";
    std::string text;
    for (std::size_t k = 0; k < flips.size() && k < kPlainListed; ++k) {
        text += (k == 0 ? "" : ", ") + reads::BitText(flips[k], consensus.size()) + " -> " +
                std::to_string(ValueOf(consensus, flips[k]) ^ 1u);
    }
    if (flips.size() > kPlainListed) text += ", ... (" + WithThousands(flips.size()) + " in all)";
    return text;
}

struct Report {
    const ReadsOptions& options;
    const Spans& spans;
    const ReadsComparison& comparison;
    const std::vector<reads::ReadsFinding>& findings;
    const Mend* mend = nullptr;
    std::uint32_t consensusCrc = 0;
    bool written = false;
    nlohmann::json readAs = nlohmann::json::array();  // ReadingJson of each read
    std::string writtenAs;                            // "Intel HEX" and the like when -o names records
};

void WriteSpread(const ReadsComparison& c, std::ostream& out) {
    out << "  " << WithThousands(c.unstableBits) << " unstable bits in " << WithThousands(c.unstableWords)
        << " words, from " << HexText(c.firstOffset, Digits(c.length)) << " to "
        << HexText(c.lastOffset, Digits(c.length)) << "\n  direction: 1 -> 0 in " << WithThousands(c.oneToZero)
        << ", 0 -> 1 in " << WithThousands(c.zeroToOne) << ", tied " << WithThousands(c.ties) << "\n  by data line:";
    for (unsigned k = 0; k < 8 * c.width; ++k)
        out << (k == 0 ? " D" : ", D") << k << ' ' << WithThousands(c.byDataLine[k]);
    out << "\n  where the address line is 1:";
    for (unsigned k = 0; k < c.addressBits; ++k)
        out << (k == 0 ? " A" : ", A") << k << ' ' << WithThousands(c.addressOnes[k]);
    out << "\n  alone against all the other reads:";
    for (std::size_t r = 0; r < c.readCount; ++r) {
        out << (r == 0 ? " read " : ", read ") << r + 1 << ' ' << WithThousands(c.soleDissent[r]);
    }
    out << '\n';
}

void WritePlain(const Report& report, std::ostream& out) {
    const ReadsComparison& c = report.comparison;
    out << c.readCount << " reads of " << FormatDumpSize(static_cast<std::uint32_t>(c.length)) << ", "
        << (c.width == 2 ? "16-bit words (low byte first)" : "8-bit words") << ":";
    for (std::size_t r = 0; r < c.readCount; ++r) out << " [" << r + 1 << "] " << report.options.files[r];
    out << '\n';
    if (!c.Stable()) WriteSpread(c, out);
    for (const reads::ReadsFinding& f : report.findings)
        out << reads::ReadsFindingName(f.kind) << ": " << f.text << '\n';
    for (std::size_t k = 0; k < c.unstable.size() && k < kPlainListed; ++k) {
        out << "  " << reads::BitText(c.unstable[k], c.length) << ':';
        for (const auto& read : report.spans) out << ' ' << ValueOf(read, c.unstable[k]);
        out << " -> " << ValueOf(c.consensus, c.unstable[k]) << '\n';
    }
    if (c.unstableBits > kPlainListed) out << "  ... and " << WithThousands(c.unstableBits - kPlainListed) << " more\n";
    out << "consensus: CRC:" << HexDigits(report.consensusCrc, 8) << '\n';
    if (report.mend) {
        out << "mend: " << MendSummary(*report.mend, c.readCount) << '\n';
        const auto& listed = report.mend->result.assignments;
        for (std::size_t k = 0; k < listed.size(); ++k) out << "  " << FlipsText(listed[k], c.consensus) << '\n';
        if (!report.mend->tooMany && report.mend->result.outcome == MendOutcome::Unique) {
            out << "mended: CRC:" << HexDigits(report.mend->expected, 8) << ", checked\n";
        }
    }
    if (report.written) {
        out << "written: " << report.options.outPath << (report.writtenAs.empty() ? "" : " as " + report.writtenAs)
            << '\n';
    } else if (!report.options.outPath.empty()) {
        out << "nothing written to " << report.options.outPath << ": only one assignment can be written\n";
    }
}

[[nodiscard]] nlohmann::json MendJson(const Mend& mend, std::span<const std::uint8_t> consensus) {
    const MendResult& m = mend.result;
    nlohmann::json assignments = nlohmann::json::array();
    for (const reads::Flips& flips : m.assignments) {
        nlohmann::json bits = nlohmann::json::array();
        for (const std::uint64_t b : flips) {
            bits.push_back(
                {{"offset", reads::OffsetOf(b)}, {"bit", reads::BitOf(b)}, {"to", ValueOf(consensus, b) ^ 1u}});
        }
        assignments.push_back(bits);
    }
    return {{"expected", HexDigits(mend.expected, 8)},
            {"outcome", OutcomeName(mend)},
            {"unknowns", m.unknowns},
            {"rank", m.rank},
            {"freeBits", m.freeBits},
            {"assignments", assignments}};
}

void WriteJson(const Report& report, std::ostream& out) {
    const ReadsComparison& c = report.comparison;
    nlohmann::json findings = nlohmann::json::array();
    for (const reads::ReadsFinding& f : report.findings)
        findings.push_back(
            {{"kind", reads::ReadsFindingName(f.kind)}, {"text", f.text}, {"group", f.group}, {"bits", f.bits}});
    nlohmann::json unstable = nlohmann::json::array();
    for (std::size_t k = 0; k < c.unstable.size() && k < kJsonListed; ++k) {
        nlohmann::json values = nlohmann::json::array();
        for (const auto& read : report.spans) values.push_back(ValueOf(read, c.unstable[k]));
        unstable.push_back({{"offset", reads::OffsetOf(c.unstable[k])},
                            {"bit", reads::BitOf(c.unstable[k])},
                            {"values", values},
                            {"consensus", ValueOf(c.consensus, c.unstable[k])}});
    }
    const nlohmann::json document{
        {"reads", report.options.files},
        {"length", c.length},
        {"width", c.width},
        {"unstableBits", c.unstableBits},
        {"unstableWords", c.unstableWords},
        {"ties", c.ties},
        {"byDataLine", std::vector<std::uint64_t>(c.byDataLine.begin(), c.byDataLine.begin() + 8 * c.width)},
        {"addressOnes", std::vector<std::uint64_t>(c.addressOnes.begin(), c.addressOnes.begin() + c.addressBits)},
        {"oneToZero", c.oneToZero},
        {"zeroToOne", c.zeroToOne},
        {"alone", c.soleDissent},
        {"findings", findings},
        {"unstable", unstable},
        {"consensusCrc32", HexDigits(report.consensusCrc, 8)},
        {"mend", report.mend ? MendJson(*report.mend, c.consensus) : nlohmann::json()},
        {"written", report.written ? nlohmann::json(report.options.outPath) : nlohmann::json()},
        {"writtenFormat", report.writtenAs.empty() ? "binary" : report.writtenAs},
        {"read", report.readAs}};
    out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

int RunReadsUnguarded(const ReadsOptions& options, FileSystem& files, Streams streams) {
    std::optional<std::uint32_t> expected;
    if (!options.crc.empty() && !(expected = ParseHexArg(options.crc))) {
        streams.err << "vesperine-cli: --crc " << options.crc << ": not a CRC-32 in hex (1 to 8 digits).\n";
        return kExitError;
    }
    if (!CheckArguments(options, streams.err) || !CheckDistinct(options, files, streams.err)) return kExitError;
    OutputSet outputs(files, options.files);
    if (!options.outPath.empty() && !outputs.Claim(options.outPath)) {
        ReportOutputProblem(outputs, streams.err);
        return kExitError;
    }
    const std::optional<std::vector<CutFile>> cuts = LoadReads(options, files, streams.err);
    if (!cuts) return kExitError;
    Spans spans;
    for (const CutFile& cut : *cuts) spans.push_back(cut.dump.bytes);

    const ReadsComparison comparison = reads::CompareReads(spans, options.width);
    const std::vector<reads::ReadsFinding> findings = reads::ExplainReads(comparison);
    const std::span<const std::uint8_t> consensus(comparison.consensus.data(), comparison.consensus.size());
    std::optional<Mend> mend;
    ByteBuffer mended;
    if (expected) {
        mend = Mend{!comparison.ListsComplete(), {}, *expected};
        mend->result.unknowns = comparison.unstableBits;
        if (!mend->tooMany) mend->result = reads::MendByCrc(consensus, comparison.unstable, *expected, kNearest);
        if (!mend->tooMany && mend->result.outcome == MendOutcome::Unique) {
            mended = reads::ApplyAssignment(consensus, mend->result.assignments.front());
            if (Crc32(std::span<const std::uint8_t>(mended.data(), mended.size())) != *expected) {
                streams.err << "vesperine-cli: the mended image's CRC-32 is not " << HexDigits(*expected, 8)
                            << ": nothing written (an error in vesperine-cli).\n";
                return kExitError;
            }
        }
    }
    Report report{
        options, spans, comparison, findings, mend ? &*mend : nullptr, Crc32(consensus), false, nlohmann::json::array(),
        {}};
    for (const CutFile& cut : *cuts) report.readAs.push_back(ReadingJson(cut.reading));
    const bool unique = mend && !mend->tooMany && mend->result.outcome == MendOutcome::Unique;
    if (!options.outPath.empty() && (!mend || unique)) {
        const std::span<const std::uint8_t> out =
            unique ? std::span<const std::uint8_t>(mended.data(), mended.size()) : consensus;
        const std::optional<ImageFile> encoded =
            EncodeImageByName(options.outPath, out, streams.err, cuts->front().reading.base);
        if (!encoded) return kExitError;
        report.writtenAs = encoded->formatName;
        if (!outputs.Stage(options.outPath, encoded->Payload(out)) || !outputs.Commit()) {
            ReportOutputProblem(outputs, streams.err);
            return kExitError;
        }
        report.written = true;
    }
    if (options.json) {
        WriteJson(report, streams.out);
    } else {
        for (std::size_t r = 0; r < cuts->size(); ++r)
            WriteDecodedLine(streams.out, options.files[r], (*cuts)[r].reading);
        WritePlain(report, streams.out);
    }
    if (mend) return unique ? kExitOk : kExitNo;
    return comparison.Stable() ? kExitOk : kExitNo;
}

}  // namespace

int RunReads(const ReadsOptions& options, FileSystem& files, Streams streams) {
    try {
        return RunReadsUnguarded(options, files, streams);
    } catch (const std::bad_alloc&) {
        streams.err << "vesperine-cli: not enough memory to compare the reads and build their consensus: nothing "
                       "written.\n";
        return kExitError;
    }
}

const Subcommand<ReadsOptions> kReadsCommand{
    .name = "reads",
    .summary = "Several reads of one chip: the unstable bits, what they say, a consensus and a CRC-guided mend",
    .addOptions =
        [](CLI::App& command, ReadsOptions& options) {
            command.add_option("READS", options.files, "Two reads of the chip or more, of one length");
            command
                .add_option("--width", options.width,
                            "Bytes per chip word: 1, or 2 for a 16-bit chip read low byte first")
                ->check(CLI::IsMember({1u, 2u}));
            command.add_option("--area", options.dump.area,
                               "Compare START:END of every read, in hex, END exclusive (default: the whole file)");
            command
                .add_option("--stripe", options.dump.stripe,
                            "full, odd (1st, 3rd ... byte of the area) or even (2nd, 4th ...)")
                ->check(CLI::IsMember({"full", "odd", "even"}));
            command.add_option("-o,--output", options.outPath,
                               "Write the consensus here (with --crc: the one mended image, once its CRC-32 checks); "
                               "records when the name's extension says so (.hex, .s19 ...)");
            command.add_option("--crc", options.crc, "The expected CRC-32 in hex: solve the unstable bits for it");
            AddInputOptions(command, options.dump.input);
        },
    .footer =
        "Exit status: without --crc 0 the reads agree, 1 they differ; with --crc 0 exactly one assignment,\n"
        "1 none or several; 2 an error (nothing written).\n"
        "Example:\n  vesperine-cli reads read1.bin read2.bin read3.bin --crc 44D56F86 -o mended.bin",
    .run = RunReads,
};

}  // namespace vesperine::cli
