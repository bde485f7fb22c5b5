#include "interaction/document.h"

using namespace camera;
using namespace input;
using namespace model;

namespace interaction {

namespace fs = std::filesystem;

CameraRecord CaptureCamera(const CVelCamera& camera) {
    CameraRecord c;
    c.orientation = camera.orientation;
    c.spinDelta = camera.spinDelta;
    c.baseDistance = camera.baseDistance;
    c.zoom = camera.zoom;
    c.distanceOffset = camera.distanceOffset;
    c.spinDuration = camera.spinDuration;
    c.autoSpinTarget = camera.autoSpinTarget;
    c.autoSpinAround = camera.autoSpinAround;
    c.orbitMode = camera.orbitMode;
    c.spinStopped = camera.spinStopped;
    c.axisMode = camera.axisMode;
    c.referencePoint = camera.referencePoint;
    c.target = camera.target;
    c.upReference = camera.upReference;
    c.eyeBase = camera.eyeBase;
    c.lookAt = camera.lookAt;
    c.up = camera.up;
    c.eye = camera.eye;
    c.rotationAxis = camera.rotationAxis;
    return c;
}

void RestoreCamera(CVelCamera& camera, const CameraRecord& c) {
    camera.orientation = c.orientation;
    camera.spinDelta = c.spinDelta;
    camera.baseDistance = c.baseDistance;
    camera.zoom = c.zoom;
    camera.distanceOffset = c.distanceOffset;
    camera.spinDuration = c.spinDuration;
    camera.autoSpinTarget = c.autoSpinTarget;
    camera.autoSpinAround = c.autoSpinAround;
    camera.orbitMode = c.orbitMode;
    camera.spinStopped = c.spinStopped;
    camera.axisMode = c.axisMode;
    camera.referencePoint = c.referencePoint;
    camera.target = c.target;
    camera.upReference = c.upReference;
    camera.eyeBase = c.eyeBase;
    camera.lookAt = c.lookAt;
    camera.up = c.up;
    camera.eye = c.eye;
    camera.rotationAxis = c.rotationAxis;
    camera.axesOrientation = math::MatrixIdentity();
    camera.axesDragRotation = math::MatrixIdentity();
}

FileResult SaveConstruction(CVelVorlaSystem& system, const CVelCamera& camera,
                            const fs::path& path) {
    FileResult res =
        WriteConstructionFile(path, CaptureCamera(camera), CaptureSettings(system), system.model);
    if (res) system.saved = 1;
    return res;
}

void ApplyDocument(CVelVorlaSystem& system, CVelCamera& camera, ConstructionDocument&& document) {
    RestoreCamera(camera, document.camera);
    ApplySettings(system, document.settings);
    system.mode = ModeInspect;
    system.ForgetPickedBlocks();
    system.paintDragging = 0;
    system.history.Clear();
    system.model = std::move(document.model);
    system.ConstructionChanged();
}

FileResult LoadConstruction(CVelVorlaSystem& system, CVelCamera& camera, const fs::path& path) {
    ConstructionDocument document;
    FileResult res = ReadConstructionFile(path, document);
    if (res) ApplyDocument(system, camera, std::move(document));
    return res;
}

}  // namespace interaction
