#include "model/construction.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/placement.h"
#include "support/construction_builders.h"

using namespace input;
using namespace model;

using testsupport::AddChild;
using testsupport::AddTop;
using testsupport::Block;

namespace {

std::vector<int> Colours(const BlockList& list) {
    std::vector<int> out;
    for (const BlockNode& b : list) out.push_back(b.colour);
    return out;
}

TEST(ModelConstruction, NewConstructionHasOneGreenBlockAndDefaults) {
    CVelVorlaSystem s;
    ASSERT_EQ(s.model.topBlocks.Count(), 1u);
    const BlockNode& b = *s.model.topBlocks.Front();
    EXPECT_EQ(b.colour, ColourGreen);
    EXPECT_EQ(b.offset, math::Vec3(0, 0, 0));
    EXPECT_EQ(b.axis, math::Vec3(0, 2, 0));
    EXPECT_EQ(b.visible, 1);
    EXPECT_EQ(b.parent, nullptr);
    EXPECT_FALSE(b.HasChildren());
    const int expected[6] = {0, 0, 1, 0, 0, 1};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(s.model.colourCounts[i], expected[i]) << i;
    EXPECT_EQ(s.currentColour, ColourYellow);
    EXPECT_EQ(s.randomColour, 1);
    EXPECT_EQ(s.detailLevel, 1);
    EXPECT_FALSE(s.document.Unsaved());
    EXPECT_EQ(s.mode, ModeInspect);
    EXPECT_EQ(s.modifierMode, ModeNone);
    EXPECT_EQ(s.fogColour, 0x333333u);
    EXPECT_EQ(s.model.gridShell, 1);
    EXPECT_EQ(s.model.gridSize, 1);
    EXPECT_EQ(s.backgroundColour, 0x000000A0u);
    EXPECT_EQ(s.gridColour, 0x00FFFFFFu);
}

TEST(ModelConstruction, ResetRestoresDefaultsButKeepsSettings) {
    CVelVorlaSystem s;
    s.document.Add(s.model.topBlocks.Front(), Block(ColourRed, {2, 0, 0}));
    s.currentColour = ColourWhite;
    s.randomColour = 0;
    s.showGrid = s.showAsCubes = s.showAxes = 1;
    testsupport::MakeUnsaved(s);
    s.mode = ModeTwist;
    s.modifierMode = ModeAdd;
    s.twistSelected = 1;
    s.pickHit = 1;
    s.pickedBlock = s.lastPainted = s.model.topBlocks.Front();
    s.showHints = 0;
    s.backgroundColour = 0x123456;
    s.keys.OnKeyMessage(1.0f, MessageKind::KeyDown, 17);
    ASSERT_TRUE(s.keys.IsDown(KeyCtrl));

    s.ResetConstruction();
    EXPECT_EQ(s.model.colourCounts[5], 1);
    EXPECT_EQ(s.model.colourCounts[ColourRed], 0);
    EXPECT_EQ(s.currentColour, ColourYellow);
    EXPECT_EQ(s.randomColour, 1);
    EXPECT_EQ(s.showGrid + s.showAsCubes + s.showAxes, 0);
    EXPECT_FALSE(s.document.Unsaved());
    EXPECT_EQ(s.mode, ModeInspect);
    EXPECT_EQ(s.modifierMode, ModeNone);
    EXPECT_EQ(s.twistSelected, 0);
    EXPECT_EQ(s.pickHit, 0);
    EXPECT_EQ(s.pickedBlock, nullptr);
    EXPECT_EQ(s.lastPainted, nullptr);
    EXPECT_FALSE(s.keys.IsDown(KeyCtrl));
    // Not part of the construction:
    EXPECT_EQ(s.showHints, 0);
    EXPECT_EQ(s.backgroundColour, 0x123456u);
}

TEST(ModelConstruction, ReplacingTheTreeForgetsPicksAndHistory) {
    CVelVorlaSystem s;
    const BlockNode& top = *s.model.topBlocks.Front();
    s.document.Add(&top, Block(ColourBlue, {0, 0, 2}));
    s.pickHit = 1;
    s.pickedBlock = &top;
    s.twistSelected = 1;
    s.document.Replace({}, /*saved=*/false);
    EXPECT_TRUE(s.model.topBlocks.Empty());
    for (int c : s.model.colourCounts) EXPECT_EQ(c, 0);
    EXPECT_EQ(s.pickedBlock, nullptr);
    EXPECT_EQ(s.twistSelected, 0);
    EXPECT_EQ(s.pickHit, 0);
    EXPECT_FALSE(s.document.CanUndo());
    EXPECT_TRUE(s.document.Unsaved());  // restored work that no file holds
    // Still usable.
    s.document.Add(nullptr, Block(ColourWhite, {}));
    EXPECT_EQ(s.model.colourCounts[ColourWhite], 1);
}

TEST(ModelConstruction, RandomColourNeverRepeatsTheCurrentOne) {
    CVelVorlaSystem s;
    int draw = 0;
    s.randomSource = [&draw] { return draw; };

    // Current 4 and a draw that lands on 4 (32767 / 32768 * 5 = 4.99) gives 0.
    s.currentColour = ColourWhite;
    draw = 32767;
    s.PickRandomColour();
    EXPECT_EQ(s.currentColour, 0);

    s.currentColour = ColourRed;
    draw = 0;
    s.PickRandomColour();
    EXPECT_EQ(s.currentColour, 1);

    // Every draw, every current colour: always 0..4 and never the current one; the
    // plain draw maps to integer part of draw / 32768 * 5.
    for (int current = 0; current < ColourCount; ++current) {
        for (draw = 0; draw < 32768; draw += 7) {
            s.currentColour = current;
            s.PickRandomColour();
            const int plain = static_cast<int>(draw / 32768.0 * 5);
            EXPECT_EQ(s.currentColour, plain == current ? (plain + 1) % 5 : plain);
            ASSERT_NE(s.currentColour, current);
        }
    }

    // A source outside 0..32767 cannot produce an index past the colour table.
    draw = 1 << 30;
    s.currentColour = 0;
    s.PickRandomColour();
    EXPECT_TRUE(IsColourIndex(s.currentColour));

    // The default source stays within range too.
    CVelVorlaSystem d;
    for (int i = 0; i < 1000; ++i) {
        const int before = d.currentColour;
        d.PickRandomColour();
        ASSERT_TRUE(IsColourIndex(d.currentColour));
        ASSERT_NE(d.currentColour, before);
    }
}

TEST(ModelConstruction, ColourKeysSetColourAndSwitchRandomOff) {
    CVelVorlaSystem s;
    s.SelectColour(ColourBlue);
    EXPECT_EQ(s.currentColour, ColourBlue);
    EXPECT_EQ(s.randomColour, 0);
    s.SelectColour(9);
    EXPECT_EQ(s.currentColour, ColourBlue);
    EXPECT_EQ(BlockColours[ColourGreen].g, 0.8f);
    EXPECT_EQ(ColourCaptions[5], "Случайный ( 6 )");
}

TEST(ModelConstruction, CountersTrackAddRemoveRecolourAndIgnoreBadIndices) {
    CVelVorlaModel m;
    m.CountAdded(1);
    m.CountAdded(1);
    m.CountRecoloured(1, 3);
    m.CountRemoved(1);
    EXPECT_EQ(m.colourCounts[1], 0);
    EXPECT_EQ(m.colourCounts[3], 1);
    EXPECT_EQ(m.Total(), 1);
    m.CountAdded(17);  // never written past the table
    EXPECT_EQ(m.Total(), 2);
}

TEST(ModelConstruction, EnclosedBlocksFollowEveryChange) {
    CVelVorlaSystem s;
    CVelVorlaModel m;
    std::vector<const BlockNode*> cube;
    for (int i = 0; i < 27; ++i)
        cube.push_back(&AddTop(m, Block(1, {2.0f * (i % 3), 2.0f * (i / 3 % 3), 2.0f * (i / 9)})));
    testsupport::Adopt(s, std::move(m));
    const std::vector<bool> centreHidden = [] {
        std::vector<bool> v(27, false);
        v[13] = true;
        return v;
    }();
    EXPECT_EQ(s.document.HiddenBlocks().fromDrawing, centreHidden);
    // A corner turned out of the lattice opens the centre up.
    s.document.Twist(*cube[0], cube[0]->axis, 0.3f);
    EXPECT_EQ(s.document.HiddenBlocks().fromDrawing, std::vector<bool>(27, false));
    s.document.Twist(*cube[0], cube[0]->axis, 0);
    s.document.Add(nullptr, Block(1, {8, 8, 8}));
    std::vector<bool> withOneMore = centreHidden;
    withOneMore.push_back(false);
    EXPECT_EQ(s.document.HiddenBlocks().fromDrawing, withOneMore);
}

TEST(ModelBlockList, KeepsInsertionOrderThroughRemovals) {
    BlockList list;
    BlockNode* nodes[4];
    for (int i = 0; i < 4; ++i) nodes[i] = &list.PushBack(Block(i, {}));
    EXPECT_EQ(Colours(list), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(list.Count(), 4u);

    auto tail = list.Remove(nodes[3]);
    ASSERT_TRUE(tail);
    EXPECT_EQ(tail->next, nullptr);
    EXPECT_EQ(list.Back(), nodes[2]);
    list.PushBack(Block(7, {}));  // appended after the new tail
    EXPECT_EQ(Colours(list), (std::vector<int>{0, 1, 2, 7}));

    EXPECT_TRUE(list.Remove(nodes[1]));
    EXPECT_EQ(Colours(list), (std::vector<int>{0, 2, 7}));
    EXPECT_FALSE(list.Remove(tail.get()));  // not a member: nothing happens
    EXPECT_FALSE(list.Remove(nullptr));

    auto first = list.PopFront();
    EXPECT_EQ(first->colour, 0);
    EXPECT_EQ(Colours(list), (std::vector<int>{2, 7}));
    list.PopFront();
    list.PopFront();
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.Back(), nullptr);
    EXPECT_FALSE(list.PopFront());
    list.PushBack(Block(4, {}));
    EXPECT_EQ(Colours(list), (std::vector<int>{4}));

    BlockList moved = std::move(list);
    EXPECT_TRUE(list.Empty());  // NOLINT(bugprone-use-after-move): moved-from is empty
    EXPECT_EQ(Colours(moved), (std::vector<int>{4}));
}

TEST(ModelBlockList, DestroysAMillionDeepChainAndWideTreesWithoutRecursion) {
    {
        CVelVorlaModel model;
        testsupport::FillChain(model, 1'000'000);
        EXPECT_EQ(model.Total(), 1'000'000);
        EXPECT_EQ(TreeDepth(model.topBlocks), 1'000'000);
    }  // destructor
    CVelVorlaSystem s;
    CVelVorlaModel chain;
    testsupport::FillChain(chain, 1'000'000);
    testsupport::Adopt(s, std::move(chain));
    s.document.Replace({}, /*saved=*/true);
    EXPECT_TRUE(s.model.topBlocks.Empty());
    // A detached subtree owned by a unique_ptr goes the same way.
    auto root = Block(0, {});
    BlockNode* tip = root.get();
    for (int i = 0; i < 300'000; ++i) tip = &tip->AppendChild(Block(1, {0, 2, 0}));
    root.reset();
}

}  // namespace
