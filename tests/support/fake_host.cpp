// An in-memory host for tests.
#include "fake_host.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vesperine::testing {

std::string FakeHost::ControlText(int id) const {
    const auto it = texts.find(id);
    return it == texts.end() ? std::string() : it->second;
}

void FakeHost::SetControlText(int id, std::string_view text) {
    texts[id] = std::string(text);
    if (changeListener) changeListener(id);
}

void FakeHost::LimitText(int id, int maxChars) { limits[id] = maxChars; }

int FakeHost::CheckedRadio(int firstId, int lastId) const {
    for (int id = firstId; id <= lastId; ++id) {
        const auto it = checked.find(id);
        if (it != checked.end() && it->second) return id - firstId;
    }
    return -1;
}

void FakeHost::CheckRadio(int firstId, int lastId, int position) {
    for (int id = firstId; id <= lastId; ++id) checked[id] = (id - firstId) == position;
}

int FakeHost::CheckState(int id) const {
    const auto it = checked.find(id);
    return it != checked.end() && it->second ? 1 : 0;
}

void FakeHost::SetCheckState(int id, int state) { checked[id] = state != 0; }

void FakeHost::SetScrollRangeAndPos(int id, int minimum, int maximum, int position) {
    FakeScrollBar& bar = bars[id];
    if (maximum < minimum) minimum = maximum = 0;
    bar.minimum = minimum;
    bar.maximum = maximum;
    bar.position = std::clamp(position, minimum, maximum);
}

void FakeHost::SetScrollPos(int id, int position) {
    FakeScrollBar& bar = bars[id];
    bar.position = std::clamp(position, bar.minimum, bar.maximum);
}

int FakeHost::ScrollPos(int id) const {
    const auto it = bars.find(id);
    return it == bars.end() ? 0 : it->second.position;
}

int FakeHost::ScrollTrackPos(int id) const {
    const auto it = bars.find(id);
    if (it == bars.end()) return 0;
    return it->second.track.value_or(it->second.position);
}

int FakeHost::FocusedControl() const { return focus; }

void FakeHost::FocusControl(int id, bool selectAll) {
    focus = id;
    focusSelectedAll = selectAll;
}

MessageAnswer FakeHost::ShowMessage(std::string_view text, std::optional<std::string_view> caption,
                                    MessageButtons buttons) {
    messages.push_back({std::string(text), caption ? std::optional<std::string>(*caption) : std::nullopt, buttons});
    if (waitDepth > 0) ++messagesUnderWaitCursor;
    MessageAnswer answer = buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    if (!messageAnswers.empty()) {
        answer = messageAnswers.front();
        messageAnswers.pop_front();
    }
    return answer;
}

std::optional<std::string> FakeHost::ChooseOpenFile() {
    ++openDialogs;
    if (duringFileDialog) duringFileDialog();
    if (openAnswers.empty()) return std::nullopt;
    auto answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

std::optional<std::string> FakeHost::ChooseSaveFile() {
    ++saveDialogs;
    if (duringFileDialog) duringFileDialog();
    if (saveAnswers.empty()) return std::nullopt;
    auto answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

void FakeHost::BeginWaitCursor() {
    ++waitCursorsBegun;
    maxWaitDepth = std::max(maxWaitDepth, ++waitDepth);
}

void FakeHost::EndWaitCursor() { --waitDepth; }

bool FakeHost::IsKeyDown(PolledKey key) {
    const int before = keyQueries++;
    return keyState ? keyState(key, before) : false;
}

bool FakeHost::RunLongTask(std::string_view title, const std::function<void(const ProgressPoll&)>& work) {
    if (threadsRefused) return false;
    ++longTasks;
    taskTitles.emplace_back(title);
    // The worker stops at its first poll until duringTask has run on this thread.
    std::mutex mutex;
    std::condition_variable changed;
    bool polled = false;
    bool ended = false;
    bool released = !duringTask;
    const ProgressPoll poll = [&](const Progress& progress) {
        {
            std::unique_lock lock(mutex);
            if (!polled) {
                polled = true;
                changed.notify_all();
                changed.wait(lock, [&] { return released; });
            }
        }
        progressSeen.push_back(progress);
        const int before = progressPolls++;
        return breakRequested ? breakRequested(before) : false;
    };
    std::thread worker([&] {
        work(poll);
        const std::lock_guard lock(mutex);
        ended = true;
        changed.notify_all();
    });
    if (duringTask) {
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return polled || ended; });
        }
        duringTask();
        const std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
    worker.join();
    return true;
}

int FakeHost::CodePage() const { return codePage; }

void FakeHost::EndDialog(int result) { endedWith = result; }

void FakeHost::ClickRadio(int firstId, int lastId, int id) { CheckRadio(firstId, lastId, id - firstId); }

std::vector<std::string> FakeHost::MessageTexts() const {
    std::vector<std::string> result;
    for (const auto& m : messages) result.push_back(m.text);
    return result;
}

}  // namespace vesperine::testing
