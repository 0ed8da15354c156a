// Reading whole files for the subcommands, as they are meant, with the window's messages.
#include "cli/input_file.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <new>
#include <nlohmann/json.hpp>
#include <ostream>
#include <vector>

#include "base/format.h"
#include "cli/hex_arg.h"
#include "cli/messages.h"

namespace vesperine::cli {
namespace {

using formats::FileFormat;

struct Extension {
    const char* name;
    FileFormat format;
};

// The names programmers, assemblers and linkers give these files; .s is an assembler's source
// as often as S-records, but no one hands a source file to a ROM tool, and refusing it at its
// line says what happened.
constexpr Extension kExtensions[] = {
    {"hex", FileFormat::IntelHex}, {"ihx", FileFormat::IntelHex}, {"ihex", FileFormat::IntelHex},
    {"mcs", FileFormat::IntelHex}, {"h86", FileFormat::IntelHex}, {"hxl", FileFormat::IntelHex},
    {"hxh", FileFormat::IntelHex}, {"a43", FileFormat::IntelHex}, {"s19", FileFormat::SRecord},
    {"s28", FileFormat::SRecord},  {"s37", FileFormat::SRecord},  {"srec", FileFormat::SRecord},
    {"s", FileFormat::SRecord},    {"mot", FileFormat::SRecord},  {"mhx", FileFormat::SRecord},
    {"mxt", FileFormat::SRecord},  {"s1", FileFormat::SRecord},   {"s2", FileFormat::SRecord},
    {"s3", FileFormat::SRecord},   {"sx", FileFormat::SRecord},   {"exo", FileFormat::SRecord},
};

struct Decision {
    FileFormat format = FileFormat::Binary;
    const char* by = "its name";
};

// The format of the first line that is not blank, by how it begins: ':' for Intel HEX, 'S' and
// a digit for S-records (a byte-order mark before it looked past, so that the reader refuses it
// at line 1 with its reason). Whether the line is whole is the reader's question.
[[nodiscard]] FileFormat FormatByContent(std::span<const std::uint8_t> head) {
    std::size_t at = head.size() >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF ? 3 : 0;
    while (at < head.size() && std::isspace(head[at])) ++at;
    if (at < head.size() && head[at] == ':') return FileFormat::IntelHex;
    if (at + 1 < head.size() && head[at] == 'S' && std::isdigit(head[at + 1])) return FileFormat::SRecord;
    return FileFormat::Binary;
}

// What the file is; content is the file's first piece, needed only by --as auto.
[[nodiscard]] Decision Decide(const InputOptions& input, const std::string& path,
                              std::span<const std::uint8_t> content) {
    if (input.as == "raw") return {FileFormat::Binary, "--as"};
    if (input.as == "ihex") return {FileFormat::IntelHex, "--as"};
    if (input.as == "srec") return {FileFormat::SRecord, "--as"};
    if (input.as == "auto") return {FormatByContent(content), "its content"};
    return {FormatByExtension(path).value_or(FileFormat::Binary), "its name"};
}

[[nodiscard]] const char* AsName(FileFormat format) {
    switch (format) {
        case FileFormat::IntelHex: return "ihex";
        case FileFormat::SRecord: return "srec";
        case FileFormat::Binary: break;
    }
    return "raw";
}

// A raw file whose first line is one whole record was most likely meant as records.
void NoteRecordsReadRaw(std::span<const std::uint8_t> head, const std::string& path, std::ostream& err) {
    const FileFormat looks = formats::DetectFormat(head);
    if (looks == FileFormat::Binary) return;
    err << "vesperine-cli: note: " << path << " looks like " << formats::FormatName(looks)
        << "; read as raw bytes (--as " << AsName(looks) << " decodes it)\n";
}

// The image of a programmer file's text, refused with its line; the reading noted.
[[nodiscard]] std::optional<ByteBuffer> Decode(std::span<const std::uint8_t> text, const InputOptions& input,
                                               const std::string& path, InputReading& reading, std::ostream& err) {
    formats::Layout layout;
    if (input.base == "lowest") {
        layout.lowest = true;
    } else if (!input.base.empty()) {
        const std::optional<std::uint32_t> base = ParseHexArg(input.base);
        if (!base) {
            err << "vesperine-cli: --base " << input.base << ": give an address in hexadecimal, or lowest\n";
            return std::nullopt;
        }
        layout.base = *base;
    }
    const std::uint64_t bound = input.chipSize ? *input.chipSize : 0;
    formats::DecodedFile decoded = formats::DecodeProgrammerFile(text, reading.format, input.fill, layout, bound);
    if (decoded.error) {
        FileProblem(err, path) << formats::Describe(*decoded.error) << " (read as "
                               << formats::FormatName(reading.format) << ")\n";
        return std::nullopt;
    }
    reading.base = decoded.base;
    reading.imageLength = decoded.image.size();
    reading.unterminated = decoded.notes.unterminated;
    if (reading.unterminated) {
        FileProblem(err, path) << "warning: no count record and no termination record (S5 to S9): the file may be "
                                  "cut short (read as S-records)\n";
    }
    return std::move(decoded.image);
}

}  // namespace

InputOptions RawInput() {
    InputOptions input;
    input.as = "raw";
    return input;
}

void AddInputOptions(CLI::App& command, InputOptions& input) {
    command
        .add_option("--as", input.as,
                    "How to read the input files: raw (the bytes on disk), ihex, srec, or auto (by content). "
                    "Default: by extension (.hex .ihx .mcs ... Intel HEX; .s19 .s28 .s37 .srec .mot ... "
                    "S-records), raw otherwise")
        ->check(CLI::IsMember({"raw", "ihex", "srec", "auto"}));
    command
        .add_option("--base", input.base,
                    "Where an image decoded from records starts: a hex address, or lowest (its lowest address). "
                    "Default: 0, as srec_cat -binary")
        ->check([](const std::string& text) -> std::string {
            if (text == "lowest" || ParseHexArg(text)) return {};
            return "give an address in hexadecimal, or lowest";
        });
}

std::optional<FileFormat> FormatByExtension(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0) return std::nullopt;
    std::string extension(name.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const Extension& e : kExtensions) {
        if (extension == e.name) return e.format;
    }
    return std::nullopt;
}

