// The file commands: LoadBaseFile, LoadMaskFile, SaveDumpFile and SaveDetectedWindow.
#include <algorithm>

#include "app/format.h"
#include "app/main_dialog.h"

namespace vesperine {
namespace {

// The message for a load that read nothing usable; the previous file stays loaded.
const char* ReadFailureMessage(ReadStatus status) {
    switch (status) {
        case ReadStatus::CannotOpen: return "File not found.";
        case ReadStatus::TooLarge: return "File too large: 2 GiB or more cannot be loaded.";
        case ReadStatus::NoSize: return "File size unknown: only regular files can be loaded.";
        case ReadStatus::ShortRead: return "Read error.";
        case ReadStatus::OutOfMemory: return "Out of memory.";
        case ReadStatus::Ok: break;
    }
    return "";
}

}  // namespace

// Reads the file whole into buffer. The path field takes the path even when the load fails,
// as the next exchange decides what it shows; buffer and length change only on success, so a
// failed load leaves the previous file in use.
bool MainDialog::LoadFile(const std::string& path, std::string& pathField, Bytes& buffer, std::uint32_t& length) {
    pathField = path;
    ReadResult read = files_.ReadWholeFile(path);
    if (read.status != ReadStatus::Ok) {
        // "Out of memory." has no caption of its own; every other refusal names the file.
        const bool named = read.status != ReadStatus::OutOfMemory;
        host_.ShowMessage(ReadFailureMessage(read.status), named ? std::optional<std::string_view>(path) : std::nullopt,
                          MessageButtons::Ok);
        return false;
    }
    buffer = std::move(read.bytes);
    length = static_cast<std::uint32_t>(buffer.size());
    return true;
}

void MainDialog::LoadBaseFile() {
    if (const std::optional<std::string> path = host_.ChooseOpenFile()) LoadBaseFileFrom(*path);
}

void MainDialog::LoadBaseFileFrom(const std::string& path) {
    if (!LoadFile(path, fields_.basePath, workspace_.baseBuffer, workspace_.baseLength)) return;
    fields_.areaStart = "0";
    fields_.areaEnd = FormatHex8(workspace_.baseLength);
    PushToControls();
    ResetPaneScroll(ids::kBaseScrollBar, workspace_.baseLength);
    RenderBasePane();
}

void MainDialog::LoadMaskFile() {
    if (const std::optional<std::string> path = host_.ChooseOpenFile()) LoadMaskFileFrom(*path);
}

void MainDialog::LoadMaskFileFrom(const std::string& path) {
    if (!LoadFile(path, fields_.maskPath, workspace_.maskBuffer, workspace_.maskLength)) return;
    PushToControls();
}

bool MainDialog::SaveBytes(std::span<const std::uint8_t> bytes) {
    const std::optional<std::string> path = host_.ChooseSaveFile();
    if (!path) return false;
    if (files_.WriteWholeFile(*path, bytes) != WriteStatus::Ok) {
        host_.ShowMessage("Write error.", *path, MessageButtons::Ok);
        return false;
    }
    return true;
}

void MainDialog::SaveDumpFile() { SaveBytes(workspace_.Dump()); }

void MainDialog::SaveDetectedWindow(std::uint32_t offset, std::uint32_t size) {
    // The caller guarantees the window lies in the bytes held; a window that does not is
    // written as far as it does rather than read past the buffer.
    const std::span<const std::uint8_t> held(workspace_.dumpBuffer);
    const std::size_t first = std::min<std::size_t>(offset, held.size());
    SaveBytes(held.subspan(first, std::min<std::size_t>(size, held.size() - first)));
}

}  // namespace vesperine
