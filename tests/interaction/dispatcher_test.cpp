// The dispatcher driven by synthetic messages, as the Qt view produces them.
#include "interaction/dispatcher.h"

#include <numbers>

#include "interaction/about.h"
#include "model/edit/edit_fixture.h"

using namespace interaction;
using namespace model::edit;

using namespace camera;
using namespace input;
using namespace math;
using namespace model;

namespace {

class FakeHost : public DispatchHost {
  public:
    float Time() const override { return time; }
    bool Windowed() const override { return windowed; }
    bool HasViewWindow() const override { return hasView; }
    int ViewOffsetX() const override { return offsetX; }
    int ViewOffsetY() const override { return offsetY; }
    void RefreshCheckMarks() override { ++refreshes; }

    float time = 1.0f;
    bool windowed = true;
    bool hasView = true;
    int offsetX = 0, offsetY = 0;
    int refreshes = 0;
};

// Buttons under x < 50 in both strips.
class FakeStrips : public StripButtons {
  public:
    explicit FakeStrips(ScreenState& s) : screen(s) {}
    bool HitTestBottomStrip(int x) override { return Test(x); }
    bool HitTestTopStrip(int x) override { return Test(x); }
    void RunStripButton() override { ++runs; }
    bool Test(int x) {
        ++tests;
        screen.stripHit = true;
        return x < 50;
    }
    ScreenState& screen;
    int tests = 0, runs = 0;
};

class DispatcherTest : public EditFixture {
  protected:
    DispatcherTest() { screen.aboutShown = 0; }

    bool Key(MessageKind kind, int key, bool repeat = false, WindowId target = WindowId::View) {
        return dispatcher.DispatchInput(
            {.kind = kind, .virtualKey = key, .autoRepeat = repeat, .target = target});
    }
    bool Down(int key) { return Key(MessageKind::KeyDown, key); }
    bool Up(int key) { return Key(MessageKind::KeyUp, key); }

    bool Mouse(MessageKind kind, int x, int y, WindowId target = WindowId::View) {
        unsigned bit = 0;
        if (kind == MessageKind::LButtonDown || kind == MessageKind::LButtonUp)
            bit = vk::MK_LBUTTON;
        if (kind == MessageKind::RButtonDown || kind == MessageKind::RButtonUp)
            bit = vk::MK_RBUTTON;
        if (kind == MessageKind::MButtonDown || kind == MessageKind::MButtonUp)
            bit = vk::MK_MBUTTON;
        if (IsButtonDown(kind)) held |= bit;
        if (IsButtonUp(kind)) held &= ~bit;
        host.time += 0.01f;
        return dispatcher.DispatchInput(
            {.kind = kind, .x = x, .y = y, .buttons = held, .target = target});
    }
    bool Click(int x, int y) {
        const bool pass = Mouse(MessageKind::LButtonDown, x, y);
        Mouse(MessageKind::LButtonUp, x, y);
        return pass;
    }

    FakeHost host;
    ScreenState screen;
    CInputDispatcher dispatcher{sys, screen, camera, meshes, host};
    unsigned held = 0;
};

}  // namespace

TEST_F(DispatcherTest, ModifierModeFollowsTheTableForEveryMode) {
    struct Row {
        int mode, ctrlOnly, both, none;
    };
    const Row rows[] = {
        {ModeInspect, ModeAdd, ModeDelete, ModeNone},
        {ModeAdd, ModeNone, ModeDelete, ModeNone},
        {ModeDelete, ModeAdd, ModeNone, ModeNone},
        {ModePaint, ModeCopyColour, ModeNone, ModeNone},
        {ModeTwist, ModeNone, ModeNone, ModeNone},
        {ModeCopyColour, ModeNone, ModeNone, ModeNone},
        {ModeChooseCentre, ModeNone, ModeNone, ModeNone},
    };
    for (const Row& r : rows) {
        sys.mode = r.mode;
        sys.keys.Clear();
        Mouse(MessageKind::MouseMove, 300, 200);
        EXPECT_EQ(sys.modifierMode, r.none) << "mode " << r.mode;
        Down(vk::VK_CONTROL);
        EXPECT_EQ(sys.modifierMode, r.ctrlOnly) << "mode " << r.mode;
        Down(vk::VK_SHIFT);
        EXPECT_EQ(sys.modifierMode, r.both) << "mode " << r.mode;
        Up(vk::VK_CONTROL);
        Mouse(MessageKind::MouseMove, 301, 200);
        EXPECT_EQ(sys.modifierMode, ModeNone) << "shift only, mode " << r.mode;
        // Messages other than keys, moves and presses carry no modifier mode.
        Down(vk::VK_CONTROL);
        Mouse(MessageKind::MouseWheel, 300, 200);
        EXPECT_EQ(sys.modifierMode, ModeNone);
        Up(vk::VK_CONTROL);
        Up(vk::VK_SHIFT);
    }
}

