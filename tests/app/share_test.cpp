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

TEST_F(ShareTest, SaveImageWritesWhatTheViewShowsAtDeviceResolution) {
    Launch();
    CloseAbout();
    const QImage shown = Screenshot();
    const std::string png = TempPath("view.png");
    dialogs_.saveFilePaths.push_back(png);
    Action(cmd::kSaveImage)->trigger();
    ASSERT_EQ(dialogs_.saveFileTitles.size(), 1u);
    EXPECT_EQ(dialogs_.saveFileTitles[0], "Сохранить изображение");
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.messages[0].text;
    const QImage saved(QString::fromStdString(png));
    ASSERT_FALSE(saved.isNull());
    const qreal dpr = App().View().devicePixelRatioF();
    EXPECT_EQ(saved.size(), App().View().size() * dpr);
    EXPECT_EQ(saved.size(), shown.size());
    // The same picture: the green block in the middle, the strips and the background.
    for (QPoint p : {QPoint(saved.width() / 2, saved.height() / 2), QPoint(4, 4),
                     QPoint(saved.width() - 5, saved.height() - 5)})
        EXPECT_EQ(saved.pixel(p) & 0xFFFFFF, shown.pixel(p) & 0xFFFFFF) << p.x() << "," << p.y();
    EXPECT_GT(qGreen(saved.pixel(saved.width() / 2, saved.height() / 2)), 100);

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