std::string DescribeReading(const InputReading& reading) {
    if (reading.format == FileFormat::Binary) return std::string("as raw bytes (by ") + reading.by + ")";
    std::string text = std::string("as ") + formats::FormatName(reading.format) + " (by " + reading.by +
                       "): an image of " + std::to_string(reading.imageLength) + " bytes from 0x" +
                       HexDigits(reading.base, 8) + ", decoded from " + std::to_string(reading.fileLength) +
                       " bytes of text";
    if (reading.unterminated) text += ", with no count or termination record: it may be cut short";
    return text;
}

nlohmann::json ReadingJson(const InputReading& reading) {
    nlohmann::json json = {{"as", AsName(reading.format)}, {"by", reading.by}, {"fileSize", reading.fileLength}};
    if (reading.format != FileFormat::Binary) {
        json["imageSize"] = reading.imageLength;
        json["base"] = "0x" + HexDigits(reading.base, 8);
        json["unterminated"] = reading.unterminated;
    }
    return json;
}

void WriteDecodedLine(std::ostream& out, const std::string& path, const InputReading& reading) {
    if (reading.format != FileFormat::Binary) out << path << ": " << DescribeReading(reading) << '\n';
}

std::optional<ByteBuffer> LoadInputFile(FileSystem& files, const std::string& path, std::ostream& err,
                                        const InputOptions& input, InputReading* reading,
                                        const ReadProgress& progress) {
    ReadResult read = progress ? files.ReadWholeFileInChunks(path, progress) : files.ReadWholeFile(path);
    if (read.status != ReadStatus::Ok) {
        ReportReadFailure(files, path, read.status, err);
        return std::nullopt;
    }
    InputReading how;
    const Decision decision = Decide(input, path, read.bytes);
    how.format = decision.format;
    how.by = decision.by;
    how.fileLength = read.bytes.size();
    how.imageLength = read.bytes.size();
    std::optional<ByteBuffer> bytes;
    if (how.format == FileFormat::Binary) {
        NoteRecordsReadRaw(
            std::span<const std::uint8_t>(read.bytes).first(std::min<std::size_t>(read.bytes.size(), 4096)), path, err);
        bytes = std::move(read.bytes);
    } else {
        bytes = Decode(read.bytes, input, path, how, err);
    }
    if (bytes && reading) *reading = how;
    return bytes;
}

std::optional<StreamedInput> StreamInputFile(FileSystem& files, const std::string& path,
                                             const FileSystem::PieceSink& onPiece, std::ostream& err,
                                             const InputOptions& input) {
    StreamedInput streamed;
    InputReading& how = streamed.reading;
    bool decided = false;
    std::vector<std::uint8_t> text;
    bool outOfMemory = false;
    const ReadStatus status = files.ReadPieces(path, [&](std::span<const std::uint8_t> piece) {
        if (!decided) {
            const Decision decision = Decide(input, path, piece);
            how.format = decision.format;
            how.by = decision.by;
            decided = true;
            if (how.format == FileFormat::Binary) NoteRecordsReadRaw(piece, path, err);
        }
        streamed.length += piece.size();
        if (how.format == FileFormat::Binary) {
            onPiece(piece);
            return;
        }
        if (outOfMemory) return;
        try {
            if (text.empty()) text.reserve(files.FileLength(path).value_or(piece.size()));
            text.insert(text.end(), piece.begin(), piece.end());
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
            std::vector<std::uint8_t>().swap(text);
        }
    });
    if (status != ReadStatus::Ok) {
        ReportReadFailure(files, path, status, err);
        return std::nullopt;
    }
    if (outOfMemory) {
        FileProblem(err, path) << "Out of memory.\n";
        return std::nullopt;
    }
    how.fileLength = streamed.length;
    how.imageLength = streamed.length;
    if (!decided) how = {Decide(input, path, {}).format, Decide(input, path, {}).by, 0, 0, 0, false};
    if (how.format != FileFormat::Binary) {
        streamed.image = Decode(text, input, path, how, err);
        if (!streamed.image) return std::nullopt;
    }
    return streamed;
}

}  // namespace vesperine::cli
