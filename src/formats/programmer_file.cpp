// Detecting programmer files and laying their records out as a flat image from a base.
#include "formats/programmer_file.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "base/format.h"
#include "formats/hex_text.h"
#include "formats/intel_hex.h"
#include "formats/srecord.h"

namespace vesperine::formats {
namespace {

constexpr std::size_t kDetectBytes = 4096;

// A stretch of consecutive addresses given by consecutive records, its bytes at data[offset].
struct Run {
    std::uint32_t address = 0;
    std::uint32_t length = 0;
    std::size_t offset = 0;
};

// Gathers the records' bytes in file order, joining records that continue the one before into
// one run, so that a file written in address order costs one run and no allocation a line. Each
// data byte takes two digits of text, so the bytes of any file fit the block taken at the start:
// half the text, never touched beyond what the records give (a ByteBuffer is not zero-filled).
class RunCollector : public RecordSink {
public:
    explicit RunCollector(std::size_t textSize) : data(textSize / 2) {}
    std::optional<FormatError> Data(std::uint64_t line, std::uint32_t address,
                                    std::span<const std::uint8_t> bytes) override {
        (void)line;
        if (bytes.empty()) return std::nullopt;
        if (runs.empty() || runs.back().address + std::uint64_t{runs.back().length} != address) {
            runs.push_back({address, 0, size});
        }
        runs.back().length += static_cast<std::uint32_t>(bytes.size());
        if (bytes.size() > data.size() - size) return FormatError{0, "more data bytes than the text can hold"};
        std::memcpy(data.data() + size, bytes.data(), bytes.size());
        size += bytes.size();
        return std::nullopt;
    }
    ByteBuffer data;
    std::size_t size = 0;  // of data, written
    std::vector<Run> runs;
};

// Finds, on a second reading after a clash was seen at address, the first record that gives
// it and the first later record that gives it another byte.
class ClashFinder : public RecordSink {
public:
    explicit ClashFinder(std::uint32_t address) : address_(address) {}
    std::optional<FormatError> Data(std::uint64_t line, std::uint32_t address,
                                    std::span<const std::uint8_t> bytes) override {
        if (clashLine != 0 || address_ < address || address_ - address >= bytes.size()) return std::nullopt;
        const std::uint8_t byte = bytes[address_ - address];
        if (firstLine == 0) {
            firstLine = line;
            firstByte = byte;
        } else if (byte != firstByte) {
            clashLine = line;
            clashByte = byte;
        }
        return std::nullopt;
    }
    std::uint64_t firstLine = 0;
    std::uint8_t firstByte = 0;
    std::uint64_t clashLine = 0;
    std::uint8_t clashByte = 0;

private:
    std::uint32_t address_;
};

// Compares the records, in order, with one expected segment.
class SegmentMatcher : public RecordSink {
public:
    explicit SegmentMatcher(const Segment& expected) : expected_(expected) {}
    std::optional<FormatError> Data(std::uint64_t line, std::uint32_t address,
                                    std::span<const std::uint8_t> bytes) override {
        const std::span<const std::uint8_t> rest = expected_.bytes.subspan(matched);
        if (address != expected_.address + matched || bytes.size() > rest.size() ||
            !std::equal(bytes.begin(), bytes.end(), rest.begin())) {
            return FormatError{line, "the record written differs from the bytes it should hold"};
        }
        matched += bytes.size();
        return std::nullopt;
    }
    std::size_t matched = 0;

private:
    Segment expected_;
};

[[nodiscard]] std::optional<FormatError> ReadRecords(std::span<const std::uint8_t> text, FileFormat format,
                                                     RecordSink& sink, FileNotes& notes) {
    return format == FileFormat::IntelHex ? ReadIntelHex(text, sink, notes) : ReadSRecords(text, sink, notes);
}

[[nodiscard]] FormatError ClashError(std::span<const std::uint8_t> text, FileFormat format, std::uint32_t address) {
    ClashFinder finder(address);
    FileNotes ignored;
    (void)ReadRecords(text, format, finder, ignored);
    std::string message = "address 0x";
    for (int shift = 28; shift >= 0; shift -= 4) message.push_back(kUpperHexDigits[(address >> shift) & 0xF]);
    message += " is given ";
    AppendHexByte(message, finder.firstByte);
    message += " by line " + std::to_string(finder.firstLine) + " and ";
    AppendHexByte(message, finder.clashByte);
    message += " here";
    return {finder.clashLine, std::move(message)};
}

// Lays the runs out in address order from base (no run starts below it): gaps filled, overlaps
// compared with what an earlier run left. Gives the first address where two runs disagree, or
// nothing.
[[nodiscard]] std::optional<std::uint32_t> LayOut(std::vector<Run>& runs, const ByteBuffer& data, std::uint32_t base,
                                                  std::uint8_t fill, ByteBuffer& image) {
    std::stable_sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.address < b.address; });
    std::uint64_t covered = 0;  // image[0, covered) is written
    for (const Run& run : runs) {
        const std::uint64_t from = run.address - base;
        const std::uint64_t end = from + run.length;
        if (from > covered) std::memset(image.data() + covered, fill, from - covered);
        const std::uint64_t overlapEnd = std::min(end, std::max<std::uint64_t>(covered, from));
        const std::uint8_t* const source = data.data() + run.offset;
        for (std::uint64_t a = from; a < overlapEnd; ++a) {
            if (image[a] != source[a - from]) return static_cast<std::uint32_t>(a + base);
        }
        if (end > covered) {
            const std::uint64_t first = std::max<std::uint64_t>(covered, from);
            std::memcpy(image.data() + first, source + (first - from), end - first);
            covered = end;
        }
    }
    return std::nullopt;
}