TEST_F(DispatcherTest, KeyFilterKeepsCameraKeysFromShortcuts) {
    EXPECT_TRUE(Down(vk::VK_F5));  // nothing held: the detail command may run
    EXPECT_TRUE(Up(vk::VK_F5));
    EXPECT_FALSE(Down('W'));
    EXPECT_FALSE(Down(vk::VK_F5));  // held W swallows F5
    EXPECT_FALSE(Down(vk::VK_ESCAPE));
    EXPECT_TRUE(Up('W'));
    EXPECT_TRUE(Down(vk::VK_F5));

    // Ctrl+N, Ctrl+O, Ctrl+S, Ctrl+Z and Ctrl+Y reach the accelerator table; Ctrl alone
    // does not.
    EXPECT_FALSE(Down(vk::VK_CONTROL));
    for (int letter : {'N', 'O', 'S', 'Z', 'Y'}) {
        EXPECT_TRUE(Down(letter)) << char(letter);
        Up(letter);
    }
    Down(vk::VK_SHIFT);
    EXPECT_TRUE(Down('Z'));  // Ctrl+Shift+Z
    Up('Z');
    Up(vk::VK_SHIFT);
    EXPECT_FALSE(Down('A'));  // a camera key with Ctrl
    Up('A');
    Up(vk::VK_CONTROL);
    // Command letters pass on their own; S alone is a camera key.
    EXPECT_TRUE(Down('P'));
    Up('P');
    EXPECT_FALSE(Down('S'));
    Up('S');

    // An auto-repeat never reaches the table, even of a command letter.
    EXPECT_TRUE(Down('T'));
    EXPECT_FALSE(Key(MessageKind::KeyDown, 'T', true));
    Up('T');
}

TEST_F(DispatcherTest, CtrlClickAddsAndCtrlShiftClickDeletes) {
    // Far enough back for a row of blocks to grow towards the eye.
    camera.PlaceAndApply(nullptr, {0, 0, -15}, {0, 0, 0});
    Down(vk::VK_CONTROL);
    EXPECT_TRUE(Click(420, 290));  // Ctrl is the only held key: passed on
    EXPECT_EQ(sys.model.Total(), 2);
    EXPECT_EQ(camera.rotateDrag, 0);  // the camera never saw the press

    Down(vk::VK_SHIFT);
    EXPECT_FALSE(Click(420, 290));  // deletes the new block in front
    EXPECT_EQ(sys.model.Total(), 1);
    Up(vk::VK_SHIFT);
    Up(vk::VK_CONTROL);

    // Add mode: a plain click adds, Ctrl alone still adds, Ctrl+Shift deletes.
    sys.mode = ModeAdd;
    Click(420, 290);
    EXPECT_EQ(sys.model.Total(), 2);
    Down(vk::VK_CONTROL);
    Click(385, 310);
    EXPECT_EQ(sys.model.Total(), 3);
    Down(vk::VK_SHIFT);
    Click(385, 310);
    EXPECT_EQ(sys.model.Total(), 2);
    Up(vk::VK_SHIFT);
    Up(vk::VK_CONTROL);

    // Delete mode: a plain click deletes, Ctrl+click adds.
    sys.mode = ModeDelete;
    Click(420, 290);
    EXPECT_EQ(sys.model.Total(), 1);
    Down(vk::VK_CONTROL);
    Click(420, 290);
    EXPECT_EQ(sys.model.Total(), 2);
}

TEST_F(DispatcherTest, AClickThatChangesNothingGoesToTheCamera) {
    sys.mode = ModeAdd;
    Mouse(MessageKind::LButtonDown, 400, 300);  // face centre: refused
    EXPECT_EQ(sys.model.Total(), 1);
    EXPECT_EQ(camera.rotateDrag, 1);
}

TEST_F(DispatcherTest, CtrlClickInPaintModeCopiesColour) {
    sys.mode = ModePaint;
    Down(vk::VK_CONTROL);
    Click(410, 296);
    EXPECT_EQ(sys.currentColour, 2);
    EXPECT_EQ(sys.randomColour, 0);
    EXPECT_GE(host.refreshes, 1);
    EXPECT_EQ(sys.model.topBlocks.Front()->colour, 2);
    EXPECT_FALSE(sys.document.Unsaved());
}

