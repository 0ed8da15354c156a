// CrcSearch: "Go Attack!", the first window of the area whose CRC-32 is the target.
#include "app/hex_field.h"
#include "app/main_dialog.h"
#include "base/format.h"
#include "search/window_search.h"

namespace vesperine {
namespace {

// Shift+Backspace. Backspace is asked only while Shift is down, so a key's "pressed since the
// last query" state is not spent on a half chord.
[[nodiscard]] bool BreakChordDown(Host& host) {
    return host.IsKeyDown(PolledKey::Shift) && host.IsKeyDown(PolledKey::Backspace);
}

}  // namespace

void MainDialog::CrcSearch() {
    if (longTask_) return;
    PullFromControls();
    if (fields_.areaEnd.empty()) return;
    const WaitCursor waitCursor(host_);
    PendingExtract pending;
    if (!BeginExtract(pending)) return;
    const ExtractedArea area{pending.area.start, static_cast<std::uint32_t>(pending.dump.size())};
    const std::uint32_t target = ParseHexField(fields_.searchCrcText);
    const std::uint32_t size = ParseHexField(fields_.searchSizeText);
    const std::uint32_t step = ParseHexField(fields_.searchStepText);

    // The work runs on another thread: it reads the base and mask, writes the new extract,
    // searches it and asks the host's key state; every field, log line and message box
    // waits until it has returned. The extraction is part of the work, so the progress
    // display comes as soon for a large area as for a small one.
    const std::span<const std::uint8_t> base = workspace_.Base();
    const std::span<const std::uint8_t> mask = workspace_.Mask();
    SearchResult result;
    const TaskEnd end = RunTask("Brute Force(DetectCRC)", [&](const ProgressPoll& progress) {
        const bool extracted =
            ExtractInPieces(base, mask, pending.area, pending.dump,
                            [&](std::span<const std::uint8_t>, std::uint64_t done, std::uint64_t total) {
                                return progress({ProgressUnit::BytesExtracted, done, total});
                            });
        if (!extracted) {
            result.outcome = SearchOutcome::Broken;
            return;
        }
        result = FindCrcWindow(pending.dump, target, size, step, [&](std::uint64_t done, std::uint64_t total) {
            return progress({ProgressUnit::Windows, done, total}) || BreakChordDown(host_);
        });
    });
    if (end != TaskEnd::Done) return;

    switch (result.outcome) {
        case SearchOutcome::Found: {
            // ADR is the area start plus the offset in the extract, whatever the stripe;
            // printed modulo 2^32 like every other address.
            const std::uint32_t address = area.start + result.offset;
            const std::string line =
                "DetectCRC:" + HexDigits(target, 8) + " ADR:" + HexDigits(address, 8) + " SIZE:" + HexDigits(size, 8);
            AppendLog(line);
            if (host_.ShowMessage(line + "\r\nDo you want to save?", "Detect!", MessageButtons::YesNo) !=
                MessageAnswer::No) {
                SaveDetectedWindow(result.offset, size);
            }
            break;
        }
        case SearchOutcome::NotFound: host_.ShowMessage("CRC not found.", std::nullopt, MessageButtons::Ok); break;
        case SearchOutcome::Broken: host_.ShowMessage("break.", std::nullopt, MessageButtons::Ok); break;
    }
}

}  // namespace vesperine
