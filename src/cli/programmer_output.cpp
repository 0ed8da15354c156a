// Reading extract's programmer-file options and writing Intel HEX and S-records for it.
#include "cli/programmer_output.h"

#include <new>

#include "base/format.h"
#include "cli/hex_arg.h"
#include "cli/input_file.h"
#include "cli/messages.h"
#include "formats/chip_size.h"
#include "formats/intel_hex.h"

namespace vesperine::cli {
namespace {

struct FormatChoice {
    const char* name;
    formats::FileFormat format;
    std::optional<formats::SRecordKind> kind;
};

constexpr FormatChoice kFormats[] = {
    {"binary", formats::FileFormat::Binary, std::nullopt},
    {"ihex", formats::FileFormat::IntelHex, std::nullopt},
    {"srec", formats::FileFormat::SRecord, std::nullopt},
    {"s19", formats::FileFormat::SRecord, formats::SRecordKind::S19},
    {"s28", formats::FileFormat::SRecord, formats::SRecordKind::S28},
    {"s37", formats::FileFormat::SRecord, formats::SRecordKind::S37},
};

constexpr const char* kKindNames[] = {"S19", "S28", "S37"};

[[nodiscard]] formats::SRecordKind KindFor(const ProgrammerOutput& output, std::span<const formats::Segment> segments) {
    return output.kind.value_or(formats::NarrowestSRecordKind(segments));
}

}  // namespace

std::optional<ProgrammerOutput> ParseProgrammerArgs(const ProgrammerArgs& args, const std::string& outputPath,
                                                    std::ostream& err) {
    ProgrammerOutput output;
    const FormatChoice* choice = nullptr;
    std::string format = args.format;
    if (format.empty()) {
        const std::optional<formats::FileFormat> named = FormatByExtension(outputPath);
        format = !named ? "binary" : *named == formats::FileFormat::IntelHex ? "ihex" : "srec";
    }
    for (const FormatChoice& c : kFormats) {
        if (format == c.name) choice = &c;
    }
    if (!choice) {
        err << "vesperine-cli: --format " << args.format << ": give binary, ihex, srec, s19, s28 or s37\n";
        return std::nullopt;
    }
    output.format = choice->format;
    output.kind = choice->kind;
    if (!args.address.empty()) {
        const std::optional<std::uint32_t> address = ParseHexArg(args.address);
        if (!address) {
            err << "vesperine-cli: --address " << args.address << ": give an address in hexadecimal\n";
            return std::nullopt;
        }
        output.address = *address;
    }
    if (!args.fill.empty()) {
        const std::optional<std::uint32_t> fill = ParseHexArg(args.fill);
        if (!fill || *fill > 0xFF) {
            err << "vesperine-cli: --fill " << args.fill << ": give one byte in hexadecimal, 00 to FF\n";
            return std::nullopt;
        }
        output.fill = static_cast<std::uint8_t>(*fill);
    }
    if (!args.chip.empty()) {
        output.chipSize = formats::ParseChipSize(args.chip);
        if (!output.chipSize) {
            err << "vesperine-cli: --chip " << args.chip
                << ": neither a part this tool knows (2716 to 27C322, such as 27C512 or 27C010) nor a size in "
                   "hexadecimal under 2 GiB\n";
            return std::nullopt;
        }
    }
    return output;
}

bool FitToChip(const ProgrammerOutput& output, std::vector<std::uint8_t>& bytes, std::ostream& err) {
    if (!output.chipSize) return true;
    const std::uint32_t chip = *output.chipSize;
    if (bytes.size() > chip) {
        err << "vesperine-cli: the image is " << FormatDumpSize(static_cast<std::uint32_t>(bytes.size()))
            << ", larger than the chip's " << FormatDumpSize(chip) << '\n';
        return false;
    }
    try {
        bytes.resize(chip, output.fill);
    } catch (const std::bad_alloc&) {
        err << "vesperine-cli: Out of memory.\n";
        return false;
    }
    return true;
}

std::optional<std::string> EncodeOutput(const ProgrammerOutput& output, std::span<const std::uint8_t> bytes,
                                        const std::string& path, std::ostream& err) {
    if (std::uint64_t{output.address} + bytes.size() > 0x100000000u) {
        err << "vesperine-cli: --address " << HexDigits(output.address, 8) << ": the image would pass 4 GiB\n";
        return std::nullopt;
    }
    const formats::Segment segment{output.address, bytes};
    const std::span<const formats::Segment> segments(&segment, 1);
    std::string text;
    try {
        if (output.format == formats::FileFormat::IntelHex) {
            text = formats::WriteIntelHex(segments);
        } else {
            const formats::SRecordKind kind = KindFor(output, segments);
            if (!formats::FitsSRecordKind(segments, kind)) {
                err << "vesperine-cli: the image's addresses do not fit " << kKindNames[static_cast<int>(kind)]
                    << "; give --format srec to choose the width by the last address\n";
                return std::nullopt;
            }
            text = formats::WriteSRecords(segments, kind);
        }
    } catch (const std::bad_alloc&) {
        FileProblem(err, path) << "Out of memory.\n";
        return std::nullopt;
    }
    const auto* const data = reinterpret_cast<const std::uint8_t*>(text.data());
    if (const std::optional<formats::FormatError> bad =
            formats::CheckWritten({data, text.size()}, output.format, segment)) {
        FileProblem(err, path) << "not written, the text made does not read back: " << formats::Describe(*bad) << '\n';
        return std::nullopt;
    }
    return text;
}

std::optional<ImageFile> EncodeImageByName(const std::string& path, std::span<const std::uint8_t> image,
                                           std::ostream& err, std::uint32_t address) {
    std::optional<ProgrammerOutput> output = ParseProgrammerArgs({}, path, err);
    if (!output) return std::nullopt;
    output->address = address;
    ImageFile file;
    if (output->format == formats::FileFormat::Binary) return file;
    std::optional<std::string> text = EncodeOutput(*output, image, path, err);
    if (!text) return std::nullopt;
    file.text = std::move(*text);
    file.formatName = OutputFormatName(*output, image);
    return file;
}

std::string OutputFormatName(const ProgrammerOutput& output, std::span<const std::uint8_t> bytes) {
    if (output.format == formats::FileFormat::Binary) return {};
    if (output.format == formats::FileFormat::IntelHex) return "Intel HEX";
    const formats::Segment segment{output.address, bytes};
    return kKindNames[static_cast<int>(KindFor(output, {&segment, 1}))];
}

}  // namespace vesperine::cli
