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
        case ReadStatus::Broken: return "break.";
        case ReadStatus::Ok: break;
    }
    return "";
}

}  // namespace

// Reads the chosen file whole. The path field takes the chosen path even when the load fails,
// as the next exchange decides what it shows; the caller replaces the buffer only on success,
// so a failed load leaves the previous file in use.
std::optional<ByteBuffer> MainDialog::LoadFile(std::string& pathField) {
    const std::optional<std::string> path = host_.ChooseOpenFile();
    if (!path) return std::nullopt;
    pathField = *path;
    ReadResult read = files_.ReadWholeFile(*path);
    if (read.status != ReadStatus::Ok) {
        // "Out of memory." has no caption of its own; every other refusal names the file.
        const bool named = read.status != ReadStatus::OutOfMemory;
        host_.ShowMessage(ReadFailureMessage(read.status), named ? std::optional<std::string_view>(*path) : std::nullopt,
                          MessageButtons::Ok);
        return std::nullopt;
    }
    return std::move(read.bytes);
}

void MainDialog::LoadBaseFile() {
    std::optional<ByteBuffer> bytes = LoadFile(fields_.basePath);
    if (!bytes) return;
    workspace_.ReplaceBase(std::move(*bytes));
    fields_.areaStart = "0";
    fields_.areaEnd = FormatHex8(workspace_.baseLength());
    PushToControls();
    ResetPaneScroll(ids::kBaseScrollBar, workspace_.baseLength());
    RenderBasePane();
}

void MainDialog::LoadMaskFile() {
    std::optional<ByteBuffer> bytes = LoadFile(fields_.maskPath);
    if (!bytes) return;
    workspace_.ReplaceMask(std::move(*bytes));
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
    const std::span<const std::uint8_t> held = workspace_.HeldDump();
    const std::size_t first = std::min<std::size_t>(offset, held.size());
    SaveBytes(held.subspan(first, std::min<std::size_t>(size, held.size() - first)));
}

}  // namespace vesperine
