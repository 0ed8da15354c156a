// The polled keys' state: asked of the system where it can be, kept from key events otherwise.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <utility>

#include "app/host.h"

namespace vesperine::qt {

// Whether a key is held down at this moment, asked of the system (the keyboard's state, not
// the program's input): it answers whichever window has the focus, another program's included.
using KeyDownQuery = std::function<bool(PolledKey)>;

// The key events keep a press until the next query; a key counts as down from its press to its
// release unless a system query is set, which then says alone whether it is down. Without one
// (Wayland, offscreen) only this program's key events are seen.
class KeyState {
public:
    // Set before any long task runs: the worker thread reads it unguarded.
    void SetSystemQuery(KeyDownQuery query) { systemQuery_ = std::move(query); }

    void Press(PolledKey key);
    void Release(PolledKey key);
    // Corrects whether the key is down, without counting a press.
    void SetDown(PolledKey key, bool down) { Of(key).down = down; }
    // True when the key is down now or was pressed since the previous query of it.
    [[nodiscard]] bool Query(PolledKey key);
    // Forgets the presses already released, so that old typing cannot answer a new poll.
    void ForgetPresses();

private:
    struct Key {
        std::atomic<bool> down{false};
        std::atomic<bool> pressed{false};
    };
    [[nodiscard]] Key& Of(PolledKey key) { return keys_[key == PolledKey::Shift ? 0 : 1]; }

    std::array<Key, 2> keys_;
    KeyDownQuery systemQuery_;
};

}  // namespace vesperine::qt
