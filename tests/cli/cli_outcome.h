// What a subcommand run in a test gives back: its exit status and what it wrote to each stream.
#pragma once

#include <string>
#include <string_view>

#include "files/file_system.h"

namespace vesperine::cli {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// The bytes of a text, for files made in a fake file system.
inline Bytes BytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace vesperine::cli
