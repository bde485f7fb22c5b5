#include "platform/ui/qt_input.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "support/qt_application.h"

using namespace input;

namespace {

// Events and the settings store need an application object, but no display.
const auto* const kQt = testsupport::AddQtApplicationEnvironment(testsupport::QtDisplay::Offscreen);

// X11 keycodes (evdev + 8) of a few keys on any layout.
constexpr quint32 kScanW = 25, kScanA = 38, kScanS = 39, kScanD = 40, kScanP = 33;
constexpr quint32 kScanT = 28, kScanN = 57, kScan1 = 10, kScan0 = 19, kScanSlash = 61;
constexpr quint32 kScanEqual = 21, kScanMinus = 20;
// Qt reports Cyrillic letters by their Unicode code points.
constexpr int kCyrTSE = 0x0426, kCyrEF = 0x0424, kCyrYERU = 0x042B, kCyrVE = 0x0412;
constexpr int kCyrZE = 0x0417, kCyrIE = 0x0415, kCyrTE = 0x0422;

QKeyEvent Key(QEvent::Type type, int key, quint32 scan, Qt::KeyboardModifiers mods = {},
              bool autoRepeat = false, const QString& text = {}) {
    return QKeyEvent(type, key, mods, scan, 0, 0, text, autoRepeat);
}

std::optional<InputMessage> Convert(const QKeyEvent& e) {
    return ui::MessageFromKeyEvent(e, WindowId::View);
}

TEST(QtInput, LettersAndDigitsFollowThePhysicalKeyUnderANonLatinLayout) {
    // Russian layout: the W key produces Ц, A produces Ф, and so on; Greek likewise.
    struct Case {
        int qtKey;
        quint32 scan;
        int expected;
    } cases[] = {
        {kCyrTSE, kScanW, 'W'},
        {kCyrEF, kScanA, 'A'},
        {kCyrYERU, kScanS, 'S'},
        {kCyrVE, kScanD, 'D'},
        {kCyrZE, kScanP, 'P'},
        {kCyrIE, kScanT, 'T'},
        {kCyrTE, kScanN, 'N'},
        {Qt::Key_1, kScan1, '1'},
        {Qt::Key_0, kScan0, '0'},
        {Qt::Key_Period, kScanSlash, vk::VK_OEM_2},
        {Qt::Key_Equal, kScanEqual, vk::VK_OEM_PLUS},
        {Qt::Key_Minus, kScanMinus, vk::VK_OEM_MINUS},
        {0x03A9, 55, 'V'},  // Greek: omega on the V key
    };
    for (const Case& c : cases) {
        const QString text = QChar(static_cast<char16_t>(c.qtKey)).toLower();
        const auto msg = Convert(Key(QEvent::KeyPress, c.qtKey, c.scan, {}, false, text));
        ASSERT_TRUE(msg) << c.scan;
        EXPECT_EQ(msg->virtualKey, c.expected) << c.scan;
        EXPECT_EQ(msg->kind, MessageKind::KeyDown);
    }
}

TEST(QtInput, LettersFollowThePrintedLetterOnLatinLayouts) {
    // X11 keycodes of the US Q, Y, Z, ; and M positions.
    constexpr quint32 kScanQ = 24, kScanY = 29, kScanZ = 52, kScanSemicolon = 47, kScanM = 58;
    struct Case {
        int qtKey;
        quint32 scan;
        const char* text;
        int expected;
    } cases[] = {
        // AZERTY: A and Q, W and Z swap places; M sits on the US semicolon, a comma on M.
        {Qt::Key_A, kScanQ, "a", 'A'},
        {Qt::Key_Q, kScanA, "q", 'Q'},
        {Qt::Key_Z, kScanW, "z", 'Z'},
        {Qt::Key_W, kScanZ, "w", 'W'},
        {Qt::Key_M, kScanSemicolon, "m", 'M'},
        {Qt::Key_Comma, kScanM, ",", 0xBC},
        // QWERTZ: Y and Z swap places.
        {Qt::Key_Z, kScanY, "z", 'Z'},
        {Qt::Key_Y, kScanZ, "y", 'Y'},
        // Digits stay on their keys (AZERTY prints & on the 1 key).
        {Qt::Key_Ampersand, kScan1, "&", '1'},
    };
    for (const Case& c : cases) {
        const auto msg = Convert(Key(QEvent::KeyPress, c.qtKey, c.scan, {}, false, c.text));
        ASSERT_TRUE(msg) << c.text;
        EXPECT_EQ(msg->virtualKey, c.expected) << c.text;
    }
}

TEST(QtInput, WithoutAScanCodeTheQtKeyDecides) {
    // Synthetic events (tests, input methods) carry no scan code.
    EXPECT_EQ(Convert(Key(QEvent::KeyPress, Qt::Key_W, 0))->virtualKey, 'W');
    EXPECT_EQ(Convert(Key(QEvent::KeyPress, Qt::Key_7, 0))->virtualKey, '7');
    EXPECT_EQ(Convert(Key(QEvent::KeyPress, Qt::Key_Plus, 0))->virtualKey, vk::VK_OEM_PLUS);
    EXPECT_EQ(Convert(Key(QEvent::KeyPress, Qt::Key_Slash, 0))->virtualKey, vk::VK_OEM_2);
    EXPECT_EQ(Convert(Key(QEvent::KeyPress, Qt::Key_F10, 0))->virtualKey, vk::VK_F10);
    EXPECT_EQ(Convert(Key(QEvent::KeyPress, Qt::Key_Escape, 0))->virtualKey, vk::VK_ESCAPE);
    EXPECT_EQ(Convert(Key(QEvent::KeyPress, Qt::Key_Enter, 0))->virtualKey, vk::VK_RETURN);
    EXPECT_EQ(Convert(Key(QEvent::KeyPress, Qt::Key_Backtab, 0))->virtualKey, vk::VK_TAB);
    EXPECT_FALSE(Convert(Key(QEvent::KeyPress, kCyrTSE, 0)));
    EXPECT_FALSE(Convert(Key(QEvent::KeyPress, Qt::Key_unknown, 0)));
}

TEST(QtInput, APressCarriesTheCharacterItTypes) {
    // Shift and "=" on a US keyboard type "+".
    const auto plus =
        Convert(Key(QEvent::KeyPress, Qt::Key_Plus, kScanEqual, Qt::ShiftModifier, false, "+"));
    EXPECT_EQ(plus->virtualKey, vk::VK_OEM_PLUS);
    EXPECT_EQ(plus->character, U'+');
    // Control characters and releases carry none.
    EXPECT_EQ(Convert(Key(QEvent::KeyPress, Qt::Key_S, 39, Qt::ControlModifier, false, "\x13"))
                  ->character,
              0u);
    EXPECT_EQ(Convert(Key(QEvent::KeyRelease, Qt::Key_Plus, kScanEqual, {}, false, "+"))->character,
              0u);
}

TEST(QtInput, KeypadKeysKeepTheirOwnCodes) {
    // Scan codes of keypad keys are not in the main-block table either way.
    EXPECT_EQ(Convert(Key(QEvent::KeyPress, Qt::Key_Plus, 86, Qt::KeypadModifier))->virtualKey,
              vk::VK_ADD);
    EXPECT_EQ(Convert(Key(QEvent::KeyPress, Qt::Key_Minus, 82, Qt::KeypadModifier))->virtualKey,
              vk::VK_SUBTRACT);
    EXPECT_EQ(Convert(Key(QEvent::KeyPress, Qt::Key_Enter, 112, Qt::KeypadModifier))->virtualKey,
              vk::VK_RETURN);
}

TEST(QtInput, ModifiersAutoRepeatAndReleases) {
    auto ctrlN = Convert(Key(QEvent::KeyPress, Qt::Key_N, kScanN, Qt::ControlModifier));
    EXPECT_EQ(ctrlN->buttons, vk::MK_CONTROL);
    EXPECT_FALSE(ctrlN->alt);

    auto altEnter = Convert(Key(QEvent::KeyPress, Qt::Key_Return, 36, Qt::AltModifier));
    EXPECT_EQ(altEnter->virtualKey, vk::VK_RETURN);
    EXPECT_TRUE(altEnter->alt);
    EXPECT_EQ(altEnter->buttons, 0u);

    auto repeat = Convert(Key(QEvent::KeyPress, Qt::Key_W, kScanW, {}, true));
    EXPECT_TRUE(repeat->autoRepeat);
    // Qt pairs every repeated press with a synthetic release; a held key must stay held.
    EXPECT_FALSE(Convert(Key(QEvent::KeyRelease, Qt::Key_W, kScanW, {}, true)));

    auto up = Convert(Key(QEvent::KeyRelease, Qt::Key_Shift, 50, Qt::ShiftModifier));
    EXPECT_EQ(up->kind, MessageKind::KeyUp);
    EXPECT_EQ(up->virtualKey, vk::VK_SHIFT);
    EXPECT_FALSE(up->autoRepeat);
    EXPECT_EQ(Convert(Key(QEvent::KeyPress, Qt::Key_Control, 37))->virtualKey, vk::VK_CONTROL);
    EXPECT_EQ(Convert(Key(QEvent::KeyPress, Qt::Key_Alt, 64))->virtualKey, vk::VK_MENU);
}

QMouseEvent Mouse(QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons held,
                  Qt::KeyboardModifiers mods = {}) {
    return QMouseEvent(type, pos, pos, pos, button, held, mods);
}

TEST(QtInput, MouseButtonsPositionsAndHeldFlags) {
    auto down =
        ui::MessageFromMouseEvent(Mouse(QEvent::MouseButtonPress, {10.7, 20.2}, Qt::LeftButton,
                                        Qt::LeftButton, Qt::ControlModifier),
                                  WindowId::View);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->kind, MessageKind::LButtonDown);
    EXPECT_EQ(down->x, 10);
    EXPECT_EQ(down->y, 20);
    EXPECT_EQ(down->buttons, vk::MK_LBUTTON | vk::MK_CONTROL);