TEST_F(DispatcherTest, PaintStrokePaintsEachCrossedBlockOnce) {
    Empty();
    const BlockNode* left = AddTop({-2, 0, 0}, {0, 2, 0}, 0, 0);
    const BlockNode* mid = AddTop({0, 0, 0}, {0, 2, 0}, 0, 0);
    const BlockNode* right = AddTop({2, 0, 0}, {0, 2, 0}, 0, 0);
    int draws = 0;
    sys.randomSource = [&draws] { return (draws++ * 7000) % 32768; };
    sys.mode = ModePaint;
    int x0, x1, y;
    PixelOf({-2, 0, -1}, &x0, &y);
    PixelOf({2, 0, -1}, &x1, &y);
    Mouse(MessageKind::LButtonDown, x0, y);
    for (int x = x0; x <= x1; x += 3) Mouse(MessageKind::MouseMove, x, y);
    Mouse(MessageKind::MouseMove, x1, y);
    Mouse(MessageKind::LButtonUp, x1, y);
    EXPECT_EQ(draws, 3);  // one new colour per painted block
    EXPECT_EQ(sys.model.colourCounts[0] + sys.model.colourCounts[1] + sys.model.colourCounts[2] +
                  sys.model.colourCounts[3] + sys.model.colourCounts[4],
              3);
    EXPECT_EQ(camera.rotateDrag, 0);
    (void)left;
    (void)mid;
    (void)right;

    // A stroke starting on empty space orbits the camera instead.
    Mouse(MessageKind::LButtonDown, 400, 20);
    EXPECT_EQ(sys.paintDragging, 0);
    EXPECT_EQ(camera.rotateDrag, 1);
    Mouse(MessageKind::MouseMove, x0, y);
    Mouse(MessageKind::LButtonUp, x0, y);
    EXPECT_EQ(draws, 3);
}

TEST_F(DispatcherTest, AStrokeOrADragIsOneUndoStep) {
    Empty();
    for (float x : {-2.0f, 0.0f, 2.0f}) AddTop({x, 0, 0}, {0, 2, 0}, 0, ColourRed);
    sys.randomColour = 0;
    sys.currentColour = ColourBlue;
    sys.mode = ModePaint;
    const size_t steps = sys.document.History().UndoCount();
    int x0, x1, y;
    PixelOf({-2, 0, -1}, &x0, &y);
    PixelOf({2, 0, -1}, &x1, &y);
    Mouse(MessageKind::LButtonDown, x0, y);
    for (int x = x0; x <= x1; x += 3) Mouse(MessageKind::MouseMove, x, y);
    Mouse(MessageKind::LButtonUp, x1, y);
    ASSERT_EQ(sys.model.colourCounts[ColourBlue], 3);
    EXPECT_EQ(sys.document.History().UndoCount(), steps + 1);
    sys.document.Undo();
    EXPECT_EQ(sys.model.colourCounts[ColourRed], 3);

    sys.mode = ModeTwist;
    const BlockNode* mid = sys.model.topBlocks.Front()->next;
    Mouse(MessageKind::LButtonDown, 410, 300);
    ASSERT_EQ(sys.pickedBlock, mid);
    for (int x = 420; x < 500; x += 10) Mouse(MessageKind::MouseMove, x, 380);
    Mouse(MessageKind::LButtonUp, 500, 380);
    ASSERT_NE(mid->angle, 0.0f);
    EXPECT_EQ(sys.document.History().UndoCount(), steps + 1);
    sys.document.Undo();
    EXPECT_EQ(mid->angle, 0.0f);
}

TEST_F(DispatcherTest, RightClickLeavesTheMode) {
    sys.mode = ModePaint;
    sys.twistSelected = 1;
    EXPECT_TRUE(Mouse(MessageKind::RButtonDown, 300, 200));
    EXPECT_EQ(sys.mode, ModeInspect);
    EXPECT_EQ(sys.twistSelected, 0);
    EXPECT_EQ(camera.rollDrag, 1);  // the same press reaches the camera
    Mouse(MessageKind::RButtonUp, 300, 200);

    // Choose centre returns to the previous mode and keeps the press from the camera.
    sys.previousMode = ModeTwist;
    sys.mode = ModeChooseCentre;
    EXPECT_TRUE(Mouse(MessageKind::RButtonDown, 300, 200));
    EXPECT_EQ(sys.mode, ModeTwist);
    EXPECT_EQ(camera.rollDrag, 0);
    EXPECT_EQ(camera.mouse.DownCount(), 0);

    // With a modifier held nothing is left.
    sys.mode = ModeAdd;
    held = 0;
    Down(vk::VK_CONTROL);
    Mouse(MessageKind::RButtonDown, 300, 200);
    EXPECT_EQ(sys.mode, ModeAdd);
}

