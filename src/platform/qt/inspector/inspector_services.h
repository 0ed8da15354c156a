// What every panel of the Inspector asks of its window: long work, questions, reads and saves.
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/host.h"
#include "base/work_poll.h"
#include "files/file_system.h"

class QWidget;

namespace vesperine::qt {
class KeyState;
class UserPrompts;
}  // namespace vesperine::qt

namespace vesperine::inspector {
struct Subject;
}

namespace vesperine::qt::inspector {

using vesperine::inspector::Subject;

class InspectorServices {
public:
    InspectorServices(QWidget& window, UserPrompts& prompts, FileSystem& files);

    // Runs work as the dialog runs its long tasks (RunWithProgress): the wait cursor at once,
    // the progress dialog (title, then what the work reports, with Cancel) after the progress
    // delay, no input to the Inspector meanwhile. The work's poll also answers true once
    // BreakOff was called. False when the poll ever answered true (cancelled(), with no
    // message: the panel says so itself), and, after a message, when the work could not run,
    // threw, or ran out of memory (std::bad_alloc is caught and told, never fatal).
    bool RunTask(const QString& title, const std::function<void(const ProgressPoll&)>& work);
    [[nodiscard]] bool busy() const { return busy_; }
    // Whether the last task ended because it was asked to stop, and its title.
    [[nodiscard]] bool cancelled() const { return cancelled_; }
    [[nodiscard]] const QString& lastTitle() const { return lastTitle_; }
    void ForgetCancelled() { cancelled_ = false; }
    // Called as a task starts (cancelled false) and when one ends cancelled, with its title: the
    // window tells the panel in view, which started it.
    void SetTaskListener(std::function<void(const QString&, bool cancelled)> listener) {
        taskListener_ = std::move(listener);
    }

    // What would be lost if the Inspector's contents went now: each query added answers a
    // phrase ("3 further reads", "a mended copy not yet saved") or nothing.
    void AddUnsavedQuery(std::function<QString()> query) { unsavedQueries_.push_back(std::move(query)); }
    [[nodiscard]] QStringList Unsaved() const;
    // Asks whether to let what Unsaved() names go: true when there is nothing or the person
    // says yes. closing names what is closing ("the Inspector", "the dialog").
    [[nodiscard]] bool MayDiscard(const QString& closing);
    // Whether the Inspector belongs to a dialog (F5) rather than standing alone (--inspect).
    [[nodiscard]] bool hasDialog() const;
    // Asks the running task to break off (the window is closing).
    void BreakOff() { breakOff_ = true; }
    void SetProgressDelay(int milliseconds) { progressDelayMs_ = milliseconds; }
    // The dialog's polled keys: Shift+Backspace then breaks a task off as it breaks off the
    // dialog's search. Without them (the Inspector alone) Cancel and closing do.
    void SetBreakKeys(KeyState* keys) { keys_ = keys; }
    // Moves the dialog's dump pane to the row holding offset; nothing without a dialog.
    void SetDumpJump(std::function<void(std::uint64_t)> jump) { dumpJump_ = std::move(jump); }
    void JumpDialogDump(std::uint64_t offset) {
        if (dumpJump_) dumpJump_(offset);
    }

    // Hands an expected CRC-32 to the Reads panel's mend by CRC, which the Reads panel takes
    // (and shows itself) only when further reads are loaded: false when it did not.
    void SetCrcTaker(std::function<bool(std::uint32_t)> taker) { crcTaker_ = std::move(taker); }
    [[nodiscard]] bool GiveCrcToReads(std::uint32_t crc) { return crcTaker_ && crcTaker_(crc); }

    // Every subject the window holds, in the chooser's order (the board check takes them all as
    // chips); alive until the window next changes its subjects, which it does not while a task runs.
    void SetSubjectsSource(std::function<std::vector<const Subject*>()> source) { subjects_ = std::move(source); }
    [[nodiscard]] std::vector<const Subject*> Subjects() const {
        return subjects_ ? subjects_() : std::vector<const Subject*>();
    }

    // A message box over the Inspector; its text can be selected and copied.
    void Tell(const QString& text);
    [[nodiscard]] std::optional<std::string> ChooseOpenFile();

    // The whole file, read as a long task. Nothing, after a message naming the file and the
    // failure (a folder is called one, not "not found"), when it cannot be read or the read was
    // broken off. consequence, when given, is told after the failure in the same message.
    [[nodiscard]] std::optional<ByteBuffer> ReadFile(const std::string& path, const QString& consequence = {});

    // Asks where to save, then writes bytes there all or nothing through an OutputSet that
    // refuses every one of inputs (by file identity), as a long task. True when written; a
    // refusal or a failure is told in a message, a cancelled choice says nothing, and a
    // cancelled save leaves the old file as it was.
    bool SaveCopy(std::span<const std::uint8_t> bytes, const std::vector<std::string>& inputs);

    [[nodiscard]] FileSystem& files() { return files_; }

    // The byte offsets of the unstable bits that further reads found in subject (ascending,
    // each once), for the map to draw over the blocks; one subject at a time. Setting them
    // calls the listener, which the window points at the Map panel.
    void SetUnstable(const Subject* subject, std::vector<std::uint64_t> offsets);
    [[nodiscard]] const std::vector<std::uint64_t>& UnstableOf(const Subject* subject) const;
    void SetUnstableListener(std::function<void()> listener) { unstableListener_ = std::move(listener); }

private:
    QWidget& window_;
    UserPrompts& prompts_;
    FileSystem& files_;
    int progressDelayMs_ = 400;
    KeyState* keys_ = nullptr;
    std::function<void(std::uint64_t)> dumpJump_;
    std::function<bool(std::uint32_t)> crcTaker_;
    std::function<std::vector<const Subject*>()> subjects_;
    bool busy_ = false;
    bool cancelled_ = false;
    QString lastTitle_;
    std::function<void(const QString&, bool)> taskListener_;
    std::vector<std::function<QString()>> unsavedQueries_;
    std::atomic<bool> breakOff_{false};
    const Subject* unstableSubject_ = nullptr;
    std::vector<std::uint64_t> unstable_;
    std::function<void()> unstableListener_;
};

// A core step's poll that reports to a task's poll, counted in unit.
[[nodiscard]] inline WorkPoll InUnits(const ProgressPoll& poll, ProgressUnit unit) {
    return [&poll, unit](std::uint64_t done, std::uint64_t total) { return poll(Progress{unit, done, total}); };
}

// A file name in the platform's bytes as a person reads it.
[[nodiscard]] QString ShownPath(const std::string& path);

}  // namespace vesperine::qt::inspector
