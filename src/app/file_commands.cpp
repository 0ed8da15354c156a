// The file commands: LoadBaseFile, LoadMaskFile, SaveDumpFile and SaveDetectedWindow.
#include <algorithm>

#include "app/main_dialog.h"
#include "base/format.h"
#include "files/output_set.h"

namespace vesperine {

// Reads the file whole. The path field takes the path even when the load fails, as the next
// exchange decides what it shows; the caller replaces the buffer only on success, so a failed
// load leaves the previous file in use.
//
// A file of kLongTaskBytes or more is read on the host's worker behind its progress display,
// into a buffer of its own: the file in use stays untouched until the read has ended.
std::optional<ByteBuffer> MainDialog::LoadFile(const std::string& path, std::string& pathField,
                                               std::string_view title) {
    pathField = path;
    ReadResult read;
    const std::optional<std::uint64_t> length = files_.FileLength(path);
    if (!length || *length < kLongTaskBytes) {
        read = files_.ReadWholeFile(path);
    } else {
        const TaskEnd end = RunTask(title, [&](const ProgressPoll& poll) {
            read = files_.ReadWholeFileInChunks(path, [&poll](std::uint64_t done, std::uint64_t total) {
                return poll({ProgressUnit::BytesRead, done, total});
            });
        });
        if (end != TaskEnd::Done) return std::nullopt;
    }
    if (read.status != ReadStatus::Ok) {
        // "Out of memory." has no caption of its own; every other refusal names the file.
        const bool named = read.status != ReadStatus::OutOfMemory;
        host_.ShowMessage(ReadFailureMessage(read.status), named ? std::optional<std::string_view>(path) : std::nullopt,
                          MessageButtons::Ok);
        return std::nullopt;
    }
    return std::move(read.bytes);
}

// The loads, the saves and Analyze are refused while a long task runs: they would replace a
// buffer the task reads, or read one it writes.

void MainDialog::LoadBaseFile() {
    if (longTask_) return;
    if (const std::optional<std::string> path = host_.ChooseOpenFile()) LoadBaseFileFrom(*path);
}

void MainDialog::LoadBaseFileFrom(const std::string& path) {
    if (longTask_) return;
    std::optional<ByteBuffer> bytes = LoadFile(path, fields_.basePath, "Load BaseFile");
    if (!bytes) return;
    workspace_.ReplaceBase(std::move(*bytes));
    fields_.areaStart = "0";
    fields_.areaEnd = HexDigits(workspace_.baseLength(), 8);
    PushToControls();
    ResetPaneScroll(ids::kBaseScrollBar, workspace_.baseLength());
    RenderBasePane();
}

void MainDialog::LoadMaskFile() {
    if (longTask_) return;
    if (const std::optional<std::string> path = host_.ChooseOpenFile()) LoadMaskFileFrom(*path);
}

void MainDialog::LoadMaskFileFrom(const std::string& path) {
    if (longTask_) return;
    std::optional<ByteBuffer> bytes = LoadFile(path, fields_.maskPath, "Load MaskFile");
    if (!bytes) return;
    workspace_.ReplaceMask(std::move(*bytes));
    PushToControls();
}

bool MainDialog::SaveBytes(const std::function<std::span<const std::uint8_t>()>& bytes) {
    const std::optional<std::string> path = host_.ChooseSaveFile();
    if (!path) return false;
    // The dialog ran a nested event loop; the bytes are taken now, as they stand after it.
    const WriteStatus status = files_.WriteWholeFile(*path, bytes());
    if (status == WriteStatus::Ok) return true;
    std::string text = "Write error.";
    if (status == WriteStatus::Busy) text = BusyTemporaryMessage(files_.TemporaryOf(*path)) + '.';
    if (status == WriteStatus::NoReader) text = "No process is reading this FIFO.";
    host_.ShowMessage(text, *path, MessageButtons::Ok);
    return false;
}

void MainDialog::SaveDumpFile() {
    if (longTask_) return;
    SaveBytes([this] { return workspace_.Dump(); });
}

void MainDialog::SaveDetectedWindow(std::uint32_t offset, std::uint32_t size) {
    // The caller guarantees the window lies in the bytes held; a window that does not is
    // written as far as it does rather than read past the buffer.
    SaveBytes([this, offset, size] {
        const std::span<const std::uint8_t> held = workspace_.HeldDump();
        const std::size_t first = std::min<std::size_t>(offset, held.size());
        return held.subspan(first, std::min<std::size_t>(size, held.size() - first));
    });
}

}  // namespace vesperine
