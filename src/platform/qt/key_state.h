// The polled keys' state, kept from the key events and readable from any thread.
#pragma once

#include <array>
#include <atomic>

#include "app/host.h"

namespace vesperine::qt {

// Linux offers no query of a key's physical state, so the key events keep it: a key counts
// as down from its press to its release, and a press is remembered until the next query.
class KeyState {
public:
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
};

}  // namespace vesperine::qt
