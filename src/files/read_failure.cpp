// The messages that tell why a file could not be read, shared by the window and the CLI.
#include "files/file_system.h"

namespace vesperine {

const char* ReadFailureMessage(ReadStatus status) {
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

}  // namespace vesperine
