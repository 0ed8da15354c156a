// Reading and writing Motorola S-records.
#include "formats/srecord.h"

#include <algorithm>

#include "formats/hex_text.h"

namespace vesperine::formats {
namespace {

using detail::Line;

[[nodiscard]] FormatError At(std::uint64_t line, std::string message) { return {line, std::move(message)}; }

// Address bytes of each type S0 to S9; 0 for the reserved S4.
constexpr int kAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

// Decodes one record after its "Sn" (count, address, data, checksum) and checks it.
[[nodiscard]] std::optional<FormatError> DecodeRecord(std::span<const std::uint8_t> text, const Line& line,
                                                      std::uint64_t number,
                                                      std::array<std::uint8_t, detail::kMaxRecordBytes>& record,
                                                      int& type) {
    if (line.end - line.begin < 2 || text[line.begin] != 'S' || text[line.begin + 1] < '0' ||
        text[line.begin + 1] > '9') {
        return At(number, "not an S-record (a record starts with 'S' and a type digit)");
    }
    type = text[line.begin + 1] - '0';
    if (kAddressBytes[type] == 0) return At(number, "S4 is a reserved record type");
    std::size_t badAt = 0;
    const int count = detail::DecodePairs(text, line.begin + 2, line.end, record, badAt);
    if (count < 0) return At(number, detail::DigitsProblem(text, line, line.begin + 2, badAt));
    if (count < 2 + kAddressBytes[type]) return At(number, "the record is too short for its address and checksum");
    if (count != record[0] + 1) {
        return At(number, "the count byte says " + std::to_string(record[0]) + " bytes follow, the record holds " +
                              std::to_string(count - 1));
    }
    std::uint8_t sum = 0;
    for (int i = 0; i < count - 1; ++i) sum = static_cast<std::uint8_t>(sum + record[i]);
    const auto need = static_cast<std::uint8_t>(~sum);
    if (record[count - 1] != need) {
        std::string message = "bad checksum: the record holds ";
        AppendHexByte(message, record[count - 1]);
        message += ", its bytes need ";
        AppendHexByte(message, need);
        return At(number, std::move(message));
    }
    return std::nullopt;
}

[[nodiscard]] std::uint32_t BigEndian(std::span<const std::uint8_t> bytes) {
    std::uint32_t value = 0;
    for (const std::uint8_t b : bytes) value = (value << 8) | b;
    return value;
}

// What the records so far have said.
struct ReadState {
    std::uint64_t dataRecords = 0;
    std::uint64_t endLine = 0;
    bool counted = false;
};

[[nodiscard]] std::optional<FormatError> TakeRecord(int type, std::span<const std::uint8_t> record,
                                                    std::uint64_t number, ReadState& state, RecordSink& sink,
                                                    FileNotes& notes) {
    const auto width = static_cast<std::size_t>(kAddressBytes[type]);
    const std::uint32_t address = BigEndian(record.subspan(1, width));
    const std::span<const std::uint8_t> data = record.subspan(1 + width, record.size() - 2 - width);
    switch (type) {
        case 0: notes.header.assign(data.begin(), data.end()); return std::nullopt;
        case 1:
        case 2:
        case 3:
            ++state.dataRecords;
            if (std::uint64_t{address} + data.size() > 0x100000000u) {
                return At(number, "the record's addresses pass 4 GiB");
            }
            return sink.Data(number, address, data);
        case 5:
        case 6: {
            const std::uint64_t modulus = std::uint64_t{1} << (8 * width);
            state.counted = true;
            if (address == state.dataRecords % modulus) return std::nullopt;
            return At(number, "the count record says " + std::to_string(address) + " data records, the file has " +
                                  std::to_string(state.dataRecords) + " before it");
        }
        default:
            notes.start = address;
            state.endLine = number;
            return std::nullopt;
    }
}

}  // namespace

std::optional<FormatError> ReadSRecords(std::span<const std::uint8_t> text, RecordSink& sink, FileNotes& notes) {
    std::array<std::uint8_t, detail::kMaxRecordBytes> record{};
    ReadState state;
    std::uint64_t number = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Line line = detail::NextLine(text, at);
        at = line.next;
        ++number;
        if (line.begin == line.end) continue;
        if (state.endLine != 0) {
            return At(number, "a record after the termination record of line " + std::to_string(state.endLine));
        }
        int type = 0;
        if (std::optional<FormatError> bad = DecodeRecord(text, line, number, record, type)) return bad;
        const std::span<const std::uint8_t> bytes(record.data(), record[0] + 1u);
        if (std::optional<FormatError> bad = TakeRecord(type, bytes, number, state, sink, notes)) return bad;
    }
    notes.unterminated = state.endLine == 0 && !state.counted;
    return std::nullopt;
}

