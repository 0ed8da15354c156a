// Reading and writing whole files for the subcommands, with the window's messages.
#include "cli/input_file.h"

#include <ostream>

namespace vesperine::cli {

const char* ReadFailureText(ReadStatus status) {
    switch (status) {
        case ReadStatus::CannotOpen: return "File not found.";
        case ReadStatus::TooLarge: return "File too large: 2 GiB or more cannot be loaded.";
        case ReadStatus::NoSize: return "File size unknown: only regular files can be loaded.";
        case ReadStatus::ShortRead: return "Read error.";
        case ReadStatus::OutOfMemory: return "Out of memory.";
        case ReadStatus::Broken: return "break.";
        case ReadStatus::Ok: break;
    }
    return "";
}

std::optional<ByteBuffer> LoadInputFile(FileSystem& files, const std::string& path, std::ostream& err) {
    ReadResult read = files.ReadWholeFile(path);
    if (read.status != ReadStatus::Ok) {
        err << "vesperine-cli: " << path << ": " << ReadFailureText(read.status) << '\n';
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
