#pragma once
// The camera fields a construction document stores, and the one list of them: the file
// codec reads and writes them through it, and the document takes them from and gives
// them to the live camera through it, so a field added here reaches every place at once.
#include <cstdint>

#include "math/matrix.h"
#include "math/vector.h"

namespace model {

struct CameraRecord {
    math::Mat4 orientation;
    math::Mat4 spinDelta;
    float baseDistance = 5.0f;
    float zoom = 0;
    float distanceOffset = 0;
    float spinDuration = 0;
    int32_t autoSpinTarget = 0;
    int32_t autoSpinAround = 0;
    int32_t orbitMode = 1;
    int32_t spinStopped = 1;
    int32_t axisMode = 0;
    math::Vec3 referencePoint{0, 0, -5};
    math::Vec3 target;
    math::Vec3 upReference{0, 1, 0};
    math::Vec3 eyeBase{0, 0, -5};
    math::Vec3 lookAt;
    math::Vec3 up{0, 1, 0};
    math::Vec3 eye{0, 0, -5};
    math::Vec3 rotationAxis;
};

// Calls f with the same stored field of every object, field by field in file order:
// f(a.orientation, b.orientation), f(a.spinDelta, b.spinDelta), ... The objects are
// CameraRecords or live cameras, which carry the fields under the same names.
template <class F, class... Camera>
void ForEachStoredField(F&& f, Camera&... c) {
    f(c.orientation...);
    f(c.spinDelta...);
    f(c.baseDistance...);
    f(c.zoom...);
    f(c.distanceOffset...);
    f(c.spinDuration...);
    f(c.autoSpinTarget...);
    f(c.autoSpinAround...);
    f(c.orbitMode...);
    f(c.spinStopped...);
    f(c.axisMode...);
    f(c.referencePoint...);
    f(c.target...);
    f(c.upReference...);
    f(c.eyeBase...);
    f(c.lookAt...);
    f(c.up...);
    f(c.eye...);
    f(c.rotationAxis...);
}

}  // namespace model
