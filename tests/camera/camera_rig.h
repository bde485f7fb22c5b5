#pragma once
// A camera with a recording device and a mouse/keyboard driver, as the dispatcher and
// the frame loop would use it.
#include <cmath>
#include <optional>
#include <vector>

#include "camera/camera.h"
#include "input/input_state.h"
#include "math/matrix.h"
#include "support/math_expect.h"

struct RecordingCameraDevice : camera::CameraDevice {
    std::optional<math::Mat4> viewSet, projectionSet;
    std::optional<camera::CameraLight> lights[2];
    bool lightEnabled[2] = {false, false};
    bool lighting = false;
    int viewUploads = 0;

    void SetViewTransform(const math::Mat4& v) override {
        viewSet = v;
        ++viewUploads;
    }
    void SetProjectionTransform(const math::Mat4& p) override { projectionSet = p; }
    void SetLight(int index, const camera::CameraLight& l) override { lights[index] = l; }
    void LightEnable(int index, bool e) override { lightEnabled[index] = e; }
    void SetLightingEnabled(bool e) override { lighting = e; }
};

struct CameraRig {
    camera::CVelCamera cam;
    input::CKeyStateTable keys;
    RecordingCameraDevice device;
    float time = 1.0f;

    CameraRig() {
        cam.ResetForNewConstruction(&device);
        cam.SetViewport(&device, 800, 600);
        cam.arcBall.SetWindow(800, 600);
        Frame(0.0f);
    }

    unsigned HeldFlags() const {
        unsigned f = 0;
        if (cam.mouse.IsDown(input::ButtonLeft)) f |= input::vk::MK_LBUTTON;
        if (cam.mouse.IsDown(input::ButtonMiddle)) f |= input::vk::MK_MBUTTON;
        if (cam.mouse.IsDown(input::ButtonRight)) f |= input::vk::MK_RBUTTON;
        return f;
    }

    // The tracker sees the message first, then the camera, as the dispatcher does.
    void Send(input::MessageKind kind, int x, int y) {
        input::InputMessage m{.kind = kind, .x = x, .y = y};
        cam.mouse.OnMouseMessage(time, m);
        m.buttons = HeldFlags();
        cam.OnMouse(m);
    }
    void Wheel(int delta) {
        const input::InputMessage m{
            .kind = input::MessageKind::MouseWheel, .x = 400, .y = 300, .wheelDelta = delta};
        cam.mouse.OnMouseMessage(time, m);
        cam.OnMouse(m);
    }
    void Key(input::MessageKind kind, int virtualKey) {
        keys.OnKeyMessage(time, {.kind = kind, .virtualKey = virtualKey});
    }
    void Frame(float dt) {
        time += dt;
        cam.FrameMove(&device, time, keys);
    }
    float EyeTargetDistance() const { return math::Length(cam.eye - cam.target); }
    math::Vec3 ViewDirection() const { return math::Normalize(cam.lookAt - cam.eye); }
};

inline bool IsFiniteMatrix(const math::Mat4& m) {
    for (const auto& row : m.m)
        for (float v : row)
            if (!std::isfinite(v)) return false;
    return true;
}