    // Dragged out of the view while captured: coordinates go negative.
    auto move =
        ui::MessageFromMouseEvent(Mouse(QEvent::MouseMove, {-5.5, -0.25}, Qt::NoButton,
                                        Qt::LeftButton | Qt::RightButton, Qt::ShiftModifier),
                                  WindowId::FullScreen);
    EXPECT_EQ(move->kind, MessageKind::MouseMove);
    EXPECT_EQ(move->x, -6);
    EXPECT_EQ(move->y, -1);
    EXPECT_EQ(move->buttons, vk::MK_LBUTTON | vk::MK_RBUTTON | vk::MK_SHIFT);
    EXPECT_EQ(move->target, WindowId::FullScreen);

    // The released button is no longer held.
    auto up = ui::MessageFromMouseEvent(
        Mouse(QEvent::MouseButtonRelease, {1, 2}, Qt::MiddleButton, Qt::NoButton), WindowId::View);
    EXPECT_EQ(up->kind, MessageKind::MButtonUp);
    EXPECT_EQ(up->buttons, 0u);

    auto dbl = ui::MessageFromMouseEvent(
        Mouse(QEvent::MouseButtonDblClick, {1, 2}, Qt::RightButton, Qt::RightButton),
        WindowId::View);
    EXPECT_EQ(dbl->kind, MessageKind::RButtonDown);
    EXPECT_FALSE(ui::MessageFromMouseEvent(
        Mouse(QEvent::MouseButtonPress, {1, 2}, Qt::BackButton, Qt::BackButton), WindowId::View));
}

TEST(QtInput, WheelNotchesAndHorizontalScroll) {
    QWheelEvent notch({5, 6}, {5, 6}, {}, {0, -240}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    auto msg = ui::MessageFromWheelEvent(notch, WindowId::View);
    ASSERT_TRUE(msg);
    EXPECT_EQ(msg->kind, MessageKind::MouseWheel);
    EXPECT_EQ(msg->wheelDelta, -240);
    EXPECT_EQ(msg->x, 5);
    QWheelEvent sideways({5, 6}, {5, 6}, {}, {120, 0}, Qt::NoButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
    EXPECT_FALSE(ui::MessageFromWheelEvent(sideways, WindowId::View));
}

}  // namespace
