#pragma once
// Held keys and mouse buttons as seen through the message stream. Nothing here asks the
// operating system for the current state: the dispatcher feeds every message in first,
// and everyone else reads these tables.
#include "input/input_message.h"

namespace input {

// Index of a tracked key; every other module names keys by these numbers.
enum KeyIndex : int {
    KeyCtrl = 0,
    KeyShift = 1,
    KeyLeft = 2,
    KeyUp = 3,
    KeyRight = 4,
    KeyDown = 5,
    KeyHome = 6,
    KeyEnd = 7,
    KeyA = 8,
    KeyW = 9,
    KeyD = 10,
    KeyS = 11,
    KeyE = 12,
    KeyC = 13,
    KeyG = 14,
    KeyK = 15,
    KeyO = 16,
    KeyP = 17,
    KeyR = 18,
    KeyN = 19,
    KeyT = 20,
};

class CKeyStateTable {
  public:
    using enum KeyIndex;
    static constexpr int kKeyCount = 21;

    struct Entry {
        int virtualKey = 0;
        int down = 0;
        float changeTime = 0.0f;  // frame-clock time of the last press or release
    };

    CKeyStateTable();

    // Only key-down and key-up messages are considered. A repeated key-down of a held
    // key and the release of a key that is not held change nothing.
    void OnKeyMessage(float time, MessageKind kind, int virtualKey);
    void OnKeyMessage(float time, const InputMessage& msg) {
        OnKeyMessage(time, msg.kind, msg.virtualKey);
    }

    bool IsDown(int index) const;
    int DownCount() const { return downCount; }
    // 4 x min(now - changeTime, 0.5): grows from 0 to 2 during the first half second
    // (never negative).
    float HoldRamp(float now, int index) const;
    // Every key up; change times stay.
    void Clear();

    const Entry& EntryAt(int index) const { return entries[index]; }

    int downCount = 0;
    int keyCount = kKeyCount;
    Entry entries[kKeyCount];

  private:
    void Recount();
};

// Who holds the mouse capture. The shell implements it over its windows; the tracker
// works without one (tests, headless use).
class MouseCapture {
  public:
    virtual ~MouseCapture() = default;
    virtual void Capture(WindowId window) = 0;
    virtual void Release() = 0;
};

enum ButtonIndex : int { ButtonLeft = 0, ButtonMiddle = 1, ButtonRight = 2 };

class CMouseButtonTracker {
  public:
    using enum ButtonIndex;
    static constexpr int kButtonCount = 3;

    struct Button {
        int down = 0;
        float pressTime = 0.0f;
        float heldTime = 0.0f;  // release time - press time of the last completed press
    };

    CMouseButtonTracker();

    // Not owned; may be null.
    void SetCaptureTarget(MouseCapture* capture) { captureTarget = capture; }
    MouseCapture* CaptureTarget() const { return captureTarget; }

    // Handles the six button messages; everything else changes nothing. The first press
    // takes the capture for the message's window, the last release gives it back.
    void OnMouseMessage(float time, const InputMessage& msg);

    bool IsOnlyButton(int index) const;
    bool IsDown(int index) const;
    int DownCount() const { return downCount; }
    // Every button up and the capture released; press and held times stay.
    void ReleaseAll();

    bool captured = false;
    int downCount = 0;
    int buttonCount = kButtonCount;
    int pressX = 0, pressY = 0;  // client position of the most recent press
    Button buttons[kButtonCount];

  private:
    void Recount();
    void ReleaseCapture();

    MouseCapture* captureTarget = nullptr;
};

}  // namespace input
