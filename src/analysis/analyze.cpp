// ExtractArea and Analyze: the target area into the working dump, with its size and CRC-32.
#include <algorithm>
#include <new>

#include "analysis/crc32.h"
#include "analysis/extract.h"
#include "app/format.h"
#include "app/hex_field.h"
#include "app/main_dialog.h"

namespace vesperine {

bool MainDialog::ExtractArea(ExtractedArea& extracted) {
    AreaRequest area;
    area.start = ParseHexField(fields_.areaStart);
    area.end = ParseHexField(fields_.areaEnd);
    area.stripe = StripeModeOf(fields_.stripeMode);
    area.mask = MaskModeOf(fields_.maskMode);

    // Refusals come before the dump is touched, so the dump shown stays the dump held.
    switch (CheckArea(area, workspace_.baseLength(), workspace_.maskLength())) {
        case AreaCheck::OutsideBase:
            host_.ShowMessage("Target area is outside the base file.", std::nullopt, MessageButtons::Ok);
            return false;
        case AreaCheck::NoMask:
            host_.ShowMessage("MASK data is nothing.", std::nullopt, MessageButtons::Ok);
            return false;
        case AreaCheck::Ok: break;
    }

    const std::uint32_t length = DumpLengthOf(area);
    // Only Analyze records a new length; until it does (a search extracts too), the workspace
    // keeps the length in use within the bytes the new extract holds.
    std::span<std::uint8_t> dump;
    try {
        dump = workspace_.PrepareDump(length);
    } catch (const std::bad_alloc&) {
        host_.ShowMessage("Out of memory.", std::nullopt, MessageButtons::Ok);
        return false;
    }
    ExtractInto(workspace_.Base(), workspace_.Mask(), area, dump);
    extracted = {area.start, length};
    return true;
}

void MainDialog::Analyze() {
    PullFromControls();
    if (fields_.areaEnd.empty()) return;
    ExtractedArea area;
    if (!ExtractArea(area)) return;
    const std::uint32_t crc = Crc32(workspace_.HeldDump());
    fields_.dumpCrcText = FormatHex8(crc);
    fields_.dumpSizeText = FormatDumpSize(area.length);
    PushToControls();
    workspace_.RecordDumpLength(area.length);
    AppendLog("[AN] Addr:" + FormatHex8(area.start) + " Size:" + FormatHex8(area.length) + " CRC:" + FormatHex8(crc));
    ResetPaneScroll(ids::kDumpScrollBar, area.length);
    RenderDumpPane();
}

}  // namespace vesperine
