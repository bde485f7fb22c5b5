#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <fstream>

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

using services::MsgResult;

constexpr char kPrompt[] = "Сохранить текущую работу?";

class DocumentsTest : public GuiTest {
  protected:
    // One edit through the window: a block added on the face under the centre.
    void AddBlock() {
        if (Form().screen.aboutShown) {
            Key(Qt::Key_Slash);
            ASSERT_TRUE(WaitUntil([&] { return Form().screen.aboutShown == 0; }, 10000));
            WaitFrames(2);
        }
        const int before = Total();
        Click(ViewCentre(), Qt::ControlModifier);
        ASSERT_EQ(Total(), before + 1);
        ASSERT_TRUE(Form().system.document.Unsaved());
    }
    std::string ReadBytes(const std::string& path, size_t n) {
        std::ifstream in(path, std::ios::binary);
        std::string s(n, '\0');
        in.read(s.data(), static_cast<std::streamsize>(n));
        s.resize(static_cast<size_t>(in.gcount()));
        return s;
    }
    void WriteBytes(const std::string& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
};

TEST_F(DocumentsTest, SaveAsThenOpenWithScriptedDialogs) {
    Launch();
    AddBlock();
    const std::string file = TempPath("two.vvl");
    dialogs_.savePaths.push_back(file);
    Key(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(dialogs_.saveStarts.size(), 1u);
    // No Models folder beside the start folder: the dialog starts in the start folder.
    EXPECT_EQ(dialogs_.saveStarts[0], dir_.path().toStdString());
    EXPECT_EQ(ReadBytes(file, 3), "VVL");
    EXPECT_FALSE(Form().system.document.Unsaved());
    EXPECT_EQ(Form().lastDir, dir_.path().toStdString());

    AddBlock();
    EXPECT_EQ(Total(), 3);
    dialogs_.answers.push_back(MsgResult::No);
    dialogs_.openPaths.push_back(file);
    Key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text, kPrompt);
    EXPECT_EQ(dialogs_.messages[0].caption, "Внимание!");
    ASSERT_EQ(dialogs_.openStarts.size(), 1u);
    EXPECT_EQ(dialogs_.openStarts[0], dir_.path().toStdString() + "/*.vvl");
    EXPECT_EQ(Total(), 2);
    EXPECT_TRUE(Checked(cmd::kInspectMode));
    EXPECT_EQ(dialogs_.unexpected, 0);
    WaitFrames(2);
}

TEST_F(DocumentsTest, CtrlSWritesTheOpenFileAndTheTitleSaysWhetherItIsSaved) {
    Launch();
    auto title = [&] { return App().Frame().windowTitle().toStdString(); };
    EXPECT_EQ(title(), "ТОР-ВИН");
    // A new construction has no file yet: Ctrl+S asks for one.
    AddBlock();
    const std::string robot = TempPath("robot.vvl");
    dialogs_.savePaths.push_back(robot);
    Key(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(dialogs_.saveStarts.size(), 1u);
    EXPECT_EQ(title(), "robot.vvl — ТОР-ВИН");

    AddBlock();
    EXPECT_EQ(title(), "robot.vvl* — ТОР-ВИН");
    const std::string before = ReadBytes(robot, 1 << 20);
    Key(Qt::Key_S, Qt::ControlModifier);  // no dialog this time
    EXPECT_EQ(dialogs_.saveStarts.size(), 1u);
    EXPECT_NE(ReadBytes(robot, 1 << 20), before);
    EXPECT_EQ(title(), "robot.vvl — ТОР-ВИН");
    // Back and forth through the history: saved again at the saved state.
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(title(), "robot.vvl* — ТОР-ВИН");
    Key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(title(), "robot.vvl — ТОР-ВИН");

    // Ctrl+Shift+S always asks.
    dialogs_.savePaths.push_back(std::nullopt);
    Key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(dialogs_.saveStarts.size(), 2u);
    // A file marked read-only is replaced only when the user says so.
    ::chmod(robot.c_str(), 0444);
    Key(Qt::Key_Z, Qt::ControlModifier);
    const std::string readOnly = ReadBytes(robot, 1 << 20);
    dialogs_.answers.push_back(MsgResult::No);
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ReadBytes(robot, 1 << 20), readOnly);
    EXPECT_EQ(dialogs_.messages.back().text.rfind("Файл защищён от записи", 0), 0u);
    dialogs_.answers.push_back(MsgResult::Yes);
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_NE(ReadBytes(robot, 1 << 20), readOnly);
    EXPECT_EQ(dialogs_.unexpected, 0);
}

TEST_F(DocumentsTest, AFifoAFolderOrADanglingLinkIsNamedAndNothingIsReplaced) {
    const std::string fifo = TempPath("f.vvl"), folder = TempPath("d.vvl");
    const std::string dangling = TempPath("l.vvl");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::symlink(TempPath("made.vvl").c_str(), dangling.c_str()), 0);
    Launch(fifo);  // the command line: a message, and a new construction
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text,
              "Не удалось открыть файл: это именованный канал (FIFO), а не файл");
    AddBlock();
    auto said = [&](const char* text) {
        return std::count_if(dialogs_.messages.begin(), dialogs_.messages.end(),
                             [&](const auto& m) { return m.text.find(text) != std::string::npos; });
    };
    for (const std::string& path : {fifo, folder, dangling}) {
        dialogs_.answers.push_back(MsgResult::No);  // the unsaved work is not saved first
        dialogs_.openPaths.push_back(path);
        Key(Qt::Key_O, Qt::ControlModifier);
    }
    EXPECT_EQ(said("Не удалось открыть файл: это именованный канал (FIFO), а не файл"), 2);
    EXPECT_EQ(said("Не удалось открыть файл: это папка, а не файл"), 1);
    EXPECT_EQ(said("Не удалось открыть файл: ссылка указывает на несуществующий файл"), 1);
    EXPECT_EQ(Total(), 2) << "the work stays";
    for (const std::string& path : {fifo, folder}) {
        dialogs_.savePaths.push_back(path);
        Key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    }
    EXPECT_EQ(said("Не удалось сохранить файл: это именованный канал (FIFO), а не файл"), 1);
    EXPECT_EQ(said("Не удалось сохранить файл: это папка, а не файл"), 1);
    EXPECT_TRUE(Form().system.document.Unsaved());
    // Saving through the link to nothing makes its file and keeps the link.
    dialogs_.savePaths.push_back(dangling);
    Key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(Form().system.document.Unsaved());
    EXPECT_EQ(ReadBytes(TempPath("made.vvl"), 3), "VVL");
    EXPECT_EQ(QFileInfo(QString::fromStdString(dangling)).isSymLink(), true);
    EXPECT_EQ(dialogs_.unexpected, 0);
}

