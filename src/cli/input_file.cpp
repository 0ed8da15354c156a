// Reading whole files for the subcommands, with the window's messages.
#include "cli/input_file.h"
#include "cli/messages.h"

#include <new>
#include <ostream>
#include <vector>

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

std::optional<StreamedInput> StreamInputFile(FileSystem& files, const std::string& path,
                                             const FileSystem::PieceSink& onPiece, std::ostream& err) {
    StreamedInput input;
    formats::FileFormat format = formats::FileFormat::Binary;
    std::vector<std::uint8_t> text;
    bool outOfMemory = false;
    const ReadStatus status = files.ReadPieces(path, [&](std::span<const std::uint8_t> piece) {
        if (input.length == 0) format = formats::DetectFormat(piece);
        input.length += piece.size();
        if (format == formats::FileFormat::Binary) {
            onPiece(piece);
            return;
        }
        if (outOfMemory) return;
        try {
            if (text.empty()) text.reserve(files.FileLength(path).value_or(piece.size()));
            text.insert(text.end(), piece.begin(), piece.end());
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
            std::vector<std::uint8_t>().swap(text);
        }
    });
    if (status != ReadStatus::Ok) {
        ReportReadFailure(files, path, status, err);
        return std::nullopt;
    }
    if (outOfMemory) {
        FileProblem(err, path) << "Out of memory.\n";
        return std::nullopt;
    }
    if (format != formats::FileFormat::Binary) {
        input.image = DecodeProgrammerInput(text, format, path, 0xFF, err);
        if (!input.image) return std::nullopt;
    }
    return input;
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
