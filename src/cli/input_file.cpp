// Reading whole files for the subcommands, with the window's messages.
#include "cli/input_file.h"
#include "cli/messages.h"

#include <ostream>

namespace vesperine::cli {

std::optional<ByteBuffer> LoadInputFile(FileSystem& files, const std::string& path, std::ostream& err,
                                        std::uint8_t fill, const ReadProgress& progress) {
    ReadResult read = progress ? files.ReadWholeFileInChunks(path, progress) : files.ReadWholeFile(path);
    if (read.status != ReadStatus::Ok) {
        ReportReadFailure(files, path, read.status, err);
        return std::nullopt;
    }
    const formats::FileFormat format = formats::DetectFormat(read.bytes);
    if (format == formats::FileFormat::Binary) return std::move(read.bytes);
    return DecodeProgrammerInput(read.bytes, format, path, fill, err);
}

std::optional<ByteBuffer> DecodeProgrammerInput(std::span<const std::uint8_t> text, formats::FileFormat format,
                                                const std::string& path, std::uint8_t fill, std::ostream& err) {
    formats::DecodedFile decoded = formats::DecodeProgrammerFile(text, format, fill);
    if (decoded.error) {
        FileProblem(err, path) << formats::Describe(*decoded.error) << " (read as " << formats::FormatName(format)
                               << ")\n";
        return std::nullopt;
    }
    return std::move(decoded.image);
}

}  // namespace vesperine::cli
