// What the Qt host asks the user in windows of their own: message boxes and file choosers.
#pragma once

#include <QString>
#include <optional>

#include "app/host.h"

class QWidget;

namespace vesperine::qt {

enum class FileChoice { Open, Save };

// One seam for every modal question, so that window tests answer from a script instead of
// opening nested modal loops.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    virtual MessageAnswer AskMessage(const QString& text, const QString& caption, MessageButtons buttons) = 0;
    // The full path chosen, or nothing when the user cancels.
    virtual std::optional<QString> ChooseFile(FileChoice choice) = 0;
};

// The real thing: QMessageBox without icon, and QFileDialog with the one filter "All File(*.*)"
// matching every file, names without an extension included.
class DialogPrompts final : public UserPrompts {
public:
    explicit DialogPrompts(QWidget* owner) : owner_(owner) {}
    MessageAnswer AskMessage(const QString& text, const QString& caption, MessageButtons buttons) override;
    std::optional<QString> ChooseFile(FileChoice choice) override;

private:
    QWidget* owner_;
};

}  // namespace vesperine::qt
