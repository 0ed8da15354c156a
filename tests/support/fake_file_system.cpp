// An in-memory file system for tests.
#include "fake_file_system.h"

#include <algorithm>

namespace vesperine::testing {

ReadResult FakeFileSystem::ReadWholeFile(const std::string& path) {
    ++reads;
    if (beforeRead) beforeRead(path);
    if (const auto failure = readFailures.find(path); failure != readFailures.end()) return {failure->second, {}};
    const auto it = files.find(path);
    if (it == files.end()) return {ReadStatus::CannotOpen, {}};
    return {ReadStatus::Ok, ByteBuffer::CopyOf(it->second)};
}

std::optional<std::uint64_t> FakeFileSystem::FileLength(const std::string& path) {
    const auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second.size();
}

ReadResult FakeFileSystem::ReadWholeFileInChunks(const std::string& path, const ReadProgress& progress) {
    ReadResult result = ReadWholeFile(path);
    if (result.status != ReadStatus::Ok || !progress) return result;
    const std::size_t total = result.bytes.size();
    for (std::size_t done = 0; done < total;) {
        done += std::min(chunkBytes, total - done);
        if (progress(done, total)) return {ReadStatus::Broken, {}};
    }
    return result;
}

WriteStatus FakeFileSystem::WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    ++writes;
    if (const auto failure = writeFailures.find(path); failure != writeFailures.end()) return failure->second;
    files[path] = Bytes(bytes.begin(), bytes.end());
    return WriteStatus::Ok;
}

WriteStatus FakeFileSystem::StageOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                                        StagedOutput& staged) {
    ++writes;
    staged = {path, {}};
    if (const auto failure = writeFailures.find(path); failure != writeFailures.end()) return failure->second;
    staged.temporary = path + ".part";
    files[staged.temporary] = Bytes(bytes.begin(), bytes.end());
    return WriteStatus::Ok;
}

WriteStatus FakeFileSystem::CommitOutput(const StagedOutput& staged) {
    files[staged.target] = std::move(files.at(staged.temporary));
    files.erase(staged.temporary);
    return WriteStatus::Ok;
}

void FakeFileSystem::DiscardOutput(const StagedOutput& staged) { files.erase(staged.temporary); }

}  // namespace vesperine::testing
