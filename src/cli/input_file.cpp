// Reading and writing whole files for the subcommands, with the window's messages.
#include "cli/input_file.h"

#include <ostream>

namespace vesperine::cli {

std::optional<ByteBuffer> LoadInputFile(FileSystem& files, const std::string& path, std::ostream& err,
                                        const ReadProgress& progress) {
    ReadResult read = progress ? files.ReadWholeFileInChunks(path, progress) : files.ReadWholeFile(path);
    if (read.status != ReadStatus::Ok) {
        err << "vesperine-cli: " << path << ": " << ReadFailureMessage(read.status) << '\n';
        return std::nullopt;
    }
    return std::move(read.bytes);
}

bool SaveOutputFile(FileSystem& files, const std::string& path, std::span<const std::uint8_t> bytes,
                    std::ostream& err) {
    if (files.WriteWholeFile(path, bytes) == WriteStatus::Ok) return true;
    err << "vesperine-cli: " << path << ": Write error.\n";
    return false;
}

}  // namespace vesperine::cli
