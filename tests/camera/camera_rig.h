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

struct RecordingCameraDevice : CameraDevice {
    std::optional<vmath::Mat4> viewSet, projectionSet;
    std::optional<CameraLight> lights[2];
    bool lightEnabled[2] = {false, false};
    bool lighting = false;
    int viewUploads = 0;

    void SetViewTransform(const vmath::Mat4& v) override {
        viewSet = v;
        ++viewUploads;
    }
    void SetProjectionTransform(const vmath::Mat4& p) override { projectionSet = p; }
    void SetLight(int index, const CameraLight& l) override { lights[index] = l; }
    void LightEnable(int index, bool e) override { lightEnabled[index] = e; }
    void SetLightingEnabled(bool e) override { lighting = e; }
};

struct CameraRig {
    CVelCamera cam;
    CKeyStateTable keys;
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
        if (cam.mouse.IsDown(ButtonLeft)) f |= vk::MK_LBUTTON;
        if (cam.mouse.IsDown(ButtonMiddle)) f |= vk::MK_MBUTTON;
        if (cam.mouse.IsDown(ButtonRight)) f |= vk::MK_RBUTTON;
        return f;
    }

    // The tracker sees the message first, then the camera, as the dispatcher does.
    void Send(MessageKind kind, int x, int y) {
        InputMessage m;
        m.kind = kind;
        m.x = x;
        m.y = y;
        cam.mouse.OnMouseMessage(time, m);
        m.buttons = HeldFlags();
        cam.OnMouse(m);
    }
    void Wheel(int delta) {
        InputMessage m;
        m.kind = MessageKind::MouseWheel;
        m.x = 400;
        m.y = 300;
        m.wheelDelta = delta;
        cam.mouse.OnMouseMessage(time, m);
        cam.OnMouse(m);
    }
    void Key(MessageKind kind, int virtualKey) {
        InputMessage m;
        m.kind = kind;
        m.virtualKey = virtualKey;
        keys.OnKeyMessage(time, m);
    }
    void Frame(float dt) {
        time += dt;
        cam.FrameMove(&device, time, keys);
    }
    float EyeTargetDistance() const { return vmath::Length(cam.eye - cam.target); }
    vmath::Vec3 ViewDirection() const { return vmath::Normalize(cam.lookAt - cam.eye); }
};

inline bool IsFiniteMatrix(const vmath::Mat4& m) {
    for (const auto& row : m.m)
        for (float v : row)
            if (!std::isfinite(v)) return false;
    return true;
}
