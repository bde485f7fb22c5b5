// What the overlay passes write (texts, where) and what they leave for the hit tests,
// from the recording device.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "interaction/maker.h"
#include "render/screen_overlays.h"
#include "render_test_support.h"
#include "support/construction_builders.h"
#include "support/fake/fake_device.h"

using namespace camera;
using namespace input;
using namespace model;

namespace {

struct OverlayRig {
    CVelVorlaSystem system;
    interaction::ScreenState screen;
    CVelCamera camera;
    bool windowed = true;
    render::ScreenOverlays overlays{[this] { return windowed; }};
    render::SceneRenderer renderer{system, screen, camera,
                                   std::make_unique<rendertest::TestAssets>()};
    gfx::fake::FakeDevice device;

    OverlayRig() {
        system.ResetConstruction();
        screen.aboutShown = 0;
        renderer.SetOverlayPasses(&overlays);
        EXPECT_EQ(renderer.CreateDeviceObjects(device), gfx::S_OK);
        renderer.ResetDeviceObjects(device);
        rendertest::LookFrom(camera, {0, 0, -5}, {0, 0, 0});
    }
    // Text drawn in the last frame -> its rectangle as the log writes it.
    std::map<std::string, std::string> Texts() {
        device.Log().Clear();
        renderer.RenderScene(device, 0);
        std::map<std::string, std::string> texts;
        for (const gfx::fake::Call* c : device.Log().Named("Font::DrawText")) {
            const std::string& quoted = c->args[2];
            texts[quoted.substr(1, quoted.size() - 2)] = c->args[3];
        }
        return texts;
    }
};

TEST(Overlays, StatusTextsWithAndWithoutAModifier) {
    OverlayRig rig;
    auto texts = rig.Texts();
    EXPECT_TRUE(texts.count("Осмотреть конструкцию - ВЦ"));
    rig.system.showButtons = 0;  // the top strip then carries the status text, at x 5
    texts = rig.Texts();
    EXPECT_FALSE(texts.count("Осмотреть конструкцию - ВЦ"));
    ASSERT_TRUE(texts.count("Осмотреть конструкцию - Вращение вокруг Цели"));
    EXPECT_EQ(texts["Осмотреть конструкцию - Вращение вокруг Цели"], "(5 0 800 17)");

    // Ctrl held in inspect mode: both strips name the add mode alone.
    rig.system.modifierMode = ModeAdd;
    EXPECT_TRUE(rig.Texts().count("Добавить Торвин"));
    rig.system.showButtons = 1;
    EXPECT_TRUE(rig.Texts().count("Добавить Торвин"));
}

TEST(Overlays, HelpPagesGiveWayToTheAboutDiscAndToModifiers) {
    OverlayRig rig;
    const std::string modeLine = "В этом режиме Вы можете";
    const std::string cameraLine = "Левой клавишей вращать";
    auto texts = rig.Texts();
    EXPECT_TRUE(texts.count(modeLine) && texts.count(cameraLine));
    rig.system.modifierMode = ModeAdd;
    texts = rig.Texts();
    EXPECT_TRUE(texts.count(modeLine) && !texts.count(cameraLine));
    rig.screen.aboutShown = 1;
    texts = rig.Texts();
    EXPECT_FALSE(texts.count(modeLine) || texts.count(cameraLine));
    rig.screen.aboutShown = 0;
    rig.system.showHints = 0;
    EXPECT_FALSE(rig.Texts().count(modeLine));
}

TEST(Overlays, TheDrawnWidthsAreLeftForTheHitTests) {
    OverlayRig rig;
    testsupport::PlaceBlocks(rig.system, std::vector<math::Vec3>(12, {0, 0, 0}), ColourRed);
    rig.Texts();
    EXPECT_EQ(rig.screen.topStripGap, 55);
    // Red "12" and total "12" are 27 wide, the other five 18.
    EXPECT_EQ(rig.screen.colourButtonsWidth, 27 + 5 * 18 + 27);
    EXPECT_EQ(rig.screen.colourButtonWidth[0], 27);
    // The web address as drawn (the fake font: 8 pixels a character), 2 pixels each side
    // of it; the status text stops 5 pixels before it.
    const int address = 8 * static_cast<int>(interaction::ShownAddress().size());
    EXPECT_EQ(rig.screen.webLinkWidth, std::max(100, address + 4));
    const std::string status = rig.Texts()["Осмотреть конструкцию - ВЦ"];
    EXPECT_EQ(std::stoi(status.substr(status.rfind(' ', status.rfind(' ') - 1) + 1)),
              800 - rig.screen.webLinkWidth - 5)
        << status;
    rig.windowed = false;
    rig.Texts();
    EXPECT_EQ(rig.screen.topStripGap, 52);
}

}  // namespace
