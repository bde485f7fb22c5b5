// Sprites and text drawn over the frame: placement in viewport pixels, alpha, order,
// Cyrillic glyphs, alignment, clipping and word breaking.
#include <algorithm>

#include "gl_test_support.h"
#include "platform/gfx/gl/gl_font.h"

namespace gltest {
namespace {

struct Box2 {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive pixel bounds
    bool Empty() const { return right < 0; }
};

class OverlayTest : public GlDeviceTest {
  protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        if (!device_) return;
        ASSERT_EQ(device_->CreateSprite(&sprite_), gfx::S_OK);
        std::vector<gfx::TextureLevel> white{{2, 2, std::vector<uint32_t>(4, 0xFFFFFFFF)}};
        ASSERT_EQ(device_->CreateTexture(white, &white_), gfx::S_OK);
        device_->Clear(gfx::CLEAR_TARGET, 0xFF000000, 1.0f, 0);
    }
    void TearDown() override {
        font_.reset();
        white_.reset();
        sprite_.reset();
        GlDeviceTest::TearDown();
    }
    // Bounds of the pixels that are not black.
    Box2 LitBounds() {
        Box2 b;
        const auto f = Frame();
        for (int y = 0; y < static_cast<int>(kHeight); ++y)
            for (int x = 0; x < static_cast<int>(kWidth); ++x)
                if (f[static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)] & 0xFFFFFF) {
                    b.left = std::min(b.left, x);
                    b.right = std::max(b.right, x);
                    b.top = std::min(b.top, y);
                    b.bottom = std::max(b.bottom, y);
                }
        return b;
    }
    void MakeFont() {
        ASSERT_EQ(device_->CreateFont({-13, 0, 700, false, "Arial"}, &font_), gfx::S_OK);
    }
    int Text(std::string_view s, gfx::Rect r, uint32_t format) {
        return font_->DrawText(nullptr, s, -1, r, format, 0xFFFFFFFF);
    }

    std::unique_ptr<gfx::Sprite> sprite_;
    std::unique_ptr<gfx::Texture> white_;
    std::unique_ptr<gfx::Font> font_;
};

TEST_F(OverlayTest, SpriteQuadLandsOnItsPixelsWithAlpha) {
    ASSERT_EQ(sprite_->Begin(gfx::SPRITE_ALPHABLEND), gfx::S_OK);
    // A 2-texel texture scaled by 10: 20 x 20 pixels at (20, 30).
    sprite_->SetTransform(math::MatrixScaling(10, 10, 1) * math::MatrixTranslation(20, 30, 0));
    ASSERT_EQ(sprite_->Draw(white_.get(), nullptr, nullptr, nullptr, 0x80FF0000), gfx::S_OK);
    ASSERT_EQ(sprite_->End(), gfx::S_OK);
    const Box2 b = LitBounds();
    EXPECT_EQ(b.left, 20);
    EXPECT_EQ(b.top, 30);
    EXPECT_EQ(b.right, 39);
    EXPECT_EQ(b.bottom, 49);
    const Rgb c = At(30, 40);
    EXPECT_NEAR(c.r, 128, 2);
    EXPECT_EQ(c.g, 0);
    EXPECT_EQ(c.b, 0);
}

TEST_F(OverlayTest, SpriteDrawsInOrderWithSourceRectAndCentre) {
    // Red edges around a green middle: sprites filter linearly, so only the middle of a
    // source rectangle is sure to show its own texels.
    std::vector<gfx::TextureLevel> strip{{4, 1, {0xFFFF0000, 0xFF00FF00, 0xFF00FF00, 0xFFFF0000}}};
    std::unique_ptr<gfx::Texture> tex;
    ASSERT_EQ(device_->CreateTexture(strip, &tex), gfx::S_OK);
    EXPECT_EQ(sprite_->Draw(white_.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF),
              gfx::D3DERR_INVALIDCALL);  // outside Begin/End
    ASSERT_EQ(sprite_->Begin(gfx::SPRITE_ALPHABLEND), gfx::S_OK);
    EXPECT_EQ(sprite_->Begin(gfx::SPRITE_ALPHABLEND), gfx::D3DERR_INVALIDCALL);
    sprite_->SetTransform(math::MatrixScaling(8, 8, 1));
    // The two green texels, their centre (1, 0.5) placed at (5, 5): pixels 32..48 x 36..44.
    const gfx::Rect green{1, 0, 3, 1};
    const math::Vec3 centre{1.0f, 0.5f, 0}, pos{5, 5, 0};
    sprite_->Draw(tex.get(), &green, &centre, &pos, 0xFFFFFFFF);
    // Then a white quad from (44, 40): later draws cover earlier ones.
    const math::Vec3 over{5.5f, 5, 0};
    sprite_->Draw(white_.get(), nullptr, nullptr, &over, 0xFFFFFFFF);
    sprite_->End();
    const Box2 b = LitBounds();
    EXPECT_EQ(b.left, 32);
    EXPECT_EQ(b.top, 36);
    const Rgb g = At(40, 40);
    EXPECT_EQ(g.r, 0);
    EXPECT_EQ(g.g, 255);
    const Rgb w = At(45, 41);
    EXPECT_EQ(w.r, 255);
    EXPECT_EQ(w.b, 255);
}

