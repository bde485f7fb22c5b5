#include "input/input_state.h"

#include <gtest/gtest.h>

#include <vector>

using namespace input;

namespace {

InputMessage Key(MessageKind kind, int virtualKey, bool repeat = false) {
    return {.kind = kind, .virtualKey = virtualKey, .autoRepeat = repeat};
}

InputMessage Mouse(MessageKind kind, int x, int y, WindowId target = WindowId::View) {
    return {.kind = kind, .x = x, .y = y, .target = target};
}

struct RecordingCapture : MouseCapture {
    std::vector<WindowId> captures;
    int releases = 0;
    void Capture(WindowId w) override { captures.push_back(w); }
    void Release() override { ++releases; }
};

TEST(KeyStateTable, TracksTheTwentyOneKeysInIndexOrder) {
    CKeyStateTable keys;
    EXPECT_EQ(keys.keyCount, 21);
    EXPECT_EQ(keys.DownCount(), 0);
    const int expected[] = {17,  16,  37,  38,  39,  40,  36,  35,  'A', 'W', 'D',
                            'S', 'E', 'C', 'G', 'K', 'O', 'P', 'R', 'N', 'T'};
    for (int i = 0; i < 21; ++i) {
        EXPECT_EQ(keys.EntryAt(i).virtualKey, expected[i]) << i;
        EXPECT_FALSE(keys.IsDown(i));
    }
    EXPECT_EQ(CKeyStateTable::KeyT, 20);
    EXPECT_EQ(KeyS, 11);
}

TEST(KeyStateTable, AutoRepeatKeepsTheFirstPressTimeAndTheRampGrows) {
    CKeyStateTable keys;
    keys.OnKeyMessage(10.0f, Key(MessageKind::KeyDown, 'D'));
    EXPECT_TRUE(keys.IsDown(KeyD));
    EXPECT_EQ(keys.DownCount(), 1);
    EXPECT_FLOAT_EQ(keys.HoldRamp(10.0f, KeyD), 0.0f);
    EXPECT_EQ(keys.HoldRamp(9.9f, KeyD), 0.0f);  // a frame stamped before the press
    EXPECT_NEAR(keys.HoldRamp(10.01f, KeyD), 0.04f, 1e-4f);

    // Repeated key-downs while held do not restart the ramp.
    keys.OnKeyMessage(10.2f, Key(MessageKind::KeyDown, 'D', true));
    keys.OnKeyMessage(10.3f, Key(MessageKind::KeyDown, 'D', true));
    EXPECT_EQ(keys.EntryAt(KeyD).changeTime, 10.0f);
    EXPECT_EQ(keys.DownCount(), 1);
    EXPECT_NEAR(keys.HoldRamp(10.25f, KeyD), 1.0f, 1e-4f);
    EXPECT_EQ(keys.HoldRamp(10.5f, KeyD), 2.0f);
    EXPECT_EQ(keys.HoldRamp(13.0f, KeyD), 2.0f);

    keys.OnKeyMessage(11.0f, Key(MessageKind::KeyUp, 'D'));
    EXPECT_FALSE(keys.IsDown(KeyD));
    EXPECT_EQ(keys.DownCount(), 0);
    EXPECT_EQ(keys.EntryAt(KeyD).changeTime, 11.0f);
}

TEST(KeyStateTable, ReleaseOfAnUnheldKeyChangesNothingAndClearKeepsTimes) {
    CKeyStateTable keys;
    keys.OnKeyMessage(1.0f, Key(MessageKind::KeyDown, vk::VK_CONTROL));
    keys.OnKeyMessage(1.5f, Key(MessageKind::KeyDown, 'W'));
    EXPECT_EQ(keys.DownCount(), 2);

    keys.Clear();
    EXPECT_EQ(keys.DownCount(), 0);
    EXPECT_FALSE(keys.IsDown(KeyCtrl));
    EXPECT_EQ(keys.EntryAt(KeyW).changeTime, 1.5f);

    // The key-up that went to a dialog arrives late: nothing changes.
    keys.OnKeyMessage(2.0f, Key(MessageKind::KeyUp, 'W'));
    EXPECT_EQ(keys.EntryAt(KeyW).changeTime, 1.5f);
    EXPECT_EQ(keys.DownCount(), 0);

    // A later press starts a fresh ramp.
    keys.OnKeyMessage(3.0f, Key(MessageKind::KeyDown, 'W'));
    EXPECT_FLOAT_EQ(keys.HoldRamp(3.0f, KeyW), 0.0f);
}

TEST(KeyStateTable, UntrackedKeysAndOtherMessagesAreIgnored) {
    CKeyStateTable keys;
    const int untracked[] = {'0',
                             '9',
                             vk::VK_F1,
                             vk::VK_F10,
                             vk::VK_TAB,
                             vk::VK_SPACE,
                             vk::VK_RETURN,
                             vk::VK_ESCAPE,
                             vk::VK_BACK,
                             vk::VK_ADD,
                             vk::VK_SUBTRACT,
                             vk::VK_OEM_PLUS,
                             vk::VK_OEM_MINUS,
                             vk::VK_OEM_2,
                             vk::VK_MENU,
                             'B'};
    for (int k : untracked) keys.OnKeyMessage(1.0f, Key(MessageKind::KeyDown, k));
    EXPECT_EQ(keys.DownCount(), 0);
    keys.OnKeyMessage(1.0f, Key(MessageKind::MouseMove, 'W'));
    keys.OnKeyMessage(1.0f, Key(MessageKind::Other, 'W'));
    EXPECT_EQ(keys.DownCount(), 0);
    EXPECT_FALSE(keys.IsDown(-1));
    EXPECT_FALSE(keys.IsDown(21));
}

TEST(MouseButtonTracker, SecondButtonEndsTheOnlyButtonAndCaptureIsTakenAndReleasedOnce) {
    RecordingCapture cap;
    CMouseButtonTracker mouse;
    mouse.SetCaptureTarget(&cap);

    mouse.OnMouseMessage(1.0f, Mouse(MessageKind::LButtonDown, 10, 20));
    EXPECT_TRUE(mouse.IsOnlyButton(ButtonLeft));
    EXPECT_TRUE(mouse.captured);
    EXPECT_EQ(mouse.pressX, 10);
    EXPECT_EQ(mouse.pressY, 20);

    mouse.OnMouseMessage(1.5f, Mouse(MessageKind::RButtonDown, -30, 40));
    EXPECT_FALSE(mouse.IsOnlyButton(ButtonLeft));
    EXPECT_FALSE(mouse.IsOnlyButton(ButtonRight));
    EXPECT_EQ(mouse.DownCount(), 2);
    EXPECT_EQ(mouse.pressX, -30);  // signed client coordinates
    EXPECT_TRUE(mouse.captured);

    mouse.OnMouseMessage(2.0f, Mouse(MessageKind::LButtonUp, 0, 0));
    EXPECT_TRUE(mouse.IsOnlyButton(ButtonRight));
    EXPECT_EQ(cap.releases, 0);
    mouse.OnMouseMessage(2.25f, Mouse(MessageKind::RButtonUp, 0, 0));
    EXPECT_EQ(mouse.DownCount(), 0);
    EXPECT_FALSE(mouse.captured);

    ASSERT_EQ(cap.captures.size(), 1u);
    EXPECT_EQ(cap.captures[0], WindowId::View);
    EXPECT_EQ(cap.releases, 1);
    EXPECT_FLOAT_EQ(mouse.buttons[ButtonLeft].heldTime, 1.0f);
    EXPECT_FLOAT_EQ(mouse.buttons[ButtonRight].heldTime, 0.75f);
}

TEST(MouseButtonTracker, MovesAndOtherMessagesChangeNothing) {
    CMouseButtonTracker mouse;
    mouse.OnMouseMessage(1.0f, Mouse(MessageKind::MouseMove, 5, 5));
    mouse.OnMouseMessage(1.0f, Mouse(MessageKind::MouseWheel, 5, 5));
    mouse.OnMouseMessage(1.0f, Mouse(MessageKind::KeyDown, 5, 5));
    EXPECT_EQ(mouse.DownCount(), 0);
    EXPECT_EQ(mouse.pressX, 0);
    EXPECT_FALSE(mouse.captured);
}

TEST(MouseButtonTracker, ReleaseAllWhileHeldThenTheLateReleaseIsHarmless) {
    RecordingCapture cap;
    CMouseButtonTracker mouse;
    mouse.SetCaptureTarget(&cap);
    mouse.OnMouseMessage(1.0f, Mouse(MessageKind::MButtonDown, 7, 8, WindowId::FullScreen));
    ASSERT_EQ(cap.captures.size(), 1u);
    EXPECT_EQ(cap.captures[0], WindowId::FullScreen);

    mouse.ReleaseAll();
    EXPECT_EQ(mouse.DownCount(), 0);
    EXPECT_FALSE(mouse.IsDown(ButtonMiddle));
    EXPECT_EQ(mouse.pressX, 0);
    EXPECT_FALSE(mouse.captured);
    EXPECT_EQ(cap.releases, 1);
    EXPECT_FLOAT_EQ(mouse.buttons[ButtonMiddle].pressTime, 1.0f);

    mouse.OnMouseMessage(2.0f, Mouse(MessageKind::MButtonUp, 7, 8));
    EXPECT_EQ(mouse.DownCount(), 0);
    EXPECT_EQ(cap.releases, 2);
    EXPECT_FALSE(mouse.captured);

    // Without a capture target everything still works.
    mouse.SetCaptureTarget(nullptr);
    mouse.OnMouseMessage(3.0f, Mouse(MessageKind::LButtonDown, 1, 1));
    EXPECT_TRUE(mouse.captured);
    mouse.ReleaseAll();
    EXPECT_FALSE(mouse.captured);
}

}  // namespace