// Why runs from lowest to end (exclusive) cannot be laid out from base within bound, or nothing.
[[nodiscard]] std::optional<FormatError> CheckLayout(std::uint32_t lowest, std::uint64_t end, std::uint32_t base,
                                                     std::uint64_t bound, std::uint64_t textLength) {
    const std::string lowestHint = "; --base lowest starts the image at the lowest address, " + HexText(lowest, 8);
    if (lowest < base) {
        return FormatError{0,
                           "data at " + HexText(lowest, 8) + " lies below the base " + HexText(base, 8) + lowestHint};
    }
    const std::uint64_t length = end - base;
    if (length < kImageEndLimit && length <= bound) return std::nullopt;
    std::string message = "the records reach " + HexText(static_cast<std::uint32_t>(end - 1), 8) + ": an image from " +
                          HexText(base, 8) + " would hold " + std::to_string(length) + " bytes, ";
    if (length >= kImageEndLimit) {
        message += "2 GiB or more";
    } else if (bound == ImageBound(textLength, std::nullopt)) {
        message += "far more than " + std::to_string(textLength) + " bytes of text describe (the bound is 64 times " +
                   "the text plus 1 MiB, " + std::to_string(bound) + " bytes)";
    } else {
        message += "more than the chip's " + std::to_string(bound) + " bytes";
    }
    return FormatError{0, message + (lowest == base ? std::string() : lowestHint)};
}

// Whether the first line of head that is not blank is one whole record of the format.
[[nodiscard]] bool StartsWithRecord(std::span<const std::uint8_t> head, FileFormat format) {
    for (std::size_t at = 0; at < head.size();) {
        const detail::Line line = detail::NextLine(head, at);
        at = line.next;
        if (line.begin == line.end) continue;
        return format == FileFormat::IntelHex ? IsIntelHexRecord(head, line.begin, line.end)
                                              : IsSRecord(head, line.begin, line.end);
    }
    return false;
}

}  // namespace

std::string Describe(const FormatError& error) {
    return error.line == 0 ? error.message : "line " + std::to_string(error.line) + ": " + error.message;
}

std::uint64_t ImageBound(std::uint64_t textLength, std::optional<std::uint32_t> chipSize) {
    return chipSize ? *chipSize : 64 * textLength + (std::uint64_t{1} << 20);
}

const char* FormatName(FileFormat format) {
    switch (format) {
        case FileFormat::IntelHex: return "Intel HEX";
        case FileFormat::SRecord: return "S-records";
        case FileFormat::Binary: break;
    }
    return "binary";
}

FileFormat DetectFormat(std::span<const std::uint8_t> bytes) {
    const std::span<const std::uint8_t> head = bytes.first(std::min(bytes.size(), kDetectBytes));
    if (StartsWithRecord(head, FileFormat::IntelHex)) return FileFormat::IntelHex;
    if (StartsWithRecord(head, FileFormat::SRecord)) return FileFormat::SRecord;
    return FileFormat::Binary;
}

std::optional<FormatError> CheckWritten(std::span<const std::uint8_t> text, FileFormat format,
                                        const Segment& expected) {
    SegmentMatcher matcher(expected);
    FileNotes notes;
    if (std::optional<FormatError> bad = ReadRecords(text, format, matcher, notes)) return bad;
    if (matcher.matched != expected.bytes.size()) return FormatError{0, "the records written end too soon"};
    return std::nullopt;
}

DecodedFile DecodeProgrammerFile(std::span<const std::uint8_t> text, FileFormat format, std::uint8_t fill,
                                 Layout layout, std::uint64_t bound) {
    DecodedFile result;
    constexpr std::uint8_t kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
    if (text.size() >= 3 && std::equal(text.begin(), text.begin() + 3, kByteOrderMark)) {
        result.error =
            FormatError{1, "the file starts with a UTF-8 byte-order mark; " + std::string(FormatName(format)) +
                               " is plain ASCII, so the mark is refused rather than skipped"};
        return result;
    }
    try {
        RunCollector collector(text.size());
        result.error = ReadRecords(text, format, collector, result.notes);
        if (result.error) return result;
        std::uint64_t end = 0;
        std::uint32_t lowest = 0xFFFFFFFF;
        for (const Run& run : collector.runs) {
            end = std::max(end, std::uint64_t{run.address} + run.length);
            lowest = std::min(lowest, run.address);
        }
        if (collector.runs.empty()) return result;
        result.base = layout.lowest ? lowest : layout.base;
        result.error = CheckLayout(lowest, end, result.base, bound == 0 ? ImageBound(text.size(), std::nullopt) : bound,
                                   text.size());
        if (result.error) return result;
        // A file in address order from the base, as programmers and srec_cat write them, is one
        // run that is the image already: its block is handed over rather than copied.
        if (collector.runs.size() == 1 && lowest == result.base) {
            result.image = std::move(collector.data);
            result.image.ResizeDiscarding(static_cast<std::size_t>(end - result.base));
            return result;
        }
        result.image.ResizeDiscarding(static_cast<std::size_t>(end - result.base));
        if (const std::optional<std::uint32_t> clash =
                LayOut(collector.runs, collector.data, result.base, fill, result.image)) {
            result.image.Release();
            result.error = ClashError(text, format, *clash);
        }
    } catch (const std::bad_alloc&) {
        result.image.Release();
        result.error = FormatError{0, "Out of memory."};
    }
    return result;
}

}  // namespace vesperine::formats