bool IsSRecord(std::span<const std::uint8_t> text, std::size_t begin, std::size_t end) {
    std::array<std::uint8_t, detail::kMaxRecordBytes> record{};
    int type = 0;
    return !DecodeRecord(text, Line{begin, end, end}, 1, record, type).has_value();
}

namespace {

[[nodiscard]] std::uint64_t LastAddress(std::span<const Segment> segments) {
    std::uint64_t last = 0;
    for (const Segment& s : segments) {
        if (!s.bytes.empty()) last = std::max<std::uint64_t>(last, s.address + s.bytes.size() - 1);
    }
    return last;
}

constexpr std::uint64_t kKindLimit[] = {0xFFFF, 0xFFFFFF, 0xFFFFFFFF};

void AppendRecord(std::string& out, int type, std::uint32_t address, std::span<const std::uint8_t> data) {
    const int width = kAddressBytes[type];
    const auto count = static_cast<std::uint8_t>(width + data.size() + 1);
    auto sum = count;
    out.push_back('S');
    out.push_back(static_cast<char>('0' + type));
    AppendHexByte(out, count);
    for (int i = width - 1; i >= 0; --i) {
        const auto b = static_cast<std::uint8_t>(address >> (8 * i));
        AppendHexByte(out, b);
        sum = static_cast<std::uint8_t>(sum + b);
    }
    for (const std::uint8_t b : data) {
        AppendHexByte(out, b);
        sum = static_cast<std::uint8_t>(sum + b);
    }
    AppendHexByte(out, static_cast<std::uint8_t>(~sum));
    out.push_back('\n');
}

}  // namespace

SRecordKind NarrowestSRecordKind(std::span<const Segment> segments) {
    const std::uint64_t last = LastAddress(segments);
    return last <= kKindLimit[0] ? SRecordKind::S19 : last <= kKindLimit[1] ? SRecordKind::S28 : SRecordKind::S37;
}

bool FitsSRecordKind(std::span<const Segment> segments, SRecordKind kind) {
    return LastAddress(segments) <= kKindLimit[static_cast<int>(kind)];
}

std::string WriteSRecords(std::span<const Segment> segments, SRecordKind kind, std::optional<std::uint32_t> start,
                          std::string_view header, int recordBytes) {
    const int dataType = 1 + static_cast<int>(kind);  // S1, S2, S3
    const int endType = 9 - static_cast<int>(kind);   // S9, S8, S7
    const auto perRecord = static_cast<std::size_t>(std::clamp(recordBytes, 1, 250));
    std::size_t total = 0;
    for (const Segment& s : segments) total += s.bytes.size();
    std::string out;
    out.reserve(total / perRecord * 16 + total * 2 + 2 * header.size() + 64);
    const std::string_view shown = header.substr(0, 250);
    AppendRecord(out, 0, 0, std::span(reinterpret_cast<const std::uint8_t*>(shown.data()), shown.size()));
    std::uint64_t records = 0;
    for (const Segment& segment : segments) {
        for (std::size_t done = 0; done < segment.bytes.size(); ++records) {
            const std::size_t n = std::min(perRecord, segment.bytes.size() - done);
            AppendRecord(out, dataType, segment.address + static_cast<std::uint32_t>(done),
                         segment.bytes.subspan(done, n));
            done += n;
        }
    }
    if (records <= 0xFFFF) {
        AppendRecord(out, 5, static_cast<std::uint32_t>(records), {});
    } else if (records <= 0xFFFFFF) {
        AppendRecord(out, 6, static_cast<std::uint32_t>(records), {});
    }
    AppendRecord(out, endType, start.value_or(0), {});
    return out;
}

}  // namespace vesperine::formats
