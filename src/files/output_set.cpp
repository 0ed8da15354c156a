// The group of outputs: identity checks, staging with read-back, and the commit by renames.
#include "files/output_set.h"

#include <algorithm>
#include <utility>

#include "base/crc32.h"

namespace vesperine {

OutputSet::OutputSet(FileSystem& files, std::vector<std::string> inputs) : files_(files), inputs_(std::move(inputs)) {}

OutputSet::~OutputSet() { DiscardAll(); }

bool OutputSet::Fail(OutputStatus status, const std::string& path, const std::string& other) {
    problem_ = {status, path, other};
    DiscardAll();
    return false;
}

void OutputSet::DiscardAll() {
    for (const StagedOutput& staged : staged_) files_.DiscardOutput(staged);
    staged_.clear();
}

bool OutputSet::Claim(const std::string& path) {
    if (problem_.status != OutputStatus::Ok) return false;
    if (std::find(claimed_.begin(), claimed_.end(), path) != claimed_.end()) return true;
    for (const std::string& input : inputs_) {
        if (files_.SameFile(path, input)) return Fail(OutputStatus::SameAsInput, path, input);
    }
    for (const std::string& output : claimed_) {
        if (files_.SameFile(path, output)) return Fail(OutputStatus::SameAsOutput, path, output);
    }
    if (files_.IsFolder(path)) return Fail(OutputStatus::IsFolder, path);
    claimed_.push_back(path);
    return true;
}

bool OutputSet::Stage(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (!Claim(path)) return false;
    StagedOutput staged;
    switch (files_.StageOutput(path, bytes, staged)) {
        case WriteStatus::Ok: break;
        case WriteStatus::IsFolder: return Fail(OutputStatus::IsFolder, path);
        case WriteStatus::CannotOpen: return Fail(OutputStatus::CannotCreate, path);
        case WriteStatus::Busy: return Fail(OutputStatus::Busy, path, staged.temporary);
        case WriteStatus::NoReader: return Fail(OutputStatus::NoReader, path);
        case WriteStatus::Failed: return Fail(OutputStatus::WriteFailed, path);
    }
    staged_.push_back(staged);
    WrittenOutput written{path, bytes.size(), Crc32(bytes)};
    // What goes to a device cannot be read back; a temporary can and must.
    if (!staged.temporary.empty()) {
        std::uint64_t size = 0;
        std::uint32_t crc = 0;
        const ReadStatus read = files_.ReadPieces(staged.temporary, [&](std::span<const std::uint8_t> piece) {
            size += piece.size();
            crc = Crc32(piece, crc);
        });
        if (read != ReadStatus::Ok || size != written.size || crc != written.crc) {
            return Fail(OutputStatus::ReadsBackWrong, path);
        }
    }
    written_.push_back(std::move(written));
    return true;
}

bool OutputSet::Commit() {
    if (problem_.status != OutputStatus::Ok) return false;
    std::vector<bool> done(staged_.size(), false);
    // The files first, then the devices: see the class's comment.
    for (const bool devices : {false, true}) {
        for (std::size_t k = 0; k < staged_.size(); ++k) {
            if ((staged_[k].device >= 0) != devices) continue;
            if (files_.CommitOutput(staged_[k]) != WriteStatus::Ok) {
                // What is in place stays, and a device is closed by its commit, failed or not:
                // neither is discarded.
                std::vector<StagedOutput> rest;
                for (std::size_t j = 0; j < staged_.size(); ++j) {
                    if (!done[j] && !(j == k && devices)) rest.push_back(staged_[j]);
                }
                staged_ = std::move(rest);
                return Fail(devices ? OutputStatus::WriteFailed : OutputStatus::CommitFailed, written_[k].path);
            }
            done[k] = true;
            committed_.push_back(written_[k].path);
        }
    }
    staged_.clear();
    return true;
}

std::string BusyTemporaryMessage(const std::string& temporary) {
    return temporary +
           " exists: another vesperine or vesperine-cli is writing this file, or a run was killed; remove " +
           temporary + " if none is running";
}

}  // namespace vesperine
