#include "platform/ui/qt_input.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

using namespace input;

namespace ui {
namespace {

// Windows numbers of the punctuation and keypad keys that InputMessage does not name.
constexpr int kVkOem1 = 0xBA;       // ; :
constexpr int kVkOemComma = 0xBC;   // , <
constexpr int kVkOemPeriod = 0xBE;  // . >
constexpr int kVkOem3 = 0xC0;       // ` ~
constexpr int kVkOem4 = 0xDB;       // [ {
constexpr int kVkOem5 = 0xDC;       // \ |
constexpr int kVkOem6 = 0xDD;       // ] }
constexpr int kVkOem7 = 0xDE;       // ' "
constexpr int kVkNumpad0 = 0x60;
constexpr int kVkMultiply = 0x6A;
constexpr int kVkDecimal = 0x6E;
constexpr int kVkDivide = 0x6F;
constexpr int kVkPrior = 33, kVkNext = 34, kVkInsert = 45;

// X11 keycodes of the main block are the Linux evdev codes plus 8. The table is indexed by
// the evdev code and lists the key printed on a US keyboard.
constexpr int kEvdevOffset = 8;
constexpr int kScanTable[] = {
    0,
    0,
    '1',
    '2',
    '3',
    '4',
    '5',
    '6',
    '7',
    '8',  // 0..9
    '9',
    '0',
    vk::VK_OEM_MINUS,
    vk::VK_OEM_PLUS,
    0,
    0,  // 10..15
    'Q',
    'W',
    'E',
    'R',
    'T',
    'Y',
    'U',
    'I',
    'O',
    'P',  // 16..25
    kVkOem4,
    kVkOem6,
    0,
    0,  // 26..29
    'A',
    'S',
    'D',
    'F',
    'G',
    'H',
    'J',
    'K',
    'L',  // 30..38
    kVkOem1,
    kVkOem7,
    kVkOem3,
    0,
    kVkOem5,  // 39..43
    'Z',
    'X',
    'C',
    'V',
    'B',
    'N',
    'M',  // 44..50
    kVkOemComma,
    kVkOemPeriod,
    vk::VK_OEM_2,  // 51..53
};

}  // namespace

int VirtualKeyFromScanCode(quint32 nativeScanCode) {
    if (nativeScanCode < kEvdevOffset) return 0;
    const quint32 evdev = nativeScanCode - kEvdevOffset;
    if (evdev >= std::size(kScanTable)) return 0;
    return kScanTable[evdev];
}

int VirtualKeyFromQtKey(int qtKey, bool keypad) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return keypad ? kVkNumpad0 + (qtKey - Qt::Key_0) : '0' + (qtKey - Qt::Key_0);
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return vk::VK_F1 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
        case Qt::Key_Backspace:
            return vk::VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return vk::VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return vk::VK_RETURN;
        case Qt::Key_Shift:
            return vk::VK_SHIFT;
        case Qt::Key_Control:
            return vk::VK_CONTROL;
        case Qt::Key_Alt:
            return vk::VK_MENU;
        case Qt::Key_Escape:
            return vk::VK_ESCAPE;
        case Qt::Key_Space:
            return vk::VK_SPACE;
        case Qt::Key_PageUp:
            return kVkPrior;
        case Qt::Key_PageDown:
            return kVkNext;
        case Qt::Key_End:
            return vk::VK_END;
        case Qt::Key_Home:
            return vk::VK_HOME;
        case Qt::Key_Left:
            return vk::VK_LEFT;
        case Qt::Key_Up:
            return vk::VK_UP;
        case Qt::Key_Right:
            return vk::VK_RIGHT;
        case Qt::Key_Down:
            return vk::VK_DOWN;
        case Qt::Key_Insert:
            return kVkInsert;
        case Qt::Key_Delete:
            return vk::VK_DELETE;
        case Qt::Key_Plus:
            return keypad ? vk::VK_ADD : vk::VK_OEM_PLUS;
        case Qt::Key_Equal:
            return vk::VK_OEM_PLUS;
        case Qt::Key_Minus:
            return keypad ? vk::VK_SUBTRACT : vk::VK_OEM_MINUS;
        case Qt::Key_Underscore:
            return vk::VK_OEM_MINUS;
        case Qt::Key_Asterisk:
            return keypad ? kVkMultiply : 0;
        case Qt::Key_Slash:
            return keypad ? kVkDivide : vk::VK_OEM_2;
        case Qt::Key_Question:
            return vk::VK_OEM_2;
        case Qt::Key_Period:
            return keypad ? kVkDecimal : kVkOemPeriod;
        case Qt::Key_Comma:
            return kVkOemComma;
        case Qt::Key_Semicolon:
        case Qt::Key_Colon:
            return kVkOem1;
        case Qt::Key_BracketLeft:
        case Qt::Key_BraceLeft:
            return kVkOem4;
        case Qt::Key_BracketRight:
        case Qt::Key_BraceRight:
            return kVkOem6;
        case Qt::Key_Backslash:
        case Qt::Key_Bar:
            return kVkOem5;
        case Qt::Key_Apostrophe:
        case Qt::Key_QuoteDbl:
            return kVkOem7;
        case Qt::Key_QuoteLeft:
        case Qt::Key_AsciiTilde:
            return kVkOem3;
        default:
            return 0;
    }
}

