// The system's own answer to "is this key held down now": the X11 keyboard, or Windows' key state.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/qt/key_state.h"

namespace vesperine::qt {

// The query of the platform the application runs on: X11 (xcb_query_keymap on Qt's own
// connection) or Windows (GetAsyncKeyState); empty where the system offers none (Wayland,
// offscreen). Call on the interface thread once the application exists; the query it gives
// may then be called from any thread.
[[nodiscard]] KeyDownQuery SystemKeyQuery();

// X11's keyboard mapping as the server gives it: perKeycode keysyms for each keycode from
// minKeycode on. The keycodes that carry keysym at any level.
[[nodiscard]] std::vector<std::uint8_t> KeycodesOf(std::span<const std::uint32_t> keysyms, int perKeycode,
                                                   int minKeycode, std::uint32_t keysym);

// Whether any of the keycodes is down in X11's 32-byte keymap (bit k % 8 of byte k / 8).
[[nodiscard]] bool AnyKeyDown(std::span<const std::uint8_t, 32> keymap, std::span<const std::uint8_t> keycodes);

}  // namespace vesperine::qt
