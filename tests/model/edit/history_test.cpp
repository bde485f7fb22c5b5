// Undo and redo of every kind of edit (whole branches too), against the construction's own bytes as
// the file would hold them.
#include "model/history.h"

#include <memory>
#include <random>
#include <vector>

#include "model/edit/branches.h"
#include "model/edit/edit_fixture.h"
#include "model/edit/editing.h"
#include "model/edit/twisting.h"
#include "model/visibility.h"
#include "model/vvl_codec.h"

using namespace model::edit;
using namespace model;

using namespace camera;
using namespace input;
using namespace math;

namespace {

// Far from everything: twist presses always grab a block, never the ring.
const Vec3 kNoRing{1000, 1000, 1000};

class HistoryTest : public EditFixture {
  protected:
    HistoryTest() { sys.randomColour = 0; }

    // The tree exactly as a file stores it (camera and settings fixed: they are no steps).
    std::vector<uint8_t> Bytes() const {
        return EncodeConstruction(CameraRecord{}, ConstructionSettings{}, sys.model);
    }

    // Counters recounted block by block, and every child linked to its parent.
    void ExpectCountersAndLinks() const {
        int counts[6] = {};
        std::vector<const BlockNode*> pending;
        for (const BlockNode& b : sys.model.topBlocks) {
            EXPECT_EQ(b.parent, nullptr);
            pending.push_back(&b);
        }
        while (!pending.empty()) {
            const BlockNode* b = pending.back();
            pending.pop_back();
            ++counts[b->colour];
            ++counts[5];
            for (const BlockNode& c : b->children) {
                EXPECT_EQ(c.parent, b);
                pending.push_back(&c);
            }
        }
        for (int i = 0; i < 6; ++i) EXPECT_EQ(sys.model.colourCounts[i], counts[i]) << i;
    }

    Ray RandomRay(std::mt19937& rng) const {
        const auto worlds = WorldTransforms();
        auto it = worlds.begin();
        std::advance(it, rng() % worlds.size());
        std::uniform_real_distribution<float> off(-0.7f, 0.7f);
        return RayOnto(it->second, static_cast<int>(rng() % 6), off(rng), off(rng));
    }

    // A left press, a few moves and the release, as the dispatcher brackets them.
    void TwistDrag(const Ray& ray, std::mt19937& rng) {
        sys.document.BeginGesture();
        BeginTwist(sys, camera.Setup(), meshes, ray, kNoRing);
        InputMessage m = Mouse(MessageKind::LButtonDown, 400, 300, vk::MK_LBUTTON);
        camera.mouse.OnMouseMessage(1.0f, m);
        TwistMouse(sys, camera.mouse, m, 400, 300, 800, 600, camera.orientation);
        for (int i = 0; i < 3; ++i) {
            const int x = 400 + static_cast<int>(rng() % 301) - 150;
            const int y = 300 + static_cast<int>(rng() % 301) - 150;
            m = Mouse(MessageKind::MouseMove, x, y, vk::MK_LBUTTON);
            TwistMouse(sys, camera.mouse, m, x, y, 800, 600, camera.orientation);
        }
        camera.mouse.OnMouseMessage(1.1f, Mouse(MessageKind::LButtonUp, 400, 300, 0));
        sys.document.EndGesture();
    }
};

}  // namespace