namespace {

// Qt reports a letter of another script (Cyrillic, Greek...) by its Unicode code point.
bool IsNonLatinLetter(int qtKey) {
    if (qtKey <= 0 || qtKey > 0xFFFF) return false;
    const QChar c(static_cast<char16_t>(qtKey));
    return c.isLetter() && c.script() != QChar::Script_Latin;
}

}  // namespace

int VirtualKeyFor(int qtKey, quint32 nativeScanCode, bool keypad) {
    if (keypad) return VirtualKeyFromQtKey(qtKey, true);
    // A Latin layout: the letter printed on the key, wherever the key sits (A on the
    // AZERTY key where US has Q), as the desktop's own shortcuts read it.
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return VirtualKeyFromQtKey(qtKey, false);
    const int physical = VirtualKeyFromScanCode(nativeScanCode);
    // On a US letter position a Latin layout may print something else (the AZERTY comma
    // where US has M): that character, not the letter. A non-Latin layout keeps the
    // physical position, so that W, A, S, D sit where they do on a US keyboard.
    if (physical >= 'A' && physical <= 'Z' && !IsNonLatinLetter(qtKey))
        return VirtualKeyFromQtKey(qtKey, false);
    return physical ? physical : VirtualKeyFromQtKey(qtKey, false);
}

std::optional<InputMessage> MessageFromKeyEvent(const QKeyEvent& event, WindowId target) {
    const bool press = event.type() == QEvent::KeyPress;
    if (!press && event.type() != QEvent::KeyRelease) return std::nullopt;
    if (!press && event.isAutoRepeat()) return std::nullopt;
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    const int code = VirtualKeyFor(event.key(), event.nativeScanCode(), keypad);
    if (code == 0) return std::nullopt;
    InputMessage msg;
    msg.kind = press ? MessageKind::KeyDown : MessageKind::KeyUp;
    msg.virtualKey = code;
    msg.autoRepeat = press && event.isAutoRepeat();
    msg.alt = event.modifiers().testFlag(Qt::AltModifier);
    // One printable character (Shift and "=" type "+" on a US layout).
    const QList<uint> typed = event.text().toUcs4();
    if (press && typed.size() == 1 && typed.front() >= 0x20 && typed.front() != 0x7F)
        msg.character = static_cast<char32_t>(typed.front());
    // The accelerator table reads Ctrl and Shift from the held-button flags.
    msg.buttons = ButtonFlags(Qt::NoButton, event.modifiers());
    msg.target = target;
    return msg;
}

unsigned ButtonFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    unsigned flags = 0;
    if (buttons.testFlag(Qt::LeftButton)) flags |= vk::MK_LBUTTON;
    if (buttons.testFlag(Qt::RightButton)) flags |= vk::MK_RBUTTON;
    if (buttons.testFlag(Qt::MiddleButton)) flags |= vk::MK_MBUTTON;
    if (modifiers.testFlag(Qt::ShiftModifier)) flags |= vk::MK_SHIFT;
    if (modifiers.testFlag(Qt::ControlModifier)) flags |= vk::MK_CONTROL;
    return flags;
}

namespace {

void SetPosition(InputMessage* msg, const QPointF& p) {
    msg->x = static_cast<int>(std::floor(p.x()));
    msg->y = static_cast<int>(std::floor(p.y()));
}

}  // namespace

std::optional<InputMessage> MessageFromMouseEvent(const QMouseEvent& event, WindowId target) {
    InputMessage msg;
    const QEvent::Type type = event.type();
    if (type == QEvent::MouseMove) {
        msg.kind = MessageKind::MouseMove;
    } else if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
               type == QEvent::MouseButtonRelease) {
        // A double click is a second press: the editor has no double-click gestures.
        const bool down = type != QEvent::MouseButtonRelease;
        switch (event.button()) {
            case Qt::LeftButton:
                msg.kind = down ? MessageKind::LButtonDown : MessageKind::LButtonUp;
                break;
            case Qt::MiddleButton:
                msg.kind = down ? MessageKind::MButtonDown : MessageKind::MButtonUp;
                break;
            case Qt::RightButton:
                msg.kind = down ? MessageKind::RButtonDown : MessageKind::RButtonUp;
                break;
            default:
                return std::nullopt;
        }
    } else {
        return std::nullopt;
    }
    SetPosition(&msg, event.position());
    msg.buttons = ButtonFlags(event.buttons(), event.modifiers());
    msg.target = target;
    return msg;
}

std::optional<InputMessage> MessageFromWheelEvent(const QWheelEvent& event, WindowId target) {
    const int delta = event.angleDelta().y();
    if (delta == 0) return std::nullopt;
    InputMessage msg;
    msg.kind = MessageKind::MouseWheel;
    msg.wheelDelta = delta;
    SetPosition(&msg, event.position());
    msg.buttons = ButtonFlags(event.buttons(), event.modifiers());
    msg.target = target;
    return msg;
}

}  // namespace ui
