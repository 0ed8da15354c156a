// KeyState: atomics, because the long task's worker thread polls while the interface thread writes.
#include "platform/qt/key_state.h"

namespace vesperine::qt {

void KeyState::Press(PolledKey key) {
    Key& k = Of(key);
    k.down = true;
    k.pressed = true;
}

void KeyState::Release(PolledKey key) { Of(key).down = false; }

bool KeyState::Query(PolledKey key) {
    Key& k = Of(key);
    const bool pressed = k.pressed.exchange(false);
    // A press and release quicker than the polls still counts once, when its events came here.
    return pressed || (systemQuery_ ? systemQuery_(key) : k.down.load());
}

void KeyState::ForgetPresses() {
    for (Key& k : keys_) k.pressed = false;
}

}  // namespace vesperine::qt
