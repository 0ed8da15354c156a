// An in-memory host for tests: controls by id, scripted answers, and a record of what was shown.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/host.h"

namespace vesperine::testing {

struct ShownMessage {
    std::string text;
    std::optional<std::string> caption;  // nothing: the application's title
    MessageButtons buttons = MessageButtons::Ok;
};

struct FakeScrollBar {
    int minimum = 0;
    int maximum = 0;
    int position = 0;
    std::optional<int> track;  // set while a drag is being scripted
};

class FakeHost : public Host {
public:
    // Control state, readable and writable by tests as the user would change it.
    std::map<int, std::string> texts;
    std::map<int, int> limits;
    std::map<int, bool> checked;  // radio buttons and check boxes by id
    std::map<int, FakeScrollBar> bars;
    int focus = 0;
    bool focusSelectedAll = false;
    int codePage = 1252;

    // Scripted answers; an empty script answers Ok/Yes to boxes and cancels file dialogs.
    std::deque<MessageAnswer> messageAnswers;
    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    // Runs while a file dialog is open, as commands may in its nested event loop.
    std::function<void()> duringFileDialog;
    // Answers key-state queries; gets the key and how many queries of any key came before.
    std::function<bool(PolledKey, int)> keyState;
    // Answers the long task's break poll; gets how many polls came before. Called on the
    // task's worker thread.
    std::function<bool(int)> breakRequested;
    // Called on the calling thread while a long task's work runs: at its first poll, the
    // worker waiting there until this returns (or after the work, if it never polls). What
    // the user could do while the progress display shows.
    std::function<void()> duringTask;
    // The long task's thread cannot be started: RunLongTask answers false without running it.
    bool threadsRefused = false;

    // What happened.
    std::vector<ShownMessage> messages;
    int openDialogs = 0;
    int saveDialogs = 0;
    int waitDepth = 0;
    int waitCursorsBegun = 0;
    int maxWaitDepth = 0;
    int keyQueries = 0;
    int longTasks = 0;
    int progressPolls = 0;
    std::vector<Progress> progressSeen;  // every report of every long task, in order
    std::vector<std::string> taskTitles;
    std::optional<int> endedWith;
    // Messages shown while the wait cursor was held.
    int messagesUnderWaitCursor = 0;

    // Called with the control id after every SetControlText, as a real edit notifies changes.
    std::function<void(int)> changeListener;

    [[nodiscard]] std::string ControlText(int id) const override;
    void SetControlText(int id, std::string_view text) override;
    void LimitText(int id, int maxChars) override;
    [[nodiscard]] int CheckedRadio(int firstId, int lastId) const override;
    void CheckRadio(int firstId, int lastId, int position) override;
    [[nodiscard]] int CheckState(int id) const override;
    void SetCheckState(int id, int state) override;
    void SetScrollRangeAndPos(int id, int minimum, int maximum, int position) override;
    void SetScrollPos(int id, int position) override;
    [[nodiscard]] int ScrollPos(int id) const override;
    [[nodiscard]] int ScrollTrackPos(int id) const override;
    [[nodiscard]] int FocusedControl() const override;
    void FocusControl(int id, bool selectAll) override;
    MessageAnswer ShowMessage(std::string_view text, std::optional<std::string_view> caption,
                              MessageButtons buttons) override;
    std::optional<std::string> ChooseOpenFile() override;
    std::optional<std::string> ChooseSaveFile() override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    [[nodiscard]] bool IsKeyDown(PolledKey key) override;
    // Runs the work on a thread of its own, as the window does, and waits for it.
    [[nodiscard]] bool RunLongTask(std::string_view title,
                                   const std::function<void(const ProgressPoll&)>& work) override;
    [[nodiscard]] int CodePage() const override;
    void EndDialog(int result) override;

    // The user types into a control, bypassing its limit as a paste through another program might.
    void Type(int id, std::string text) { texts[id] = std::move(text); }
    // The user clicks a radio button of the group firstId..lastId.
    void ClickRadio(int firstId, int lastId, int id);
    [[nodiscard]] std::vector<std::string> MessageTexts() const;
};

}  // namespace vesperine::testing