TEST_F(HistoryTest, RandomEditsUndoAndRedoToTheExactBytes) {
    for (unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 rng(seed);
        sys.ResetConstruction();
        sys.randomColour = 0;
        // states[i]: the bytes after i steps; `at`: the state the construction is in.
        std::vector<std::vector<uint8_t>> states{Bytes()};
        size_t at = 0;
        auto stepped = [&] {
            states.resize(at + 1);
            states.push_back(Bytes());
            ++at;
        };
        for (int op = 0; op < 300; ++op) {
            sys.SelectColour(static_cast<int>(rng() % 5));
            const unsigned kind = rng() % 13;
            if (kind == 0 || kind == 1) {
                sys.document.BeginGesture();
                if (AddBlockAt(sys, camera.Setup(), meshes, RandomRay(rng))) stepped();
                sys.document.EndGesture();
            } else if (kind == 2 && sys.model.Total() > 3) {
                if (DeleteBlockAt(sys, camera.Setup(), meshes, RandomRay(rng))) stepped();
            } else if (kind == 3) {
                // A stroke over a few blocks, each in its own colour.
                sys.document.BeginGesture();
                sys.lastPainted = nullptr;
                bool hit = false;
                for (int i = 0; i < 4; ++i) {
                    sys.SelectColour(static_cast<int>(rng() % 5));
                    hit |= PaintBlockAt(sys, camera.Setup(), meshes, RandomRay(rng));
                }
                sys.document.EndGesture();
                if (hit) stepped();
            } else if (kind == 4) {
                const std::vector<uint8_t> before = Bytes();
                TwistDrag(RandomRay(rng), rng);
                if (Bytes() != before) stepped();
            } else if (kind == 5 && sys.twistSelected) {
                const std::vector<uint8_t> before = Bytes();
                CancelTwist(sys);
                if (Bytes() != before) stepped();
            } else if (kind == 6 || kind == 7) {
                for (unsigned n = rng() % 4; n > 0 && at > 0; --n) {
                    ASSERT_TRUE(UndoEdit(sys));
                    --at;
                    ASSERT_EQ(Bytes(), states[at]) << "undo, seed " << seed << " op " << op;
                }
            } else if (kind >= 10) {
                // A whole branch: painted, deleted, or copied and pasted somewhere.
                const auto worlds = WorldTransforms();
                auto it = worlds.begin();
                std::advance(it, rng() % worlds.size());
                const BlockNode& branch = *it->first;
                if (kind == 10) {
                    if (sys.document.PaintBranch(branch, static_cast<int>(rng() % 5))) stepped();
                } else if (kind == 11 && branch.parent) {
                    sys.document.DeleteBranch(branch);
                    stepped();
                } else if (kind == 12) {
                    sys.pasting = std::make_shared<const CVelVorlaModel>(CopyBranch(branch));
                    if (PasteBranchAt(sys, camera.Setup(), meshes, RandomRay(rng)) ==
                        PasteResult::Placed)
                        stepped();
                    sys.pasting.reset();
                }
            } else if (kind >= 8) {
                for (unsigned n = rng() % 4; n > 0 && at + 1 < states.size(); --n) {
                    ASSERT_TRUE(RedoEdit(sys));
                    ++at;
                    ASSERT_EQ(Bytes(), states[at]) << "redo, seed " << seed << " op " << op;
                }
            }
            ASSERT_EQ(sys.document.History().UndoCount(), at) << "seed " << seed << " op " << op;
            // What is worked out from the tree follows every edit, undo and redo.
            ASSERT_EQ(sys.document.HiddenBlocks().fromDrawing,
                      FindHiddenBlocks(sys.model.topBlocks).fromDrawing)
                << "seed " << seed << " op " << op;
            ASSERT_EQ(sys.document.History().RedoCount(), states.size() - 1 - at);
        }
        ExpectCountersAndLinks();
        // All the way back to the new construction and forward to the last edit.
        while (at > 0) {
            ASSERT_TRUE(UndoEdit(sys));
            ASSERT_EQ(Bytes(), states[--at]) << "seed " << seed;
        }
        EXPECT_FALSE(UndoEdit(sys));
        ExpectCountersAndLinks();
        while (at + 1 < states.size()) {
            ASSERT_TRUE(RedoEdit(sys));
            ASSERT_EQ(Bytes(), states[++at]) << "seed " << seed;
        }
        EXPECT_FALSE(RedoEdit(sys));
        ExpectCountersAndLinks();
    }
}

