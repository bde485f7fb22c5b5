// Foresight: what the hover shows is what the click then does.
#include "interaction/edit_preview.h"
#include "model/edit/edit_fixture.h"
#include "model/edit/editing.h"

using namespace interaction;
using namespace model::edit;
using namespace model;

using namespace input;
using namespace math;

namespace {

using Mark = EditPreview::Mark;

class PreviewTest : public EditFixture {
  protected:
    PreviewTest() {
        sys.randomColour = 0;
        sys.mode = ModeAdd;
    }

    // Aims the camera, from a little aside, at the point where `ray` meets its block, so
    // that the view's centre pixel looks at it.
    void AimAlong(const Ray& ray) {
        const Vec3 target = ray.origin + ray.direction * 3.0f;
        camera.PlaceAndApply(nullptr, ray.origin + Vec3{0.21f, 0.13f, -0.17f}, target);
    }
    EditPreview PreviewAtCentre() const { return PreviewAt(sys, camera, meshes, 400, 300); }
};

}  // namespace

TEST_F(PreviewTest, TheGhostStandsWhereTheClickAddsOnEveryFace) {
    // An untwisted block, then a top-level block turned onto a slanted axis and twisted.
    for (const bool twisted : {false, true}) {
        Empty();
        const BlockNode* block =
            twisted ? AddTop({0, 0, 0}, {1, 2, 0.5f}, 0.7f) : AddTop({0, 0, 0});
        sys.SelectColour(twisted ? 3 : 0);
        for (int face = 0; face < 6; ++face) {
            AimAlong(RayOnto(WorldOf(*block), face, 0.3f, -0.4f));
            const EditPreview preview = PreviewAtCentre();
            ASSERT_EQ(preview.ghosts.size(), 1u) << twisted << face;
            EXPECT_EQ(preview.ghosts[0].colour, sys.currentColour);
            if (!twisted) {
                Vec3 want;
                (&want.x)[face / 2] = face % 2 ? -2.0f : 2.0f;
                EXPECT_LE(Length(preview.ghosts[0].world.Translation() - want), 1e-4f) << face;
            }
            ASSERT_TRUE(AddBlockAt(sys, camera.Setup(), meshes, camera.PickRay(400, 300)));
            EXPECT_LE(MaxAbsDifference(preview.ghosts[0].world, WorldOf(*block->children.Back())),
                      1e-4f)
                << twisted << face;
            ASSERT_TRUE(UndoEdit(sys));
        }
    }
}

TEST_F(PreviewTest, NoGhostWhereThePlaceIsTaken) {
    Empty();
    const BlockNode* block = AddTop({0, 0, 0});
    // Within 1 of the place in front of the block's -Z face, out of the way of the view.
    AddTop({0.95f, 0, -2});
    AimAlong(RayOnto(WorldOf(*block), 5, -0.6f, 0.2f));
    EXPECT_TRUE(PreviewAtCentre().ghosts.empty());
    EXPECT_FALSE(AddBlockAt(sys, camera.Setup(), meshes, camera.PickRay(400, 300)));
}

TEST_F(PreviewTest, EachModeMarksTheBlockItsClickWouldChange) {
    Empty();
    const BlockNode* block = AddTop({0, 0, 0});
    AddChild(AddChild(block, {0, 2, 0}), {0, 2, 0});
    AimAlong(RayOnto(WorldOf(*block), 5, 0.3f, 0.4f));
    auto markAt = [&] {
        const EditPreview p = PreviewAtCentre();
        EXPECT_TRUE(p.marked.empty() || p.marked[0] == WorldOf(*block));
        return std::pair{p.mark, p.marked.size()};
    };
    sys.mode = ModeDelete;
    EXPECT_EQ(markAt(), std::pair(Mark::Delete, size_t{1}));
    sys.mode = ModePaint;
    EXPECT_EQ(markAt(), std::pair(Mark::Paint, size_t{1}));
    sys.mode = ModeCopyColour;
    EXPECT_EQ(markAt(), std::pair(Mark::Hover, size_t{1}));
    // Inspect: Ctrl+Shift deletes, Ctrl adds, Shift takes the whole branch.
    sys.mode = ModeInspect;
    sys.modifierMode = ModeDelete;
    EXPECT_EQ(markAt(), std::pair(Mark::Delete, size_t{1}));
    sys.modifierMode = ModeAdd;
    EXPECT_EQ(PreviewAtCentre().ghosts.size(), 1u);
    sys.modifierMode = ModeNone;
    sys.keys.OnKeyMessage(0, MessageKind::KeyDown, vk::VK_SHIFT);
    EXPECT_EQ(markAt(), std::pair(Mark::Branch, size_t{3}));
}

TEST_F(PreviewTest, TheTrackerPicksAgainOnlyWhenSomethingChanged) {
    ScreenState screen;
    screen.pointerInView = true;
    screen.pointerX = 420;
    screen.pointerY = 310;
    sys.mode = ModeDelete;
    PreviewTracker tracker;
    EXPECT_TRUE(tracker.Refresh(sys, camera, meshes, screen));
    EXPECT_EQ(screen.preview.mark, Mark::Delete);
    EXPECT_FALSE(tracker.Refresh(sys, camera, meshes, screen));
    // Within the same block: worked out again, the same picture.
    screen.pointerX = 425;
    EXPECT_FALSE(tracker.Refresh(sys, camera, meshes, screen));
    // The block goes: the mark goes with it.
    sys.document.DeleteBranch(*sys.model.topBlocks.Front());
    EXPECT_TRUE(tracker.Refresh(sys, camera, meshes, screen));
    EXPECT_EQ(screen.preview, EditPreview{});
}
