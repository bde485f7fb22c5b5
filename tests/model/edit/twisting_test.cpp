#include "model/edit/twisting.h"

#include <cmath>
#include <numbers>

#include "model/edit/edit_fixture.h"

using namespace model::edit;

using namespace camera;
using namespace input;
using namespace math;
using namespace model;

namespace {
constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kDeg = kPi / 180.0f;

float Degrees(float radians) {
    return radians * (180.0f / kPi);
}
}  // namespace

TEST(TwistSnapping, StepsTruncateTowardZero) {
    EXPECT_FLOAT_EQ(Degrees(SnapTwistDelta(3.9f * kDeg, true, false)), 2.0f);
    EXPECT_FLOAT_EQ(Degrees(SnapTwistDelta(-3.9f * kDeg, true, false)), -2.0f);
    EXPECT_FLOAT_EQ(Degrees(SnapTwistDelta(9.9f * kDeg, false, true)), 5.0f);
    EXPECT_FLOAT_EQ(Degrees(SnapTwistDelta(19.9f * kDeg, true, true)), 10.0f);
    EXPECT_FLOAT_EQ(Degrees(SnapTwistDelta(-19.9f * kDeg, true, true)), -10.0f);
    EXPECT_EQ(SnapTwistDelta(1.9f * kDeg, true, false), 0.0f);
    EXPECT_EQ(SnapTwistDelta(0.123f, false, false), 0.123f);  // free turning
}

TEST(TwistSnapping, BaseAngleRoundsToWholeDegreesWithHalvesDown) {
    EXPECT_NEAR(Degrees(SnapTwistBase(12.6f * kDeg)), 13.0f, 1e-4f);
    EXPECT_NEAR(Degrees(SnapTwistBase(12.4f * kDeg)), 12.0f, 1e-4f);
    EXPECT_NEAR(Degrees(SnapTwistBase(-12.6f * kDeg)), -13.0f, 1e-4f);
    // 0x1.becde8p-3 rad is exactly 12.5 degrees when converted in single precision with
    // pi = 3.1415927: an exact half rounds down, towards minus infinity on both sides.
    EXPECT_NEAR(Degrees(SnapTwistBase(0x1.becde8p-3f)), 12.0f, 1e-4f);
    EXPECT_NEAR(Degrees(SnapTwistBase(-0x1.becde8p-3f)), -13.0f, 1e-4f);
    EXPECT_EQ(SnapTwistBase(0.0f), 0.0f);
}

class TwistFixture : public EditFixture {
  protected:
    void Press(int x, int y) {
        const InputMessage m = Mouse(MessageKind::LButtonDown, x, y, vk::MK_LBUTTON);
        camera.mouse.OnMouseMessage(1.0f, m);
        TwistMouse(sys, camera.mouse, m, x, y, 800, 600, camera.orientation);
    }
    void Move(int x, int y) {
        const InputMessage m = Mouse(MessageKind::MouseMove, x, y, vk::MK_LBUTTON);
        TwistMouse(sys, camera.mouse, m, x, y, 800, 600, camera.orientation);
    }
    void Release(int x, int y) {
        const InputMessage m = Mouse(MessageKind::LButtonUp, x, y, 0);
        camera.mouse.OnMouseMessage(1.5f, m);
        TwistMouse(sys, camera.mouse, m, x, y, 800, 600, camera.orientation);
    }
    // One drag from (410, 300) to (470, 380) starting from `angle` and an unturned ring.
    float Drag(float angle, bool ctrl, bool shift) {
        sys.document.Twist(*block, block->axis, angle);
        sys.twistDrag = MatrixIdentity();
        sys.keys.Clear();
        if (ctrl) sys.keys.OnKeyMessage(0.5f, MessageKind::KeyDown, vk::VK_CONTROL);
        if (shift) sys.keys.OnKeyMessage(0.5f, MessageKind::KeyDown, vk::VK_SHIFT);
        Press(410, 300);
        Move(470, 380);
        Release(470, 380);
        return block->angle;
    }
    const BlockNode* block = nullptr;
};

TEST_F(TwistFixture, DragTurnsTheSelectedBlockWithSnapping) {
    block = sys.model.topBlocks.Front();
    BeginTwist(sys, camera.Setup(), meshes, camera.PickRay(410, 300), GizmoCentre(camera));
    ASSERT_EQ(sys.twistSelected, 1);
    ASSERT_EQ(sys.twistDragging, 1);
    ASSERT_EQ(sys.pickedBlock, block);

    const uint64_t version = sys.document.Version();
    const float free = Drag(0.0f, false, false);
    ASSERT_GT(std::fabs(Degrees(free)), 20.0f);  // the move is long enough to snap
    EXPECT_GT(sys.document.Version(), version);  // a twist is a change to the blocks
    EXPECT_EQ(MaxAbsDifference(sys.twistDrag, sys.twistDragStart * MatrixRotationZ(free)), 0.0f);
    EXPECT_EQ(Drag(0.0f, true, false), SnapTwistDelta(free, true, false));
    EXPECT_EQ(Drag(0.0f, false, true), SnapTwistDelta(free, false, true));
    EXPECT_EQ(Drag(0.0f, true, true), SnapTwistDelta(free, true, true));
    // With a modifier the drag starts from a whole degree.
    EXPECT_NEAR(Drag(12.6f * kDeg, true, false), 13.0f * kDeg + SnapTwistDelta(free, true, false),
                1e-6f);
    // Past a full turn the angle wraps once.
    const float base = free > 0 ? 2 * kPi - free / 2 : -2 * kPi - free / 2;
    const float wrapped = Drag(base, false, false);
    EXPECT_NEAR(wrapped, free / 2, 1e-4f);
    EXPECT_LE(std::fabs(wrapped), 2 * kPi);

    // Moves without the left button, and releases, change nothing.
    sys.document.Twist(*block, block->axis, 0.25f);
    Move(600, 100);
    EXPECT_EQ(block->angle, 0.25f);
}

