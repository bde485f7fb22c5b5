#pragma once
// Turns Qt key, mouse and wheel events into the platform-neutral InputMessage that the
// dispatcher, key table and mouse tracker read. A key that prints a Latin letter is that
// letter (AZERTY, QWERTZ: as printed). Under a non-Latin layout (Russian) letters follow
// the physical key (the X11 scan code) as on a US keyboard; digits and punctuation follow
// the physical key under every layout. Qt::Key is used for everything else.
#include <Qt>
#include <QtGlobal>
#include <optional>

#include "input/input_message.h"

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

namespace ui {

// Virtual-key code of a physical key, from its X11 keycode (evdev code + 8); 0 when the
// key is not one of the layout-dependent keys (letters, digits, punctuation).
int VirtualKeyFromScanCode(quint32 nativeScanCode);

// Virtual-key code from Qt's logical key; 0 for keys the editor does not know.
// `keypad` tells a numeric-keypad key (Qt::KeypadModifier) from the main block.
int VirtualKeyFromQtKey(int qtKey, bool keypad);

// A printed Latin letter first, then the scan code for layout-dependent keys, Qt::Key
// otherwise.
int VirtualKeyFor(int qtKey, quint32 nativeScanCode, bool keypad);

// Key press or release. Nothing for keys without a code, and nothing for the synthetic
// releases Qt interleaves with auto-repeated presses (a held key reports repeated
// key-downs only, as the key table expects). Ctrl and Shift go into the held-button flags
// (vk::MK_CONTROL, vk::MK_SHIFT) and Alt into `alt`, and a press that types one printable
// character into `character`, for the accelerator table.
std::optional<input::InputMessage> MessageFromKeyEvent(const QKeyEvent& event,
                                                       input::WindowId target);

// Button press or release (left, middle, right only) or move; coordinates are the event's
// logical position in the receiving widget (the pixel that holds it, so signed).
std::optional<input::InputMessage> MessageFromMouseEvent(const QMouseEvent& event,
                                                         input::WindowId target);

// Vertical wheel turn in units of 120 per notch; nothing for a purely horizontal scroll.
std::optional<input::InputMessage> MessageFromWheelEvent(const QWheelEvent& event,
                                                         input::WindowId target);

// vk::MK_* flags from Qt's held buttons and keyboard modifiers.
unsigned ButtonFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

}  // namespace ui
