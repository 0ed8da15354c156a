// InspectorServices: the long-task runner, message boxes, reads and all-or-nothing saves of the Inspector.
#include "platform/qt/inspector/inspector_services.h"

#include <QFile>
#include <QGuiApplication>
#include <QWidget>

#include "files/output_set.h"
#include "platform/qt/key_state.h"
#include "platform/qt/long_task.h"
#include "platform/qt/user_prompts.h"

namespace vesperine::qt::inspector {

namespace {

QString DescribeProblem(const OutputSet& set) {
    const OutputProblem& problem = set.problem();
    const QString path = ShownPath(problem.path);
    switch (problem.status) {
        case OutputStatus::SameAsInput:
            return QStringLiteral("%1 is the file being inspected: nothing written.").arg(path);
        case OutputStatus::SameAsOutput: return QStringLiteral("%1 is named twice: nothing written.").arg(path);
        case OutputStatus::IsFolder: return QStringLiteral("%1 is a folder, not a file: nothing written.").arg(path);
        case OutputStatus::CannotCreate: return QStringLiteral("%1: cannot be created: nothing written.").arg(path);
        case OutputStatus::Busy:
            return QStringLiteral("%1: %2: nothing written.")
                .arg(path, QString::fromStdString(BusyTemporaryMessage(problem.other)));
        case OutputStatus::NoReader:
            return QStringLiteral("%1: no process is reading this FIFO: nothing written.").arg(path);
        case OutputStatus::WriteFailed: return QStringLiteral("%1: Write error: nothing written.").arg(path);
        case OutputStatus::ReadsBackWrong:
            return QStringLiteral("%1 does not read back as written: nothing written.").arg(path);
        case OutputStatus::CommitFailed:
            return QStringLiteral("%1: Write error (renaming it into place failed); the old file is intact.").arg(path);
        case OutputStatus::Ok: break;
    }
    return path;
}

// The wait cursor for as long as it lives, whichever way the task ends.
struct WaitCursorGuard {
    WaitCursorGuard() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursorGuard() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursorGuard(const WaitCursorGuard&) = delete;
    WaitCursorGuard& operator=(const WaitCursorGuard&) = delete;
};

}  // namespace

QString ShownPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

InspectorServices::InspectorServices(QWidget& window, UserPrompts& prompts, FileSystem& files)
    : window_(window), prompts_(prompts), files_(files) {}

bool InspectorServices::RunTask(const QString& title, const std::function<void(const ProgressPoll&)>& work) {
    const WaitCursorGuard cursor;
    busy_ = true;
    breakOff_ = false;
    if (keys_) keys_->ForgetPresses();
    const bool ran = RunWithProgress(window_, title, progressDelayMs_, [this, &work](const ProgressPoll& poll) {
        work([this, &poll](const Progress& progress) {
            const bool chord = keys_ && keys_->Query(PolledKey::Shift) && keys_->Query(PolledKey::Backspace);
            return poll(progress) || breakOff_.load() || chord;
        });
    });
    busy_ = false;
    if (!ran)
        Tell(QStringLiteral("%1 could not be done: no worker thread could be started, or it ran out of memory.")
                 .arg(title));
    return ran;
}

void InspectorServices::Tell(const QString& text) {
    prompts_.AskMessage(text, window_.windowTitle(), MessageButtons::Ok);
}

std::optional<std::string> InspectorServices::ChooseOpenFile() {
    const std::optional<QString> chosen = prompts_.ChooseFile(FileChoice::Open);
    if (!chosen) return std::nullopt;
    return QFile::encodeName(*chosen).toStdString();
}

bool InspectorServices::hasDialog() const { return window_.parentWidget() != nullptr; }

std::optional<ByteBuffer> InspectorServices::ReadFile(const std::string& path, const QString& consequence) {
    ReadResult read;
    const bool ran = RunTask(QStringLiteral("Reading"), [this, &path, &read](const ProgressPoll& poll) {
        read = files_.ReadWholeFileInChunks(path, [&poll](std::uint64_t done, std::uint64_t total) {
            return poll(Progress{ProgressUnit::BytesRead, done, total});
        });
    });
    if (!ran) return std::nullopt;
    if (read.status == ReadStatus::Broken) return std::nullopt;  // the person asked for that
    if (read.status != ReadStatus::Ok) {
        // The command line's words for a folder (a folder cannot be opened as a file either).
        QString text =
            read.status == ReadStatus::CannotOpen && files_.IsFolder(path)
                ? QStringLiteral("%1 is a folder, not a file.").arg(ShownPath(path))
                : QStringLiteral("%1\n%2").arg(ShownPath(path), QString::fromUtf8(ReadFailureMessage(read.status)));
        if (!consequence.isEmpty()) text += QStringLiteral("\n") + consequence;
        Tell(text);
        return std::nullopt;
    }
    return std::move(read.bytes);
}

void InspectorServices::SetUnstable(const Subject* subject, std::vector<std::uint64_t> offsets) {
    unstableSubject_ = subject;
    unstable_ = std::move(offsets);
    if (unstableListener_) unstableListener_();
}

const std::vector<std::uint64_t>& InspectorServices::UnstableOf(const Subject* subject) const {
    static const std::vector<std::uint64_t> none;
    return subject && subject == unstableSubject_ ? unstable_ : none;
}

bool InspectorServices::SaveCopy(std::span<const std::uint8_t> bytes, const std::vector<std::string>& inputs) {
    const std::optional<QString> chosen = prompts_.ChooseFile(FileChoice::Save);
    if (!chosen) return false;
    const std::string path = QFile::encodeName(*chosen).toStdString();
    OutputSet set(files_, inputs);
    if (!set.Claim(path) || !set.Stage(path, bytes) || !set.Commit()) {
        Tell(DescribeProblem(set));
        return false;
    }
    return true;
}

}  // namespace vesperine::qt::inspector
