// The editor killed outright (SIGKILL) in a process of its own, then started again here.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QMenu>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "app/frame_window.h"
#include "gui_fixture.h"
#include "interaction/document.h"
#include "support/files.h"

using namespace app::core;
using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

using testsupport::ReadFileBytes;

namespace fs = std::filesystem;

namespace guitest {
namespace {

class RecoveryTest : public GuiTest {
  protected:
    void TearDown() override {
        if (child_ > 0) Kill();
        GuiTest::TearDown();
    }

    // The child editor in the test's folder: `blocks` blocks of unsaved work, autosaved
    // every second; "churn" changes them twice a second.
    void StartChild(int blocks, const char* mode) {
        const std::string folder = dir_.path().toStdString();
        const std::string count = std::to_string(blocks);
        child_ = fork();
        ASSERT_GE(child_, 0);
        if (child_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            execl(VORLA_RECOVERY_CHILD, VORLA_RECOVERY_CHILD, folder.c_str(), count.c_str(), mode,
                  static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    void Kill() {
        kill(child_, SIGKILL);
        int status = 0;
        waitpid(child_, &status, 0);
        child_ = -1;
    }

    // The constructions in the recovery folder.
    std::vector<fs::path> Recoveries() const {
        std::vector<fs::path> found;
        std::error_code ec;
        for (fs::directory_iterator it(RecoveryFolder(), ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (it->path().extension() == ".vvl" && name.front() != '.')
                found.push_back(it->path());
        }
        return found;
    }
    // Whether the child has a write open in the recovery folder: a named temporary
    // (".<name>.tmp-...") or an unnamed one (O_TMPFILE, shown as "#... (deleted)").
    bool WriteUnderWay() const {
        std::error_code ec;
        const std::string folder = fs::weakly_canonical(RecoveryFolder(), ec).string() + "/";
        const std::string fds = "/proc/" + std::to_string(child_) + "/fd";
        for (fs::directory_iterator it(fds, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code linkError;
            const std::string target = fs::read_symlink(it->path(), linkError).string();
            if (linkError || target.rfind(folder, 0) != 0) continue;
            const std::string name = target.substr(folder.size());
            if ((name.front() == '.' && name.find(".vvl.tmp-") != std::string::npos) ||
                name.front() == '#')
                return true;
        }
        return false;
    }
    std::vector<uint8_t> EncodeForm() {
        return EncodeConstruction(CaptureCamera(Form().camera), CaptureSettings(Form().system),
                                  Form().system.model);
    }

    pid_t child_ = -1;
};

TEST_F(RecoveryTest, AfterAKillTheAutosavedWorkIsOfferedAndRestoredExactly) {
    StartChild(500, "still");
    ASSERT_TRUE(WaitUntil(
        [&] { return fs::exists(TempPath("expected.vvl")) && !Recoveries().empty(); }, 120000))
        << "no autosave";
    Kill();
    ASSERT_EQ(Recoveries().size(), 1u);
    const std::vector<uint8_t> recovered = ReadFileBytes(Recoveries()[0]);
    const std::vector<uint8_t> expected = ReadFileBytes(TempPath("expected.vvl"));
    // The child's work from the settings on (its camera may have moved since).
    ASSERT_EQ(recovered.size(), expected.size());
    EXPECT_TRUE(std::equal(recovered.begin() + 263, recovered.end(), expected.begin() + 263));

    dialogs_.answers.push_back(services::MsgResult::Yes);
    Launch();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text.rfind("Восстановить несохранённую конструкцию?", 0), 0u);
    EXPECT_EQ(Total(), 501);
    EXPECT_TRUE(Form().system.document.Unsaved());
    EXPECT_EQ(EncodeForm(), recovered);
}

TEST_F(RecoveryTest, SettingsChangedJustBeforeAKillAreThereAtTheNextStart) {
    StartChild(0, "settings");
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(TempPath("settings-done")); }, 120000));
    Kill();
    settings_ = std::make_unique<ui::QtSettingsStore>(QString::fromStdString(SettingsPath()));
    Launch();
    ASSERT_FALSE(Form().recentFiles.empty());
    EXPECT_EQ(Form().recentFiles.front(), TempPath("robot.vvl"));
    EXPECT_TRUE(App().Frame().RecentFilesMenu()->actions().front()->text().contains("robot.vvl"));
    EXPECT_EQ(Form().system.backgroundColour, 0x123456u);
}

TEST_F(RecoveryTest, AKillDuringAnAutosaveLeavesThePreviousRecoveryIntact) {
    constexpr int kBlocks = 200000;
    StartChild(kBlocks, "churn");
    ASSERT_TRUE(WaitUntil([&] { return !Recoveries().empty(); }, 120000)) << "no autosave";
    // Freeze the child while a later write is under way; kill it once it is caught there.
    bool caught = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!caught && std::chrono::steady_clock::now() < deadline) {
        if (!WriteUnderWay()) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        kill(child_, SIGSTOP);
        int status = 0;
        waitpid(child_, &status, WUNTRACED);  // stopped for sure
        caught = WriteUnderWay();
        if (!caught) kill(child_, SIGCONT);
    }
    Kill();
    ASSERT_TRUE(caught) << "no write was caught under way";
    ASSERT_EQ(Recoveries().size(), 1u);
    ConstructionDocument document;
    ASSERT_TRUE(ReadConstructionFile(Recoveries()[0], document));
    EXPECT_EQ(document.model.Total(), kBlocks + 1);

    dialogs_.answers.push_back(services::MsgResult::No);
    Launch();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_TRUE(fs::is_empty(RecoveryFolder())) << "the refused work and the cut-off write";
}

}  // namespace
}  // namespace guitest
