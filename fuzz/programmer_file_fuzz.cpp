// Programmer-file readers on any bytes: no crash, and every image read back writes to records
// that read as the same image, in both formats.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "formats/intel_hex.h"
#include "formats/programmer_file.h"
#include "formats/srecord.h"

namespace {

using namespace vesperine::formats;

// The end of the data a text reaches, without laying anything out.
class ReachSink : public RecordSink {
public:
    std::optional<FormatError> Data(std::uint64_t, std::uint32_t address,
                                    std::span<const std::uint8_t> bytes) override {
        end = std::max<std::uint64_t>(end, std::uint64_t{address} + bytes.size());
        return std::nullopt;
    }
    std::uint64_t end = 0;
};

constexpr std::uint64_t kLargestImage = std::uint64_t{1} << 20;  // keeps the fuzzer's memory small

void RoundTrip(std::span<const std::uint8_t> text, FileFormat format) {
    ReachSink reach;
    FileNotes notes;
    const auto read =
        format == FileFormat::IntelHex ? ReadIntelHex(text, reach, notes) : ReadSRecords(text, reach, notes);
    if (reach.end > kLargestImage) return;
    const DecodedFile file = DecodeProgrammerFile(text, format, 0xA5);
    if (read && !file.error) std::abort();  // a clash is the only refusal the reading alone cannot see
    if (file.error) return;
    // Laid out from its lowest address, the same image less the fill before it.
    const DecodedFile low = DecodeProgrammerFile(text, format, 0xA5, {0, true});
    if (low.error || low.base > file.image.size() ||
        !std::equal(low.image.begin(), low.image.end(), file.image.begin() + low.base, file.image.end())) {
        std::abort();
    }
    const Segment whole{0, {file.image.data(), file.image.size()}};
    for (const std::string& again :
         {WriteIntelHex({&whole, 1}, notes.start), WriteSRecords({&whole, 1}, SRecordKind::S37)}) {
        const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(again.data()), again.size());
        if (DetectFormat(bytes) == FileFormat::Binary) std::abort();
        const DecodedFile back = DecodeProgrammerFile(bytes, DetectFormat(bytes), 0x00);
        if (back.error || !std::equal(back.image.begin(), back.image.end(), file.image.begin(), file.image.end())) {
            std::abort();
        }
        if (CheckWritten(bytes, DetectFormat(bytes), whole)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> text(data, size);
    (void)DetectFormat(text);
    RoundTrip(text, FileFormat::IntelHex);
    RoundTrip(text, FileFormat::SRecord);
    return 0;
}
