#include "model/construction.h"

#include <algorithm>
#include <cstdlib>

#include "model/placement.h"
#include "model/visibility.h"

using namespace input;

namespace model {

void CVelVorlaModel::Clear() {
    topBlocks.Clear();
    std::fill(std::begin(colourCounts), std::end(colourCounts), 0);
}

void CVelVorlaModel::CountAdded(int c) {
    if (IsColourIndex(c)) ++colourCounts[c];
    ++colourCounts[5];
}

void CVelVorlaModel::CountRemoved(int c) {
    if (IsColourIndex(c)) --colourCounts[c];
    --colourCounts[5];
}

void CVelVorlaModel::CountRecoloured(int from, int to) {
    if (IsColourIndex(from)) --colourCounts[from];
    if (IsColourIndex(to)) ++colourCounts[to];
}

std::unique_ptr<BlockNode> MakeInitialBlock() {
    auto block = std::make_unique<BlockNode>();
    block->colour = ColourGreen;
    block->offset = {0, 0, 0};
    block->axis = {0, 2, 0};
    block->angle = 0;
    block->visible = 1;
    block->selfLit = 0;
    return block;
}

CVelVorlaSystem::CVelVorlaSystem()
    // glibc's rand() reaches 2^31 - 1; the colour draw expects the classic 0..32767.
    : randomSource([] { return std::rand() % 32768; }) {
    ResetConstruction();
}

void CVelVorlaSystem::ForgetPickedBlocks() {
    pickedBlock = nullptr;
    lastPainted = nullptr;
    pickHit = 0;
    pickDistance = 0;
    twistSelected = 0;
    twistDragging = 0;
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
    saved = 1;
    paintDragging = 0;
    mode = ModeInspect;
    modifierMode = ModeNone;
    ClearModel();
    model.topBlocks.PushBack(MakeInitialBlock());
    model.CountAdded(ColourGreen);
    keys.Clear();
}

void CVelVorlaSystem::ClearModel() {
    ForgetPickedBlocks();
    history.Clear();
    model.Clear();
    ConstructionChanged();
}

const std::vector<bool>& CVelVorlaSystem::EnclosedBlocks() const {
    // The block count is part of the key: an add or delete that forgot to report itself
    // can never leave the flags out of step with the walk.
    if (enclosedVersion_ != constructionVersion || enclosedTotal_ != model.Total()) {
        enclosed_ = FindEnclosedBlocks(model.topBlocks);
        enclosedVersion_ = constructionVersion;
        enclosedTotal_ = model.Total();
    }
    return enclosed_;
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
