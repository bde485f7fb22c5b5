#pragma once
// The input dispatcher: sees every mouse and keyboard message before accelerators are
// translated, keeps the held keys and buttons current, hit-tests the button strips,
// applies the editing mode to clicks and drags, and hands every gesture the mode does not
// claim to the camera. It keeps no state of its own between messages.
#include "camera/camera.h"
#include "camera/camera_device.h"
#include "input/input_message.h"
#include "interaction/screen_state.h"
#include "model/construction.h"
#include "model/edit/picking.h"

namespace interaction {

// What the dispatcher needs from the form and the application framework.
class DispatchHost {
  public:
    virtual ~DispatchHost() = default;
    // The frame clock's time in seconds.
    virtual float Time() const = 0;
    // True in a window, false in full screen.
    virtual bool Windowed() const = 0;
    // False until the form's view window exists: then every message passes on untouched.
    virtual bool HasViewWindow() const { return true; }
    // Top-left corner of the view window in form client coordinates (windowed mode):
    // subtracted from the position of messages addressed to the form.
    virtual int ViewOffsetX() const { return 0; }
    virtual int ViewOffsetY() const { return 0; }
    // Device for the camera uploads; null uploads nothing.
    virtual camera::CameraDevice* Device() { return nullptr; }
    // Menu check marks follow the current mode and colour.
    virtual void RefreshCheckMarks() {}
};

// The on-screen button strips as the dispatcher uses them. The default misses everywhere
// (no strips shown); the overlay's implementation records the hovered button.
class StripButtons {
  public:
    virtual ~StripButtons() = default;
    // x is view-relative; true when a button lies under it.
    virtual bool HitTestBottomStrip(int /*x*/) { return false; }
    virtual bool HitTestTopStrip(int /*x*/) { return false; }
    // Runs the hovered button's command.
    virtual void RunStripButton() {}
};

class CInputDispatcher {
  public:
    // The meshes are read at every message, so the renderer may rebuild them in place.
    CInputDispatcher(model::CVelVorlaSystem& system, ScreenState& screen,
                     camera::CVelCamera& camera, const model::PickMeshes& meshes,
                     DispatchHost& host);

    // Null restores the default strips that never hit. Not owned.
    void SetStrips(StripButtons* strips) { strips_ = strips ? strips : &noStrips_; }

    // True: pass the message on (accelerator table, then normal dispatch); false: the
    // message is consumed.
    bool DispatchInput(const input::InputMessage& msg);

    // Twist selection cleared, inspect mode, keys released, menu refreshed.
    void ReturnToInspect();

  private:
    struct Point {
        int x = 0, y = 0;
    };
    bool Dispatch(const input::InputMessage& msg);
    Point ViewPoint(const input::InputMessage& msg, bool windowed) const;
    bool InsideView(const Point& p) const;
    // Steps 9 to 12 of a mouse or key message that got past the key filter; returns the
    // pass-on answer when the message is finished early, or -1 to go on to the result.
    int HandleStrips(const input::InputMessage& msg, const Point& p);
    int HandleButtons(const input::InputMessage& msg, const Point& p, bool windowed, bool* changed);
    int Route(const input::InputMessage& msg, const Point& p, bool windowed, bool changed);

    model::CVelVorlaSystem& system_;
    ScreenState& screen_;
    camera::CVelCamera& camera_;
    const model::PickMeshes& meshes_;
    DispatchHost& host_;
    StripButtons noStrips_;
    StripButtons* strips_ = &noStrips_;
};

// The mode the held modifiers select for `mode` (ModeNone when they select none).
int ModifierModeFor(int mode, bool ctrl, bool shift);

}  // namespace interaction
