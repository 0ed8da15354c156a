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
        case OutputStatus::CannotCreate:
        case OutputStatus::WriteFailed: err << "Write error.\n"; return;
        case OutputStatus::ReadsBackWrong: err << "the file does not read back as written: nothing written\n"; return;
        case OutputStatus::CommitFailed: break;
        case OutputStatus::Ok: err << '\n'; return;
    }
    err << "Write error. (renaming it into place failed";
    const std::vector<WrittenOutput>& written = set.written();
    if (!written.empty() && written.front().path != problem.path) {
        err << "; already in place:";
        for (std::size_t k = 0; k < written.size() && written[k].path != problem.path; ++k)
            err << ' ' << written[k].path;
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
