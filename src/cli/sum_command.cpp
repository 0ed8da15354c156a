// The sum subcommand: parsing, and the sums table of each view of each dump.
#include "cli/sum_command.h"

#include <CLI/CLI.hpp>
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

[[nodiscard]] SumTable TableOf(const View& view) {
    SumTable table{view.plan.name, {}};
    const checksum::LaneTotals totals = checksum::TotalLanes(view.bytes);
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
        const std::optional<CutFile> cut = LoadAndCut(options.dump, path, files, why);
        if (!cut) {
            RecordFileFailure(path, why.str(), streams.err, results);
            status = kExitError;
            continue;
        }
        streams.err << why.str();  // notes and warnings about a file that was read
        const auto size = static_cast<std::uint32_t>(cut->dump.bytes.size());
        std::vector<SumTable> tables;
        for (const View& view : ChecksumViewsOf(cut->dump.bytes, false)) {
            tables.push_back(TableOf(view));
        }
        if (options.json) {
            nlohmann::json views = nlohmann::json::array();
            for (const SumTable& table : tables) views.push_back(JsonOf(table));
            results.push_back({{"path", path},
                               {"start", cut->dump.start},
                               {"size", size},
                               {"views", views},
                               {"read", ReadingJson(cut->reading)}});
            continue;
        }
        streams.out << path << ": " << FormatDumpSize(size) << '\n';
        WriteDecodedLine(streams.out, path, cut->reading);
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
