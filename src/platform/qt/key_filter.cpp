// KeyFilter: the window's function and paging keys, and the polled keys' state.
#include "platform/qt/key_filter.h"

#include <QKeyEvent>
#include <array>
#include <optional>
#include <utility>

namespace vesperine::qt {

namespace {

struct KeyRoute {
    int qtKey;
    FilterKey key;
};
constexpr std::array<KeyRoute, 6> kFilterKeys{{
    {Qt::Key_F1, FilterKey::F1},
    {Qt::Key_F2, FilterKey::F2},
    {Qt::Key_F3, FilterKey::F3},
    {Qt::Key_F4, FilterKey::F4},
    {Qt::Key_PageUp, FilterKey::PageUp},
    {Qt::Key_PageDown, FilterKey::PageDown},
}};

std::optional<FilterKey> FilterKeyOf(int qtKey) {
    for (const auto& route : kFilterKeys)
        if (route.qtKey == qtKey) return route.key;
    return std::nullopt;
}

std::optional<PolledKey> PolledKeyOf(int qtKey) {
    if (qtKey == Qt::Key_Shift) return PolledKey::Shift;
    if (qtKey == Qt::Key_Backspace) return PolledKey::Backspace;
    return std::nullopt;
}

}  // namespace

KeyFilter::KeyFilter(QWidget& window, KeyState& keys, std::function<void(FilterKey)> onKey)
    : window_(&window), keys_(keys), onKey_(std::move(onKey)) {}

bool KeyFilter::IsFirstReceiverInWindow(QObject* watched) const {
    // An unaccepted key travels on to the parents of its receiver, and this filter sees each
    // step; only the first receiver (the focus widget, or the window without one) counts.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !window_ || widget->window() != window_) return false;
    QWidget* focus = window_->focusWidget();
    return focus ? widget == focus : widget == window_;
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!watched->isWidgetType()) return false;  // the window's QWindow sees each key first

    if (const auto polled = PolledKeyOf(key->key())) {
        if (type == QEvent::KeyPress) keys_.Press(*polled);
        else if (!key->isAutoRepeat()) keys_.Release(*polled);
    }
    // Every other key carries Shift's true state as a modifier: this mends a press or a
    // release that went to another program's window.
    if (key->key() != Qt::Key_Shift) keys_.SetDown(PolledKey::Shift, (key->modifiers() & Qt::ShiftModifier) != 0);
    if (type != QEvent::KeyPress || (key->modifiers() & Qt::AltModifier)) return false;
    if (!IsFirstReceiverInWindow(watched)) return false;
    if (const auto filtered = FilterKeyOf(key->key())) onKey_(*filtered);
    return false;
}

}  // namespace vesperine::qt
