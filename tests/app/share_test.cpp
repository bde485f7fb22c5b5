// "Экспорт..." and "Сохранить изображение..." in the real window, with scripted dialogs.
#include <QAction>
#include <QImage>
#include <filesystem>

#include "app/frame_window.h"
#include "app/gl_view.h"
#include "gui_fixture.h"

using namespace app::core;
using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

namespace guitest {
namespace {

class ShareTest : public GuiTest {
  protected:
    void CloseAbout() {
        if (!Form().screen.aboutShown) return;
        Key(Qt::Key_Slash);
        ASSERT_TRUE(WaitUntil([&] { return Form().screen.aboutShown == 0; }, 10000));
    }
};

TEST_F(ShareTest, SaveImageDrawsTheConstructionWithoutOverlaysUnlessAsked) {
    Launch();
    CloseAbout();
    const QImage shown = Screenshot();
    const QSize view = App().View().size() * App().View().devicePixelRatioF();
    const QPoint middle(view.width() / 2, view.height() / 2);
    const std::string png = TempPath("view.png");
    dialogs_.saveFilePaths.push_back(png);
    Action(cmd::kSaveImage)->trigger();
    ASSERT_EQ(dialogs_.saveFileTitles.size(), 1u);
    EXPECT_EQ(dialogs_.saveFileTitles[0], "Сохранить изображение");
    ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages[0].text;
    QImage saved(QString::fromStdString(png));
    ASSERT_EQ(saved.size(), view);
    EXPECT_EQ(saved.pixel(middle) & 0xFFFFFF, shown.pixel(middle) & 0xFFFFFF);
    EXPECT_GT(qGreen(saved.pixel(middle)), 100);
    // The strips' rows hold the background only, where the view shows buttons.
    int stripPixels = 0;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < saved.width(); ++x)
            stripPixels += (saved.pixel(x, y) & 0xFFFFFF) != Form().system.backgroundColour;
    EXPECT_EQ(stripPixels, 0);
    EXPECT_NE(shown.pixel(4, 4) & 0xFFFFFF, saved.pixel(4, 4) & 0xFFFFFF);
    // Compressed as PNG normally is: far below the raw RGB size.
    EXPECT_LE(std::filesystem::file_size(png), size_t(view.width() * view.height() * 3 / 4));

    // Twice the size with the overlays, then transparent.
    dialogs_.saveFilePaths.push_back(png);
    dialogs_.pictureChoices.push_back({.overlays = true, .scale = 2});
    Action(cmd::kSaveImage)->trigger();
    ASSERT_TRUE(saved.load(QString::fromStdString(png)));
    EXPECT_EQ(saved.size(), view * 2);
    EXPECT_EQ(saved.pixel(8, 8) & 0xFFFFFF, shown.pixel(4, 4) & 0xFFFFFF);
    dialogs_.saveFilePaths.push_back(png);
    dialogs_.pictureChoices.push_back({.transparent = true});
    Action(cmd::kSaveImage)->trigger();
    ASSERT_TRUE(saved.load(QString::fromStdString(png)));
    EXPECT_EQ(qAlpha(saved.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(saved.pixel(middle)), 255);
    EXPECT_EQ(dialogs_.pictureOffers.back(), (PictureOptions{.overlays = true, .scale = 2}))
        << "the dialog offers the last choice";

    // Not a picture format: refused with a reason, nothing written.
    dialogs_.saveFilePaths.push_back(TempPath("view.bmp"));
    Action(cmd::kSaveImage)->trigger();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].icon, services::MsgIcon::Error);
    EXPECT_FALSE(std::filesystem::exists(TempPath("view.bmp")));
    EXPECT_EQ(dialogs_.unexpected, 0);
}

TEST_F(ShareTest, ExportWritesTheConstructionAsDisplayed) {
    Launch();
    CloseAbout();
    Key(Qt::Key_F8);  // show blocks as cubes
    ASSERT_EQ(Form().system.showAsCubes, 1);
    const std::string stl = TempPath("one.stl");
    dialogs_.saveFilePaths.push_back(stl);
    Action(cmd::kExportMesh)->trigger();
    ASSERT_EQ(dialogs_.saveFileTypes.size(), 1u);
    ASSERT_EQ(dialogs_.saveFileTypes[0].size(), 6u);
    EXPECT_EQ(dialogs_.saveFileTypes[0][0].suffix, "glb");
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.messages[0].text;
    // One cube: binary STL of 12 triangles (80-byte header, count, 50 bytes each).
    EXPECT_EQ(std::filesystem::file_size(stl), 80u + 4 + 12 * 50);

    // A folder that does not exist: the reason is shown, nothing is written.
    dialogs_.saveFilePaths.push_back(TempPath("missing/one.glb"));
    Action(cmd::kExportMesh)->trigger();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].icon, services::MsgIcon::Error);
    EXPECT_EQ(dialogs_.unexpected, 0);
    WaitFrames(2);
}

}  // namespace
}  // namespace guitest
