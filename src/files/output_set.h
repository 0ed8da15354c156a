// OutputSet: the files a command writes, committed together or not at all, never over an input.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "files/file_system.h"

namespace vesperine {

// Why a group of outputs was refused or failed; every file then stays as it was, except
// after CommitFailed (see Commit).
enum class OutputStatus {
    Ok,
    SameAsInput,     // the output is the very file of an input; other names the input
    SameAsOutput,    // two outputs are one file; other names the earlier one
    IsFolder,        // the output names a folder
    CannotCreate,    // no temporary could be made beside it (no such folder, no permission)
    Busy,            // its temporary exists (other names it): another writer's, or a killed run's
    NoReader,        // it is a FIFO that no process reads
    WriteFailed,     // writing the temporary failed (a full disk), or the device at the commit
    ReadsBackWrong,  // the temporary does not read back as the bytes given
    CommitFailed,    // renaming it into place failed; the outputs committed before it stay
};

struct OutputProblem {
    OutputStatus status = OutputStatus::Ok;
    std::string path;
    std::string other;
};

// What Busy means to a person, naming the temporary in the way; the same words in the window
// and the CLI. Another writer's temporary and a killed run's look alike, so both are said.
[[nodiscard]] std::string BusyTemporaryMessage(const std::string& temporary);

// An output as read back from its temporary: what the command may claim it wrote.
struct WrittenOutput {
    std::string path;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;  // CRC-32 of the bytes read back
};

// Every command that writes files writes them through one OutputSet: each output is checked
// against the inputs by file identity, staged to its temporary beside its target and read
// back, and only Commit renames them into place, in the order staged. The first failure
// discards every temporary of the set (never one it did not make), and so does destruction
// without Commit. A rename is the one step that can fail once every byte is safely written; if
// it does, the outputs renamed before it stay (committed() names them) and the rest are
// discarded.
//
// A device or FIFO among the outputs is opened at Stage but written only at Commit, after every
// file of the set is in place: a reader never gets data of a group that then fails. So the
// bytes given to Stage for one must stay alive until Commit (or the set's end).
class OutputSet {
public:
    // inputs: the files the command reads, which no output may be.
    OutputSet(FileSystem& files, std::vector<std::string> inputs);
    ~OutputSet();
    OutputSet(const OutputSet&) = delete;
    OutputSet& operator=(const OutputSet&) = delete;

    // Reserves path as an output before any work: false when it is an input, an output
    // claimed before or a folder. Stage claims what was not claimed.
    [[nodiscard]] bool Claim(const std::string& path);
    // Writes bytes beside path and checks that they read back whole and unchanged.
    [[nodiscard]] bool Stage(const std::string& path, std::span<const std::uint8_t> bytes);
    // Renames every staged output into place.
    [[nodiscard]] bool Commit();

    // Why the last call gave false.
    [[nodiscard]] const OutputProblem& problem() const { return problem_; }
    // The outputs staged, as read back, in the order staged.
    [[nodiscard]] const std::vector<WrittenOutput>& written() const { return written_; }
    // The outputs Commit has put in place (as named to Stage), in the order it did: after a
    // failed Commit, those that stay.
    [[nodiscard]] const std::vector<std::string>& committed() const { return committed_; }

private:
    bool Fail(OutputStatus status, const std::string& path, const std::string& other = {});
    void DiscardAll();

    FileSystem& files_;
    std::vector<std::string> inputs_;
    std::vector<std::string> claimed_;
    std::vector<StagedOutput> staged_;
    std::vector<WrittenOutput> written_;
    std::vector<std::string> committed_;
    OutputProblem problem_;
};

}  // namespace vesperine