TEST_F(DocumentsTest, TheSavePromptsThreeAnswers) {
    Launch();
    // Unchanged: New asks nothing.
    Key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(dialogs_.messages.empty());

    AddBlock();
    dialogs_.answers.push_back(MsgResult::Cancel);
    Key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(Total(), 2) << "Cancel keeps the construction";

    dialogs_.answers.push_back(MsgResult::Yes);
    dialogs_.savePaths.push_back(std::nullopt);  // ... then the save dialog is cancelled
    Key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(Total(), 2);
    EXPECT_TRUE(Form().system.document.Unsaved());

    dialogs_.answers.push_back(MsgResult::No);
    Key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(Total(), 1) << "No discards the work";

    AddBlock();
    const std::string file = TempPath("kept.vvl");
    dialogs_.answers.push_back(MsgResult::Yes);
    dialogs_.savePaths.push_back(file);
    Key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(Total(), 1);
    EXPECT_EQ(ReadBytes(file, 3), "VVL");
    EXPECT_EQ(dialogs_.messages.size(), 4u);
    EXPECT_EQ(dialogs_.unexpected, 0);
}

TEST_F(DocumentsTest, AWrongSignatureOrDamagedFileChangesNothing) {
    Launch();
    AddBlock();
    const std::string file = TempPath("saved.vvl");
    dialogs_.savePaths.push_back(file);
    Key(Qt::Key_S, Qt::ControlModifier);
    ASSERT_FALSE(Form().system.document.Unsaved());

    const std::string lower = TempPath("lower.vvl");
    WriteBytes(lower, "vvl" + ReadBytes(file, 4096).substr(3));
    dialogs_.openPaths.push_back(lower);
    Key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text, "Неправильный формат");
    EXPECT_EQ(dialogs_.messages[0].caption, "Error");
    EXPECT_EQ(dialogs_.messages[0].icon, services::MsgIcon::Error);
    EXPECT_EQ(Total(), 2);

    const std::string shortFile = TempPath("short.vvl");
    WriteBytes(shortFile, "VV");
    dialogs_.openPaths.push_back(shortFile);
    Key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dialogs_.messages.size(), 2u);
    EXPECT_EQ(dialogs_.messages[1].text, "Неправильный формат");

    // A good signature with a cut-off body: a clear message, nothing half-loaded.
    const std::string cut = TempPath("cut.vvl");
    WriteBytes(cut, ReadBytes(file, 40));
    dialogs_.openPaths.push_back(cut);
    Key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dialogs_.messages.size(), 3u);
    EXPECT_FALSE(dialogs_.messages[2].text.empty());
    EXPECT_EQ(Total(), 2);
    WaitFrames(2);
    EXPECT_EQ(dialogs_.unexpected, 0);
}

