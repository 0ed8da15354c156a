// An in-memory host for tests.
#include "fake_host.h"

#include <algorithm>

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
    if (openAnswers.empty()) return std::nullopt;
    auto answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

std::optional<std::string> FakeHost::ChooseSaveFile() {
    ++saveDialogs;
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

void FakeHost::RunLongTask(std::string_view, const std::function<void(const ProgressPoll&)>& work) {
    ++longTasks;
    work([this](std::uint64_t, std::uint64_t) {
        const int before = progressPolls++;
        return breakRequested ? breakRequested(before) : false;
    });
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
