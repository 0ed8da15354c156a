// Reading and writing Intel HEX records.
#include "formats/intel_hex.h"

#include <algorithm>

#include "formats/hex_text.h"

namespace vesperine::formats {
namespace {

using detail::Line;

enum RecordType : std::uint8_t { kData = 0, kEnd = 1, kSegment = 2, kStartSegment = 3, kLinear = 4, kStartLinear = 5 };

// Where data records land: the base of the last address record, and whether offsets wrap
// within a 64 KiB segment (type 02) or run on to 4 GiB (type 04, and no record at all).
struct AddressState {
    std::uint32_t base = 0;
    bool segmented = false;
};

[[nodiscard]] FormatError At(std::uint64_t line, std::string message) { return {line, std::move(message)}; }

// Decodes one record's bytes (length, address, type, data, checksum) and checks them; the
// count of bytes, or an error.
[[nodiscard]] std::optional<FormatError> DecodeRecord(std::span<const std::uint8_t> text, const Line& line,
                                                      std::uint64_t number,
                                                      std::array<std::uint8_t, detail::kMaxRecordBytes>& record) {
    if (text[line.begin] != ':') return At(number, "not an Intel HEX record (a record starts with ':')");
    std::size_t badAt = 0;
    const int count = detail::DecodePairs(text, line.begin + 1, line.end, record, badAt);
    if (count < 0) return At(number, detail::DigitsProblem(text, line, line.begin + 1, badAt));
    if (count < 5) return At(number, "the record is too short to hold a length, an address, a type and a checksum");
    if (count != record[0] + 5) {
        return At(number, "the length field says " + std::to_string(record[0]) + " data bytes, the record holds " +
                              std::to_string(count - 5));
    }
    std::uint8_t sum = 0;
    for (int i = 0; i < count; ++i) sum = static_cast<std::uint8_t>(sum + record[i]);
    if (sum != 0) {
        const std::uint8_t stored = record[count - 1];
        std::string message = "bad checksum: the record holds ";
        AppendHexByte(message, stored);
        message += ", its bytes need ";
        AppendHexByte(message, static_cast<std::uint8_t>(stored - sum));
        return At(number, std::move(message));
    }
    return std::nullopt;
}

// Hands a data record over, split where its offsets wrap (at the segment's 64 KiB, or at 4 GiB).
[[nodiscard]] std::optional<FormatError> TakeData(const AddressState& state, std::uint64_t number, std::uint16_t offset,
                                                  std::span<const std::uint8_t> data, RecordSink& sink) {
    const std::uint32_t first = state.segmented ? 0x10000u - offset : 0u - (state.base + offset);
    // first == 0 means "no wrap below 4 GiB" for linear addresses (unsigned wrap on purpose).
    const std::size_t head = (first == 0 || first >= data.size()) ? data.size() : first;
    if (std::optional<FormatError> refused = sink.Data(number, state.base + offset, data.first(head))) return refused;
    if (head == data.size()) return std::nullopt;
    return sink.Data(number, state.segmented ? state.base : 0u, data.subspan(head));
}

[[nodiscard]] std::uint32_t BigEndian(std::span<const std::uint8_t> bytes) {
    std::uint32_t value = 0;
    for (const std::uint8_t b : bytes) value = (value << 8) | b;
    return value;
}

// Acts on one checked record; sets ended at the end record.
[[nodiscard]] std::optional<FormatError> TakeRecord(std::span<const std::uint8_t> record, std::uint64_t number,
                                                    AddressState& state, RecordSink& sink, FileNotes& notes,
                                                    bool& ended) {
    const std::size_t length = record[0];
    const auto offset = static_cast<std::uint16_t>((record[1] << 8) | record[2]);
    const std::span<const std::uint8_t> data = record.subspan(4, length);
    const auto needs = [&](std::size_t bytes, const char* what) -> std::optional<FormatError> {
        if (length == bytes) return std::nullopt;
        return At(number,
                  std::string(what) + " needs " + std::to_string(bytes) + " data bytes, not " + std::to_string(length));
    };
    switch (record[3]) {
        case kData: return TakeData(state, number, offset, data, sink);
        case kEnd: ended = true; return needs(0, "an end record (type 01)");
        case kSegment:
            state = {BigEndian(data) << 4, true};
            return needs(2, "an extended segment address record (type 02)");
        case kLinear:
            state = {BigEndian(data) << 16, false};
            return needs(2, "an extended linear address record (type 04)");
        case kStartSegment:
            if (auto bad = needs(4, "a start segment address record (type 03)")) return bad;
            notes.start = (BigEndian(data.first(2)) << 4) + BigEndian(data.subspan(2));
            return std::nullopt;
        case kStartLinear:
            if (auto bad = needs(4, "a start linear address record (type 05)")) return bad;
            notes.start = BigEndian(data);
            return std::nullopt;
        default: {
            std::string message = "unknown record type ";
            AppendHexByte(message, record[3]);
            return At(number, std::move(message));
        }
    }
}

}  // namespace

std::optional<FormatError> ReadIntelHex(std::span<const std::uint8_t> text, RecordSink& sink, FileNotes& notes) {
    std::array<std::uint8_t, detail::kMaxRecordBytes> record{};
    AddressState state;
    std::uint64_t number = 0;
    std::uint64_t endLine = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Line line = detail::NextLine(text, at);
        at = line.next;
        ++number;
        if (line.begin == line.end) continue;
        if (endLine != 0) return At(number, "a record after the end record of line " + std::to_string(endLine));
        if (std::optional<FormatError> bad = DecodeRecord(text, line, number, record)) return bad;
        bool ended = false;
        const std::span<const std::uint8_t> bytes(record.data(), record[0] + 5u);
        if (std::optional<FormatError> bad = TakeRecord(bytes, number, state, sink, notes, ended)) return bad;
        if (ended) endLine = number;
    }
    if (endLine == 0) return FormatError{0, "no end record (:00000001FF): the file may be cut short"};
    return std::nullopt;
}

