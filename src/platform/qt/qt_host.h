// QtHost: the Host operations on MainWindow's widgets, Qt's dialogs and the locale's code page.
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <string>

#include "app/host.h"
#include "platform/qt/code_page_text.h"

namespace vesperine::qt {

class MainWindow;
class UserPrompts;

class QtHost final : public Host {
public:
    QtHost(MainWindow& window, UserPrompts& prompts, int codePage);

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
    // Shows the wait cursor at once, and the progress dialog after the progress delay.
    [[nodiscard]] bool RunLongTask(std::string_view title,
                                   const std::function<void(const ProgressPoll&)>& work) override;
    [[nodiscard]] int CodePage() const override;
    void EndDialog(int result) override;

    // How long a long task runs before its progress dialog shows (0 in tests: at once).
    void SetProgressDelay(int milliseconds) { progressDelayMs_ = milliseconds; }
    // Called on the worker with each report of a long task once the dialog has it to show:
    // lets a test hold the work until the window has shown a report.
    void SetProgressHook(std::function<void(const Progress&)> hook) { progressHook_ = std::move(hook); }

private:
    // The bytes last set into a control and the text that showed them: an unedited control
    // gives back exactly these bytes, including any that the code page cannot show.
    struct Pushed {
        std::string bytes;
        QString shown;
    };

    [[nodiscard]] QString ShownText(int id) const;
    [[nodiscard]] QString Decode(int id, std::string_view bytes) const;
    [[nodiscard]] std::string Encode(int id, const QString& text) const;

    MainWindow& window_;
    UserPrompts& prompts_;
    CodePageText codec_;
    std::map<int, Pushed> pushed_;
    int waitDepth_ = 0;
    int progressDelayMs_ = 400;
    std::function<void(const Progress&)> progressHook_;
};

}  // namespace vesperine::qt
