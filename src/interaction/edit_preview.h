#pragma once
// Foresight for the editing clicks: the block a click at the pointer would act on, the
// block or branch it would add and where, the branch a Shift+click would select. The
// screen shows it before the click is made.
#include <cstdint>
#include <optional>

#include "camera/camera.h"
#include "interaction/screen_state.h"
#include "math/matrix.h"
#include "model/construction.h"
#include "model/pick_meshes.h"

namespace interaction {

// What a left click at view pixel (x, y) would do in the current mode with the held
// modifier keys (and with a paste under way: where the branch would go). One pick; it
// changes nothing.
EditPreview PreviewAt(const model::CVelVorlaSystem& system, const camera::CVelCamera& camera,
                      const model::PickMeshes& meshes, int x, int y);

// Keeps screen.preview current. The preview is worked out again only when something it
// depends on has changed (the pointer, the construction, the view, the mode, the held
// keys), so that calling Refresh for every frame and every pointer move picks at most
// once for each change. While a mouse button is held (a drag) there is no preview.
class PreviewTracker {
  public:
    // True when screen.preview changed.
    bool Refresh(const model::CVelVorlaSystem& system, const camera::CVelCamera& camera,
                 const model::PickMeshes& meshes, ScreenState& screen);
    // The next Refresh works the preview out again whatever it sees.
    void Forget() { last_.reset(); }

  private:
    struct Inputs {
        bool shown = false;
        int32_t x = 0, y = 0;
        uint64_t version = 0;
        math::Mat4 view, projection;
        int32_t viewportWidth = 0, viewportHeight = 0;
        int32_t mode = 0, modifierMode = 0;
        bool ctrl = false, shift = false;
        int32_t currentColour = 0, detailLevel = 0, showAsCubes = 0;
        const void* pasting = nullptr;
        const void* meshes[4] = {};
        bool operator==(const Inputs&) const = default;
    };
    std::optional<Inputs> last_;
};

}  // namespace interaction
