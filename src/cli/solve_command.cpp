// The solve subcommand: the label solver's request from the options, its findings as text or JSON.
#include "cli/solve_command.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/format.h"
#include "checksum/catalogue.h"
#include "checksum/label_solver.h"
#include "cli/hex_arg.h"
#include "cli/input_file.h"
#include "cli/memory_budget.h"
#include "cli/messages.h"
#include "cli/progress.h"

namespace vesperine::cli {
namespace {

using checksum::RangeHit;
using checksum::SolveRequest;
using checksum::SolveResult;

[[nodiscard]] std::string Chance(double expected) {
    char text[32];
    std::snprintf(text, sizeof text, expected < 10 ? "%.2g" : "%.0f", expected);
    return text;
}

// How a group's chance figure was obtained.
[[nodiscard]] std::string Baseline(std::size_t decoys) {
    return decoys == 0 ? "modelled" : "measured over " + std::to_string(decoys) + " decoy values";
}

// When no decoy matched, all that is known is a bound: fewer than 3 in N searches like this one
// match, at 95 % (a Poisson mean whose chance of showing no event in N trials is 5 %).
[[nodiscard]] double ChanceBound(std::size_t decoys) { return 3.0 / static_cast<double>(decoys); }

// "1 hit of 5 tried, 0.02 expected by chance (modelled)"; "..., fewer than 0.38 expected by
// chance (none of 8 decoy values matched)"
[[nodiscard]] std::string Tally(std::uint64_t hits, std::uint64_t tried, double chance, std::size_t decoys) {
    const std::string found =
        std::to_string(hits) + (hits == 1 ? " hit" : " hits") + " of " + std::to_string(tried) + " tried, ";
    if (decoys != 0 && chance == 0) {
        return found + "fewer than " + Chance(ChanceBound(decoys)) + " expected by chance (none of " +
               std::to_string(decoys) + " decoy values matched)";
    }
    return found + Chance(chance) + " expected by chance (" + Baseline(decoys) + ")";
}

[[nodiscard]] std::size_t Digits(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
    return text.size();
}

// The request from the options, or a message and nothing.
[[nodiscard]] std::optional<SolveRequest> RequestOf(const SolveOptions& options, std::ostream& err) {
    SolveRequest request;
    const std::optional<std::uint32_t> value = ParseHexArg(options.value);
    if (!value) {
        err << "vesperine-cli: --value " << options.value << ": give 1 to 8 hexadecimal digits, as on the label\n";
        return std::nullopt;
    }
    const std::size_t digits = Digits(options.value);
    request.width = options.width != 0 ? options.width : digits <= 2 ? 8 : digits <= 4 ? 16 : 32;
    if (request.width != 8 && request.width != 16 && request.width != 32) {
        err << "vesperine-cli: --width " << options.width << ": give 8, 16 or 32\n";
        return std::nullopt;
    }
    request.value = *value;
    if (request.width < 32 && *value >> request.width != 0) {
        err << "vesperine-cli: --value " << options.value << " is wider than " << request.width << " bits\n";
        return std::nullopt;
    }
    for (const auto& [name, text, bound] : {std::tuple{"--min", &options.minLength, &request.minLength},
                                            std::tuple{"--max", &options.maxLength, &request.maxLength}}) {
        if (text->empty()) continue;
        const std::optional<std::uint32_t> parsed = ParseHexArg(*text);
        if (!parsed) {
            err << "vesperine-cli: " << name << ' ' << *text << ": give 1 to 8 hexadecimal digits\n";
            return std::nullopt;
        }
        *bound = *parsed;
        request.ranges = true;
    }
    if (request.minLength > request.maxLength) {
        err << "vesperine-cli: --min " << options.minLength << " is above --max " << options.maxLength << '\n';
        return std::nullopt;
    }
    return request;
}

// --limit as a count, or a message and nothing: digits only (no sign), at most kMostListed.
[[nodiscard]] std::optional<std::size_t> LimitOf(const std::string& text, std::ostream& err) {
    std::size_t limit = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), limit);
    if (text.empty() || text[0] == '-' || text[0] == '+' || problem != std::errc{} ||
        end != text.data() + text.size() || limit > kMostListed) {
        err << "vesperine-cli: --limit " << text << ": give a whole number from 0 to " << WithThousands(kMostListed)
            << " (the ranges listed are kept in memory until printed)\n";
        return std::nullopt;
    }
    return limit;
}