TEST_F(HistoryTest, SavedStateIsTheOneLastSavedOrLoaded) {
    const Ray front = RayOnto(MatrixIdentity(), 5, 0.3f, 0.2f);  // the -z face
    ASSERT_FALSE(sys.document.Unsaved());
    // A drag that comes back to where it started changed nothing.
    const BlockNode* first = sys.model.topBlocks.Front();
    sys.document.BeginGesture();
    sys.document.Twist(*first, first->axis, 0.5f);
    sys.document.Twist(*first, first->axis, 0.0f);
    sys.document.EndGesture();
    EXPECT_FALSE(sys.document.Unsaved());
    EXPECT_FALSE(sys.document.CanUndo());

    ASSERT_TRUE(AddBlockAt(sys, camera.Setup(), meshes, front));
    EXPECT_TRUE(sys.document.Unsaved());
    UndoEdit(sys);
    EXPECT_FALSE(sys.document.Unsaved());  // back at the new construction: nothing to ask about
    RedoEdit(sys);
    EXPECT_TRUE(sys.document.Unsaved());

    // Saved after one paint: two undos leave it, two redos come back to it.
    PaintBlockAt(sys, camera.Setup(), meshes, front);
    sys.document.MarkSaved();  // what a successful save does
    UndoEdit(sys);
    UndoEdit(sys);
    EXPECT_TRUE(sys.document.Unsaved());
    RedoEdit(sys);
    EXPECT_TRUE(sys.document.Unsaved());
    RedoEdit(sys);
    EXPECT_FALSE(sys.document.Unsaved());

    // Twists and untwists are unsaved changes too, each a step.
    std::mt19937 rng(7);
    TwistDrag(front, rng);
    EXPECT_TRUE(sys.document.Unsaved());
    sys.document.MarkSaved();
    CancelTwist(sys);
    EXPECT_TRUE(sys.document.Unsaved());
    UndoEdit(sys);
    EXPECT_FALSE(sys.document.Unsaved());

    // A new edit after an undo drops the saved state from the history for good.
    UndoEdit(sys);
    ASSERT_TRUE(DeleteBlockAt(sys, camera.Setup(), meshes, front));
    EXPECT_FALSE(sys.document.CanRedo());
    while (UndoEdit(sys)) EXPECT_TRUE(sys.document.Unsaved());

    // A new construction or a loaded one starts an empty history at a saved state.
    sys.ResetConstruction();
    EXPECT_FALSE(sys.document.CanUndo());
    EXPECT_FALSE(sys.document.CanRedo());
    AddBlockAt(sys, camera.Setup(), meshes, front);
    UndoEdit(sys);
    EXPECT_FALSE(sys.document.Unsaved());
}

TEST_F(HistoryTest, AnUntwistInTheMiddleOfADragIsAStepOfItsOwn) {
    Empty();
    AddTop({-2, 0, 0}, {0, 2, 0}, 0, 0);
    const Ray onLeft = RayOnto(MatrixTranslation(-2, 0, 0), 5, 0.3f, 0.3f);
    sys.document.BeginGesture();
    BeginTwist(sys, camera.Setup(), meshes, onLeft, kNoRing);
    const BlockNode* left = sys.pickedBlock;
    ASSERT_NE(left, nullptr);
    const size_t stepsBefore = sys.document.History().UndoCount();
    sys.document.Twist(*left, left->axis, 0.5f);  // as if dragged
    sys.document.Twist(*left, left->axis, 0.9f);
    CancelTwist(sys);  // Backspace while the button is still held
    sys.document.Twist(*left, left->axis, 0.2f);
    sys.document.EndGesture();
    EXPECT_EQ(sys.document.History().UndoCount(), stepsBefore + 3);
    UndoEdit(sys);
    EXPECT_EQ(left->angle, 0.0f);
    UndoEdit(sys);
    EXPECT_EQ(left->angle, 0.9f);
    UndoEdit(sys);
    EXPECT_EQ(left->angle, 0.0f);
    // The twist selection stays on the block, its ring following it.
    EXPECT_EQ(sys.twistSelected, 1);
    EXPECT_EQ(sys.pickedBlock, left);
}

