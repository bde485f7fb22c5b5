// The camera's share of a frame: the per-frame update while spinning with keys held,
// and the mouse handling of a drag.
#include <benchmark/benchmark.h>

#include "camera/camera.h"

using namespace camera;
using namespace input;

namespace {

void SendMouse(CVelCamera& cam, float t, MessageKind kind, int x, int y, unsigned buttons) {
    InputMessage m;
    m.kind = kind;
    m.x = x;
    m.y = y;
    m.buttons = buttons;
    cam.mouse.OnMouseMessage(t, m);
    cam.OnMouse(m);
}

void BM_FrameMoveSpinningWithKeys(benchmark::State& state) {
    CVelCamera cam;
    CKeyStateTable keys;
    cam.ResetForNewConstruction(nullptr);
    cam.SetViewport(nullptr, 1280, 720);
    cam.arcBall.SetWindow(1280, 720);
    cam.ToggleOrbitMode();
    cam.ToggleAutoSpin();
    SendMouse(cam, 0.0f, MessageKind::LButtonDown, 600, 300, vk::MK_LBUTTON);
    SendMouse(cam, 0.1f, MessageKind::MouseMove, 620, 310, vk::MK_LBUTTON);
    SendMouse(cam, 0.1f, MessageKind::MouseMove, 650, 320, vk::MK_LBUTTON);
    SendMouse(cam, 0.2f, MessageKind::LButtonUp, 650, 320, 0);
    InputMessage key;
    key.kind = MessageKind::KeyDown;
    key.virtualKey = 'D';
    keys.OnKeyMessage(0.2f, key);
    float t = 0.2f;
    for (auto _ : state) {
        t += 1.0f / 60.0f;
        cam.FrameMove(nullptr, t, keys);
        benchmark::DoNotOptimize(cam.view);
    }
}
BENCHMARK(BM_FrameMoveSpinningWithKeys);

void BM_LeftDragMouseMove(benchmark::State& state) {
    CVelCamera cam;
    cam.ResetForNewConstruction(nullptr);
    cam.SetViewport(nullptr, 1280, 720);
    cam.arcBall.SetWindow(1280, 720);
    SendMouse(cam, 0.0f, MessageKind::LButtonDown, 600, 300, vk::MK_LBUTTON);
    int x = 600;
    for (auto _ : state) {
        x = x >= 900 ? 600 : x + 3;
        SendMouse(cam, 0.1f, MessageKind::MouseMove, x, 300, vk::MK_LBUTTON);
        benchmark::DoNotOptimize(cam.arcBall.rotationMatrix);
    }
}
BENCHMARK(BM_LeftDragMouseMove);

void BM_PickRay(benchmark::State& state) {
    CVelCamera cam;
    cam.ResetForNewConstruction(nullptr);
    cam.SetViewport(nullptr, 1280, 720);
    cam.Apply(nullptr);
    int x = 0;
    for (auto _ : state) {
        x = (x + 7) % 1280;
        benchmark::DoNotOptimize(cam.PickRay(x, 360));
    }
}
BENCHMARK(BM_PickRay);

}  // namespace
