// The two button strips along the top and the bottom of the view, the twist read-out and
// the maker's line and web address.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "interaction/maker.h"
#include "interaction/strips.h"
#include "model/colours.h"
#include "model/edit/branches.h"
#include "model/modes.h"
#include "render/screen_overlays.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;

namespace render {
namespace {

constexpr gfx::Color kPanelColour = 0x77000000;
constexpr gfx::Color kTextColour = 0xFFAAAAFF;
constexpr gfx::Color kWarningColour = 0xFFFF7060;
constexpr float kIconScale = 18.0f / 32.0f;  // a 32-texel texture drawn 18 pixels wide
constexpr int kCell = strip::kCell;

// Characters, not bytes (labels and status texts may be Cyrillic).
int CountCharacters(std::string_view text) {
    int n = 0;
    for (unsigned char ch : text)
        if ((ch & 0xC0) != 0x80) ++n;
    return n;
}

math::Mat4 At(float x, float y) {
    return math::MatrixTranslation(x, y, 0);
}

// A pressed icon is turned upside down within its own cell.
math::Mat4 PressedTurn(float width) {
    return math::MatrixRotationZ(std::numbers::pi_v<float>) *
           math::MatrixTranslation(width, static_cast<float>(kCell), 0);
}

void DrawOne(gfx::Sprite* sprite, gfx::Texture* texture, const math::Mat4& transform,
             gfx::Color colour) {
    sprite->SetTransform(transform);
    sprite->Begin(gfx::SPRITE_ALPHABLEND);
    sprite->Draw(texture, nullptr, nullptr, nullptr, colour);
    sprite->End();
}

// The translucent band under a strip: 18 pixels tall, at least as wide as the view.
void DrawBand(const OverlayContext& c, int top) {
    const float w = static_cast<float>(c.camera.viewportWidth);
    DrawOne(c.objects.overlaySprite.get(), c.objects.panelTexture.get(),
            math::MatrixScaling(w * kIconScale, kIconScale, 1) * At(0, static_cast<float>(top)),
            kPanelColour);
}

// One button face of `width` pixels at (x, y); x moves past it.
void DrawStripIcon(const OverlayContext& c, int& x, int y, gfx::Color tint, int width,
                   bool pressed) {
    const float w = static_cast<float>(width);
    math::Mat4 m = math::MatrixScaling(w / 32.0f, kIconScale, 1);
    if (pressed) m = m * PressedTurn(w);
    DrawOne(c.objects.overlaySprite.get(), c.objects.buttonTexture.get(),
            m * At(static_cast<float>(x), static_cast<float>(y)), tint);
    x += width;
}

bool Windowed(const std::function<bool()>& windowed) {
    return windowed ? windowed() : true;
}

// One button of the bottom strip's colour group (i: 0..4 colours, 5 random, 6 total), as
// wide as the layout made it.
void DrawColourButton(const OverlayContext& c, int& x, int y, int i, bool pressed) {
    const CVelVorlaSystem& s = c.system;
    const std::string label = strip::ColourButtonLabel(s, i);
    const int width = c.screen.colourButtonWidth[i];
    const int f = (width - kCell) / 9;  // characters beyond the first

    const int oldX = x;
    if (i <= 5) {
        // The random button wears the current colour; the total has no face.
        DrawStripIcon(c, x, y, TableColour32(i == 5 ? s.currentColour : i), width, pressed);
    } else {
        x += width;
    }
    if (i == 5 || !c.font) return;
    // A pressed face moves its label one pixel down and right, as the face is turned.
    const bool down = pressed || i == 6;
    const gfx::Rect rect = down ? gfx::Rect{oldX + f + 2, y + 1, x, y + 1 + kCell}
                                : gfx::Rect{oldX + f + 1, y, x - f - 1, y + kCell};
    const bool light = i == ColourRed || i == ColourBlue || i == 6;
    c.font->DrawText(nullptr, label, -1, rect, gfx::DT_CENTER | gfx::DT_NOCLIP,
                     light ? 0xFFFFFFFF : 0xFF000000);
}

void DrawTwistReadout(const OverlayContext& c) {
    const CVelVorlaSystem& s = c.system;
    if (!s.twistSelected || s.mode != ModeTwist || c.screen.aboutShown || !s.pickedBlock) return;
    char text[32];
    std::snprintf(text, sizeof text, "%1.2f",
                  static_cast<double>(s.pickedBlock->angle) * 180.0 / std::numbers::pi);
    const int n = CountCharacters(text);
    const int w = c.camera.viewportWidth, h = c.camera.viewportHeight;
    const int left = (w - 9 * n - 9) / 2, top = (h - 20) / 2;
    DrawOne(c.objects.overlaySprite.get(), c.objects.panelTexture.get(),
            math::MatrixScaling((static_cast<float>(n - 1) * 0.5f + 1.0f) * kIconScale, 0.625f, 1) *
                At(static_cast<float>(left), static_cast<float>(top)),
            kPanelColour);
    if (c.font)
        c.font->DrawText(nullptr, text, -1, {left, top + 2, left + 9 * n + 9, top + 18},
                         gfx::DT_CENTER | gfx::DT_NOCLIP, TableColour32(ColourYellow));
}

bool StripsDrawable(const OverlayContext& c) {
    return c.objects.overlaySprite && c.objects.panelTexture && c.objects.buttonTexture;
}

// The status line: what the last edit had to say, else a notice, else the modes.
void DrawStatus(const OverlayContext& c, bool topStrip, const gfx::Rect& rect) {
    if (!c.font) return;
    const interaction::ScreenState& s = c.screen;
    const bool edit = !s.editNotice.empty();
    const bool notice = edit || !s.notice.empty();
    const bool warning = edit ? s.editNoticeIsWarning : s.noticeIsWarning;
    c.font->DrawText(nullptr,
                     edit     ? s.editNotice
                     : notice ? s.notice
                              : StatusText(c.system, c.camera, topStrip),
                     -1, rect, 0, notice && warning ? kWarningColour : kTextColour);
}

}  // namespace

gfx::Color TableColour32(int index) {
    if (!IsColourIndex(index)) index = ColourWhite;
    const ColourRGBA& c = BlockColours[static_cast<size_t>(index)];
    auto byte = [](float v) {
        return static_cast<gfx::Color>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
    };
    return byte(c.a) << 24 | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

std::string StatusText(const CVelVorlaSystem& s, const CVelCamera& camera, bool topStrip) {
    if (s.pasting) return "Вставка ветки: щелчок по Торвину - поставить, Esc - отмена";
    if (s.modifierMode != ModeNone) {
        if (s.modifierMode < 0 || s.modifierMode >= ModeCount) return "";
        return std::string(interaction::kModeNames[static_cast<size_t>(s.modifierMode)]);
    }
    const size_t k = camera.orbitMode ? 0 : 1;
    std::string text = s.mode >= 0 && s.mode < ModeCount
                           ? std::string(interaction::kModeNames[static_cast<size_t>(s.mode)])
                           : std::string();
    text += " - " + std::string(topStrip ? interaction::kCameraModeNames[k]
                                         : interaction::kCameraModeTags[k]);
    if (s.selectedBranch)
        text += " - выделено Торвинов: " + std::to_string(BranchSize(*s.selectedBranch));
    return text;
}

ScreenOverlays::ScreenOverlays(std::function<bool()> windowed) : windowed_(std::move(windowed)) {}

void ScreenOverlays::DrawBottomStrip(const OverlayContext& c) {
    if (!StripsDrawable(c)) return;
    const CVelVorlaSystem& s = c.system;
    const int w = c.camera.viewportWidth, h = c.camera.viewportHeight;
    DrawBand(c, h - kCell);

    int x = strip::kColourGroupX;
    const int y = h - kCell;
    c.screen.colourButtonsWidth = 0;
    if (s.showButtons) {
        strip::LayOutColourGroup(c.screen, s);
        for (int i = 0; i < 7; ++i) {
            const bool pressed = i < 5    ? s.currentColour == i && !s.randomColour
                                 : i == 5 ? s.randomColour != 0
                                          : false;
            DrawColourButton(c, x, y, i, pressed);
        }
    }
    // The web address, right-aligned: where a long one starts, its link starts and the
    // status text stops, so that neither runs under the other.
    const gfx::Rect rect{3, h - 17, std::max(w - 2, x + strip::kWebLinkWidth), h};
    const std::string address = interaction::ShownAddress();
    if (c.font)
        c.screen.webLinkWidth =
            std::max(strip::kWebLinkWidth, w - (rect.right - c.font->TextWidth(address)) + 2);
    if (s.showButtons) DrawStatus(c, false, {x + 2, h - 17, w - c.screen.webLinkWidth - 5, h});
    DrawTwistReadout(c);
    if (!c.font) return;
    c.font->DrawText(nullptr, address, -1, rect, gfx::DT_RIGHT | gfx::DT_NOCLIP,
                     TableColour32(ColourWhite));
    c.font->DrawText(nullptr, interaction::Line(), -1, rect, gfx::DT_NOCLIP,
                     TableColour32(s.currentColour));
}

void ScreenOverlays::DrawTopStrip(const OverlayContext& c) {
    if (!StripsDrawable(c)) return;
    const CVelVorlaSystem& s = c.system;
    const CVelCamera& camera = c.camera;
    const int w = camera.viewportWidth;
    const bool windowed = Windowed(windowed_);
    DrawBand(c, 0);
    if (!s.showButtons) {
        DrawStatus(c, true, {5, 0, w, 17});
    } else {
        c.screen.topStripGap = strip::TopStripGap(w, windowed);
        int x = 0;
        int gaps = 0;
        for (const strip::TopButton& b : strip::TopButtons()) {
            if (b.gapsBefore > gaps) {
                x += c.screen.topStripGap;
                gaps = b.gapsBefore;
            }
            DrawStripIcon(c, x, 0, b.tint, kCell, interaction::Holds(b.state, b.value, s, camera));
        }
    }
    int x = w - kCell;
    if (!windowed) {
        DrawStripIcon(c, x, 0, strip::kExitTint, kCell, false);
        x = w - 2 * kCell;
    }
    DrawStripIcon(c, x, 0, strip::kFullScreenTint, kCell, false);
}

}  // namespace render
