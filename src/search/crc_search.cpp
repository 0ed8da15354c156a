// CrcSearch: "Go Attack!", the first window of the area whose CRC-32 is the target.
#include "app/format.h"
#include "app/hex_field.h"
#include "app/main_dialog.h"
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
    PullFromControls();
    if (fields_.areaEnd.empty()) return;
    const WaitCursor waitCursor(host_);
    ExtractedArea area;
    if (!ExtractArea(area)) return;
    const std::uint32_t target = ParseHexField(fields_.searchCrcText);
    const std::uint32_t size = ParseHexField(fields_.searchSizeText);
    const std::uint32_t step = ParseHexField(fields_.searchStepText);

    // The work may run on another thread: it reads only the new extract and the host's key
    // state; every field, log line and message box waits until it has returned.
    const auto extract = workspace_.HeldDump().first(area.length);
    SearchResult result;
    host_.RunLongTask("Brute Force(DetectCRC)", [&](const ProgressPoll& progress) {
        result = FindCrcWindow(extract, target, size, step, [&](std::uint64_t done, std::uint64_t total) {
            return progress(done, total) || BreakChordDown(host_);
        });
    });

    switch (result.outcome) {
        case SearchOutcome::Found: {
            // ADR is the area start plus the offset in the extract, whatever the stripe;
            // printed modulo 2^32 like every other address.
            const std::uint32_t address = area.start + result.offset;
            const std::string line =
                "DetectCRC:" + FormatHex8(target) + " ADR:" + FormatHex8(address) + " SIZE:" + FormatHex8(size);
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