// Refuses a range search with no --max whose hits, as measured, would drown in chance.
[[nodiscard]] bool RangesMeanSomething(const SolveOptions& options, const SolveRequest& request,
                                       const SolveResult& result, std::size_t length, std::ostream& err) {
    if (!request.ranges || !options.maxLength.empty() || result.rangeChance <= kDrowningChance) return true;
    FileProblem(err, options.file) << "ranges of every length over " << length << " bytes would match about "
                                   << Chance(result.rangeChance) << " times by chance at " << request.width << " bits ("
                                   << Baseline(result.decoys) << "): bound the length with --max\n";
    return false;
}

// Refuses a range search that would not fit in memory.
[[nodiscard]] bool RangesFit(const SolveOptions& options, const SolveRequest& request, std::size_t length,
                             std::ostream& err) {
    if (!request.ranges) return true;
    const std::uint64_t tables = checksum::SolveTableBytes(length, request);
    if (tables > TableMemoryBudget()) {
        FileProblem(err, options.file) << "the range search's tables would take " << tables / (1 << 20)
                                       << " MiB, more than half the memory: narrow the dump with --area\n";
        return false;
    }
    return true;
}

[[nodiscard]] std::string Where(const RangeHit& hit) {
    return hit.checksum + " over " + hit.view + " [" + HexText(hit.start, 1) + ", " + HexText(hit.end, 1) + ") at " +
           HexText(hit.dumpStart, 1);
}

[[nodiscard]] nlohmann::json JsonOf(const RangeHit& hit) {
    return {{"view", hit.view},
            {"checksum", hit.checksum},
            {"start", hit.start},
            {"end", hit.end},
            {"dumpStart", hit.dumpStart}};
}

void PrintText(const SolveResult& result, const std::vector<RangeHit>& listed, const SolveRequest& request,
               std::ostream& out) {
    out << "whole views: " << Tally(result.whole.size(), result.wholeTried, result.wholeChance, 0) << '\n';
    for (const checksum::WholeHit& hit : result.whole) {
        out << "  " << hit.checksum << " over " << hit.view
            << (hit.trailer ? " without its last " + std::to_string(request.width / 8) + " bytes" : "") << '\n';
    }
    if (!request.ranges) return;
    out << "aligned ranges: " << Tally(result.alignedHits, result.alignedTried, result.alignedChance, result.decoys)
        << '\n';
    for (const RangeHit& hit : result.aligned) out << "  " << Where(hit) << '\n';
    if (result.alignedHits > result.aligned.size()) out << "  ...\n";
    out << "any ranges: " << Tally(result.rangeHits, result.rangeTried, result.rangeChance, result.decoys);
    out << (listed.empty() ? "\n" : "; the first not aligned:\n");
    for (const RangeHit& hit : listed) out << "  " << Where(hit) << '\n';
}

[[nodiscard]] nlohmann::json JsonOf(const SolveResult& result, const std::vector<RangeHit>& listed,
                                    const SolveRequest& request) {
    nlohmann::json whole = nlohmann::json::array();
    for (const checksum::WholeHit& hit : result.whole) {
        whole.push_back({{"view", hit.view}, {"checksum", hit.checksum}, {"trailerExcluded", hit.trailer}});
    }
    const auto group = [&](std::uint64_t tried, std::uint64_t hits, double chance, std::size_t decoys) {
        nlohmann::json json{{"tried", tried},
                            {"hits", hits},
                            {"expectedByChance", chance},
                            {"chanceFrom", decoys == 0 ? "modelled" : "measured"}};
        if (decoys != 0) json["decoyValues"] = decoys;
        if (decoys != 0 && chance == 0) json["expectedByChanceBelow"] = ChanceBound(decoys);
        return json;
    };
    nlohmann::json json{{"whole", group(result.wholeTried, result.whole.size(), result.wholeChance, 0)}};
    json["whole"]["found"] = whole;
    if (!request.ranges) return json;
    json["aligned"] = group(result.alignedTried, result.alignedHits, result.alignedChance, result.decoys);
    json["aligned"]["found"] = nlohmann::json::array();
    for (const RangeHit& hit : result.aligned) json["aligned"]["found"].push_back(JsonOf(hit));
    json["ranges"] = group(result.rangeTried, result.rangeHits, result.rangeChance, result.decoys);
    json["ranges"]["found"] = nlohmann::json::array();
    for (const RangeHit& hit : listed) json["ranges"]["found"].push_back(JsonOf(hit));
    return json;
}

}  // namespace

