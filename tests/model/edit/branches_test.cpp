// Branches: copied through .vvl bytes as the clipboard carries them, turned onto the face
// they are pasted on, refused where they do not fit, and each edit of a whole branch one
// undo step.
#include "model/edit/branches.h"

#include <algorithm>
#include <memory>
#include <tuple>
#include <vector>

#include "interaction/command_table.h"
#include "model/edit/edit_fixture.h"
#include "model/edit/editing.h"
#include "model/vvl_codec.h"

using namespace model::edit;
using namespace model;

using namespace math;

namespace {

class BranchTest : public EditFixture {
  protected:
    // P at the origin carries on its +X face an L of three blocks: the root R at (2,0,0),
    // then (4,0,0), then (4,0,2). Q stands apart at (10,0,0).
    BranchTest() {
        sys.randomColour = 0;
        Empty();
        p = AddTop({0, 0, 0});
        root = AddChild(p, {2, 0, 0}, 0, 3);
        const BlockNode* c1 = AddChild(root, {2, 0, 0}, 0, 4);
        AddChild(c1, {0, 0, 2}, 0, 1);
        q = AddTop({10, 0, 0});
    }

    // Copies the branch as the editor does: into .vvl bytes and back.
    void CopyForPaste(const BlockNode& branchRoot) {
        const std::vector<uint8_t> bytes =
            EncodeConstruction(CameraRecord{}, ConstructionSettings{}, CopyBranch(branchRoot));
        ConstructionDocument doc;
        ASSERT_TRUE(DecodeConstruction(bytes.data(), bytes.size(), doc));
        ASSERT_NE(BranchRoot(doc.model), nullptr);
        sys.pasting = std::make_shared<const CVelVorlaModel>(std::move(doc.model));
    }

    PasteResult PasteOnTopOf(const BlockNode& block) {
        return PasteBranchAt(sys, camera.Setup(), meshes, RayOnto(WorldOf(block), 2, 0.3f, 0.4f));
    }

    std::vector<uint8_t> Bytes() const {
        return EncodeConstruction(CameraRecord{}, ConstructionSettings{}, sys.model);
    }

    const BlockNode* p = nullptr;
    const BlockNode* root = nullptr;
    const BlockNode* q = nullptr;
};

std::vector<Vec3> CentresOfChildren(const BlockNode& block) {
    std::vector<Vec3> out;
    WalkBlocks(block.children, WorldOf(block),
               [&](const BlockNode&, const Mat4& world, const Mat4&) {
                   out.push_back(world.Translation());
               });
    std::sort(out.begin(), out.end(), [](const Vec3& a, const Vec3& b) {
        return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z);
    });
    return out;
}

}  // namespace

TEST_F(BranchTest, APasteTurnsTheBranchOntoTheFaceUnderThePointer) {
    CopyForPaste(*root);
    ASSERT_EQ(PasteOnTopOf(*q), PasteResult::Placed);
    EXPECT_EQ(sys.pasting, nullptr);  // the paste is over
    // From +X of P onto +Y of Q: a quarter turn about Z, then moved to Q.
    const std::vector<Vec3> want = {{10, 2, 0}, {10, 4, 0}, {10, 4, 2}};
    const std::vector<Vec3> got = CentresOfChildren(*q);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_LE(Length(got[i] - want[i]), 1e-4f) << i;
    // Colours come along, the original stays, and the counters know the new blocks.
    EXPECT_EQ(q->children.Front()->colour, 3);
    EXPECT_EQ(CentresOfChildren(*p).size(), 3u);
    EXPECT_EQ(sys.model.Total(), 8);
    EXPECT_EQ(sys.model.colourCounts[4], 2);
}

TEST_F(BranchTest, TheRootKeepsItsTwistAboutItsNewAxis) {
    sys.document.Twist(*root, root->axis, 0.5f);
    CopyForPaste(*root);
    ASSERT_EQ(PasteOnTopOf(*q), PasteResult::Placed);
    const BlockNode& pasted = *q->children.Front();
    EXPECT_EQ(pasted.offset, (Vec3{0, 2, 0}));
    EXPECT_EQ(pasted.axis, (Vec3{0, 2, 0}));
    EXPECT_FLOAT_EQ(pasted.angle, 0.5f);
}

TEST_F(BranchTest, APasteOntoTakenPlacesChangesNothing) {
    // Where the L's last block would land; not in the way of the click.
    AddTop({10, 4, 2});
    CopyForPaste(*root);
    const std::vector<uint8_t> before = Bytes();
    const size_t steps = sys.document.History().UndoCount();
    EXPECT_EQ(PasteOnTopOf(*q), PasteResult::Taken);
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(sys.document.History().UndoCount(), steps);
    EXPECT_NE(sys.pasting, nullptr);  // another face may still take it
}

TEST_F(BranchTest, EachBranchEditIsOneStepThatUndoNamesAndTakesBackExactly) {
    const std::vector<uint8_t> start = Bytes();
    CopyForPaste(*root);
    ASSERT_EQ(PasteOnTopOf(*q), PasteResult::Placed);
    const std::vector<uint8_t> pasted = Bytes();
    EXPECT_EQ(interaction::UndoMenuText(sys, false), "Отменить: вставка ветки");
    ASSERT_TRUE(UndoEdit(sys));
    EXPECT_EQ(Bytes(), start);  // exactly the pasted blocks went
    EXPECT_EQ(sys.model.Total(), 5);
    EXPECT_EQ(interaction::UndoMenuText(sys, true), "Повторить: вставка ветки");
    ASSERT_TRUE(RedoEdit(sys));
    EXPECT_EQ(Bytes(), pasted);

    const size_t steps = sys.document.History().UndoCount();
    sys.document.PaintBranch(*root, 2);
    EXPECT_EQ(sys.model.colourCounts[2], 5);
    sys.document.DeleteBranch(*root);
    EXPECT_EQ(sys.model.Total(), 5);
    EXPECT_EQ(sys.document.History().UndoCount(), steps + 2);
    EXPECT_EQ(interaction::UndoMenuText(sys, false), "Отменить: удаление ветки");
    ASSERT_TRUE(UndoEdit(sys));
    EXPECT_EQ(interaction::UndoMenuText(sys, false), "Отменить: покраска ветки");
    ASSERT_TRUE(UndoEdit(sys));
    EXPECT_EQ(Bytes(), pasted);
}

TEST_F(BranchTest, ShiftClickSelectsTheBranchAndTheBackgroundNothing) {
    ASSERT_TRUE(SelectBranchAt(sys, camera.Setup(), meshes, RayOnto(WorldOf(*root), 2, 0, 0)));
    EXPECT_EQ(sys.selectedBranch, root);
    EXPECT_EQ(BranchSize(*root), 3u);
    EXPECT_FALSE(SelectBranchAt(sys, camera.Setup(), meshes, Ray{{0, 50, 0}, {0, 1, 0}}));
    EXPECT_EQ(sys.selectedBranch, nullptr);
    // A deleted selection is let go of.
    sys.selectedBranch = root;
    sys.document.DeleteBranch(*root);
    EXPECT_EQ(sys.selectedBranch, nullptr);
}
