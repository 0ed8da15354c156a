// What a subcommand run in a test gives back: its exit status and what it wrote to each stream.
#pragma once

#include <string>
#include <string_view>

#include "files/file_system.h"
#include "support/test_bytes.h"

namespace vesperine::cli {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

using vesperine::testing::BytesOf;

}  // namespace vesperine::cli
