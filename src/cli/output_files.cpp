// The CLI's messages for a group of outputs, and the common case of one output.
#include "cli/output_files.h"

#include "cli/messages.h"

namespace vesperine::cli {

void ReportOutputProblem(const OutputSet& set, std::ostream& err) {
    const OutputProblem& problem = set.problem();
    FileProblem(err, problem.path);
    switch (problem.status) {
        case OutputStatus::SameAsInput:
            err << "is the same file as the input " << problem.other << ": nothing written\n";
            return;
        case OutputStatus::SameAsOutput:
            err << "is the same file as the output " << problem.other << ": nothing written\n";
            return;
        case OutputStatus::IsFolder: err << "is a folder, not a file: nothing written\n"; return;
        case OutputStatus::Busy: err << BusyTemporaryMessage(problem.other) << ": nothing written\n"; return;
        case OutputStatus::NoReader: err << "no process is reading this FIFO: nothing written\n"; return;
        case OutputStatus::CannotCreate: err << "Write error.\n"; return;
        case OutputStatus::WriteFailed: break;
        case OutputStatus::ReadsBackWrong: err << "the file does not read back as written: nothing written\n"; return;
        case OutputStatus::CommitFailed: break;
        case OutputStatus::Ok: err << '\n'; return;
    }
    // A device fails in its commit's write, after the files; a file's write fails at Stage.
    const std::vector<std::string>& committed = set.committed();
    const bool renaming = problem.status == OutputStatus::CommitFailed;
    if (!renaming && committed.empty()) {
        err << "Write error.\n";
        return;
    }
    err << "Write error. (" << (renaming ? "renaming it into place failed" : "");
    if (!committed.empty()) {
        err << (renaming ? "; " : "") << "already in place:";
        for (const std::string& path : committed) err << ' ' << path;
    }
    err << ")\n";
}

std::optional<WrittenOutput> WriteOneOutput(FileSystem& files, std::vector<std::string> inputs, const std::string& path,
                                            std::span<const std::uint8_t> bytes, std::ostream& err) {
    OutputSet set(files, std::move(inputs));
    if (!set.Stage(path, bytes) || !set.Commit()) {
        ReportOutputProblem(set, err);
        return std::nullopt;
    }
    return set.written().front();
}

}  // namespace vesperine::cli
