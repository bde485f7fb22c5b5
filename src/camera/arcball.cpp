#include "camera/arcball.h"

#include <algorithm>
#include <cmath>

namespace camera {

using namespace input;
using namespace math;

namespace {
constexpr Vec3 kStartVector{0, 0, 1};
}

CArcBallControl::CArcBallControl() {
    Reset();
}

void CArcBallControl::SetWindow(int w, int h) {
    width = w;
    height = h;
    radius = 1.0f;
}

void CArcBallControl::Reset() {
    downRotation = QuatIdentity();
    currentRotation = QuatIdentity();
    rotationMatrix = MatrixIdentity();
    rotationDelta = MatrixIdentity();
    translationMatrix = MatrixIdentity();
    translationDelta = MatrixIdentity();
    dragging = 0;
    translationRadius = 1.0f;
    rightHanded = 0;
}

Vec3 CArcBallControl::ScreenToSphere(float dx, float dy) const {
    float s = radius * static_cast<float>(std::min(width, height)) * 0.5f;
    // Before the window size is known there is no sphere; no motion rather than NaNs.
    if (!(s > 0.0f)) return kStartVector;
    float x = -dx / s;
    float y = dy / s;
    if (rightHanded) {
        x = -x;
        y = -y;
    }
    float m = x * x + y * y;
    if (m > 1.0f) {
        float n = std::sqrt(m);
        return {x / n, y / n, 0.0f};
    }
    return {x, y, std::sqrt(1.0f - m)};
}

void CArcBallControl::HandleMouse(const InputMessage& msg) {
    const int x = msg.x;
    const int y = msg.y;
    switch (msg.kind) {
        case MessageKind::LButtonDown:
            dragging = 1;
            pressX = lastX = x;
            pressY = lastY = y;
            downRotation = currentRotation;
            break;
        case MessageKind::LButtonUp:
            if (dragging) {
                Vec3 p =
                    ScreenToSphere(static_cast<float>(x - pressX), static_cast<float>(y - pressY));
                rotationDelta = MatrixRotationQuaternion(AxisToAxis(kStartVector, p));
                dragging = 0;
            }
            break;
        case MessageKind::RButtonDown:
        case MessageKind::MButtonDown:
            lastX = x;
            lastY = y;
            break;
        case MessageKind::MouseMove:
            if (msg.buttons & (vk::MK_RBUTTON | vk::MK_MBUTTON)) {
                // A zero-sized window gives no translation instead of infinities.
                float dY = height > 0 ? static_cast<float>(lastY - y) * translationRadius /
                                            static_cast<float>(height)
                                      : 0.0f;
                if (msg.buttons & vk::MK_RBUTTON) {
                    float dX = width > 0 ? static_cast<float>(lastX - x) * translationRadius /
                                               static_cast<float>(width)
                                         : 0.0f;
                    translationDelta = MatrixTranslation(-2.0f * dX, 2.0f * dY, 0.0f);
                } else {
                    translationDelta = MatrixTranslation(0.0f, 0.0f, 5.0f * dY);
                }
                translationMatrix = translationMatrix * translationDelta;
                lastX = x;
                lastY = y;
            } else if (msg.buttons & vk::MK_LBUTTON) {
                if (dragging) {
                    Vec3 p = ScreenToSphere(static_cast<float>(x - lastX),
                                            static_cast<float>(y - lastY));
                    Quat q = AxisToAxis(kStartVector, p);
                    lastX = x;
                    lastY = y;
                    currentRotation = QuaternionMultiply(currentRotation, q);
                    downRotation = currentRotation;
                    rotationDelta = MatrixRotationQuaternion(q);
                } else {
                    rotationDelta = MatrixIdentity();
                }
                rotationMatrix = MatrixRotationQuaternion(currentRotation);
                dragging = 1;
            }
            break;
        default:
            break;
    }
}

}  // namespace camera
