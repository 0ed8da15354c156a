// Reading whole files for the subcommands, with the window's messages.
#include "cli/input_file.h"

#include <ostream>

namespace vesperine::cli {

std::string ReadFailureText(FileSystem& files, const std::string& path, ReadStatus status) {
    if (status == ReadStatus::CannotOpen && files.IsFolder(path)) return "is a folder, not a file";
    return ReadFailureMessage(status);
}

std::optional<ByteBuffer> LoadInputFile(FileSystem& files, const std::string& path, std::ostream& err) {
    ReadResult read = files.ReadWholeFile(path);
    if (read.status != ReadStatus::Ok) {
        err << "vesperine-cli: " << path << ": " << ReadFailureText(files, path, read.status) << '\n';
        return std::nullopt;
    }
    return std::move(read.bytes);
}

}  // namespace vesperine::cli
