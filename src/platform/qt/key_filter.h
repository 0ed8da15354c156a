// The key filter: sees every key press of the window and its controls before they handle it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "app/control_ids.h"
#include "platform/qt/key_state.h"

namespace vesperine::qt {

// Installed on the application, so it sees a key whichever control has the focus. It passes
// F1 to F4, Page Up and Page Down pressed in the window (autorepeat included, Shift and Ctrl
// ignored, nothing with Alt) to onKey, and keeps KeyState from the Shift and Backspace events
// of every window of the program. It consumes nothing: each key then goes on to its control.
class KeyFilter final : public QObject {
public:
    KeyFilter(QWidget& window, KeyState& keys, std::function<void(FilterKey)> onKey);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] bool IsFirstReceiverInWindow(QObject* watched) const;

    QPointer<QWidget> window_;
    KeyState& keys_;
    std::function<void(FilterKey)> onKey_;
};

}  // namespace vesperine::qt
