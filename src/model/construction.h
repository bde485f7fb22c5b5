#pragma once
// The construction: the block tree with its counters (CVelVorlaModel) and the object
// that carries it together with the editing state every mode shares (CVelVorlaSystem).
// Plain state only: device objects (meshes, textures, sprite) belong to the renderer.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "input/input_state.h"
#include "math/matrix.h"
#include "math/vector.h"
#include "model/block.h"
#include "model/colours.h"
#include "model/history.h"
#include "model/modes.h"

namespace model {

class CVelVorlaModel {
  public:
    CVelVorlaModel() = default;
    CVelVorlaModel(const CVelVorlaModel&) = delete;
    CVelVorlaModel& operator=(const CVelVorlaModel&) = delete;
    CVelVorlaModel(CVelVorlaModel&&) noexcept = default;
    CVelVorlaModel& operator=(CVelVorlaModel&&) noexcept = default;
    ~CVelVorlaModel() = default;  // the list releases every block iteratively

    // Deletes every block (children before their parent) and zeroes the counters.
    void Clear();

    int32_t Total() const { return colourCounts[5]; }
    // Counter upkeep for one block of colour `c` (an index outside 0..4 only moves the
    // total, so a bad value can never write past the counters).
    void CountAdded(int c);
    void CountRemoved(int c);
    void CountRecoloured(int from, int to);

    BlockList topBlocks;
    int32_t gridShell = 1;
    int32_t gridSize = 1;
    // 0..4: blocks of each colour, visible or not; 5: all blocks.
    int32_t colourCounts[6] = {0, 0, 0, 0, 0, 0};
};

class CVelVorlaSystem {
  public:
    CVelVorlaSystem();
    CVelVorlaSystem(const CVelVorlaSystem&) = delete;
    CVelVorlaSystem& operator=(const CVelVorlaSystem&) = delete;

    // A new construction: every default below, one green block at the origin, no
    // selection, keys released. Settings and the about page are left alone.
    void ResetConstruction();
    // Deletes every block and zeroes the counters. The pick and twist selection, the
    // paint stroke and the undo history forget their blocks with it, so no pointer
    // outlives its block.
    void ClearModel();
    // A new current colour at random, never the current one.
    void PickRandomColour();
    // Colour keys 1..5: fixed current colour, random colour off. Out-of-range is ignored.
    void SelectColour(int colour);

    // Walk passes over the tree (identity as the parent transform).
    bool IsPositionFree(const math::Vec3& point) const;
    // While a pick holds a block, refreshes pickedWorld and pickedRotation from the tree.
    void RefreshPickedMatrices();

    // Forgets every block pointer held by the editing state (pick, twist, paint stroke).
    void ForgetPickedBlocks();

    // Every change to the blocks (an edit, a twist, a load, a new construction) calls
    // this, so that whatever is derived from them knows when to refresh.
    void ConstructionChanged() { ++constructionVersion; }
    // Never repeats a value for different blocks: only ever counts up.
    uint64_t constructionVersion = 0;
    // One flag per block the walk visits, in walk order: true when its neighbours close it
    // in on every side (model/visibility.h). Such a block is neither drawn nor picked.
    // Worked out again only after the construction changed.
    const std::vector<bool>& EnclosedBlocks() const;

    // Source of rand()-style numbers 0..32767 for PickRandomColour; replaceable by tests.
    std::function<int()> randomSource;

    // --- input state (the dispatcher feeds it)
    input::CKeyStateTable keys;

    // --- construction state
    uint32_t fogColour = 0x333333;
    math::Mat4 rootTransform;
    int32_t currentColour = ColourYellow;
    int32_t pickedColour = 0;
    int32_t detailLevel = 1;
    int32_t pickHit = 0;
    int32_t showGrid = 0;
    int32_t randomColour = 1;
    int32_t showAsCubes = 0;
    int32_t showAxes = 0;
    int32_t saved = 1;
    int32_t twistSelected = 0;
    int32_t twistDragging = 0;
    int32_t paintDragging = 0;
    float pickDistance = 0;
    float twistBaseAngle = 0;
    BlockNode* pickedBlock = nullptr;
    BlockNode* lastPainted = nullptr;
    math::Vec3 hitPoint;
    math::Vec3 twistAxis{0, 0, 1};
    math::Mat4 pickedWorld;
    math::Mat4 pickedRotation;
    math::Mat4 twistStartInverse;
    math::Mat4 twistDrag;
    math::Mat4 twistFrame;
    math::Mat4 twistDragStart;
    int32_t mode = ModeInspect;
    int32_t previousMode = ModeInspect;
    int32_t modifierMode = ModeNone;
    CVelVorlaModel model;
    // Every change to the blocks since the last new construction or load.
    UndoHistory history{*this};
    math::Vec3 twistStartPoint;
    float twistStartAngle = 0;
    float twistGrab = 0;  // drag coordinate when the twist button went down

    // --- user settings (stored outside the document)
    uint32_t backgroundColour = 0x000000A0;  // 0xAARRGGBB
    uint32_t gridColour = 0x00FFFFFF;
    int32_t showHints = 1;
    int32_t showButtons = 1;

    // --- about page: shown from start-up; a new construction does not bring it back
    int32_t aboutShown = 1;
    int32_t aboutOpening = 0;
    int32_t aboutClosing = 0;
    int32_t aboutCloseFacing = 0;
    int32_t aboutBackFacing = 0;
    float aboutAngle = 0;
    math::Vec3 aboutAxis;

    // --- on-screen strips: hover state and the widths the drawing pass refreshes
    bool stripHit = false;
    bool tooltipLeftAnchored = true;
    int32_t hoveredButton = 0;
    int32_t tooltipX = 0;
    int32_t tooltipY = 0;
    int32_t tooltipStyle = 1;
    std::string tooltipText;  // UTF-8
    int32_t colourButtonWidth[7] = {18, 18, 18, 18, 18, 18, 18};
    int32_t colourButtonsWidth = 7 * 18;
    int32_t topStripGap = 8;

    // --- captions
    std::array<std::string_view, ModeCount> modeNames = {
        "Осмотреть конструкцию", "Крутить Торвин",   "Красить Торвин", "Добавить Торвин",
        "Удалить Торвин",        "Скопировать цвет", "Выбрать Центр",
    };
    std::array<std::string_view, 2> cameraModeNames = {"Вращение вокруг Цели", "Свободная Цель"};
    std::array<std::string_view, 2> cameraModeTags = {"ВЦ", "СЦ"};

  private:
    mutable std::vector<bool> enclosed_;
    mutable uint64_t enclosedVersion_ = 0;
    mutable int32_t enclosedTotal_ = -1;  // never a block count: the first call works it out
};

// The one block of a new construction: green, at the origin, axis (0,2,0).
std::unique_ptr<BlockNode> MakeInitialBlock();

}  // namespace model
