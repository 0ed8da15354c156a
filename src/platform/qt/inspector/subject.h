// What the Inspector looks at: a named block of bytes, and the file it came from when it has one.
#pragma once

#include <QString>
#include <string>

#include "base/byte_buffer.h"

namespace vesperine::qt::inspector {

// The Inspector keeps its own copy of the bytes, so the dialog may change or drop its buffers
// while the Inspector still shows them (a copy of the dump costs the dump's length once more).
struct Subject {
    QString name;  // as the chooser lists it
    // The file it was read (or, for the dialog's dump, cut) from, in the platform's file-name
    // bytes; no save may replace it. Empty when there is none.
    std::string path;
    ByteBuffer bytes;
    bool dialogDump = false;  // a copy of the dialog's dump: the map can move the dialog's dump pane
};

}  // namespace vesperine::qt::inspector
