#pragma once

namespace input {

// Platform-neutral input message. The Qt view turns its events into these values;
// everything below the shell (key table, mouse tracker, dispatcher, camera) reads only
// this. Key codes and held-button flags keep the Windows numbering because the key
// tables and the accelerator table are written in those numbers.

namespace vk {

// Held-button and modifier flags of a mouse message.
inline constexpr unsigned MK_LBUTTON = 0x0001;
inline constexpr unsigned MK_RBUTTON = 0x0002;
inline constexpr unsigned MK_SHIFT = 0x0004;
inline constexpr unsigned MK_CONTROL = 0x0008;
inline constexpr unsigned MK_MBUTTON = 0x0010;

// Virtual-key codes. Digits and letters use their ASCII upper-case codes ('0'..'9', 'A'..'Z').
inline constexpr int VK_BACK = 8;
inline constexpr int VK_TAB = 9;
inline constexpr int VK_RETURN = 13;
inline constexpr int VK_SHIFT = 16;
inline constexpr int VK_CONTROL = 17;
inline constexpr int VK_MENU = 18;
inline constexpr int VK_ESCAPE = 27;
inline constexpr int VK_SPACE = 32;
inline constexpr int VK_END = 35;
inline constexpr int VK_HOME = 36;
inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;
inline constexpr int VK_DELETE = 46;
inline constexpr int VK_ADD = 107;
inline constexpr int VK_SUBTRACT = 109;
inline constexpr int VK_F1 = 112;
inline constexpr int VK_F2 = 113;
inline constexpr int VK_F3 = 114;
inline constexpr int VK_F4 = 115;
inline constexpr int VK_F5 = 116;
inline constexpr int VK_F6 = 117;
inline constexpr int VK_F7 = 118;
inline constexpr int VK_F8 = 119;
inline constexpr int VK_F9 = 120;
inline constexpr int VK_F10 = 121;
inline constexpr int VK_OEM_PLUS = 0xBB;
inline constexpr int VK_OEM_MINUS = 0xBD;
inline constexpr int VK_OEM_2 = 0xBF;  // "/" on US layouts

}  // namespace vk

enum class MessageKind {
    KeyDown,
    KeyUp,
    LButtonDown,
    LButtonUp,
    MButtonDown,
    MButtonUp,
    RButtonDown,
    RButtonUp,
    MouseMove,
    MouseWheel,
    MouseLeave,
    NcMouseMove,
    Other
};

// The window a message was sent to.
enum class WindowId { View, Form, FullScreen, Other };

struct InputMessage {
    MessageKind kind = MessageKind::Other;
    int x = 0, y = 0;         // signed client pixels of the target window
    unsigned buttons = 0;     // vk::MK_* flags held when the message was made
    int virtualKey = 0;       // vk::VK_* code of a key message
    bool autoRepeat = false;  // key-down produced by holding the key
    int wheelDelta = 0;       // signed, 120 per notch, positive away from the user
    bool alt = false;         // Alt held with a key message
    char32_t character = 0;   // what a key-down types on the user's layout; 0 none
    WindowId target = WindowId::View;
};

inline constexpr bool IsButtonDown(MessageKind k) {
    return k == MessageKind::LButtonDown || k == MessageKind::MButtonDown ||
           k == MessageKind::RButtonDown;
}
inline constexpr bool IsButtonUp(MessageKind k) {
    return k == MessageKind::LButtonUp || k == MessageKind::MButtonUp ||
           k == MessageKind::RButtonUp;
}

}  // namespace input
