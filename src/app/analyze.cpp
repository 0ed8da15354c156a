// Extraction and Analyze: the target area into the working dump, with its size and CRC-32.
#include <algorithm>
#include <new>
#include <optional>

#include "analysis/extract.h"
#include "app/hex_field.h"
#include "app/main_dialog.h"
#include "base/crc32.h"
#include "base/format.h"

namespace vesperine {
namespace {

// The CRC-32 of bytes read in the pieces an extraction would write, each reported as hashed;
// nothing when the poll broke it off.
std::optional<std::uint32_t> HashInPieces(std::span<const std::uint8_t> bytes, const ProgressPoll& poll) {
    constexpr std::size_t kPiece = std::size_t{8} << 20;
    std::uint32_t running = 0;
    for (std::size_t from = 0; from < bytes.size();) {
        const std::size_t n = std::min(kPiece, bytes.size() - from);
        running = Crc32(bytes.subspan(from, n), running);
        from += n;
        if (poll({ProgressUnit::BytesHashed, from, bytes.size()})) return std::nullopt;
    }
    return running;
}

}  // namespace

bool MainDialog::BeginExtract(PendingExtract& pending, bool mayShareBase) {
    AreaRequest& area = pending.area;
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

    if (mayShareBase && IsWholeBase(area, workspace_.baseLength())) {
        workspace_.ShareBaseAsDump();
        pending.sharesBase = true;
        return true;
    }
    // Only Analyze records a new length; until it does (a search extracts too), the workspace
    // keeps the length in use within the bytes the new extract holds.
    try {
        pending.dump = workspace_.PrepareDump(DumpLengthOf(area));
    } catch (const std::bad_alloc&) {
        host_.ShowMessage("Out of memory.", std::nullopt, MessageButtons::Ok);
        return false;
    }
    return true;
}

void MainDialog::Analyze() {
    if (longTask_) return;
    PullFromControls();
    if (fields_.areaEnd.empty()) return;
    PendingExtract pending;
    if (!BeginExtract(pending, true)) return;
    // A dump that is the base itself needs no extraction: Analyze then costs one CRC pass.
    const std::span<const std::uint8_t> filled = pending.sharesBase ? workspace_.HeldDump() : pending.dump;
    const ExtractedArea area{pending.area.start, static_cast<std::uint32_t>(filled.size())};
    std::optional<std::uint32_t> crc;
    if (area.length < kLongTaskBytes) {
        if (!pending.sharesBase) ExtractInto(workspace_.Base(), workspace_.Mask(), pending.area, pending.dump);
        crc = Crc32(filled);
    } else {
        // The worker reads the base and mask and writes the new dump; nothing else until it ends.
        const std::span<const std::uint8_t> base = workspace_.Base();
        const std::span<const std::uint8_t> mask = workspace_.Mask();
        // Each piece is hashed as soon as it is extracted, while it is still in the cache: one
        // pass over the new dump's memory instead of two.
        const TaskEnd end = RunTask("Go Analyze!", [&](const ProgressPoll& poll) {
            if (pending.sharesBase) {
                crc = HashInPieces(filled, poll);
                return;
            }
            std::uint32_t running = 0;
            const bool whole =
                ExtractInPieces(base, mask, pending.area, pending.dump,
                                [&](std::span<const std::uint8_t> piece, std::uint64_t done, std::uint64_t total) {
                                    running = Crc32(piece, running);
                                    return poll({ProgressUnit::BytesHashed, done, total});
                                });
            if (whole) crc = running;
        });
        if (end != TaskEnd::Done) return;
        if (!crc) {
            // Broken off: like a refused extract, the dump holds new bytes that no length records.
            host_.ShowMessage("break.", std::nullopt, MessageButtons::Ok);
            return;
        }
    }
    fields_.dumpCrcText = HexDigits(*crc, 8);
    fields_.dumpSizeText = FormatDumpSize(area.length);
    PushToControls();
    workspace_.RecordDumpLength(area.length);
    AppendLog("[AN] Addr:" + HexDigits(area.start, 8) + " Size:" + HexDigits(area.length, 8) +
              " CRC:" + HexDigits(*crc, 8));
    ResetPaneScroll(ids::kDumpScrollBar, area.length);
    RenderDumpPane();
}

}  // namespace vesperine