TEST_F(DispatcherTest, ChooseCentreClickAimsAndReturnsToThePreviousMode) {
    AddTop({2, 0, 0});
    sys.previousMode = ModeAdd;
    sys.mode = ModeChooseCentre;
    EXPECT_TRUE(Mouse(MessageKind::LButtonDown, 790, 10));  // miss: mode stays
    Mouse(MessageKind::LButtonUp, 790, 10);
    EXPECT_EQ(sys.mode, ModeChooseCentre);
    int x, y;
    PixelOf({2, 0, -1}, &x, &y);
    EXPECT_TRUE(Mouse(MessageKind::LButtonDown, x, y));
    EXPECT_EQ(sys.mode, ModeAdd);
    EXPECT_VEC_NEAR(camera.target, {2, 0, 0}, 1e-4f);
    EXPECT_EQ(camera.mouse.DownCount(), 0);
    EXPECT_FALSE(camera.mouse.captured);
}

TEST_F(DispatcherTest, TwistModeDragsTheBlock) {
    sys.mode = ModeTwist;
    BlockNode* block = sys.model.topBlocks.Front();
    Mouse(MessageKind::LButtonDown, 410, 300);
    EXPECT_EQ(sys.twistSelected, 1);
    EXPECT_EQ(sys.twistDragging, 1);
    Mouse(MessageKind::MouseMove, 460, 380);
    const float turned = block->angle;
    EXPECT_NE(turned, 0.0f);
    EXPECT_EQ(camera.rotateDrag, 0);
    Mouse(MessageKind::LButtonUp, 460, 380);
    Mouse(MessageKind::MouseMove, 200, 100);
    EXPECT_EQ(block->angle, turned);
}

TEST_F(DispatcherTest, StripButtonsTakePressesAndHover) {
    FakeStrips strips(screen);
    dispatcher.SetStrips(&strips);
    EXPECT_TRUE(Mouse(MessageKind::MouseMove, 20, 590));
    EXPECT_TRUE(screen.stripHit);
    Mouse(MessageKind::MouseMove, 200, 590);  // in the band, no button
    EXPECT_FALSE(screen.stripHit);
    // Band edges: bottom is 582 < y < 600, top is 1 <= y <= 17, and x > 0.
    const int before = strips.tests;
    for (auto [x, y] : {std::pair{20, 582}, {20, 0}, {20, 18}, {0, 590}, {20, 300}})
        Mouse(MessageKind::MouseMove, x, y);
    EXPECT_EQ(strips.tests, before);
    for (auto [x, y] : {std::pair{20, 583}, {20, 599}, {20, 1}, {20, 17}})
        Mouse(MessageKind::MouseMove, x, y);
    EXPECT_EQ(strips.tests, before + 4);

    // A left press runs the button, even with Ctrl held, and never edits.
    Down(vk::VK_CONTROL);
    EXPECT_TRUE(Mouse(MessageKind::LButtonDown, 20, 590));
    EXPECT_EQ(strips.runs, 1);
    EXPECT_EQ(camera.mouse.DownCount(), 0);
    EXPECT_FALSE(camera.mouse.captured);
    EXPECT_EQ(sys.model.Total(), 1);
    Up(vk::VK_CONTROL);
    held = 0;

    // While a button is held the strips are not hovered.
    Mouse(MessageKind::LButtonDown, 300, 300);
    const int tests = strips.tests;
    Mouse(MessageKind::MouseMove, 20, 590);
    EXPECT_EQ(strips.tests, tests);
    EXPECT_FALSE(screen.stripHit);
    Mouse(MessageKind::LButtonUp, 20, 590);

    screen.stripHit = true;
    Mouse(MessageKind::MouseLeave, 0, 0);
    EXPECT_FALSE(screen.stripHit);
}

