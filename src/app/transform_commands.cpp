// QuickExor, EndianConvert and SwapHalves: the dump changed in place.
#include <string>

#include "analysis/transforms.h"
#include "app/hex_field.h"
#include "app/main_dialog.h"
#include "base/crc32.h"
#include "base/format.h"

namespace vesperine {

// Each command is refused while a long task runs (it may be writing the dump). Each works on
// the dumpLength bytes only, and leaves the length, the size text and
// the dump bar's position as they were, so the pane redraws the same rows.

void MainDialog::QuickExor() {
    if (longTask_) return;
    PullFromControls();
    // Only the low byte counts: 1FF and FFFFFFFF act as FF, 100 as 0.
    const auto value = static_cast<std::uint8_t>(ParseHexField(fields_.quickXorText) & 0xFFu);
    XorEachByte(workspace_.ChangeDump(), value);
    PushToControls();
    RenderDumpPane();
}

void MainDialog::EndianConvert() {
    if (longTask_) return;
    PullFromControls();
    if (fields_.endianMode == 0) SwapBytePairs(workspace_.ChangeDump());
    if (fields_.endianMode == 1) ReverseByteQuads(workspace_.ChangeDump());
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
    ExchangeHalves(workspace_.ChangeDump());
    const std::uint32_t crc = Crc32(workspace_.Dump());
    fields_.dumpCrcText = HexDigits(crc, 8);
    AppendLog("Swap 1stHalf & 2ndHalf CRC:" + HexDigits(crc, 8));
    PushToControls();
    RenderDumpPane();
}

}  // namespace vesperine
