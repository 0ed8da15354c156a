// InspectorServices: the long-task runner, message boxes, reads and all-or-nothing saves of the Inspector.
#include "platform/qt/inspector/inspector_services.h"

#include <QFile>
#include <QGuiApplication>
#include <QWidget>
#include <new>

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
    cancelled_ = false;
    lastTitle_ = title;
    if (taskListener_) taskListener_(title, false);
    std::atomic<bool> askedToStop{false};
    std::atomic<bool> outOfMemory{false};
    if (keys_) keys_->ForgetPresses();
    const bool ran = RunWithProgress(
        window_, title, progressDelayMs_, [this, &work, &askedToStop, &outOfMemory](const ProgressPoll& poll) {
            try {
                work([this, &poll, &askedToStop](const Progress& progress) {
                    const bool chord = keys_ && keys_->Query(PolledKey::Shift) && keys_->Query(PolledKey::Backspace);
                    const bool stop = poll(progress) || breakOff_.load() || chord;
                    if (stop) askedToStop = true;
                    return stop;
                });
            } catch (const std::bad_alloc&) {
                outOfMemory = true;
            }
        });
    busy_ = false;
    if (outOfMemory) {
        Tell(QStringLiteral("Out of memory: %1 needs more memory than the system could give. Nothing was changed; "
                            "closing other programs or files may let it run.")
                 .arg(title));
        return false;
    }
    if (!ran) {
        Tell(QStringLiteral("%1 could not be done: no worker thread could be started, or the work failed.").arg(title));
        return false;
    }
    // Work that heard the request may still have ended whole; its result is then dropped all the
    // same, since the person asked for it not to be.
    cancelled_ = askedToStop.load();
    if (cancelled_ && taskListener_) taskListener_(title, true);
    return !cancelled_;
}

QStringList InspectorServices::Unsaved() const {
    QStringList unsaved;
    for (const auto& query : unsavedQueries_)
        if (QString phrase = query(); !phrase.isEmpty()) unsaved << phrase;
    return unsaved;
}

bool InspectorServices::MayDiscard(const QString& closing) {
    const QStringList unsaved = Unsaved();
    if (unsaved.isEmpty()) return true;
    const QString text = QStringLiteral("Closing %1 drops what the Inspector holds: %2. Close anyway?")
                             .arg(closing, unsaved.join(QStringLiteral("; ")));
    return prompts_.AskMessage(text, window_.windowTitle(), MessageButtons::YesNo) == MessageAnswer::Yes;
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
    // Written and read back on the worker (a gigabyte takes seconds to reach the disk). A Cancel
    // is heard between the steps: a staged copy is then discarded and the old file stays.
    OutputSet set(files_, inputs);
    bool written = false;
    const bool ran = RunTask(QStringLiteral("Saving"), [&](const ProgressPoll& poll) {
        const auto stop = [&](std::uint64_t done) {
            return poll(Progress{ProgressUnit::BytesWritten, done, bytes.size()});
        };
        if (stop(0) || !set.Claim(path) || !set.Stage(path, bytes) || stop(bytes.size())) return;
        written = set.Commit();
    });
    if (!ran) return false;  // cancelled (the panel says so) or told already
    if (!written) {
        Tell(DescribeProblem(set));
        return false;
    }
    return true;
}

}  // namespace vesperine::qt::inspector