bool IsIntelHexRecord(std::span<const std::uint8_t> text, std::size_t begin, std::size_t end) {
    std::array<std::uint8_t, detail::kMaxRecordBytes> record{};
    return !DecodeRecord(text, Line{begin, end, end}, 1, record).has_value();
}

namespace {

void AppendRecord(std::string& out, std::uint8_t type, std::uint16_t offset, std::span<const std::uint8_t> data) {
    const auto length = static_cast<std::uint8_t>(data.size());
    auto sum = static_cast<std::uint8_t>(length + (offset >> 8) + (offset & 0xFF) + type);
    out.push_back(':');
    AppendHexByte(out, length);
    AppendHexByte(out, static_cast<std::uint8_t>(offset >> 8));
    AppendHexByte(out, static_cast<std::uint8_t>(offset));
    AppendHexByte(out, type);
    for (const std::uint8_t b : data) {
        AppendHexByte(out, b);
        sum = static_cast<std::uint8_t>(sum + b);
    }
    AppendHexByte(out, static_cast<std::uint8_t>(-sum));
    out.push_back('\n');
}

void AppendBigEndian(std::uint8_t* out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i, value >>= 8) out[i] = static_cast<std::uint8_t>(value);
}

}  // namespace

std::string WriteIntelHex(std::span<const Segment> segments, std::optional<std::uint32_t> start, int recordBytes) {
    const auto perRecord = static_cast<std::size_t>(std::clamp(recordBytes, 1, 255));
    std::size_t total = 0;
    for (const Segment& s : segments) total += s.bytes.size();
    std::string out;
    out.reserve(total / perRecord * 12 + total * 2 + 64 + total / 0x10000 * 16);
    std::uint32_t upper = 0;  // the upper 16 bits the reader assumes until a linear record
    for (const Segment& segment : segments) {
        for (std::size_t done = 0; done < segment.bytes.size();) {
            const std::uint32_t address = segment.address + static_cast<std::uint32_t>(done);
            if ((address >> 16) != upper) {
                upper = address >> 16;
                std::uint8_t high[2];
                AppendBigEndian(high, upper, 2);
                AppendRecord(out, kLinear, 0, high);
            }
            const std::size_t room = 0x10000u - (address & 0xFFFFu);
            const std::size_t n = std::min({perRecord, room, segment.bytes.size() - done});
            AppendRecord(out, kData, static_cast<std::uint16_t>(address), segment.bytes.subspan(done, n));
            done += n;
        }
    }
    if (start) {
        std::uint8_t where[4];
        AppendBigEndian(where, *start, 4);
        AppendRecord(out, kStartLinear, 0, where);
    }
    AppendRecord(out, kEnd, 0, {});
    return out;
}

}  // namespace vesperine::formats
