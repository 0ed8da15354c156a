// RunTask: long work on the host's worker, with its failures shown and a close request honoured.
#include <exception>
#include <new>
#include <string>

#include "app/main_dialog.h"

namespace vesperine {

TaskEnd MainDialog::RunTask(std::string_view title, const std::function<void(const ProgressPoll&)>& work) {
    // The work may run on another thread. It writes only what its command set aside for it,
    // and `failure`, which is read here only after the host has seen the work end.
    std::string failure;
    bool ran = false;
    longTask_ = true;
    closeRequested_ = false;
    try {
        ran = host_.RunLongTask(title, [&](const ProgressPoll& poll) {
            const ProgressPoll breakable = [&](const Progress& progress) {
                return poll(progress) || closeRequested_.load();
            };
            try {
                work(breakable);
            } catch (const std::bad_alloc&) {
                failure = "Out of memory.";
            } catch (const std::exception& error) {
                failure = std::string("The work failed: ") + error.what();
            } catch (...) {
                failure = "The work failed.";
            }
        });
    } catch (const std::exception&) {
        ran = false;  // the host could not even set the work up
    }
    longTask_ = false;

    if (closeRequested_.exchange(false)) {
        // As OnCancel would have done at once, had no task been running.
        workspace_.Release();
        host_.EndDialog(0);
        return TaskEnd::Closing;
    }
    if (!ran && failure.empty()) failure = "The work could not be started: the system has no thread to spare.";
    if (!failure.empty()) {
        host_.ShowMessage(failure, std::nullopt, MessageButtons::Ok);
        return TaskEnd::Failed;
    }
    return TaskEnd::Done;
}

}  // namespace vesperine
