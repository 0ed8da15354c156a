// libFuzzer target: split then merge through the commands, against a naive reading of the interleave.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/merge_command.h"
#include "cli/split_command.h"
#include "support/fake_file_system.h"

namespace {

using vesperine::Bytes;

void Require(bool holds) {
    if (!holds) __builtin_trap();
}

}  // namespace

// The first byte chooses the layout (ways 2 to 8, width 1, 2 or 4, --pad); the rest is the image.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint32_t ways = 2 + data[0] % 7;
    const std::uint32_t width = 1u << ((data[0] >> 3) % 3);
    const bool pad = (data[0] & 0x80) != 0;
    const Bytes image(data + 1, data + size);
    vesperine::testing::FakeFileSystem files;
    files.files["image"] = image;
    std::ostringstream out, err;
    const int split = vesperine::cli::RunSplit({"image", ways, width, "part{n}", pad, false}, files, {out, err});

    const std::size_t group = std::size_t{ways} * width;
    if (image.empty() || (image.size() % group != 0 && !pad)) {
        Require(split == vesperine::cli::kExitError && files.files.size() == 1);  // refused, nothing written
        return 0;
    }
    Require(split == vesperine::cli::kExitOk && files.files.size() == 1 + ways);
    // Unit u of the image (padded with FF to whole groups) is unit u / ways of part u % ways.
    const std::size_t partLength = (image.size() + group - 1) / group * width;
    std::vector<std::string> names;
    for (std::uint32_t p = 0; p < ways; ++p) {
        names.push_back("part" + std::to_string(p));
        const Bytes& part = files.files.at(names.back());
        Require(part.size() == partLength);
        for (std::size_t k = 0; k < partLength; ++k) {
            const std::size_t at = ((k / width) * ways + p) * width + k % width;
            Require(part[k] == (at < image.size() ? image[at] : 0xFF));
        }
    }
    const int merge = vesperine::cli::RunMerge({names, "merged", width, false}, files, {out, err});
    Require(merge == vesperine::cli::kExitOk);
    Bytes padded = image;
    padded.resize(partLength * ways, 0xFF);
    Require(files.files.at("merged") == padded);
    return 0;
}