TEST_F(OverlayTest, OverlayScaleDrawsLogicalPixelsLarger) {
    ASSERT_TRUE(gfx::gl::SetOverlayScale(device_, 2.0f));
    sprite_->Begin(gfx::SPRITE_ALPHABLEND);
    sprite_->SetTransform(math::MatrixScaling(5, 5, 1) * math::MatrixTranslation(10, 10, 0));
    sprite_->Draw(white_.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
    sprite_->End();
    const Box2 b = LitBounds();
    EXPECT_EQ(b.left, 20);
    EXPECT_EQ(b.right, 39);
}

TEST_F(OverlayTest, CyrillicTextIsAlignedInsideItsRectangle) {
    MakeFont();
    const gfx::Rect r{10, 20, 150, 40};
    const std::string text = "Привет";
    const int h = Text(text, r, gfx::DT_LEFT);
    EXPECT_GE(h, 13);
    EXPECT_LE(h, 18);
    const Box2 left = LitBounds();
    ASSERT_FALSE(left.Empty()) << "no glyph pixels";
    EXPECT_GE(left.left, 10);
    EXPECT_LE(left.left, 13);
    EXPECT_GE(left.top, 20);
    EXPECT_LE(left.bottom, 40);
    const int width = left.right - left.left + 1;
    EXPECT_GT(width, 30);  // six bold letters

    device_->Clear(gfx::CLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Text(text, r, gfx::DT_CENTER);
    const Box2 centre = LitBounds();
    EXPECT_NEAR((centre.left + centre.right) / 2.0, 80.0, 3.0);
    EXPECT_EQ(centre.top, left.top);

    device_->Clear(gfx::CLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Text(text, r, gfx::DT_RIGHT);
    const Box2 right = LitBounds();
    EXPECT_LE(right.right, 149);
    EXPECT_GE(right.right, 145);
    EXPECT_EQ(right.right - right.left, left.right - left.left);
}

TEST_F(OverlayTest, TextIsClippedUnlessNoClipAndWrapsAtSpaces) {
    MakeFont();
    const std::string text = "Осмотреть конструкцию";
    Text(text, {10, 10, 40, 40}, gfx::DT_LEFT);
    const Box2 clipped = LitBounds();
    ASSERT_FALSE(clipped.Empty());
    EXPECT_LE(clipped.right, 39);

    device_->Clear(gfx::CLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Text(text, {10, 10, 40, 40}, gfx::DT_NOCLIP);
    EXPECT_GT(LitBounds().right, 100);

    // Two words that do not fit side by side take two lines.
    device_->Clear(gfx::CLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const int oneLine = Text(text, {10, 10, 150, 100}, gfx::DT_LEFT);
    device_->Clear(gfx::CLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const int twoLines = Text(text, {10, 10, 110, 100}, gfx::DT_WORDBREAK | gfx::DT_CENTER);
    EXPECT_EQ(twoLines, 2 * oneLine);
    const Box2 wrapped = LitBounds();
    EXPECT_GT(wrapped.bottom - wrapped.top, oneLine);
    EXPECT_LE(wrapped.right, 109);

    // A count limits the characters drawn; empty text has no height.
    EXPECT_EQ(font_->DrawText(nullptr, text, 0, {0, 0, 100, 20}, 0, 0xFFFFFFFF), 0);
    EXPECT_EQ(Text("", {0, 0, 100, 20}, 0), 0);
}

TEST_F(OverlayTest, TextKeepsItsLogicalSizeUnderAnOverlayScale) {
    MakeFont();
    const int h1 = Text("Цель", {10, 10, 150, 40}, gfx::DT_LEFT);
    const Box2 one = LitBounds();
    ASSERT_FALSE(one.Empty());
    gfx::gl::SetOverlayScale(device_, 2.0f);
    device_->Clear(gfx::CLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const int h2 = Text("Цель", {10, 10, 150, 40}, gfx::DT_LEFT);
    const Box2 two = LitBounds();
    EXPECT_NEAR(h2, h1, 1);  // logical pixels
    // Rasterised at twice the size, at twice the distance from the origin.
    EXPECT_NEAR(two.right - two.left, 2 * (one.right - one.left), 3);
    EXPECT_NEAR(two.left, 2 * one.left, 2);
}

TEST_F(OverlayTest, TextJoinsAnOpenSpriteBatch) {
    MakeFont();
    sprite_->Begin(gfx::SPRITE_ALPHABLEND);
    sprite_->SetTransform(math::MatrixTranslation(0, 50, 0));
    EXPECT_GT(font_->DrawText(sprite_.get(), "Цель", -1, {10, 0, 150, 20}, 0, 0xFF00FF00), 0);
    EXPECT_TRUE(LitBounds().Empty());  // nothing until the batch ends
    sprite_->End();
    const Box2 b = LitBounds();
    ASSERT_FALSE(b.Empty());
    EXPECT_GE(b.top, 50);  // the sprite's transform applies to its text
}

TEST(Utf8Test, DecodesAndReplacesMalformedSequences) {
    using gfx::gl::DecodeUtf8;
    EXPECT_EQ(DecodeUtf8("Aж€😀", -1), (std::u32string{U'A', U'ж', U'€', U'😀'}));
    EXPECT_EQ(DecodeUtf8("Привет", 2), (std::u32string{U'П', U'р'}));
    EXPECT_EQ(DecodeUtf8("\xD0", -1), std::u32string{U'\uFFFD'});                   // truncated
    EXPECT_EQ(DecodeUtf8("\xC0\xAF", -1), (std::u32string{U'\uFFFD', U'\uFFFD'}));  // overlong
    EXPECT_EQ(DecodeUtf8("\xED\xA0\x80", -1).front(), U'\uFFFD');                   // surrogate
    EXPECT_EQ(DecodeUtf8("a\xFFz", -1), (std::u32string{U'a', U'\uFFFD', U'z'}));
}

}  // namespace
}  // namespace gltest
