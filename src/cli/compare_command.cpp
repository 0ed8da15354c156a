// The compare subcommand: parsing its arguments, and the comparison of two dumps written out.
#include "cli/compare_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/input_file.h"
#include "cli/json_output.h"
#include "diagnosis/compare.h"

namespace vesperine::cli {

int RunCompare(const CompareOptions& options, FileSystem& files, Streams streams) {
    InputReading readingA;
    InputReading readingB;
    const std::optional<ByteBuffer> a = LoadInputFile(files, options.fileA, streams.err, options.input, &readingA);
    const std::optional<ByteBuffer> b = LoadInputFile(files, options.fileB, streams.err, options.input, &readingB);
    if (!a || !b) return kExitError;
    const std::span<const std::uint8_t> bytesA(a->data(), a->size());
    const std::span<const std::uint8_t> bytesB(b->data(), b->size());
    const diagnosis::Comparison result = diagnosis::CompareDumps(bytesA, bytesB);
    const std::vector<std::string> explanation = diagnosis::ExplainComparison(result);
    if (options.json) {
        nlohmann::json transforms = nlohmann::json::array();
        for (const diagnosis::KnownTransform& t : result.transforms) {
            transforms.push_back({{"name", t.name}, {"meaning", t.meaning}});
        }
        nlohmann::json json{{"a", options.fileA},
                            {"b", options.fileB},
                            {"sizeA", result.lengthA},
                            {"sizeB", result.lengthB},
                            {"compared", result.compared},
                            {"differing", result.differing},
                            {"equal", result.Equal()},
                            {"dataBits", result.bitCounts},
                            {"dataBitsOneInB", result.bitSetInB},
                            {"addressPattern", {{"mask", result.addressMask}, {"value", result.addressValue}}},
                            {"transforms", transforms},
                            {"explanation", explanation},
                            {"readA", ReadingJson(readingA)},
                            {"readB", ReadingJson(readingB)}};
        if (result.differing != 0) {
            json["first"] = result.first;
            json["last"] = result.last;
        }
        WriteJson(streams.out, json);
    } else {
        streams.out << options.fileA << " and " << options.fileB << ":\n";
        WriteDecodedLine(streams.out, "  " + options.fileA, readingA);
        WriteDecodedLine(streams.out, "  " + options.fileB, readingB);
        for (const std::string& line : explanation) streams.out << "  " << line << '\n';
    }
    return result.Equal() ? kExitOk : kExitNo;
}

const Subcommand<CompareOptions> kCompareCommand{
    .name = "compare",
    .summary = "How two dumps differ: where, in which data and address lines, and why",
    .addOptions =
        [](CLI::App& command, CompareOptions& options) {
            command.add_option("A", options.fileA, "The reference dump")->required();
            command.add_option("B", options.fileB, "The dump compared with it")->required();
        },
    .footer =
        "Exit status: 0 equal, 1 different, 2 an error.\n"
        "Example:\n  vesperine-cli compare good.bin read2.bin\n"
        "  good.bin and read2.bin:\n"
        "    57408 of 131072 bytes differ, from 0x007E0 to 0x1FFFF\n"
        "    differing bits by data line: D0 28308, D1 28058, D2 28588, D3 28124, D4 25303, ...\n"
        "    every difference lies where A5 = 1: one address line",
    .run = RunCompare,
};

}  // namespace vesperine::cli
