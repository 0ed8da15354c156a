// The real file system's piece-wise read: the whole-file read's refusals, without the whole buffer.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/std_file_system.h"

namespace vesperine {
namespace {

namespace fs = std::filesystem;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

ReadStatus StdFileSystem::ReadPieces(const std::string& path, const PieceSink& take) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status) || fs::is_directory(status)) return ReadStatus::CannotOpen;
    // A pipe or a terminal has no length to check against, as for the whole-file read.
    if (!fs::is_regular_file(status) && !fs::is_block_file(status)) return ReadStatus::NoSize;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return ReadStatus::CannotOpen;
    // Unbuffered: each fread goes straight into the piece, without the stream's own copy.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    // The length is taken as the whole-file read takes it, so that both refuse the same files;
    // a block device reports no size to fs::file_size, only to a seek to its end.
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return ReadStatus::NoSize;
#ifdef _WIN32
    const auto end = static_cast<std::int64_t>(_ftelli64(file.get()));
#else
    const auto end = static_cast<std::int64_t>(ftello(file.get()));
#endif
    if (end < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return ReadStatus::NoSize;
    if (static_cast<std::uint64_t>(end) >= kMaxFileLength) return ReadStatus::TooLarge;
    const auto length = static_cast<std::uint64_t>(end);
    std::vector<std::uint8_t> piece(kPieceSize);
    std::uint64_t got = 0;
    while (got < length) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), length - got));
        const std::size_t n = std::fread(piece.data(), 1, want, file.get());
        if (n == 0) return ReadStatus::ShortRead;
        take(std::span<const std::uint8_t>(piece.data(), n));
        got += n;
    }
    if (length == 0) take({});
    // More bytes than the end promised: the length is not known (see ReadWholeFile).
    if (std::fgetc(file.get()) != EOF) return ReadStatus::NoSize;
    return ReadStatus::Ok;
}

}  // namespace vesperine
