// The checksum subcommand: names resolved first, then each dump through each chosen checksum.
#include "cli/checksum_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <variant>
#include <vector>

#include "base/format.h"
#include "checksum/catalogue.h"
#include "checksum/crc.h"
#include "checksum/sums.h"
#include "cli/messages.h"

namespace vesperine::cli {
namespace {

using checksum::CrcModel;
using checksum::NamedChecksum;

void PrintCatalogue(const ChecksumOptions& options, std::ostream& out) {
    nlohmann::json models = nlohmann::json::array();
    for (const CrcModel& m : checksum::CrcModels()) {
        if (options.json) {
            models.push_back({{"name", m.name},
                              {"width", m.width},
                              {"poly", "0x" + ChecksumDigits(m.poly, m.width)},
                              {"init", "0x" + ChecksumDigits(m.init, m.width)},
                              {"refin", m.refin},
                              {"refout", m.refout},
                              {"xorout", "0x" + ChecksumDigits(m.xorout, m.width)},
                              {"check", "0x" + ChecksumDigits(m.check, m.width)},
                              {"aliases", m.aliases}});
            continue;
        }
        out << "width=" << m.width << " poly=0x" << ChecksumDigits(m.poly, m.width) << " init=0x"
            << ChecksumDigits(m.init, m.width) << " refin=" << (m.refin ? "true" : "false")
            << " refout=" << (m.refout ? "true" : "false") << " xorout=0x" << ChecksumDigits(m.xorout, m.width)
            << " check=0x" << ChecksumDigits(m.check, m.width) << " name=\"" << m.name << '"';
        if (!m.aliases.empty()) out << " aliases: " << m.aliases;
        out << '\n';
    }
    nlohmann::json sums = nlohmann::json::array();
    for (const checksum::SumKind& kind : checksum::AllSums()) {
        if (options.json) {
            sums.push_back(checksum::SumName(kind));
        } else {
            out << checksum::SumName(kind) << '\n';
        }
    }
    if (options.json) {
        out << nlohmann::json{{"crc", models}, {"sums", sums}}.dump(2, ' ', false,
                                                                    nlohmann::json::error_handler_t::replace)
            << '\n';
    }
}

// The chosen checksums, or a message naming the first unknown one.
[[nodiscard]] std::optional<std::vector<NamedChecksum>> Choose(const ChecksumOptions& options, std::ostream& err) {
    std::vector<NamedChecksum> chosen;
    if (options.all) {
        for (const CrcModel& model : checksum::CrcModels()) chosen.emplace_back(&model);
        for (const checksum::SumKind& kind : checksum::AllSums()) chosen.emplace_back(kind);
        return chosen;
    }
    for (const std::string& given : options.algorithms) {
        std::istringstream names(given);
        for (std::string name; std::getline(names, name, ',');) {
            const std::optional<NamedChecksum> found = checksum::FindChecksum(name);
            if (!found) {
                err << "vesperine-cli: unknown checksum \"" << name
                    << "\": vesperine-cli checksum --list shows every CRC model and sum\n";
                return std::nullopt;
            }
            chosen.push_back(*found);
        }
    }
    if (chosen.empty()) {
        err << "vesperine-cli: choose checksums with --algo NAME (e.g. --algo CRC-16/XMODEM), --all, or see --list\n";
        return std::nullopt;
    }
    return chosen;
}

// Every chosen checksum of one dump, from one pass over its pieces as the file is read where
// the dump is a plain range of it (StreamDump): each CRC's register runs over the pieces, and
// the sums follow from the lane totals.
struct ChosenValues {
    std::vector<std::uint64_t> values;
    std::uint32_t start = 0;
    std::uint32_t size = 0;
    InputReading reading;
};

[[nodiscard]] std::optional<ChosenValues> ValuesOf(const std::vector<NamedChecksum>& chosen, const DumpOptions& options,
                                                   const std::string& path, FileSystem& files, std::ostream& err) {
    const std::optional<DumpRequest> request = ParseDumpRequest(options, files, err);
    if (!request) return std::nullopt;
    std::vector<checksum::CrcEngine> engines;
    std::vector<std::uint64_t> registers;
    for (const NamedChecksum& each : chosen) {
        if (const auto* model = std::get_if<const CrcModel*>(&each)) {
            engines.emplace_back(**model);
            registers.push_back(engines.back().Start());
        }
    }
    checksum::WideLaneTotals totals;
    const DumpPieces sink{.begin = {}, .take = [&](std::span<const std::uint8_t> piece, std::uint64_t at) {
                              for (std::size_t k = 0; k < engines.size(); ++k)
                                  registers[k] = engines[k].Update(registers[k], piece);
                              checksum::AddWideLanes(piece, at, totals);
                          }};
    const std::optional<StreamedDump> dump = StreamDump(*request, files, path, sink, err);
    if (!dump) return std::nullopt;
    ChosenValues result{{}, dump->start, dump->size, dump->reading};
    const checksum::LaneTotals lanes = checksum::StripeLanes(totals, 0, 1);
    std::size_t engine = 0;
    for (const NamedChecksum& each : chosen) {
        if (std::holds_alternative<const CrcModel*>(each)) {
            result.values.push_back(engines[engine].Finish(registers[engine]));
            ++engine;
        } else {
            result.values.push_back(checksum::SumOf(lanes, std::get<checksum::SumKind>(each)));
        }
    }
    return result;
}

}  // namespace

int RunChecksum(const ChecksumOptions& options, FileSystem& files, Streams streams) {
    if (options.list) {
        PrintCatalogue(options, streams.out);
        return kExitOk;
    }
    const std::optional<std::vector<NamedChecksum>> chosen = Choose(options, streams.err);
    if (!chosen) return kExitError;
    if (options.files.empty()) {
        streams.err << "vesperine-cli: give the files to checksum\n";
        return kExitError;
    }
    int status = kExitOk;
    nlohmann::json results = nlohmann::json::array();
    for (const std::string& path : options.files) {
        std::ostringstream why;
        const std::optional<ChosenValues> cut = ValuesOf(*chosen, options.dump, path, files, why);
        if (!cut) {
            RecordFileFailure(path, why.str(), streams.err, results);
            status = kExitError;
            continue;
        }
        streams.err << why.str();  // notes and warnings about a file that was read
        if (!options.json) WriteDecodedLine(streams.out, path, cut->reading);
        nlohmann::json values = nlohmann::json::object();
        for (std::size_t k = 0; k < chosen->size(); ++k) {
            const NamedChecksum& each = (*chosen)[k];
            const std::string name = checksum::NameOf(each);
            const std::string value = ChecksumDigits(cut->values[k], checksum::WidthOf(each));
            if (options.json) {
                values[name] = value;
            } else {
                streams.out << path << ": " << name << ' ' << value << '\n';
            }
        }
        if (options.json) {
            results.push_back({{"path", path},
                               {"start", cut->start},
                               {"size", cut->size},
                               {"checksums", values},
                               {"read", ReadingJson(cut->reading)}});
        }
    }
    if (options.json) {
        streams.out << nlohmann::json{{"files", results}}.dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
                    << '\n';
    }
    return status;
}

const Subcommand<ChecksumOptions> kChecksumCommand{
    .name = "checksum",
    .summary = "Any catalogue CRC or programmer sum by name",
    .cutsDump = true,
    .addOptions =
        [](CLI::App& command, ChecksumOptions& options) {
            command.add_option("FILE", options.files, "Files to checksum");  // none with --list
            command
                .add_option("--algo", options.algorithms,
                            "CRC model or sum by name or alias (repeat, or separate by commas)")
                ->type_name("NAME")
                ->allow_extra_args(false);  // "--algo X FILE": FILE is a file, not a second name
            command.add_flag("--all", options.all, "Every CRC model and sum");
            command.add_flag("--list", options.list,
                             "The catalogue: every CRC model's parameters and check value, every sum");
        },
    .footer =
        "Example:\n  vesperine-cli checksum bios.bin --algo CRC-16/XMODEM --algo crc-32c,SUM-16/WORD-BE/CPL\n"
        "  bios.bin: CRC-16/XMODEM 1A2B ...",
    .run = RunChecksum,
};

}  // namespace vesperine::cli
