// What the Inspector looks at: a named block of bytes, and the file it came from when it has one.
#pragma once

#include <string>

#include "base/shared_bytes.h"

namespace vesperine::inspector {

// The bytes are shared, never copied: the dialog's base and dump as they were when the
// Inspector was opened on them (the dialog copies its dump before changing it), or a file read
// whole. A task on the worker holds its own share, so dropping a subject never pulls bytes from
// under running work.
struct Subject {
    std::string name;  // UTF-8, as the chooser lists it
    // The file it was read (or, for the dialog's dump, cut) from, in the platform's file-name
    // bytes; no save may replace it. Empty when there is none.
    std::string path;
    SharedBytes bytes;
    bool dialogDump = false;  // the dialog's dump: the map can move the dialog's dump pane
};

}  // namespace vesperine::inspector
