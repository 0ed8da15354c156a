// The sum subcommand: parsing, and the sums table of each view of each dump.
#include "cli/sum_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <iomanip>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "analysis/views.h"
#include "base/format.h"
#include "checksum/catalogue.h"
#include "cli/messages.h"

namespace vesperine::cli {
namespace {

using checksum::SumForm;
using checksum::SumKind;

constexpr SumForm kForms[] = {SumForm::Plain, SumForm::Negated, SumForm::Complemented};
constexpr const char* kFormNames[] = {"plain", "negated", "complemented"};

// One view's table: values[row][form], rows as SumRows().
struct SumTable {
    std::string view;
    std::vector<std::array<std::string, 3>> values;
};

[[nodiscard]] SumTable TableOf(std::string view, const checksum::LaneTotals& totals) {
    SumTable table{std::move(view), {}};
    for (SumKind kind : checksum::SumRows()) {
        std::array<std::string, 3> row;
        for (std::size_t f = 0; f < 3; ++f) {
            kind.form = kForms[f];
            row[f] = ChecksumDigits(checksum::SumOf(totals, kind), kind.width);
        }
        table.values.push_back(row);
    }
    return table;
}

/*
  Every table from one pass. The views are the whole dump, its halves, and stripes of stride 2
  and 4 (odd and even bytes, byte lanes); every sum of a view follows from the view's lane
  totals (checksum/sums.h), and those of a stripe from the dump's bytes at each position modulo
  16. The halves need the same kept apart for each half, so the pass keeps two sets, split at
  the middle; the whole is their sum.
*/
struct DumpTotals {
    std::uint32_t start = 0;
    std::uint32_t size = 0;
    std::array<checksum::WideLaneTotals, 2> halves;  // positions counted from the dump's start
    InputReading reading;
};

// Adds the dump's bytes [at, at + piece.size()) to the half or halves they lie in.
void AddPiece(std::span<const std::uint8_t> piece, std::uint64_t at, std::uint64_t middle, DumpTotals& totals) {
    const std::size_t first =
        at >= middle ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(middle - at, piece.size()));
    checksum::AddWideLanes(piece.first(first), at, totals.halves[0]);
    checksum::AddWideLanes(piece.subspan(first), at + first, totals.halves[1]);
}

// The dump's totals in one pass, from the pieces as the file is read where the dump is a plain
// range of it (StreamDump): the middle is known before the first piece.
[[nodiscard]] std::optional<DumpTotals> SumTotals(const DumpOptions& options, const std::string& path,
                                                  FileSystem& files, std::ostream& err) {
    const std::optional<DumpRequest> request = ParseDumpRequest(options, files, err);
    if (!request) return std::nullopt;
    DumpTotals totals;
    std::uint64_t middle = 0;
    const DumpPieces sink{
        .begin =
            [&](std::uint64_t length) {
                totals.halves = {};
                middle = length / 2;
            },
        .take = [&](std::span<const std::uint8_t> piece, std::uint64_t at) { AddPiece(piece, at, middle, totals); }};
    const std::optional<StreamedDump> dump = StreamDump(*request, files, path, sink, err);
    if (!dump) return std::nullopt;
    totals.start = dump->start;
    totals.size = dump->size;
    totals.reading = dump->reading;
    return totals;
}

// The view's lane totals: a part is the whole or a half, the rest are stripes of the whole.
[[nodiscard]] checksum::LaneTotals LanesOfView(const ViewPlan& plan, const DumpTotals& totals) {
    checksum::WideLaneTotals whole;
    for (std::size_t p = 0; p < whole.lane.size(); ++p)
        whole.lane[p] = totals.halves[0].lane[p] + totals.halves[1].lane[p];
    if (plan.kind != ViewKind::Part)
        return checksum::StripeLanes(whole, static_cast<unsigned>(plan.offset), plan.stride);
    if (plan.size == totals.size) return checksum::StripeLanes(whole, 0, 1);
    return checksum::PartLanes(totals.halves[plan.offset == 0 ? 0 : 1], plan.offset);
}

void PrintTable(const SumTable& table, std::ostream& out) {
    out << "  " << std::left << std::setw(22) << table.view << std::right;
    for (const char* form : kFormNames) out << std::setw(14) << form;
    out << '\n';
    const auto rows = checksum::SumRows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        out << "    " << std::left << std::setw(20) << checksum::SumName(rows[r]) << std::right;
        for (const std::string& value : table.values[r]) out << std::setw(14) << value;
        out << '\n';
    }
}

[[nodiscard]] nlohmann::json JsonOf(const SumTable& table) {
    nlohmann::json sums = nlohmann::json::array();
    const auto rows = checksum::SumRows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        nlohmann::json row{{"sum", checksum::SumName(rows[r])}};
        for (std::size_t f = 0; f < 3; ++f) row[kFormNames[f]] = table.values[r][f];
        sums.push_back(row);
    }
    return {{"view", table.view}, {"sums", sums}};
}

}  // namespace

int RunSum(const SumOptions& options, FileSystem& files, Streams streams) {
    int status = kExitOk;
    nlohmann::json results = nlohmann::json::array();
    for (const std::string& path : options.files) {
        std::ostringstream why;
        const std::optional<DumpTotals> totals = SumTotals(options.dump, path, files, why);
        if (!totals) {
            RecordFileFailure(path, why.str(), streams.err, results);
            status = kExitError;
            continue;
        }
        streams.err << why.str();  // notes and warnings about a file that was read
        const std::uint32_t size = totals->size;
        std::vector<SumTable> tables;
        for (const ViewPlan& plan : ChecksumViewPlans(size, false)) {
            tables.push_back(TableOf(plan.name, LanesOfView(plan, *totals)));
        }
        if (options.json) {
            nlohmann::json views = nlohmann::json::array();
            for (const SumTable& table : tables) views.push_back(JsonOf(table));
            results.push_back({{"path", path},
                               {"start", totals->start},
                               {"size", size},
                               {"views", views},
                               {"read", ReadingJson(totals->reading)}});
            continue;
        }
        streams.out << path << ": " << FormatDumpSize(size) << '\n';
        WriteDecodedLine(streams.out, path, totals->reading);
        for (const SumTable& table : tables) PrintTable(table, streams.out);
    }
    if (options.json) {
        streams.out << nlohmann::json{{"files", results}}.dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
                    << '\n';
    }
    return status;
}

const Subcommand<SumOptions> kSumCommand{
    .name = "sum",
    .summary = "Programmer sums of each file or dump: bytes and words, with and without carry",
    .fileHelp = "Files to sum",
    .cutsDump = true,
    .footer =
        "Rows: SUM-8/16/32 add bytes; WORD-LE/WORD-BE add 16- or 32-bit words (low address = low byte,\n"
        "or high byte); EAC adds each carry back in (ones' complement sum). Columns: the sum, its two's\n"
        "complement (sum + value = 0) and its ones' complement (sum + value = all ones).\n"
        "Tables follow for each half, the odd and even bytes and the four byte lanes.\n\n"
        "Example:\n  vesperine-cli sum /usr/share/seabios/bios.bin",
    .run = RunSum,
    .jsonHelp = "One JSON document instead of tables",
};

}  // namespace vesperine::cli
