// A MainDialog opened on the fake host and file system.
#include "dialog_harness.h"

#include <cstdio>
#include <sstream>

namespace vesperine::testing {

Bytes HexBytes(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    std::string word;
    while (in >> word) bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    return bytes;
}

std::string HexString(std::span<const std::uint8_t> bytes) {
    std::string text;
    char cell[4];
    for (const auto b : bytes) {
        std::snprintf(cell, sizeof cell, "%02X", b);
        if (!text.empty()) text += ' ';
        text += cell;
    }
    return text;
}

void DialogHarness::LoadBase(const Bytes& bytes, const std::string& path) {
    files.files[path] = bytes;
    host.openAnswers.push_back(path);
    dialog.LoadBaseFile();
}

void DialogHarness::LoadMask(const Bytes& bytes, const std::string& path) {
    files.files[path] = bytes;
    host.openAnswers.push_back(path);
    dialog.LoadMaskFile();
}

void DialogHarness::TypeArea(const std::string& start, const std::string& end) {
    host.Type(ids::kAreaStart, start);
    host.Type(ids::kAreaEnd, end);
}

void DialogHarness::ChooseStripe(int mode) { host.CheckRadio(ids::kStripeFull, ids::kStripeEven, mode); }

void DialogHarness::ChooseMask(int mode) { host.CheckRadio(ids::kMaskNothing, ids::kMaskReplace, mode); }

std::string DialogHarness::HeldDump() const { return HexString(dialog.workspace().Dump()); }

}  // namespace vesperine::testing