int RunSolve(const SolveOptions& options, FileSystem& files, Streams streams) {
    const std::optional<SolveRequest> request = RequestOf(options, streams.err);
    if (!request) return kExitError;
    const std::optional<std::size_t> limit = LimitOf(options.limit, streams.err);
    if (!limit) return kExitError;
    const std::optional<CutFile> cut = LoadAndCut(options.dump, options.file, files, streams.err);
    if (!cut) return kExitError;
    const std::span<const std::uint8_t> dump = cut->dump.bytes;
    if (!RangesFit(options, *request, dump.size(), streams.err)) return kExitError;
    std::vector<RangeHit> listed;
    const SolveResult result = checksum::Solve(dump, *request, [&](const RangeHit& hit) {
        if (listed.size() < *limit) listed.push_back(hit);
        return listed.size() < *limit;
    });
    if (result.outOfMemory) {
        FileProblem(streams.err, options.file) << "Out of memory.\n";
        return kExitError;
    }
    if (!RangesMeanSomething(options, *request, result, dump.size(), streams.err)) return kExitError;
    const std::string value = ChecksumDigits(request->value, request->width);
    if (options.json) {
        nlohmann::json json = JsonOf(result, listed, *request);
        json["path"] = options.file;
        json["start"] = cut->dump.start;
        json["size"] = dump.size();
        json["value"] = value;
        json["width"] = request->width;
        json["read"] = ReadingJson(cut->reading);
        streams.out << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    } else {
        streams.out << options.file << ": " << FormatDumpSize(static_cast<std::uint32_t>(dump.size())) << ", value "
                    << value << " at " << request->width << " bits\n";
        WriteDecodedLine(streams.out, options.file, cut->reading);
        PrintText(result, listed, *request, streams.out);
    }
    const bool any = !result.whole.empty() || result.rangeHits != 0;
    return any ? kExitOk : kExitNo;
}

const Subcommand<SolveOptions> kSolveCommand{
    .name = "solve",
    .summary = "Which sum or CRC, over which part of the dump, gives the value on a label",
    .fileHelp = "The dump",
    .cutsDump = true,
    .addOptions =
        [](CLI::App& command, SolveOptions& options) {
            command.add_option("--value", options.value, "The label's value in hex")->required();
            command.add_option("--width", options.width, "8, 16 or 32 bits (default: from the digits of --value)");
            command.add_option("--min", options.minLength, "Search ranges too: shortest length (hex)")->type_name("L");
            command.add_option("--max", options.maxLength, "Search ranges too: longest length (hex)")->type_name("L");
            command
                .add_option("--limit", options.limit,
                            "Ranges listed beyond the aligned ones (default 20, at most 1000000)")
                ->type_name("N");
        },
    .footer =
        "Read each group's hits against the count expected by chance printed beside them. For CRCs\n"
        "it is tried / 2^width; for sums it comes from the data itself: over whole views modelled\n"
        "on the view's own bytes or words (a sum of n random bytes lies near n * 127.5, not\n"
        "anywhere), over ranges measured by counting the matches of 8 decoy values near the value.\n\n"
        "Example:\n  vesperine-cli solve u12.bin --value 3A7C --max 10000",
    .run = RunSolve,
};

}  // namespace vesperine::cli