TEST_F(TwistFixture, PressOnTheRingGrabsItAndAMissStopsDragging) {
    block = sys.model.topBlocks.Front();
    BeginTwist(sys, camera.Setup(), meshes, camera.PickRay(410, 300), GizmoCentre(camera));
    ASSERT_EQ(sys.twistSelected, 1);
    // The ring of an upright top-level block lies flat, seen edge-on; grab its rim.
    int x, y;
    PixelOf(GizmoCentre(camera) + Vec3{1.5f, 0, 0}, &x, &y);
    BeginTwist(sys, camera.Setup(), meshes, camera.PickRay(x, y), GizmoCentre(camera));
    EXPECT_EQ(sys.twistDragging, 1);
    EXPECT_EQ(sys.pickedBlock, block);
    EXPECT_NEAR(std::hypot(sys.twistStartPoint.x, sys.twistStartPoint.y), 1.5f, 0.1f);

    BeginTwist(sys, camera.Setup(), meshes, camera.PickRay(3, 3), GizmoCentre(camera));
    EXPECT_EQ(sys.twistDragging, 0);
    EXPECT_EQ(sys.twistSelected, 1);  // the selection stays
    sys.document.Twist(*block, block->axis, 0.5f);
    Press(3, 3);
    Move(300, 300);
    EXPECT_EQ(block->angle, 0.5f);
}

TEST_F(TwistFixture, RingFrameFollowsTheJointAxis) {
    Empty();
    const BlockNode* top = AddTop({0, 0, 0});
    const BlockNode* child = AddChild(top, {0, 0, -2}, 0.3f);
    SelectTwistBlock(sys, camera.Setup(), meshes, camera.PickRay(410, 300));
    ASSERT_EQ(sys.pickedBlock, child);
    EXPECT_VEC_NEAR(Vec3TransformNormal({0, 0, 1}, sys.twistFrame), {0, 0, 1}, 1e-4f);
    EXPECT_EQ(sys.twistDrag, MatrixIdentity());

    Empty();
    top = AddTop({0, 0, 0}, {2, 0, 0}, 0.2f);  // +Y turned onto +X
    SelectTwistBlock(sys, camera.Setup(), meshes, camera.PickRay(410, 300));
    ASSERT_EQ(sys.pickedBlock, top);
    EXPECT_VEC_NEAR(Vec3TransformNormal({0, 0, 1}, sys.twistFrame), {1, 0, 0}, 1e-4f);
}

TEST_F(TwistFixture, CancelPutsTheBlockBackOnItsJoint) {
    CancelTwist(sys);  // no selection: nothing happens

    Empty();
    const BlockNode* top = AddTop({0, 0, 0});
    const BlockNode* child = AddChild(top, {0, 0, -2}, 0.5f);
    SelectTwistBlock(sys, camera.Setup(), meshes, camera.PickRay(410, 300));
    ASSERT_EQ(sys.pickedBlock, child);
    sys.document.Twist(*child, {1, 1, 0}, child->angle);
    sys.document.MarkSaved();
    const size_t steps = sys.document.History().UndoCount();
    CancelTwist(sys);
    EXPECT_EQ(child->angle, 0.0f);
    EXPECT_EQ(child->axis, (Vec3{0, 0, 2}));
    EXPECT_TRUE(sys.document.Unsaved());  // the file holds the angle: an untwist is unsaved work
    CancelTwist(sys);                     // already untwisted: no undo step
    EXPECT_EQ(sys.document.History().UndoCount(), steps + 1);

    // A re-homed top-level block stands upright again.
    sys.document.Twist(*top, {2, 0, 0}, 1.0f);
    sys.pickedBlock = top;
    sys.pickHit = 0;  // a later press missed; the ring must follow the block anyway
    CancelTwist(sys);
    EXPECT_EQ(top->angle, 0.0f);
    EXPECT_EQ(top->axis, (Vec3{0, 1, 0}));
    EXPECT_EQ(sys.pickedRotation, MatrixIdentity());
    EXPECT_VEC_NEAR(Vec3TransformNormal({0, 0, 1}, sys.twistFrame), {0, 1, 0}, 1e-4f);
}
