// QuickExor, EndianConvert and SwapHalves: the dump changed in place.
#include <new>
#include <optional>
#include <span>
#include <string>

#include "analysis/transforms.h"
#include "app/hex_field.h"
#include "app/main_dialog.h"
#include "base/crc32.h"
#include "base/format.h"

namespace vesperine {

// A shared dump is copied before it changes; when that copy cannot be had, the command says so
// and changes nothing.
std::optional<std::span<std::uint8_t>> MainDialog::WritableDump() {
    try {
        return workspace_.ChangeDump();
    } catch (const std::bad_alloc&) {
        host_.ShowMessage("Out of memory.", std::nullopt, MessageButtons::Ok);
        return std::nullopt;
    }
}

// Each command is refused while a long task runs (it may be writing the dump). Each works on
// the dumpLength bytes only, and leaves the length, the size text and
// the dump bar's position as they were, so the pane redraws the same rows.

void MainDialog::QuickExor() {
    if (longTask_) return;
    PullFromControls();
    // Only the low byte counts: 1FF and FFFFFFFF act as FF, 100 as 0.
    const auto value = static_cast<std::uint8_t>(ParseHexField(fields_.quickXorText) & 0xFFu);
    const auto dump = WritableDump();
    if (!dump) return;
    XorEachByte(*dump, value);
    PushToControls();
    RenderDumpPane();
}

void MainDialog::EndianConvert() {
    if (longTask_) return;
    PullFromControls();
    const auto dump = WritableDump();
    if (!dump) return;
    if (fields_.endianMode == 0) SwapBytePairs(*dump);
    if (fields_.endianMode == 1) ReverseByteQuads(*dump);
    const std::uint32_t crc = Crc32(workspace_.Dump());
    fields_.dumpCrcText = HexDigits(crc, 8);
    // Widened so that whatever mode the radio group reports cannot overflow the product.
    const std::int64_t bits = (std::int64_t{fields_.endianMode} + 1) * 16;
    AppendLog(std::to_string(bits) + "Bit EndianConv CRC:" + HexDigits(crc, 8));
    PushToControls();
    RenderDumpPane();
}

void MainDialog::SwapHalves() {
    if (longTask_) return;
    // No pull: the command reads no control, and its pushes put every field back on screen.
    const auto dump = WritableDump();
    if (!dump) return;
    ExchangeHalves(*dump);
    const std::uint32_t crc = Crc32(workspace_.Dump());
    fields_.dumpCrcText = HexDigits(crc, 8);
    AppendLog("Swap 1stHalf & 2ndHalf CRC:" + HexDigits(crc, 8));
    PushToControls();
    RenderDumpPane();
}

}  // namespace vesperine
