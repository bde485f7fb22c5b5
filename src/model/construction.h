#pragma once
// The construction object (CVelVorlaSystem): the document being edited together with the
// editing state every mode shares and the display switches. The document (tree, counters,
// history) changes only through `document`; the rest is plain state. What the screen shows
// beside the construction (tooltip, strip layout, the about disc) belongs to the
// interaction layer (interaction/screen_state.h), device objects to the renderer.
#include <cstdint>
#include <functional>
#include <memory>

#include "input/input_state.h"
#include "math/matrix.h"
#include "math/vector.h"
#include "model/block.h"
#include "model/colours.h"
#include "model/construction_model.h"
#include "model/document.h"
#include "model/modes.h"

namespace model {

class CVelVorlaSystem : private DocumentListener {
  public:
    CVelVorlaSystem();
    CVelVorlaSystem(const CVelVorlaSystem&) = delete;
    CVelVorlaSystem& operator=(const CVelVorlaSystem&) = delete;

    // A new construction: every default below, one green block at the origin, no
    // selection, keys released. Settings and the about page are left alone.
    void ResetConstruction();
    // A new current colour at random, never the current one.
    void PickRandomColour();
    // Colour keys 1..5: fixed current colour, random colour off. Out-of-range is ignored.
    void SelectColour(int colour);

    // Walk passes over the tree (identity as the parent transform).
    bool IsPositionFree(const math::Vec3& point) const;
    // While a pick holds a block, refreshes pickedWorld and pickedRotation from the tree.
    void RefreshPickedMatrices();

    // Forgets every block pointer held by the editing state (pick, twist, paint stroke,
    // selection).
    void ForgetPickedBlocks();

    // Source of rand()-style numbers 0..32767 for PickRandomColour; replaceable by tests.
    std::function<int()> randomSource;

    // --- the document: every change to the blocks goes through it
    Document document{this};
    // The tree as everything else reads it.
    const CVelVorlaModel& model = document.Model();

    // --- input state (the dispatcher feeds it)
    input::CKeyStateTable keys;

    // --- editing state and the settings stored with the document
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
    int32_t twistSelected = 0;
    int32_t twistDragging = 0;
    int32_t paintDragging = 0;
    float pickDistance = 0;
    float twistBaseAngle = 0;
    // Blocks of the document's tree; they change only through `document`.
    const BlockNode* pickedBlock = nullptr;
    const BlockNode* lastPainted = nullptr;
    // The root of the branch selected with Shift+click (null: no selection); the selection
    // is the root and everything that hangs on it.
    const BlockNode* selectedBranch = nullptr;
    // A branch on its way in (Ctrl+V): a copy of its own, placed by the next click on a
    // face (model/edit/branches.h); null while no paste is under way.
    std::shared_ptr<const CVelVorlaModel> pasting;
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
    math::Vec3 twistStartPoint;
    float twistStartAngle = 0;
    float twistGrab = 0;  // drag coordinate when the twist button went down

    // --- user settings (stored outside the document)
    uint32_t backgroundColour = 0x000000A0;  // 0xAARRGGBB
    uint32_t gridColour = 0x00FFFFFF;
    int32_t showHints = 1;
    int32_t showButtons = 1;

  private:
    // DocumentListener: no pointer of the editing state outlives its block's place in
    // the tree.
    void BlockLeft(const BlockNode* block) override;
    void HistoryMoved() override;
    void TreeReplaced() override;
};

}  // namespace model
