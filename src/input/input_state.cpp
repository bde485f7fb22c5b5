#include "input/input_state.h"

#include <algorithm>

namespace input {

namespace {

constexpr int kTrackedKeys[CKeyStateTable::kKeyCount] = {vk::VK_CONTROL,
                                                         vk::VK_SHIFT,
                                                         vk::VK_LEFT,
                                                         vk::VK_UP,
                                                         vk::VK_RIGHT,
                                                         vk::VK_DOWN,
                                                         vk::VK_HOME,
                                                         vk::VK_END,
                                                         'A',
                                                         'W',
                                                         'D',
                                                         'S',
                                                         'E',
                                                         'C',
                                                         'G',
                                                         'K',
                                                         'O',
                                                         'P',
                                                         'R',
                                                         'N',
                                                         'T'};

// Button index of a button message, or -1.
int ButtonOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::LButtonDown:
        case MessageKind::LButtonUp:
            return ButtonLeft;
        case MessageKind::MButtonDown:
        case MessageKind::MButtonUp:
            return ButtonMiddle;
        case MessageKind::RButtonDown:
        case MessageKind::RButtonUp:
            return ButtonRight;
        default:
            return -1;
    }
}

}  // namespace

CKeyStateTable::CKeyStateTable() {
    for (int i = 0; i < kKeyCount; ++i) entries[i].virtualKey = kTrackedKeys[i];
    Clear();
}

void CKeyStateTable::OnKeyMessage(float time, MessageKind kind, int virtualKey) {
    int newState;
    if (kind == MessageKind::KeyDown)
        newState = 1;
    else if (kind == MessageKind::KeyUp)
        newState = 0;
    else
        return;
    for (int i = 0; i < keyCount; ++i) {
        Entry& e = entries[i];
        if (e.virtualKey == virtualKey && e.down != newState) {
            e.down = newState;
            e.changeTime = time;
            Recount();
            return;
        }
    }
}

bool CKeyStateTable::IsDown(int index) const {
    if (index < 0 || index >= keyCount) return false;
    return entries[index].down != 0;
}

float CKeyStateTable::HoldRamp(float now, int index) const {
    if (index < 0 || index >= keyCount) return 0.0f;
    // A message stamped a little after the frame that reads it must not move backwards.
    return 4.0f * std::clamp(now - entries[index].changeTime, 0.0f, 0.5f);
}

void CKeyStateTable::Clear() {
    for (int i = 0; i < keyCount; ++i) entries[i].down = 0;
    downCount = 0;
}

void CKeyStateTable::Recount() {
    downCount = 0;
    for (int i = 0; i < keyCount; ++i) downCount += entries[i].down ? 1 : 0;
}

CMouseButtonTracker::CMouseButtonTracker() {
    captured = false;
    ReleaseAll();
}

void CMouseButtonTracker::OnMouseMessage(float time, const InputMessage& msg) {
    int index = ButtonOf(msg.kind);
    if (index < 0) return;
    Button& b = buttons[index];
    if (IsButtonDown(msg.kind)) {
        pressX = msg.x;
        pressY = msg.y;
        b.down = 1;
        b.pressTime = time;
        Recount();
        if (downCount == 1) {
            if (captureTarget) captureTarget->Capture(msg.target);
            captured = true;
        }
    } else {
        b.down = 0;
        b.heldTime = time - b.pressTime;
        Recount();
        if (downCount == 0) {
            captured = false;
            ReleaseCapture();
        }
    }
}

bool CMouseButtonTracker::IsDown(int index) const {
    if (index < 0 || index >= buttonCount) return false;
    return buttons[index].down != 0;
}

bool CMouseButtonTracker::IsOnlyButton(int index) const {
    return IsDown(index) && downCount == 1;
}

void CMouseButtonTracker::ReleaseAll() {
    buttonCount = kButtonCount;
    downCount = 0;
    pressX = pressY = 0;
    for (Button& b : buttons) b.down = 0;
    if (captured) {
        ReleaseCapture();
        captured = false;
    }
}

void CMouseButtonTracker::Recount() {
    downCount = 0;
    for (int i = 0; i < buttonCount; ++i) downCount += buttons[i].down ? 1 : 0;
}

void CMouseButtonTracker::ReleaseCapture() {
    if (captureTarget) captureTarget->Release();
}

}  // namespace input
