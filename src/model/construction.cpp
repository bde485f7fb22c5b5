#include "model/construction.h"

#include <algorithm>
#include <cstdlib>

#include "model/placement.h"

namespace model {

CVelVorlaSystem::CVelVorlaSystem()
    // glibc's rand() reaches 2^31 - 1; the colour draw expects the classic 0..32767.
    : randomSource([] { return std::rand() % 32768; }) {
    ResetConstruction();
}

void CVelVorlaSystem::ForgetPickedBlocks() {
    pickedBlock = nullptr;
    lastPainted = nullptr;
    selectedBranch = nullptr;
    pickHit = 0;
    pickDistance = 0;
    twistSelected = 0;
    twistDragging = 0;
}

void CVelVorlaSystem::BlockLeft(const BlockNode* block) {
    if (pickedBlock == block) {
        pickedBlock = nullptr;
        pickHit = 0;
        twistSelected = 0;
        twistDragging = 0;
    }
    if (lastPainted == block) lastPainted = nullptr;
    if (selectedBranch == block) selectedBranch = nullptr;
}

void CVelVorlaSystem::HistoryMoved() {
    // A drag or stroke in progress ends: it started from a state that is gone.
    twistDragging = 0;
    paintDragging = 0;
}

void CVelVorlaSystem::TreeReplaced() {
    ForgetPickedBlocks();
    paintDragging = 0;
}

void CVelVorlaSystem::ResetConstruction() {
    fogColour = 0x333333;
    rootTransform = math::MatrixIdentity();
    currentColour = ColourYellow;
    detailLevel = 1;
    randomColour = 1;
    showGrid = 0;
    showAsCubes = 0;
    showAxes = 0;
    mode = ModeInspect;
    modifierMode = ModeNone;
    document.Reset();
    keys.Clear();
}

void CVelVorlaSystem::PickRandomColour() {
    const int draw = std::clamp(randomSource ? randomSource() : 0, 0, 32767);
    int c = static_cast<int>(draw / 32768.0 * 5.0);
    if (c == currentColour) c = (c + 1) % ColourCount;
    currentColour = c;
}

void CVelVorlaSystem::SelectColour(int colour) {
    if (!IsColourIndex(colour)) return;
    currentColour = colour;
    randomColour = 0;
}

bool CVelVorlaSystem::IsPositionFree(const math::Vec3& point) const {
    return model::IsPositionFree(model.topBlocks, point);
}

void CVelVorlaSystem::RefreshPickedMatrices() {
    if (pickHit != 1 || !pickedBlock) return;
    const BlockNode* wanted = pickedBlock;
    WalkBlocks(model.topBlocks, math::MatrixIdentity(),
               [&](const BlockNode& block, const math::Mat4& world, const math::Mat4& rot) {
                   if (&block != wanted) return true;
                   pickedWorld = world;
                   pickedRotation = rot;
                   return false;
               });
}

}  // namespace model
