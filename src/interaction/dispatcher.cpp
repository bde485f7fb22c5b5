#include "interaction/dispatcher.h"

#include <string>

#include "interaction/about.h"
#include "interaction/camera_aim.h"
#include "interaction/command_table.h"
#include "model/edit/branches.h"
#include "model/edit/editing.h"
#include "model/edit/twisting.h"

using namespace camera;
using namespace input;
using namespace model::edit;
using namespace model;

namespace interaction {

namespace {

constexpr int kPass = 1;
constexpr int kConsume = 0;
constexpr int kContinue = -1;

constexpr unsigned kAnyButton = vk::MK_LBUTTON | vk::MK_RBUTTON | vk::MK_MBUTTON;

bool SetsModifierMode(MessageKind k) {
    return k == MessageKind::KeyDown || k == MessageKind::KeyUp || k == MessageKind::MouseMove ||
           IsButtonDown(k);
}

}  // namespace

int ModifierModeFor(int mode, bool ctrl, bool shift) {
    const bool ctrlOnly = ctrl && !shift;
    const bool both = ctrl && shift;
    switch (mode) {
        case ModeInspect:
            return ctrlOnly ? ModeAdd : both ? ModeDelete : ModeNone;
        case ModeAdd:
            return both ? ModeDelete : ModeNone;
        case ModeDelete:
            return ctrlOnly ? ModeAdd : ModeNone;
        case ModePaint:
            return ctrlOnly ? ModeCopyColour : ModeNone;
        default:
            return ModeNone;
    }
}

CInputDispatcher::CInputDispatcher(CVelVorlaSystem& system, ScreenState& screen, CVelCamera& camera,
                                   const PickMeshes& meshes, DispatchHost& host)
    : system_(system), screen_(screen), camera_(camera), meshes_(meshes), host_(host) {}

void CInputDispatcher::ReturnToInspect() {
    model::edit::ReturnToInspect(system_);
    host_.RefreshCheckMarks();
}

CInputDispatcher::Point CInputDispatcher::ViewPoint(const InputMessage& msg, bool windowed) const {
    Point p{msg.x, msg.y};
    // Messages to the view carry view coordinates already; the form's own are moved by
    // the view's corner.
    if (windowed && msg.target == WindowId::Form) {
        p.x -= host_.ViewOffsetX();
        p.y -= host_.ViewOffsetY();
    }
    return p;
}

bool CInputDispatcher::InsideView(const Point& p) const {
    return p.x >= 0 && p.y >= 0 && p.x < camera_.viewportWidth && p.y < camera_.viewportHeight;
}

bool CInputDispatcher::DispatchInput(const InputMessage& msg) {
    // A left press starts a gesture and its release ends it: whatever the gesture changes
    // (a paint stroke, a twist drag) is one undo step.
    if (msg.kind == MessageKind::LButtonDown) system_.document.BeginGesture();
    const bool pass = Dispatch(msg);
    if (msg.kind == MessageKind::LButtonUp) system_.document.EndGesture();
    return pass;
}

bool CInputDispatcher::Dispatch(const InputMessage& msg) {
    const MessageKind kind = msg.kind;
    if (!host_.HasViewWindow()) return true;
    if (kind == MessageKind::MouseLeave || kind == MessageKind::NcMouseMove) {
        screen_.stripHit = false;
        screen_.pointerInView = false;
    }
    // What the last edit had to say stays until the next press.
    if (IsButtonDown(kind)) screen_.editNotice.clear();
    // Held keys never repeat menu shortcuts.
    if (kind == MessageKind::KeyDown && msg.autoRepeat) return false;

    const bool windowed = host_.Windowed();
    if (windowed && msg.target != WindowId::View && msg.target != WindowId::Form &&
        kind != MessageKind::KeyDown && kind != MessageKind::KeyUp &&
        kind != MessageKind::MouseWheel)
        return true;

    const float time = host_.Time();
    CKeyStateTable& keys = system_.keys;
    keys.OnKeyMessage(time, msg);
    const bool ctrl = keys.IsDown(KeyCtrl);
    const bool shift = keys.IsDown(KeyShift);
    system_.modifierMode =
        SetsModifierMode(kind) ? ModifierModeFor(system_.mode, ctrl, shift) : ModeNone;

    if (kind == MessageKind::KeyDown) {
        // Command letters and the commands on Ctrl (Ctrl+S, undo and redo, copy and paste,
        // the standard views) reach the accelerator table; camera keys and modifiers never
        // turn into shortcuts.
        const bool ctrlCommand = ctrl && IsCtrlAcceleratorKey(msg.virtualKey);
        if (ctrlCommand || (keys.IsDown(KeyS) && ctrl) || keys.IsDown(KeyG) || keys.IsDown(KeyK) ||
            keys.IsDown(KeyO) || keys.IsDown(KeyP) || keys.IsDown(KeyR) || keys.IsDown(KeyN) ||
            keys.IsDown(KeyT))
            return true;
        if (keys.DownCount() > 0) return false;
    }

    camera_.mouse.OnMouseMessage(time, msg);
    const Point p = ViewPoint(msg, windowed);
    if (kind == MessageKind::MouseMove || IsButtonDown(kind) || IsButtonUp(kind)) {
        screen_.pointerInView = InsideView(p);
        screen_.pointerX = p.x;
        screen_.pointerY = p.y;
    }

    int r = HandleStrips(msg, p);
    if (r != kContinue) return r == kPass;

    // A right click leaves every mode but inspect.
    if (!ctrl && !shift && kind == MessageKind::RButtonDown && system_.mode != ModeInspect &&
        camera_.mouse.IsOnlyButton(ButtonRight)) {
        if (system_.mode == ModeChooseCentre) {
            camera_.mouse.ReleaseAll();
            system_.mode = system_.previousMode;
            return true;
        }
        ReturnToInspect();  // and the same press goes on to the camera
    }

    bool changed = false;
    r = HandleButtons(msg, p, windowed, &changed);
    if (r != kContinue) return r == kPass;
    r = Route(msg, p, windowed, changed);
    if (r != kContinue) return r == kPass;

    const int held = keys.DownCount();
    return held == 0 || (held == 1 && keys.IsDown(KeyCtrl));
}

int CInputDispatcher::HandleStrips(const InputMessage& msg, const Point& p) {
    const MessageKind kind = msg.kind;
    if (kind != MessageKind::MouseMove && !IsButtonDown(kind)) return kContinue;
    // Hover is not re-evaluated while the mouse is dragged.
    const bool drag = kind == MessageKind::MouseMove &&
                      ((msg.buttons & kAnyButton) != 0 || camera_.mouse.DownCount() > 0);
    const int w = camera_.viewportWidth;
    const int h = camera_.viewportHeight;
    bool hit = false;
    if (0 < p.x && p.x < w && !drag) {
        if (h - 18 < p.y && p.y < h) {
            hit = strips_->HitTestBottomStrip(p.x);
        } else if (1 <= p.y && p.y <= 17) {
            hit = strips_->HitTestTopStrip(p.x);
        }
    }
    if (!hit) {
        screen_.stripHit = false;
        return kContinue;
    }
    if (kind == MessageKind::LButtonDown) strips_->RunStripButton();
    camera_.mouse.ReleaseAll();
    return kPass;
}

int CInputDispatcher::HandleButtons(const InputMessage& msg, const Point& p, bool windowed,
                                    bool* changed) {
    const MessageKind kind = msg.kind;
    if (!IsButtonDown(kind) && !IsButtonUp(kind)) return kContinue;
    if (IsButtonDown(kind) && windowed && !InsideView(p)) return kPass;

    CMouseButtonTracker& mouse = camera_.mouse;
    const bool leftPress = kind == MessageKind::LButtonDown && mouse.IsOnlyButton(ButtonLeft);
    const int mode = system_.mode;
    const int modifier = system_.modifierMode;

    // Rotation-axis rings first, then the about disc under them.
    if (kind == MessageKind::LButtonDown && (system_.showAxes || screen_.aboutShown)) {
        const int remembered = camera_.axisMode;
        PickAxisRing(system_, camera_, meshes_, p.x, p.y);
        if ((camera_.axisMode == 0 || !system_.showAxes) && screen_.aboutShown &&
            AboutClickTest(screen_, camera_, meshes_, p.x, p.y)) {
            if (camera_.axisMode != remembered) camera_.axisMode = 1;
            mouse.ReleaseAll();
            return kPass;
        }
    }

    if (!camera_.axisMode && leftPress && system_.pasting) {
        // A branch on its way in goes onto the face under the pointer; a press beside
        // the construction turns the camera as ever.
        const int before = system_.model.Total();
        switch (PasteBranchAt(system_, camera_.Setup(), meshes_, camera_.PickRay(p.x, p.y))) {
            case PasteResult::Placed:
                screen_.editNotice =
                    "Вставлено Торвинов: " + std::to_string(system_.model.Total() - before);
                screen_.editNoticeIsWarning = false;
                mouse.ReleaseAll();
                return kPass;
            case PasteResult::Taken:
                screen_.editNotice = "Вставить нельзя: место занято другими Торвинами";
                screen_.editNoticeIsWarning = true;
                mouse.ReleaseAll();
                return kPass;
            case PasteResult::NoFace:
                break;
        }
    }
    if (!camera_.axisMode && leftPress && mode == ModeInspect && system_.keys.IsDown(KeyShift) &&
        !system_.keys.IsDown(KeyCtrl)) {
        // Shift+click selects a branch, on the background no branch. The message belongs
        // to the mode (Shift is held), so nothing else happens with it.
        SelectBranchAt(system_, camera_.Setup(), meshes_, camera_.PickRay(p.x, p.y));
        return kContinue;
    }
    if (!camera_.axisMode && leftPress) {
        if ((mode == ModeAdd && modifier == ModeNone) || modifier == ModeAdd) {
            camera_.StopMotion();
            const int before = system_.model.Total();
            AddBlockAt(system_, camera_.Setup(), meshes_, camera_.PickRay(p.x, p.y));
            *changed = system_.model.Total() != before;
            return kContinue;
        }
        if ((mode == ModeDelete && modifier == ModeNone) || modifier == ModeDelete) {
            camera_.StopMotion();
            const int before = system_.model.Total();
            DeleteBlockAt(system_, camera_.Setup(), meshes_, camera_.PickRay(p.x, p.y));
            *changed = system_.model.Total() != before;
            return kContinue;
        }
        if (mode == ModeTwist) {
            BeginTwist(system_, camera_.Setup(), meshes_, camera_.PickRay(p.x, p.y),
                       GizmoCentre(camera_));
            return kContinue;
        }
    }
    if (mode == ModeChooseCentre && leftPress) {
        if (ChooseCentreAt(system_, camera_, meshes_, host_.Device(), p.x, p.y)) {
            mouse.ReleaseAll();
            system_.mode = system_.previousMode;
            return kPass;
        }
        return kContinue;
    }
    if (!camera_.axisMode && leftPress &&
        ((mode == ModeCopyColour && modifier == ModeNone) || modifier == ModeCopyColour)) {
        if (CopyColourAt(system_, camera_.Setup(), meshes_, camera_.PickRay(p.x, p.y)))
            host_.RefreshCheckMarks();
        return kContinue;
    }
    if (!system_.showAxes && kind == MessageKind::LButtonDown) camera_.axisMode = 0;
    return kContinue;
}

int CInputDispatcher::Route(const InputMessage& msg, const Point& p, bool windowed, bool changed) {
    const MessageKind kind = msg.kind;
    const bool ctrl = system_.keys.IsDown(KeyCtrl);
    const bool shift = system_.keys.IsDown(KeyShift);
    const int mode = system_.mode;
    CMouseButtonTracker& mouse = camera_.mouse;

    const bool belongsToMode =
        ctrl || shift || (mode == ModeTwist && system_.twistDragging) || mode == ModePaint ||
        ((mode == ModeAdd || mode == ModeDelete) && changed) ||
        ((mode == ModeCopyColour || mode == ModeChooseCentre) && system_.pickHit);
    if (!belongsToMode) {
        camera_.OnMouse(msg);
        return kContinue;
    }

    const bool leftOnly = mouse.IsOnlyButton(ButtonLeft);
    if (mode == ModeTwist && leftOnly) {
        TwistMouse(system_, mouse, msg, p.x, p.y, camera_.viewportWidth, camera_.viewportHeight,
                   camera_.orientation);
        return kContinue;
    }
    if (mode == ModePaint && !ctrl && !shift &&
        (kind == MessageKind::LButtonDown || kind == MessageKind::LButtonUp ||
         (kind == MessageKind::MouseMove && leftOnly))) {
        if (kind == MessageKind::MouseMove && windowed && !InsideView(p)) return kPass;
        if (kind == MessageKind::LButtonDown) {
            system_.lastPainted = nullptr;
            PaintBlockAt(system_, camera_.Setup(), meshes_, camera_.PickRay(p.x, p.y));
            system_.paintDragging = system_.pickHit;
            // A press on empty space starts an orbit drag instead.
            if (!system_.pickHit) camera_.OnMouse(msg);
        } else if (system_.paintDragging) {
            PaintBlockAt(system_, camera_.Setup(), meshes_, camera_.PickRay(p.x, p.y));
        } else {
            camera_.OnMouse(msg);
        }
        return kContinue;
    }
    if (ctrl || shift) return kContinue;
    if (leftOnly || mouse.DownCount() == 0) {
        if (kind == MessageKind::RButtonUp || kind == MessageKind::MButtonUp ||
            kind == MessageKind::MouseWheel)
            camera_.OnMouse(msg);
    } else {
        // Right and middle drags keep working in every mode.
        camera_.OnMouse(msg);
    }
    return kContinue;
}

}  // namespace interaction
