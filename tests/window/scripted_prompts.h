// Scripted answers for the Qt host's message boxes and file dialogs, and a record of the questions.
#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "platform/qt/user_prompts.h"

namespace vesperine::qt::testing {

struct AskedMessage {
    QString text;
    QString caption;
    MessageButtons buttons;
};

class ScriptedPrompts final : public UserPrompts {
public:
    // An empty script answers Ok or Yes, and cancels file dialogs.
    std::deque<MessageAnswer> answers;
    std::deque<std::optional<QString>> files;
    std::vector<AskedMessage> messages;
    std::vector<FileChoice> fileDialogs;

    MessageAnswer AskMessage(const QString& text, const QString& caption, MessageButtons buttons) override {
        messages.push_back({text, caption, buttons});
        if (answers.empty()) return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::optional<QString> ChooseFile(FileChoice choice) override {
        fileDialogs.push_back(choice);
        if (files.empty()) return std::nullopt;
        std::optional<QString> answer;
        answer.swap(files.front());
        files.pop_front();
        return answer;
    }
};

}  // namespace vesperine::qt::testing
