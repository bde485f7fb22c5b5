// The help pages: the current mode's page at the upper left, and while no modifier
// changes the mode, the camera mode's page at the lower right.
#include <span>

#include "model/modes.h"
#include "render/screen_overlays.h"

using namespace camera;
using namespace input;
using namespace model;

namespace render {
namespace {

constexpr gfx::Color B = 0xFFAAAAFF;  // titles, keys and buttons
constexpr gfx::Color G = 0xFFDDDDDD;  // explanations
constexpr gfx::Color kPanelColour = 0x77000000;
constexpr int kPanelWidth = 190;
constexpr int kLineHeight = 18;

struct HelpLine {
    const char* text;  // null: the page's title
    int x, y;
    gfx::Color colour;
};

// Mode pages: view pixels. Camera pages: x from the view's right edge, y from its bottom.
struct HelpPage {
    int left, top, height;
    std::span<const HelpLine> lines;
};

// clang-format off
constexpr HelpLine kInspect[] = {
    {nullptr, 13, 25, B},
    {"В этом режиме Вы можете", 13, 49, G}, {"осмотреть конструкцию и", 13, 65, G},
    {"подправить ее.", 13, 81, G},
    {"Ctrl + щелчок по Торвину", 13, 105, B}, {"- добавить новый.", 13, 121, G},
    {"Shift + Ctrl + щелчок по", 13, 145, B}, {"Торвину", 13, 161, B}, {"- удалить его.", 70, 161, G},
};
constexpr HelpLine kTwist[] = {
    {nullptr, 13, 25, B},
    {"В этом режиме Вы можете", 13, 49, G}, {"поворачивать Торвины.", 13, 65, G},
    {"Ctrl", 13, 89, B}, {"- шаг 2 градуса.", 40, 89, G},
    {"Shift", 13, 113, B}, {"- шаг 5 градусов.", 47, 113, G},
    {"Shift + Ctrl", 13, 137, B}, {"- 10 градусов.", 85, 137, G},
    {"Backspace", 13, 161, B}, {"- отменить", 86, 161, G}, {"поворот.", 13, 177, G},
    {"Правая клавиша", 13, 201, B}, {"- к осмотру конструкции.", 13, 217, G},
};
constexpr HelpLine kPaint[] = {
    {nullptr, 13, 25, B},
    {"В этом режиме Вы можете", 13, 49, G}, {"левой клавишей красить", 13, 65, G},
    {"Торвины.", 13, 81, G},
    {"Ctrl + щелчок по Торвину", 13, 105, B}, {"- копирование его цвета.", 13, 121, G},
    {"Правая клавиша или Esc", 13, 145, B}, {"- к осмотру конструкции.", 13, 161, G},
};
constexpr HelpLine kAdd[] = {
    {nullptr, 13, 25, B},
    {"В этом режиме Вы можете", 13, 49, G}, {"щелкая по Торвинам,", 13, 65, G},
    {"добавлять новые.", 13, 81, G},
    {"Shift + Ctrl + щелчок по", 13, 105, B}, {"Торвину -", 13, 121, B}, {"- удалить его.", 68, 121, G},
    {"Правая клавиша или Esc", 13, 145, B}, {"- к осмотру конструкции.", 13, 161, G},
};
constexpr HelpLine kDelete[] = {
    {nullptr, 13, 25, B},
    {"В этом режиме Вы можете", 13, 49, G}, {"щелкая по Торвинам,", 13, 65, G},
    {"удалять их.", 13, 81, G},
    {"Ctrl + щелчок по Торвину", 13, 105, B}, {"- добавить новый.", 13, 121, G},
    {"Правая клавиша или Esc", 13, 145, B}, {"- к осмотру конструкции.", 13, 161, G},
};
constexpr HelpLine kCopyColour[] = {
    {nullptr, 13, 25, B},
    {"В этом режиме Вы можете", 13, 49, G}, {"щелкая по Торвинам,", 13, 65, G},
    {"копировать их цвет.", 13, 81, G},
    {"Правая клавиша или Esc", 13, 105, B}, {"- к осмотру конструкции.", 13, 121, G},
};
constexpr HelpLine kChooseCentre[] = {
    {nullptr, 13, 25, B},
    {"В этом режиме Вы можете", 13, 49, G}, {"выбрать новый центр", 13, 65, G},
    {"конструкции.", 13, 81, G},
    {"Правая клавиша или Esc", 13, 105, B}, {"- к предыдущему режиму.", 13, 121, G},
};

constexpr HelpLine kOrbit[] = {
    {nullptr, -187, -214, B},
    {"Левой клавишей вращать", -187, -190, G}, {"камеру вокруг Цели.", -187, -174, G},
    {"Средней клавишей, W, S,", -187, -150, B}, {"колесиком мышки или", -187, -134, B},
    {"стрелочками вверх - вниз", -187, -118, B}, {"приближать - удалять", -187, -102, G},
    {"Цель.", -187, -86, G},
    {"Правая клавиша", -187, -62, B}, {"поворачивать экран.", -187, -46, G},
};
constexpr HelpLine kFreeInspect[] = {
    {nullptr, -187, -302, B},
    {"Левой клавишей вращать", -187, -278, G}, {"Цель вокруг камеры.", -187, -262, G},
    {"Средней клавишей, W, S,", -187, -238, B}, {"колесиком мышки или", -187, -222, B},
    {"стрелочками вверх - вниз", -187, -206, B}, {"приближать - удалять", -187, -190, G},
    {"Цель.", -187, -174, G},
    {"Левая + правая клавиши", -187, -150, B}, {"поворачивать экран.", -187, -134, G},
    {"Правой клавишей, A, D,", -187, -110, B}, {"E, C, или стрелочками", -187, -94, B},
    {"влево - вправо, Home, End", -187, -78, B}, {"передвигить камеру по", -187, -62, G},
    {"плоскости экрана.", -187, -46, G},
};
constexpr HelpLine kFree[] = {
    {nullptr, -187, -214, B},
    {"Левой клавишей вращать", -187, -190, G}, {"Цель вокруг камеры.", -187, -174, G},
    {"Средней клавишей, W, S,", -187, -150, B}, {"колесиком мышки или", -187, -134, B},
    {"стрелочками вверх - вниз", -187, -118, B}, {"приближать - удалять", -187, -102, G},
    {"Цель.", -187, -86, G},
    {"Левая + правая клавиши", -187, -62, B}, {"поворачивать экран.", -187, -46, G},
};
// clang-format on

constexpr HelpPage kModePages[ModeCount] = {
    {5, 22, 162, kInspect},      {5, 22, 218, kTwist},  {5, 22, 162, kPaint},
    {5, 22, 162, kAdd},          {5, 22, 162, kDelete}, {5, 22, 122, kCopyColour},
    {5, 22, 122, kChooseCentre},
};
constexpr HelpPage kOrbitPage{-195, -217, 195, kOrbit};
constexpr HelpPage kFreeInspectPage{-195, -305, 283, kFreeInspect};
constexpr HelpPage kFreePage{-195, -217, 195, kFree};

// `dx`, `dy`: added to every coordinate (the view's size for the camera pages).
void DrawPage(const OverlayContext& c, const HelpPage& page, std::string_view title, int dx,
              int dy) {
    const int left = page.left + dx, top = page.top + dy;
    const int right = left + kPanelWidth;
    gfx::Sprite* sprite = c.objects.overlaySprite.get();
    if (sprite && c.objects.panelTexture) {
        // The panel texture is 32 texels square.
        sprite->SetTransform(
            math::MatrixScaling(kPanelWidth / 32.0f, page.height / 32.0f, 1) *
            math::MatrixTranslation(static_cast<float>(left), static_cast<float>(top), 0));
        sprite->Begin(gfx::SPRITE_ALPHABLEND);
        sprite->Draw(c.objects.panelTexture.get(), nullptr, nullptr, nullptr, kPanelColour);
        sprite->End();
    }
    if (!c.font) return;
    for (const HelpLine& line : page.lines) {
        const int x = line.x + dx, y = line.y + dy;
        const gfx::Rect rect{x, y, right, y + kLineHeight};
        c.font->DrawText(nullptr, line.text ? std::string_view(line.text) : title, -1, rect,
                         gfx::DT_NOCLIP, line.colour);
    }
}

}  // namespace

void ScreenOverlays::DrawHelpPages(const OverlayContext& c) {
    const CVelVorlaSystem& s = c.system;
    if (c.screen.aboutShown || !s.showHints) return;
    if (s.mode >= 0 && s.mode < ModeCount) {
        DrawPage(c, kModePages[s.mode], interaction::kModeNames[static_cast<size_t>(s.mode)], 0, 0);
    }
    if (s.modifierMode != ModeNone) return;
    const int w = c.camera.viewportWidth, h = c.camera.viewportHeight;
    if (c.camera.orbitMode == 1) {
        DrawPage(c, kOrbitPage, interaction::kCameraModeNames[0], w, h);
    } else {
        DrawPage(c, s.mode == ModeInspect ? kFreeInspectPage : kFreePage,
                 interaction::kCameraModeNames[1], w, h);
    }
}

}  // namespace render