TEST_F(HistoryTest, NoEditingStateKeepsABlockThatUndoTookAway) {
    const Ray front = RayOnto(MatrixIdentity(), 5, 0.3f, 0.2f);
    ASSERT_TRUE(AddBlockAt(sys, camera.Setup(), meshes, front));
    const BlockNode* added = sys.model.topBlocks.Front()->children.Front();
    // The new block is picked, selected for twisting, painted last, and being dragged.
    const Ray onAdded = RayOnto(MatrixTranslation(0, 0, -2), 5, 0.3f, 0.2f);
    BeginTwist(sys, camera.Setup(), meshes, onAdded, kNoRing);
    ASSERT_EQ(sys.pickedBlock, added);
    sys.lastPainted = added;
    sys.paintDragging = 1;
    ASSERT_EQ(sys.twistDragging, 1);

    UndoEdit(sys);
    EXPECT_EQ(sys.model.Total(), 1);
    EXPECT_EQ(sys.pickedBlock, nullptr);
    EXPECT_EQ(sys.pickHit, 0);
    EXPECT_EQ(sys.twistSelected, 0);
    EXPECT_EQ(sys.twistDragging, 0);
    EXPECT_EQ(sys.lastPainted, nullptr);
    EXPECT_EQ(sys.paintDragging, 0);

    // Redo brings back the very same block; a redone delete lets go of it again.
    RedoEdit(sys);
    EXPECT_EQ(sys.model.topBlocks.Front()->children.Front(), added);
    ASSERT_TRUE(DeleteBlockAt(sys, camera.Setup(), meshes, onAdded));
    UndoEdit(sys);
    SelectTwistBlock(sys, camera.Setup(), meshes, onAdded);
    ASSERT_EQ(sys.pickedBlock, added);
    sys.lastPainted = added;
    RedoEdit(sys);
    EXPECT_EQ(sys.pickedBlock, nullptr);
    EXPECT_EQ(sys.twistSelected, 0);
    EXPECT_EQ(sys.lastPainted, nullptr);
}

TEST_F(HistoryTest, MemoryIsBoundedAndTheOldestStepsGoFirst) {
    Empty();
    AddTop({0, 0, 0});
    const Ray front = RayOnto(MatrixIdentity(), 5, 0.3f, 0.2f);
    const size_t stepsBefore = sys.document.History().UndoCount();
    for (int i = 0; i < 1000; ++i) {
        sys.SelectColour(i % 5);
        sys.lastPainted = nullptr;
        PaintBlockAt(sys, camera.Setup(), meshes, front);
    }
    const size_t thousand = sys.document.History().MemoryUsed();
    EXPECT_EQ(sys.document.History().UndoCount(), stepsBefore + 1000);
    // Steps cost what they changed: a paint step is far smaller than a block list of any size.
    EXPECT_LT(thousand, 1000u * 200u);

    sys.document.SetHistoryMemoryLimit(thousand / 10);
    EXPECT_LE(sys.document.History().MemoryUsed(), thousand / 10);
    const size_t kept = sys.document.History().UndoCount();
    EXPECT_GT(kept, 50u);
    EXPECT_LT(kept, 150u);
    // The newest steps are the ones kept: undoing all of them ends on the colour painted
    // 1000 - kept paints ago.
    while (UndoEdit(sys)) {
    }
    EXPECT_EQ(sys.model.topBlocks.Front()->colour, static_cast<int>((999 - kept) % 5));
    EXPECT_TRUE(sys.document.Unsaved());  // the saved state went with the oldest steps
}

TEST_F(HistoryTest, TheEnclosedBlocksFollowAnUndoAndARedo) {
    Empty();
    const BlockNode* centre = nullptr;
    for (int i = 0; i < 27; ++i) {
        const BlockNode* b =
            AddTop({2.0f * (i % 3) - 2, 2.0f * (i / 3 % 3) - 2, 2.0f * (i / 9) - 2});
        if (i == 13) centre = b;
    }
    auto centreHidden = [&] {
        size_t i = 0;
        bool hidden = false;
        WalkBlocks(sys.model.topBlocks, Mat4{}, [&](const BlockNode& b, const Mat4&, const Mat4&) {
            if (&b == centre) hidden = sys.document.HiddenBlocks().fromDrawing[i];
            ++i;
        });
        return hidden;
    };
    EXPECT_TRUE(centreHidden());
    ASSERT_TRUE(DeleteBlockAt(sys, camera.Setup(), meshes,
                              RayOnto(MatrixTranslation(-2, -2, -2), 5, 0.3f, 0.2f)));
    EXPECT_FALSE(centreHidden());  // a corner gone opens it up
    ASSERT_TRUE(UndoEdit(sys));
    EXPECT_TRUE(centreHidden());
    ASSERT_TRUE(RedoEdit(sys));
    EXPECT_FALSE(centreHidden());
}