TEST_F(DispatcherTest, AboutDiscTakesTheClickBeforeEditing) {
    screen.aboutShown = 1;
    Down(vk::VK_CONTROL);
    EXPECT_TRUE(Mouse(MessageKind::LButtonDown, 410, 296));
    EXPECT_EQ(screen.aboutClosing, 1);
    EXPECT_EQ(sys.model.Total(), 1);
    EXPECT_EQ(camera.mouse.DownCount(), 0);
}

TEST_F(DispatcherTest, AboutToggleOpensAndClosesOnlyWhenStill) {
    screen.aboutShown = 1;
    ToggleAbout(screen, camera);
    EXPECT_EQ(screen.aboutClosing, 1);
    EXPECT_EQ(screen.aboutAngle, 0.0f);
    ToggleAbout(screen, camera);  // still turning: nothing
    EXPECT_EQ(screen.aboutClosing, 1);
    EXPECT_FALSE(AboutClickTest(screen, camera, meshes, 400, 300));

    screen.aboutClosing = 0;
    screen.aboutShown = 0;
    camera.axesOrientation = MatrixRotationY(1.0f);
    ToggleAbout(screen, camera);
    EXPECT_EQ(screen.aboutShown, 1);
    EXPECT_EQ(screen.aboutOpening, 1);
    EXPECT_FLOAT_EQ(screen.aboutAngle, std::numbers::pi_v<float> / 2);
    EXPECT_EQ(camera.axesOrientation, MatrixIdentity());

    // Once open and still, a click off the disc misses and one on it starts closing
    // about an axis set by where it was hit.
    screen.aboutOpening = 0;
    EXPECT_FALSE(AboutClickTest(screen, camera, meshes, 5, 5));
    int x, y;
    PixelOf(GizmoCentre(camera) + Vec3{1.0f, 0, 0}, &x, &y);
    EXPECT_TRUE(AboutClickTest(screen, camera, meshes, x, y));
    EXPECT_EQ(screen.aboutClosing, 1);
    EXPECT_NEAR(screen.aboutAxis.x, 0.0f, 0.1f);
    EXPECT_NEAR(std::fabs(screen.aboutAxis.y), 1.0f, 0.1f);
}

TEST_F(DispatcherTest, WindowsAndViewBoundsDecideWhatIsHandled) {
    Down(vk::VK_CONTROL);
    // A press outside the view is passed on untouched.
    EXPECT_TRUE(Mouse(MessageKind::LButtonDown, 900, 300));
    Mouse(MessageKind::LButtonUp, 900, 300);
    EXPECT_EQ(sys.model.Total(), 1);
    // A mouse message for another window is not tracked; a key message is.
    EXPECT_TRUE(Mouse(MessageKind::LButtonDown, 410, 296, WindowId::Other));
    EXPECT_EQ(camera.mouse.DownCount(), 0);
    held = 0;
    Key(MessageKind::KeyUp, vk::VK_CONTROL, false, WindowId::Other);
    EXPECT_FALSE(sys.keys.IsDown(KeyCtrl));

    // Form coordinates are moved by the view's corner.
    host.offsetX = 10;
    host.offsetY = 20;
    Down(vk::VK_CONTROL);
    Mouse(MessageKind::LButtonDown, 420, 316, WindowId::Form);
    EXPECT_EQ(sys.model.Total(), 2);
    Mouse(MessageKind::LButtonUp, 420, 316, WindowId::Form);

    // No view window yet: everything passes, nothing is tracked.
    host.hasView = false;
    sys.keys.Clear();
    EXPECT_TRUE(Down('W'));
    EXPECT_FALSE(sys.keys.IsDown(KeyW));
}

// Add, undo, then a twist drag that comes back to where it started: nothing changed, so
// the added block is still there to redo.
TEST_F(DispatcherTest, ATwistDragBackToItsStartKeepsTheRedoSteps) {
    sys.mode = ModeAdd;
    Click(420, 310);
    ASSERT_EQ(sys.model.Total(), 2);
    ASSERT_TRUE(sys.document.Undo());
    sys.mode = ModeTwist;
    Mouse(MessageKind::LButtonDown, 410, 300);
    Mouse(MessageKind::MouseMove, 470, 380);
    Mouse(MessageKind::MouseMove, 410, 300);
    Mouse(MessageKind::LButtonUp, 410, 300);
    EXPECT_EQ(sys.model.topBlocks.Front()->angle, 0.0f);
    EXPECT_FALSE(sys.document.Unsaved());
    EXPECT_TRUE(sys.document.Redo());
    EXPECT_EQ(sys.model.Total(), 2);
}
