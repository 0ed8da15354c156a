// A MainDialog opened on the fake host and file system, with shortcuts for what users do.
#pragma once

#include <string>

#include "app/main_dialog.h"
#include "fake_file_system.h"
#include "fake_host.h"

namespace vesperine::testing {

// Bytes from readable literals: "10 20 11 21".
[[nodiscard]] Bytes HexBytes(const std::string& text);
// Space-separated upper-case hex of bytes, the inverse of HexBytes.
[[nodiscard]] std::string HexString(std::span<const std::uint8_t> bytes);

struct DialogHarness {
    FakeHost host;
    FakeFileSystem files;
    MainDialog dialog{host, files};

    DialogHarness() { dialog.OnInitDialog(); }

    // Loads bytes as the base (or mask) file through the open dialog.
    void LoadBase(const Bytes& bytes, const std::string& path = "/roms/base.bin");
    void LoadMask(const Bytes& bytes, const std::string& path = "/roms/mask.bin");
    // Types an area into the two edits, as hex texts.
    void TypeArea(const std::string& start, const std::string& end);
    void ChooseStripe(int mode);
    void ChooseMask(int mode);
    [[nodiscard]] std::string Text(int id) const { return host.ControlText(id); }
    [[nodiscard]] std::string HeldDump() const;  // the dump's first dumpLength bytes as hex
};

}  // namespace vesperine::testing
