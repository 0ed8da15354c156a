// The search subcommand: parsing, the window search and the any-length search over a dump.
#include "cli/search_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/format.h"
#include "cli/hex_arg.h"
#include "cli/input_file.h"
#include "cli/memory_budget.h"
#include "cli/messages.h"
#include "cli/progress.h"
#include "search/any_length_search.h"
#include "search/window_search.h"

namespace vesperine::cli {
namespace {

// The numbers of the command line, checked.
struct SearchNumbers {
    std::uint32_t target = 0;
    std::uint32_t size = 0;
    std::uint32_t step = 1;
    std::uint32_t minLength = 1;
    std::uint32_t maxLength = 0xFFFFFFFF;
};

// One hex option: absent (keeps fallback), well formed, or a message and false.
[[nodiscard]] bool ParseNumber(const char* option, const std::string& text, std::uint32_t& value, std::ostream& err) {
    if (text.empty()) return true;
    const std::optional<std::uint32_t> parsed = ParseHexArg(text);
    if (!parsed) {
        err << "vesperine-cli: " << option << ' ' << text << ": give 1 to 8 hexadecimal digits\n";
        return false;
    }
    value = *parsed;
    return true;
}

[[nodiscard]] std::optional<SearchNumbers> ParseNumbers(const SearchOptions& options, std::ostream& err) {
    if (options.crc.empty()) {
        err << "vesperine-cli: give the target CRC-32 with --crc, e.g. --crc CBF43926\n";
        return std::nullopt;
    }
    if (options.anyLength && !options.size.empty()) {
        err << "vesperine-cli: --size does not go with --any-length; bound the length with --min and --max\n";
        return std::nullopt;
    }
    if (!options.anyLength && options.size.empty()) {
        err << "vesperine-cli: give the window's size with --size, or search every length with --any-length\n";
        return std::nullopt;
    }
    if (!options.anyLength && (!options.minLength.empty() || !options.maxLength.empty())) {
        err << "vesperine-cli: --min and --max go with --any-length\n";
        return std::nullopt;
    }
    SearchNumbers numbers;
    if (!ParseNumber("--crc", options.crc, numbers.target, err) ||
        !ParseNumber("--size", options.size, numbers.size, err) ||
        !ParseNumber("--step", options.step, numbers.step, err) ||
        !ParseNumber("--min", options.minLength, numbers.minLength, err) ||
        !ParseNumber("--max", options.maxLength, numbers.maxLength, err)) {
        return std::nullopt;
    }
    if (options.anyLength && numbers.step == 0) {
        err << "vesperine-cli: --step 0: give a step of 1 or more\n";
        return std::nullopt;
    }
    if (numbers.minLength > numbers.maxLength) {
        err << "vesperine-cli: --min " << options.minLength << " is above --max " << options.maxLength << '\n';
        return std::nullopt;
    }
    return numbers;
}

// Text for JSON: invalid UTF-8 in a path becomes U+FFFD instead of throwing.
[[nodiscard]] std::string JsonText(const std::string& text) {
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The hits told as they are found, nothing kept: a line each, or with json the document's head
// before the first hit, each hit as it comes and the tail at the end, laid out as
// nlohmann::json's dump(2) lays out {"crc32","hits":[{"address","offset","size"}],"path","read"}.
// So memory stays the same however many hits there are, and a long search shows its hits
// while it runs.
class HitReport {
public:
    HitReport(const SearchOptions& options, std::uint32_t target, std::uint32_t areaStart, const InputReading& reading,
              std::ostream& out)
        : options_(options), target_(target), areaStart_(areaStart), reading_(reading), out_(out) {
        if (!options_.json) WriteDecodedLine(out_, options_.file, reading_);
    }

    void Add(std::uint32_t offset, std::uint32_t size) {
        // ADR is printed modulo 2^32, like every address the window prints.
        const std::uint32_t address = areaStart_ + offset;
        if (options_.json) {
            out_ << (count_ == 0 ? Head() + "\n" : std::string(",\n")) << "    {\n      \"address\": \""
                 << HexDigits(address, 8) << "\",\n      \"offset\": " << offset << ",\n      \"size\": " << size
                 << "\n    }";
        } else {
            out_ << "DetectCRC:" << HexDigits(target_, 8) << " ADR:" << HexDigits(address, 8)
                 << " SIZE:" << HexDigits(size, 8) << '\n';
        }
        ++count_;
    }

    [[nodiscard]] int Finish() {
        if (options_.json) {
            std::string read = ReadingJson(reading_).dump(2);
            for (std::size_t at = read.find('\n'); at != std::string::npos; at = read.find('\n', at + 3)) {
                read.replace(at, 1, "\n  ");
            }
            out_ << (count_ == 0 ? Head() + "]" : std::string("\n  ]")) << ",\n  \"path\": " << JsonText(options_.file)
                 << ",\n  \"read\": " << read << "\n}\n";
        } else if (count_ == 0) {
            out_ << "CRC not found.\n";
        }
        return count_ == 0 ? kExitNo : kExitOk;
    }

private:
    [[nodiscard]] std::string Head() const {
        return "{\n  \"crc32\": \"" + HexDigits(target_, 8) + "\",\n  \"hits\": [";
    }

    const SearchOptions& options_;
    std::uint32_t target_;
    std::uint32_t areaStart_;
    const InputReading& reading_;
    std::ostream& out_;
    std::uint64_t count_ = 0;
};

[[nodiscard]] int SearchWindows(const SearchOptions& options, const SearchNumbers& numbers,
                                std::span<const std::uint8_t> dump, HitReport& report, std::ostream& err) {
    const WindowHit onHit = [&](std::uint32_t offset) {
        report.Add(offset, numbers.size);
        return options.all;
    };
    if (numbers.step == 0) {
        // One look at the window at 0: a break at the first poll ends the endless repetition.
        const SearchResult once = FindCrcWindows(
            dump, numbers.target, numbers.size, 0, [](std::uint64_t, std::uint64_t) { return true; }, onHit);
        if (once.outcome == SearchOutcome::Broken) {
            err << "vesperine-cli: --step 0 examines the window at 0 again and again, and it does not match: give a "
                   "step of 1 or more\n";
            return kExitError;
        }
        return report.Finish();
    }
    TerminalProgress progress("Searching windows");
    const SearchResult result =
        FindCrcWindows(dump, numbers.target, numbers.size, numbers.step, std::ref(progress), onHit);
    (void)result;  // every hit has been reported
    return report.Finish();
}

// "12 KiB" below a MiB, "1,536 MiB" above, rounded up or down.
[[nodiscard]] std::string MemoryText(std::uint64_t bytes, bool roundUp) {
    const std::uint64_t unit = bytes < (std::uint64_t{1} << 20) ? 1024 : std::uint64_t{1} << 20;
    const std::uint64_t count = roundUp ? (bytes + unit - 1) / unit : bytes / unit;
    return WithThousands(count) + (unit == 1024 ? " KiB" : " MiB");
}

[[nodiscard]] int SearchRanges(const SearchOptions& options, const SearchNumbers& numbers,
                               std::span<const std::uint8_t> dump, HitReport& report, std::ostream& err) {
    AnyLengthRequest request;
    request.target = numbers.target;
    request.minLength = numbers.minLength;
    request.maxLength = numbers.maxLength;
    request.step = numbers.step;
    request.memoryLimit = options.memoryLimit != 0 ? options.memoryLimit : TableMemoryBudget();
    TerminalProgress progress("Searching ranges");
    const AnyLengthResult result =
        FindCrcRanges(dump, request, std::ref(progress), [&](std::uint32_t start, std::uint32_t end) {
            report.Add(start, end - start);
            return true;
        });
    switch (result.outcome) {
        case AnyLengthOutcome::TooLarge:
            FileProblem(err, options.file)
                << "searching " << WithThousands(dump.size()) << " bytes at every length needs "
                << MemoryText(result.bytesNeeded, true) << " of tables, more than the "
                << MemoryText(request.memoryLimit, false)
                << " allowed (half the memory); narrow the area with --area or search every Nth offset with --step N\n";
            return kExitError;
        case AnyLengthOutcome::OutOfMemory: FileProblem(err, options.file) << "Out of memory.\n"; return kExitError;
        case AnyLengthOutcome::Done:
        case AnyLengthOutcome::Broken: break;
    }
    return report.Finish();
}

}  // namespace

int RunSearch(const SearchOptions& options, FileSystem& files, Streams streams) {
    const std::optional<SearchNumbers> numbers = ParseNumbers(options, streams.err);
    if (!numbers) return kExitError;
    const std::optional<CutFile> cut = LoadAndCut(options.dump, options.file, files, streams.err);
    if (!cut) return kExitError;
    const Dump* const dump = &cut->dump;
    HitReport report(options, numbers->target, dump->start, cut->reading, streams.out);
    return options.anyLength ? SearchRanges(options, *numbers, dump->bytes, report, streams.err)
                             : SearchWindows(options, *numbers, dump->bytes, report, streams.err);
}

const Subcommand<SearchOptions> kSearchCommand{
    .name = "search",
    .summary = "Find the window, or every range, of a dump with a target CRC-32",
    .fileHelp = "The base file",
    .cutsDump = true,
    .addOptions =
        [](CLI::App& command, SearchOptions& options) {
            command.add_option("--crc", options.crc, "Target CRC-32 (hex)")->type_name("X");
            command.add_option("--size", options.size, "Window size in bytes (hex)")->type_name("N");
            command.add_option("--step", options.step, "Step between window starts in bytes (hex, default 1)")
                ->type_name("S");
            command.add_flag("--all", options.all, "List every matching window, not only the first");
            command.add_flag("--any-length", options.anyLength,
                             "Every range of any start and length (starts and ends on multiples of --step)");
            command.add_option("--min", options.minLength, "With --any-length: shortest length (hex, default 1)")
                ->type_name("L");
            command.add_option("--max", options.maxLength, "With --any-length: longest length (hex)")->type_name("L");
        },
    .footer =
        "Exit status 0 with a hit, 1 with none (\"CRC not found.\"), 2 on errors. ADR is the area start\n"
        "plus the offset in the dump, as in the window's log. A CRC has 32 bits: in n bytes about\n"
        "n * n / 2^33 ranges of any length match any target by chance; bound them with --min and --max.\n\n"
        "Examples:\n"
        "  vesperine-cli search board.bin --crc 9F2CDEF4 --size 9C00\n"
        "  DetectCRC:9F2CDEF4 ADR:00011170 SIZE:00009C00\n"
        "  vesperine-cli search board.bin --crc 9F2CDEF4 --any-length --max 10000\n"
        "  DetectCRC:9F2CDEF4 ADR:00011170 SIZE:00009C00",
    .run = RunSearch,
};

}  // namespace vesperine::cli