TEST_F(DocumentsTest, ADroppedFileAndACommandLineFileOpen) {
    Launch();
    AddBlock();
    const std::string file = TempPath("dropped.vvl");
    dialogs_.savePaths.push_back(file);
    Key(Qt::Key_S, Qt::ControlModifier);
    Key(Qt::Key_N, Qt::ControlModifier);  // saved: no prompt
    ASSERT_EQ(Total(), 1);

    // Three files dropped: only the first opens.
    const std::string other = TempPath("other.vvl");
    WriteBytes(other, "not a construction");
    EXPECT_TRUE(Drop({file, other, TempPath("missing.vvl")}));
    EXPECT_EQ(Total(), 2);
    EXPECT_TRUE(dialogs_.messages.empty());
    WaitFrames(2);

    // A path that no longer exists is ignored.
    EXPECT_TRUE(Drop({TempPath("gone.vvl")}));
    EXPECT_EQ(Total(), 2);
    EXPECT_TRUE(dialogs_.messages.empty());

    CloseWindow();
    Destroy();
    Launch("\"" + file + "\"");  // quotes around the path are dropped
    EXPECT_EQ(Total(), 2);
    EXPECT_EQ(dialogs_.unexpected, 0);
}

TEST_F(DocumentsTest, TheRecentFilesSubmenuOpensAFileAndDropsOneThatIsGone) {
    Launch();
    QMenu* recent = App().Frame().RecentFilesMenu();
    ASSERT_NE(recent, nullptr);
    EXPECT_FALSE(recent->menuAction()->isEnabled());
    AddBlock();
    const std::string file = TempPath("recent.vvl");
    dialogs_.savePaths.push_back(file);
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(recent->menuAction()->isEnabled());
    QAction* first = Action(cmd::kRecentFileFirst);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->text().toStdString(), "&1 " + file);
    EXPECT_FALSE(Action(cmd::kRecentFileFirst + 1)->isVisible());

    Key(Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(Total(), 1);
    first->trigger();
    EXPECT_EQ(Total(), 2);

    QFile::remove(QString::fromStdString(file));
    first->trigger();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_NE(dialogs_.messages[0].text.find(file), std::string::npos);
    EXPECT_FALSE(recent->menuAction()->isEnabled());
    EXPECT_EQ(dialogs_.unexpected, 0);
}

}  // namespace
}  // namespace guitest
