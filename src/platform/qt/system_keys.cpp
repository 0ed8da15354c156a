// SystemKeyQuery: the X11 keymap through xcb, Windows' GetAsyncKeyState, or none.
#include "platform/qt/system_keys.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>

#if defined(VESPERINE_X11_KEYS)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <QGuiApplication>
#endif
#if defined(_WIN32)
#include <windows.h>
#endif

namespace vesperine::qt {

std::vector<std::uint8_t> KeycodesOf(std::span<const std::uint32_t> keysyms, int perKeycode, int minKeycode,
                                     std::uint32_t keysym) {
    std::vector<std::uint8_t> codes;
    if (perKeycode <= 0) return codes;
    const auto per = static_cast<std::size_t>(perKeycode);
    for (std::size_t i = 0; i < keysyms.size(); ++i) {
        const std::size_t code = static_cast<std::size_t>(minKeycode) + i / per;
        if (keysyms[i] == keysym && code <= 255 && (codes.empty() || codes.back() != code))
            codes.push_back(static_cast<std::uint8_t>(code));
    }
    return codes;
}

bool AnyKeyDown(std::span<const std::uint8_t, 32> keymap, std::span<const std::uint8_t> keycodes) {
    for (const std::uint8_t code : keycodes)
        if ((keymap[code / 8] >> (code % 8)) & 1u) return true;
    return false;
}

namespace {

#if defined(VESPERINE_X11_KEYS)

constexpr std::uint32_t kShiftL = 0xFFE1;     // XK_Shift_L
constexpr std::uint32_t kShiftR = 0xFFE2;     // XK_Shift_R
constexpr std::uint32_t kBackSpace = 0xFF08;  // XK_BackSpace

// The X server's keymap, asked again at most once per kFreshness: the search polls many
// thousand times a second and each question is a round trip to the server, while a person's
// key stays down for a good tenth of a second.
class X11Keyboard {
public:
    explicit X11Keyboard(xcb_connection_t* connection) : connection_(connection) {
        const xcb_setup_t* setup = xcb_get_setup(connection);
        const int first = setup->min_keycode;
        const int count = setup->max_keycode - setup->min_keycode + 1;
        auto* mapping = xcb_get_keyboard_mapping_reply(
            connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count)),
            nullptr);
        if (!mapping) return;
        const std::span<const std::uint32_t> keysyms(
            xcb_get_keyboard_mapping_keysyms(mapping),
            static_cast<std::size_t>(xcb_get_keyboard_mapping_keysyms_length(mapping)));
        shift_ = KeycodesOf(keysyms, mapping->keysyms_per_keycode, first, kShiftL);
        for (const std::uint8_t code : KeycodesOf(keysyms, mapping->keysyms_per_keycode, first, kShiftR))
            shift_.push_back(code);
        backspace_ = KeycodesOf(keysyms, mapping->keysyms_per_keycode, first, kBackSpace);
        std::free(mapping);
    }

    bool IsDown(PolledKey key) {
        const std::lock_guard lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        if (!asked_ || now - askedAt_ >= kFreshness) {
            if (auto* reply = xcb_query_keymap_reply(connection_, xcb_query_keymap(connection_), nullptr)) {
                std::copy(std::begin(reply->keys), std::end(reply->keys), keymap_.begin());
                std::free(reply);
            }
            asked_ = true;
            askedAt_ = now;
        }
        return AnyKeyDown(keymap_, key == PolledKey::Shift ? shift_ : backspace_);
    }

private:
    static constexpr std::chrono::milliseconds kFreshness{10};

    xcb_connection_t* connection_;
    std::vector<std::uint8_t> shift_;
    std::vector<std::uint8_t> backspace_;
    std::mutex mutex_;
    std::array<std::uint8_t, 32> keymap_{};
    bool asked_ = false;
    std::chrono::steady_clock::time_point askedAt_;
};

#endif

}  // namespace

KeyDownQuery SystemKeyQuery() {
#if defined(_WIN32)
    // The high bit: down now; the low bit: pressed since the previous call.
    return [](PolledKey key) { return (GetAsyncKeyState(key == PolledKey::Shift ? VK_SHIFT : VK_BACK) & 0x8001) != 0; };
#elif defined(VESPERINE_X11_KEYS)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return {};
    auto keyboard = std::make_shared<X11Keyboard>(x11->connection());
    return [keyboard](PolledKey key) { return keyboard->IsDown(key); };
#else
    return {};
#endif
}

}  // namespace vesperine::qt
