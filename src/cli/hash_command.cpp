// The hash subcommand: each file hashed as it is read, or cut as Analyze cuts it and then hashed.
#include "cli/hash_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "base/format.h"
#include "cli/input_file.h"
#include "cli/json_output.h"
#include "cli/messages.h"
#include "cli/progress.h"
#include "dat/rom_fields.h"

namespace vesperine::cli {

nlohmann::json DigestsJson(const dat::Digests& digests) {
    return {{"size", digests.size},
            {"crc32", HexDigits(digests.crc32, 8)},
            {"md5", dat::HexOf(digests.md5)},
            {"sha1", dat::HexOf(digests.sha1)},
            {"sha256", dat::HexOf(digests.sha256)}};
}

int RunHash(const HashOptions& options, FileSystem& files, Streams streams) {
    const std::optional<DumpRequest> request = ParseDumpRequest(options.dump, files, streams.err);
    if (!request) return kExitError;
    int status = kExitOk;
    nlohmann::json results = nlohmann::json::array();
    // A whole file is hashed as it is read, in pieces: no buffer of its length to allocate and
    // fill (a third of the time for 1 GiB). A cut dump needs the file whole first.
    const bool wholeFiles = options.dump.area.empty() && options.dump.stripe == "full" &&
                            options.dump.maskPath.empty() &&
                            (options.dump.maskMode.empty() || options.dump.maskMode == "nothing");
    for (const std::string& path : options.files) {
        std::ostringstream why;
        std::optional<dat::Digests> digests;
        std::uint32_t start = 0;
        InputReading reading;
        // The progress line goes before the file's line or message is written.
        if (TerminalProgress progress("Hashing " + path); wholeFiles) {
            dat::DigestStream stream;
            const std::uint64_t length = files.FileLength(path).value_or(0);
            std::uint64_t done = 0;
            const auto take = [&](std::span<const std::uint8_t> piece) {
                stream.Update(piece);
                done += piece.size();
                static_cast<void>(progress(done, std::max(length, done)));
            };
            if (const std::optional<StreamedInput> input = StreamInputFile(files, path, take, why, request->input)) {
                if (input->image) stream.Update(*input->image);
                digests = stream.Finish();
                reading = input->reading;
            }
        } else if (const std::optional<ByteBuffer> file =
                       LoadInputFile(files, path, why, request->input, &reading, std::ref(progress))) {
            if (const std::optional<Dump> dump = CutDump(*request, *file, path, why)) {
                digests = dat::ComputeDigests(dump->bytes);
                start = dump->start;
            }
        }
        if (!digests) {
            RecordFileFailure(path, why.str(), streams.err, results);
            status = kExitError;
            continue;
        }
        streams.err << why.str();  // notes and warnings about a file that was read
        if (options.json) {
            nlohmann::json entry = {{"path", path}, {"start", start}};
            entry.update(DigestsJson(*digests));
            entry["read"] = ReadingJson(reading);
            results.push_back(std::move(entry));
        } else {
            streams.out << SizeCrcLine(path, digests->size, digests->crc32) << " MD5:" << dat::HexOf(digests->md5)
                        << " SHA1:" << dat::HexOf(digests->sha1) << " SHA256:" << dat::HexOf(digests->sha256) << '\n';
            WriteDecodedLine(streams.out, path, reading);
        }
    }
    if (options.json) WriteJson(streams.out, nlohmann::json{{"files", results}});
    return status;
}

const Subcommand<HashOptions> kHashCommand{
    .name = "hash",
    .summary = "Size, CRC-32, MD5, SHA-1 and SHA-256 of each file, or of a dump cut from it",
    .fileHelp = "Files to hash",
    .cutsDump = true,
    .footer =
        "Memory: a whole file is hashed as it is read, in pieces of 256 KiB; a dump cut with --area, --stripe "
        "or --mask needs the file whole and the dump, up to twice the file's size, one file at a time.\n"
        "Example:\n  vesperine-cli hash abc.bin\n"
        "  abc.bin: 3 bytes (0x00000003) CRC:352441C2 MD5:900150983cd24fb0d6963f7d28e17f72 "
        "SHA1:a9993e364706816aba3e25717850c26c9cd0d89d "
        "SHA256:ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
    .run = RunHash,
};

}  // namespace vesperine::cli
