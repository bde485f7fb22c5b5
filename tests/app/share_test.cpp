// "Экспорт..." and "Сохранить изображение..." in the real window, with scripted dialogs.
#include <signal.h>
#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <random>

#include "app/frame_window.h"
#include "app/gl_view.h"
#include "export/mesh_export.h"
#include "gui_fixture.h"
#include "support/construction_builders.h"
#include "support/files.h"

using namespace app::core;
using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

namespace fs = std::filesystem;

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

// Files may not grow past `bytes` while it lives, in this process and the processes it
// starts (the export's worker): writes past it fail as on a full disk.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        handler_ = ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit small = {bytes, saved_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, handler_);
    }

  private:
    struct rlimit saved_ {};
    sighandler_t handler_;
};

TEST_F(ShareTest, ExportAndPictureOnAFullDiskSayWhyAndKeepTheOldFiles) {
    Launch();
    CloseAbout();
    const fs::path folder = TempPath("share");
    fs::create_directory(folder);
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    for (const char* name : {"old.obj", "old.mtl", "old.png"})
        testsupport::WriteFileBytes(folder / name, old);
    {
        // The one block's OBJ and the view's picture are both larger than this.
        FileSizeLimit full(4096);
        dialogs_.saveFilePaths.push_back((folder / "old.obj").string());
        Action(cmd::kExportMesh)->trigger();
        dialogs_.saveFilePaths.push_back((folder / "old.png").string());
        Action(cmd::kSaveImage)->trigger();
    }
    ASSERT_EQ(dialogs_.messages.size(), 2u);
    EXPECT_NE(dialogs_.messages[0].text.find("файл слишком велик"), std::string::npos)
        << dialogs_.messages[0].text;
    for (const auto& message : dialogs_.messages) EXPECT_EQ(message.icon, MsgIcon::Error);
    for (const char* name : {"old.obj", "old.mtl", "old.png"})
        EXPECT_EQ(testsupport::ReadFileBytes(folder / name), old) << name;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 3) << "no temporaries";
    EXPECT_EQ(dialogs_.unexpected, 0);
}

TEST_F(ShareTest, CancelStopsALongExportAndLeavesTheOldFileAndNothingElse) {
    Launch();
    CloseAbout();
    Key(Qt::Key_F8);  // cubes on screen draw quickly; the export is of the block meshes
    CVelVorlaModel many;
    std::mt19937 rng(3);
    testsupport::FillRandomTree(many, rng, 20000);
    testsupport::Adopt(Form().system, std::move(many));
    ExportChoices blocks;
    blocks.printFormat = true;
    dialogs_.exportAnswers.push_back(blocks);
    const fs::path folder = TempPath("cancel");
    fs::create_directory(folder);
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    testsupport::WriteFileBytes(folder / "big.3mf", old);

    // Cancel as soon as the progress dialog offers it.
    bool offered = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (!progress || offered) return;
        for (QPushButton* button : progress->findChildren<QPushButton*>()) {
            if (button->text() != "Отмена" || !button->isVisible()) continue;
            offered = true;
            button->click();
        }
    });
    watch.start(50);
    dialogs_.saveFilePaths.push_back((folder / "big.3mf").string());
    Action(cmd::kExportMesh)->trigger();
    watch.stop();
    EXPECT_TRUE(offered);
    EXPECT_TRUE(dialogs_.messages.empty()) << "a cancelled export is no failure";
    EXPECT_EQ(testsupport::ReadFileBytes(folder / "big.3mf"), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1) << "no temporaries";
}

// The export writes the construction as it was when the user chose it. The worker here
// starts a second late; meanwhile the construction is replaced by a command and a file
// is dropped on the window (refused while the export runs): neither reaches the file.
TEST_F(ShareTest, WhatHappensWhileAnExportRunsDoesNotReachTheFile) {
    exportWorker_ = {"/bin/sh", "-c", "sleep 1; exec \"$0\" \"$@\"", VORLA_BINARY,
                     "--export-worker"};
    Launch();
    CloseAbout();
    const std::string other = TempPath("other.vvl");  // the new construction's one block
    dialogs_.savePaths.push_back(other);
    Key(Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(std::filesystem::exists(other));
    CVelVorlaModel many;
    std::mt19937 rng(5);
    testsupport::FillRandomTree(many, rng, 300);
    testsupport::Adopt(Form().system, std::move(many));
    Form().documentPath.clear();
    ExportChoices cubes;
    cubes.printFormat = true;
    cubes.cubes = true;
    dialogs_.exportAnswers.push_back(cubes);

    bool changed = false, dropAccepted = true;
    QTimer meddle;
    meddle.setSingleShot(true);
    QObject::connect(&meddle, &QTimer::timeout, [&] {
        Action(cmd::kNew)->trigger();
        changed = Total() == 1;
        dropAccepted = Drop({other});
    });
    meddle.start(50);
    const std::string stl = TempPath("many.stl");
    dialogs_.saveFilePaths.push_back(stl);
    Action(cmd::kExportMesh)->trigger();
    ASSERT_TRUE(changed) << "the construction was replaced while the export ran";
    EXPECT_FALSE(dropAccepted);
    EXPECT_EQ(Form().documentPath, "") << "the dropped file was not opened";
    ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages[0].text;
    // The same bytes as an export of the construction that was replaced.
    CVelVorlaModel before;
    rng.seed(5);
    testsupport::FillRandomTree(before, rng, 300);
    exporter::ExportOptions options;
    options.cubes = true;
    const auto shape = exporter::LoadBlockShape(options, nullptr);
    ASSERT_TRUE(shape);
    const fs::path expected = TempPath("expected.stl");
    ASSERT_TRUE(
        exporter::ExportConstruction(before, *shape, expected, exporter::Format::Stl, options));
    EXPECT_EQ(testsupport::ReadFileBytes(stl), testsupport::ReadFileBytes(expected));
    WaitFrames(2);  // the progress dialog has gone and the editor draws again
}

}  // namespace
}  // namespace guitest
