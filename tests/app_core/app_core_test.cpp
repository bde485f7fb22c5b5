// The form without a window system: a fake graphics system, scripted dialogs, an
// in-memory settings store and a shell that records the menu check marks.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>

#include "app/core/app_form.h"
#include "app/core/recovery.h"
#include "interaction/command_table.h"
#include "interaction/document.h"
#include "support/construction_builders.h"
#include "support/fake/fake_system.h"
#include "support/files.h"
#include "support/scripted_services.h"

using namespace app::core;
using namespace interaction;

using testsupport::ReadFileBytes;

namespace fs = std::filesystem;
using namespace app;
using namespace camera;
using namespace input;
using namespace model::edit;
using namespace model;
using namespace services;

namespace {

using testsupport::FakeMessageBoxes;
using testsupport::FakeWindows;
using testsupport::MemorySettings;
using testsupport::ScriptedDialogs;

struct RecordingShell : Shell {
    std::map<int, bool> checks, enabled;
    std::vector<std::string> recent;
    int closeRequests = 0;
    bool fullScreen = false;
    void SetMenuCheck(int id, bool c) override { checks[id] = c; }
    void SetMenuEnabled(int id, bool e) override { enabled[id] = e; }
    void SetRecentFiles(const std::vector<std::string>& paths) override { recent = paths; }
    void PostCloseToMainWindow() override { ++closeRequests; }
    void ShowFullScreen(bool f) override { fullScreen = f; }
    int logicalWidth = 520, logicalHeight = 350;
    void ViewSize(int* w, int* h) override { *w = logicalWidth, *h = logicalHeight; }
    // Work posted from other threads, run when the test says (as the event loop would).
    std::vector<std::function<void()>> posted;
    std::mutex postedMutex;
    void Post(std::function<void()> work) override {
        std::lock_guard lock(postedMutex);
        posted.push_back(std::move(work));
    }
    void RunPosted() {
        std::vector<std::function<void()>> work;
        {
            std::lock_guard lock(postedMutex);
            work.swap(posted);
        }
        for (auto& w : work) w();
    }
};

gfx::WindowHandle Handle(uintptr_t v) {
    return reinterpret_cast<gfx::WindowHandle>(v);
}

class FormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vorla_form_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        form.reset();
        fs::remove_all(dir);
    }

    CAppForm& Start(const std::string& commandLine = "") {
        for (uintptr_t h : {1, 2}) windows.Resize(Handle(h), 520, 350);
        form = MakeForm();
        gfx::HRESULT hr = form->Start(
            [this] {
                auto sys = std::make_unique<gfx::fake::FakeSystem>();
                sys->adapters = {gfx::fake::FakeSystem::StandardAdapter()};
                fakeSystem = sys.get();
                return sys;
            },
            Handle(1), Handle(2), commandLine);
        EXPECT_TRUE(gfx::Succeeded(hr))
            << std::hex << hr << " " << (boxes.shown.empty() ? "" : boxes.shown.back().text);
        EXPECT_TRUE(form->IsActive());
        form->FinishStartup();
        return *form;
    }

    // A form that is not started: enough for autosave, which needs no device.
    std::unique_ptr<CAppForm> MakeForm() {
        FormServices s{&dialogs,
                       &settings,
                       &shell,
                       &windows,
                       &boxes,
                       nullptr,
                       (dir / "recovery").string(),
                       {VORLA_TOOL_PATH, "export"}};
        return std::make_unique<CAppForm>(s, dir.string());
    }

    std::string WriteFile(const std::string& name, const std::string& bytes) {
        fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }

    // Edits as the editing operations leave them: new blocks, counted, the work unsaved.
    static void AddBlocks(CAppForm& f, int n) {
        for (int i = 0; i < n; ++i)
            f.system.document.Add(nullptr, testsupport::Block(ColourBlue, {0, 2.0f * i, 4}));
    }
    // Blocks in a recovery file, -1 when it cannot be read.
    static int RecoveredTotal(const fs::path& file) {
        ConstructionDocument doc;
        return ReadConstructionFile(file, doc) ? doc.model.Total() : -1;
    }
    static std::vector<uint8_t> Encode(const CVelVorlaSystem& s, const CVelCamera& c) {
        return EncodeConstruction(CaptureCamera(c), CaptureSettings(s), s.model);
    }
    // What an editor that died leaves: its construction and the document it came from.
    fs::path PlantRecovery(const std::string& id, const std::vector<uint8_t>& bytes,
                           const std::string& original) {
        fs::create_directories(dir / "recovery");
        std::ofstream(dir / "recovery" / (id + ".info"), std::ios::binary) << original;
        std::ofstream out(dir / "recovery" / (id + ".vvl"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return dir / "recovery" / (id + ".vvl");
    }

    fs::path dir;
    MemorySettings settings;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    FakeWindows windows;
    FakeMessageBoxes boxes;
    std::unique_ptr<CAppForm> form;
    gfx::fake::FakeSystem* fakeSystem = nullptr;  // owned by the form
};

}  // namespace

TEST_F(FormTest, StartsOnANewConstructionWithTheMenuCheckedAndDefaultSettings) {
    CAppForm& f = Start();
    EXPECT_EQ(f.system.model.Total(), 1);
    EXPECT_EQ(f.screen.aboutShown, 1);
    EXPECT_TRUE(shell.checks[cmd::kInspectMode]);
    EXPECT_TRUE(shell.checks[cmd::kDetailHigh]);
    EXPECT_TRUE(shell.checks[cmd::kOrbitMode]);
    EXPECT_FALSE(shell.checks[cmd::kFreeTargetMode]);
    EXPECT_TRUE(shell.checks[cmd::kRandomColour]);
    EXPECT_TRUE(shell.checks[cmd::kShowHints]);
    EXPECT_TRUE(shell.checks[cmd::kShowButtons]);
    EXPECT_EQ(f.system.backgroundColour, 0xA0u);
    EXPECT_EQ(f.system.gridColour, 0xFFFFFFu);
    EXPECT_TRUE(f.Idle());
}

TEST_F(FormTest, CommandsUpdateStateAndCheckMarks) {
    CAppForm& f = Start();
    f.OnCommand(cmd::kRandomColour);
    EXPECT_TRUE(shell.checks[cmd::kRandomColour]);
    for (int c = 0; c < 5; ++c) EXPECT_FALSE(shell.checks[cmd::kColourRed + c]);
    f.OnCommand(cmd::kColourGreen);
    EXPECT_TRUE(shell.checks[cmd::kColourGreen]);
    EXPECT_FALSE(shell.checks[cmd::kRandomColour]);
    EXPECT_FALSE(shell.checks[cmd::kColourRed]);

    f.OnCommand(cmd::kTwistMode);
    EXPECT_TRUE(shell.checks[cmd::kTwistMode]);
    f.OnCommand(cmd::kShowAxes);  // F4 in twist mode: axes on, back to inspecting
    EXPECT_EQ(f.system.showAxes, 1);
    EXPECT_TRUE(shell.checks[cmd::kInspectMode]);
    EXPECT_FALSE(shell.checks[cmd::kTwistMode]);

    f.OnCommand(cmd::kShowCubes);
    EXPECT_TRUE(shell.checks[cmd::kShowCubes]);
    EXPECT_FALSE(shell.checks[cmd::kDetailHigh]);
    f.OnCommand(cmd::kDetailHigh);  // F5 clears the cubes
    EXPECT_FALSE(shell.checks[cmd::kShowCubes]);
    EXPECT_TRUE(shell.checks[cmd::kDetailHigh]);

    f.OnCommand(cmd::kPaintMode);
    f.OnCommand(cmd::kChooseCentreMode);  // T remembers paint; no mode item checked
    EXPECT_EQ(f.system.previousMode, ModePaint);
    for (int id : {cmd::kInspectMode, cmd::kPaintMode, cmd::kAddMode, cmd::kDeleteMode,
                   cmd::kTwistMode, cmd::kCopyColourMode})
        EXPECT_FALSE(shell.checks[id]) << id;

    f.OnCommand(cmd::kOrbitMode);  // already orbiting: nothing changes
    EXPECT_EQ(f.camera.orbitMode, 1);
    f.OnCommand(cmd::kFreeTargetMode);
    EXPECT_EQ(f.camera.orbitMode, 0);
    EXPECT_TRUE(shell.checks[cmd::kFreeTargetMode]);
    f.OnCommand(cmd::kAutoSpinAround);  // flips its own flag in free mode
    EXPECT_EQ(f.camera.autoSpinAround, 1);
    EXPECT_EQ(f.camera.autoSpinTarget, 0);

    f.system.keys.OnKeyMessage(0.0f, MessageKind::KeyDown, 'W');
    f.OnCommand(cmd::kShowGrid);
    EXPECT_EQ(f.system.keys.DownCount(), 0);  // every command releases held keys
}

TEST_F(FormTest, ColourChooserSwapsBytesAndStaysPausedOnlyWhileOpen) {
    CAppForm& f = Start();
    dialogs.colours.push_back(0x000000FFu);  // pure red in the chooser's layout
    f.OnCommand(cmd::kBackgroundColour);
    EXPECT_EQ(dialogs.colourStarts.at(0), 0x00A00000u);
    EXPECT_EQ(f.system.backgroundColour, 0x00FF0000u);
    f.OnCommand(cmd::kGridColour);  // cancelled
    EXPECT_EQ(f.system.gridColour, 0x00FFFFFFu);
    EXPECT_EQ(f.PauseCount(), 0);
    f.Shutdown();
    EXPECT_EQ(settings.dwords["Background"], 0x00FF0000u);
    EXPECT_EQ(settings.dwords["Grid"], 0x00FFFFFFu);
    EXPECT_EQ(settings.dwords["Help"], 1u);
    EXPECT_EQ(settings.dwords["Buttons"], 1u);
    EXPECT_TRUE(settings.strings.count("LastDir"));
}

TEST_F(FormTest, SettingsAreReadAtStart) {
    settings.dwords = {{"Background", 0x112233}, {"Grid", 0x445566}, {"Help", 0}, {"Buttons", 0}};
    settings.strings["LastDir"] = dir.string();
    CAppForm& f = Start();
    EXPECT_EQ(f.system.backgroundColour, 0x112233u);
    EXPECT_EQ(f.system.gridColour, 0x445566u);
    EXPECT_EQ(f.system.showHints, 0);
    EXPECT_EQ(f.system.showButtons, 0);
    EXPECT_EQ(f.DialogStartName(), (dir / "*.vvl").string());
}

TEST_F(FormTest, DialogsStartInModelsFolderOrStartFolder) {
    CAppForm& f = Start();
    EXPECT_EQ(f.DialogStartName(), dir.string());
    // At first start, the samples installed with the program, unless the start folder has
    // a Models folder of its own.
    f.samplesFolder = (dir / "samples").string();
    EXPECT_EQ(f.DialogStartName(), dir.string()) << "only a folder that exists";
    fs::create_directories(dir / "samples");
    EXPECT_EQ(f.DialogStartName(), (dir / "samples" / "*.vvl").string());
    fs::create_directories(dir / "Models");
    EXPECT_EQ(f.DialogStartName(), (dir / "Models" / "*.vvl").string());
    f.lastDir = (dir / "gone").string();  // a folder that no longer exists falls back
    EXPECT_EQ(f.DialogStartName(), (dir / "Models" / "*.vvl").string());
}

TEST_F(FormTest, ExportSuggestsTheDocumentNameInTheLastExportFolderAndWritesTheChosenOptions) {
    CAppForm& f = Start();
    CVelVorlaModel solid;  // 3 x 3 x 3: one block closed in on every side
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y)
            for (int z = 0; z < 3; ++z)
                testsupport::AddTop(solid, testsupport::Block(1, {2.0f * x, 2.0f * y, 2.0f * z}));
    testsupport::Adopt(f.system, std::move(solid));
    fs::create_directories(dir / "prints");
    const fs::path stl = dir / "prints" / "solid.stl";
    dialogs.saveFilePaths.push_back(stl.string());
    ExportChoices hollowCubes;
    hollowCubes.printFormat = true;
    hollowCubes.cubes = true;
    hollowCubes.hollow = true;
    dialogs.exportAnswers.push_back(hollowCubes);
    f.OnCommand(cmd::kExportMesh);
    // A new construction: a name of its own, glTF at first, in the start folder.
    ASSERT_EQ(dialogs.saveFileStarts.size(), 1u);
    EXPECT_EQ(dialogs.saveFileStarts[0], (dir / "Конструкция.glb").string());
    ASSERT_EQ(dialogs.exportOffers.size(), 1u);
    EXPECT_TRUE(dialogs.exportOffers[0].printFormat);
    EXPECT_FALSE(dialogs.exportOffers[0].hollow) << "solid unless asked";
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
    // Binary STL: 84 bytes, then 50 per triangle; 26 cubes of 12.
    EXPECT_EQ(fs::file_size(stl), 84u + 26 * 12 * 50);

    // The next export starts where this one went, with its type; the offer as accepted.
    dialogs.saveFilePaths.push_back(stl.string());
    f.OnCommand(cmd::kExportMesh);
    EXPECT_EQ(dialogs.saveFileStarts[1], (dir / "prints" / "Конструкция.stl").string());
    // All 27 blocks now, as the block mesh (more than a cube's 12 triangles each).
    const std::vector<uint8_t> bytes = ReadFileBytes(stl);
    ASSERT_GE(bytes.size(), 84u);
    const uint32_t triangles = bytes[80] | bytes[81] << 8 | bytes[82] << 16 | bytes[83] << 24;
    EXPECT_EQ(triangles % 27, 0u);
    EXPECT_GT(triangles, 27u * 12);
    // A read-only target stays unless the user says to replace it.
    fs::permissions(stl, fs::perms::owner_read);
    dialogs.saveFilePaths.push_back(stl.string());
    dialogs.answers.push_back(MsgResult::No);
    const size_t offers = dialogs.exportOffers.size();
    f.OnCommand(cmd::kExportMesh);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.rfind("Файл защищён от записи", 0), 0u);
    EXPECT_EQ(dialogs.exportOffers.size(), offers) << "no export after No";
    EXPECT_EQ(ReadFileBytes(stl), bytes);
    f.SaveSettings();
    EXPECT_EQ(settings.strings["ExportDir"], (dir / "prints").string());
    EXPECT_EQ(settings.strings["ExportType"], ".stl");
    EXPECT_EQ(dialogs.unexpected, 0);
}

TEST_F(FormTest, NewAsksOnlyForUnsavedWorkAndKeepsItWhenTheSaveIsCancelled) {
    CAppForm& f = Start();
    f.NewDocument();
    EXPECT_TRUE(dialogs.messages.empty());

    testsupport::MakeUnsaved(f.system);
    f.system.currentColour = ColourBlue;
    dialogs.answers = {MsgResult::Yes};
    dialogs.savePaths = {std::nullopt};  // the save dialog is cancelled
    f.NewDocument();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Сохранить текущую работу?");
    EXPECT_EQ(dialogs.messages[0].caption, "Внимание!");
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_TRUE(f.system.document.Unsaved());
    EXPECT_EQ(f.system.currentColour, ColourBlue);

    dialogs.answers = {MsgResult::Cancel};
    f.NewDocument();
    EXPECT_TRUE(f.system.document.Unsaved());

    dialogs.answers = {MsgResult::No};
    f.NewDocument();
    EXPECT_FALSE(f.system.document.Unsaved());
    EXPECT_EQ(f.system.currentColour, ColourYellow);
    EXPECT_EQ(f.PauseCount(), 0);
}

TEST_F(FormTest, UndoAndRedoGreyOutFollowTheSavedStateAndEndWithNewAndOpen) {
    CAppForm& f = Start();
    f.screen.aboutShown = 0;
    EXPECT_FALSE(shell.enabled.at(cmd::kUndo));
    EXPECT_FALSE(shell.enabled.at(cmd::kRedo));
    // Ctrl+click beside the centre of the block's front face adds a block.
    InputMessage m;
    m.kind = MessageKind::KeyDown;
    m.virtualKey = vk::VK_CONTROL;
    f.DispatchInput(m);
    m.kind = MessageKind::LButtonDown;
    m.x = 270;
    m.y = 180;
    m.buttons = vk::MK_LBUTTON | vk::MK_CONTROL;
    f.DispatchInput(m);
    m.kind = MessageKind::LButtonUp;
    m.buttons = vk::MK_CONTROL;
    f.DispatchInput(m);
    ASSERT_EQ(f.system.model.Total(), 2);
    EXPECT_TRUE(shell.enabled[cmd::kUndo]);
    EXPECT_FALSE(shell.enabled[cmd::kRedo]);

    f.OnCommand(cmd::kUndo);
    EXPECT_EQ(f.system.model.Total(), 1);
    EXPECT_FALSE(f.system.document.Unsaved());
    EXPECT_FALSE(shell.enabled[cmd::kUndo]);
    EXPECT_TRUE(shell.enabled[cmd::kRedo]);
    EXPECT_TRUE(f.system.keys.IsDown(KeyCtrl));  // still held: Ctrl+click still adds
    f.OnCommand(cmd::kRedo);
    EXPECT_EQ(f.system.model.Total(), 2);
    EXPECT_TRUE(f.system.document.Unsaved());

    const std::string path = (dir / "two.vvl").string();
    dialogs.savePaths = {path};
    ASSERT_TRUE(f.SaveAs());
    f.OnCommand(cmd::kUndo);
    EXPECT_TRUE(f.system.document.Unsaved());
    f.OnCommand(cmd::kRedo);
    EXPECT_FALSE(f.system.document.Unsaved());  // back at what the file holds: no prompt

    f.OnCommand(cmd::kUndo);
    dialogs.answers = {MsgResult::No};
    f.OnCommand(cmd::kNew);
    EXPECT_FALSE(shell.enabled[cmd::kUndo]);
    EXPECT_FALSE(shell.enabled[cmd::kRedo]);

    testsupport::MakeUnsaved(f.system);
    dialogs.answers = {MsgResult::No};
    dialogs.openPaths = {path};
    f.OnCommand(cmd::kOpen);
    EXPECT_EQ(f.system.model.Total(), 2);
    EXPECT_FALSE(shell.enabled[cmd::kUndo]);
    EXPECT_FALSE(f.system.document.CanUndo());
}

TEST_F(FormTest, SaveAsThenOpenRoundTripsAndRemembersTheFolder) {
    CAppForm& f = Start();
    fs::create_directories(dir / "work");
    std::string path = (dir / "work" / "a.vvl").string();
    testsupport::MakeUnsaved(f.system);
    f.system.showGrid = 1;
    dialogs.savePaths = {path};
    EXPECT_TRUE(f.SaveAs());
    EXPECT_FALSE(f.system.document.Unsaved());
    EXPECT_EQ(fs::file_size(path), 343u);
    EXPECT_EQ(f.lastDir, (dir / "work").string());

    f.OnCommand(cmd::kShowGrid);
    EXPECT_EQ(f.system.showGrid, 0);
    dialogs.openPaths = {path};
    f.OnCommand(cmd::kOpen);
    EXPECT_EQ(dialogs.openStarts.back(), (dir / "work" / "*.vvl").string());
    EXPECT_EQ(f.system.showGrid, 1);
    EXPECT_TRUE(shell.checks[cmd::kShowGrid]);
    EXPECT_EQ(f.PauseCount(), 0);
}

TEST_F(FormTest, BadFilesAreReportedAndChangeNothing) {
    CAppForm& f = Start();
    f.system.currentColour = ColourWhite;
    f.LoadFile(WriteFile("lower.vvl", "vvl and more"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Неправильный формат");
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Error);

    f.LoadFile(WriteFile("short.vvl", "VV"));
    EXPECT_EQ(dialogs.messages.size(), 2u);
    f.LoadFile(WriteFile("truncated.vvl", "VVL\x01\x02"));
    EXPECT_EQ(dialogs.messages.size(), 3u);
    EXPECT_FALSE(dialogs.messages.back().text.empty());
    f.LoadFile((dir / "missing.vvl").string());  // silently ignored
    EXPECT_EQ(dialogs.messages.size(), 3u);

    EXPECT_EQ(f.system.currentColour, ColourWhite);
    EXPECT_EQ(f.system.model.Total(), 1);
    EXPECT_EQ(f.PauseCount(), 0);

    // Open answered "No" to the prompt, then the file failed: the work on screen is still
    // unsaved, so leaving asks again instead of dropping it.
    testsupport::MakeUnsaved(f.system);
    dialogs.answers = {MsgResult::No};
    dialogs.openPaths = {WriteFile("bad.vvl", "XYZ")};
    f.OnCommand(cmd::kOpen);
    EXPECT_TRUE(f.system.document.Unsaved());
}

TEST_F(FormTest, FailedSaveKeepsWorkUnsavedAndSaysWhy) {
    CAppForm& f = Start();
    testsupport::MakeUnsaved(f.system);
    f.lastDir = dir.string();
    dialogs.savePaths = {(dir / "no" / "such" / "folder" / "x.vvl").string()};
    EXPECT_FALSE(f.SaveAs());
    EXPECT_TRUE(f.system.document.Unsaved());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Не удалось сохранить файл: нет такого файла или папки");
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(f.lastDir, dir.string()) << "the next dialog still starts where the last one did";
    EXPECT_EQ(f.PauseCount(), 0);
}

TEST_F(FormTest, ACommandLineFileThatCannotBeOpenedIsReportedAndANewConstructionStarts) {
    CAppForm& f = Start((dir / "missing.vvl").string());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Не удалось открыть файл: нет такого файла или папки");
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(f.system.model.Total(), 1);

    form.reset();
    dialogs.messages.clear();
    fs::create_directory(dir / "folder.vvl");
    CAppForm& g = Start((dir / "folder.vvl").string());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Не удалось открыть файл: это папка, а не файл");
    EXPECT_EQ(g.system.model.Total(), 1);
    EXPECT_TRUE(g.Idle());
}

TEST_F(FormTest, ClosingAfterAFatalDeviceErrorStillOffersToSave) {
    CAppForm& f = Start();
    testsupport::MakeUnsaved(f.system);
    // A full-screen device is lost and no device can be made again for the window.
    f.OnCommand(cmd::kFullScreen);
    fakeSystem->FailCreateDevice(gfx::DeviceType::HAL);
    fakeSystem->Device()->LoseDevice();
    f.Idle();
    ASSERT_EQ(f.GetDevice(), nullptr);
    ASSERT_TRUE(f.FatalErrorShown());

    const fs::path rescued = dir / "rescued.vvl";
    dialogs.answers = {MsgResult::Yes};
    dialogs.savePaths = {rescued.string()};
    EXPECT_TRUE(f.QueryClose());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Сохранить текущую работу?");
    EXPECT_TRUE(fs::exists(rescued));

    testsupport::MakeUnsaved(f.system);
    dialogs.answers = {MsgResult::Cancel};
    EXPECT_FALSE(f.QueryClose());
}

TEST_F(FormTest, DroppedFilesOpenOnlyTheFirstAndTheCommandLineFileOpensAtStart) {
    CAppForm& f = Start();
    f.system.showGrid = 1;
    fs::path saved = dir / "grid.vvl";
    ASSERT_TRUE(interaction::SaveConstruction(f.system, f.camera, saved));
    f.system.showGrid = 0;
    f.OnDropFiles({saved.string(), WriteFile("bad.vvl", "xyz")});
    EXPECT_EQ(f.system.showGrid, 1);
    EXPECT_TRUE(dialogs.messages.empty());

    form.reset();
    // Appended, not added: GCC 12 at -O3 warns falsely about "literal" + string chains.
    CAppForm& g = Start(std::string(1, '"').append(saved.string()).append(1, '"'));
    EXPECT_EQ(g.system.showGrid, 1);
    EXPECT_TRUE(shell.checks[cmd::kShowGrid]);
}

TEST_F(FormTest, FullScreenToggleSwitchesWindowsAndDialogsLeaveFullScreen) {
    CAppForm& f = Start();
    f.OnCommand(cmd::kFullScreen);
    EXPECT_FALSE(f.IsWindowed());
    EXPECT_TRUE(shell.fullScreen);
    EXPECT_EQ(f.DeviceWindow(), Handle(2));
    dialogs.openPaths = {std::nullopt};
    f.OnCommand(cmd::kOpen);  // a dialog: back to the window first
    EXPECT_TRUE(f.IsWindowed());
    EXPECT_FALSE(shell.fullScreen);
    EXPECT_EQ(f.DeviceWindow(), Handle(1));
    f.OnCommand(cmd::kFullScreen);
    f.OnCommand(cmd::kFullScreen);
    EXPECT_TRUE(f.IsWindowed());
    EXPECT_EQ(f.PauseCount(), 0);
}

TEST_F(FormTest, PickRaysUseLogicalPixelsOnAHighDensityScreen) {
    shell.logicalWidth = 260;  // a device-pixel ratio of 2: the back buffer stays 520 x 350
    shell.logicalHeight = 175;
    CAppForm& f = Start();
    EXPECT_EQ(f.camera.viewportWidth, 260);
    EXPECT_EQ(f.camera.viewportHeight, 175);
    EXPECT_EQ(f.BackBufferDesc().width, 520u);
    // The centre of the view in logical pixels looks straight at the block.
    auto ray = f.camera.PickRay(130, 87);
    EXPECT_NEAR(ray.direction.x / ray.direction.z, 0.0f, 0.01f);
    EXPECT_NEAR(ray.direction.y / ray.direction.z, 0.0f, 0.01f);
}

TEST_F(FormTest, AutosaveKeepsUnsavedWorkUntilItIsSavedDiscardedOrTheEditorExits) {
    CAppForm& f = Start();
    RecoveryStore& store = *f.Recovery();
    f.AutosaveTick();
    store.WaitIdle();
    EXPECT_FALSE(fs::exists(dir / "recovery")) << "saved work needs no recovery file";

    AddBlocks(f, 2);
    f.AutosaveTick();
    store.WaitIdle();
    EXPECT_EQ(RecoveredTotal(store.OwnFile()), 3);
    AddBlocks(f, 1);
    f.AutosaveTick();
    store.WaitIdle();
    EXPECT_EQ(RecoveredTotal(store.OwnFile()), 4);

    dialogs.savePaths = {(dir / "mine.vvl").string()};
    ASSERT_TRUE(f.SaveAs());
    store.WaitIdle();
    EXPECT_FALSE(fs::exists(store.OwnFile())) << "saved";

    AddBlocks(f, 1);
    f.AutosaveTick();
    store.WaitIdle();
    EXPECT_TRUE(fs::exists(store.OwnFile()));
    dialogs.answers = {MsgResult::No};
    f.NewDocument();
    store.WaitIdle();
    EXPECT_FALSE(fs::exists(store.OwnFile())) << "discarded";

    AddBlocks(f, 1);
    f.AutosaveTick();
    store.WaitIdle();
    EXPECT_TRUE(fs::exists(store.OwnFile()));
    f.Shutdown();
    EXPECT_TRUE(fs::is_empty(dir / "recovery")) << "a clean exit leaves nothing behind";
    EXPECT_EQ(dialogs.messages.size(), 1u);  // the save prompt of New, nothing else
}

// A recovery folder that refuses the file (a file stands where the folder should be) or
// fills up part-way: the user hears of it once, in a message that names the folder, sees
// it in the status line while it lasts, and sees it go when the folder takes the file.
TEST_F(FormTest, AnAutosaveThatCannotWriteSaysSoOnceAndAgainWhenItWorks) {
    const fs::path folder = dir / "recovery";
    struct rlimit unlimited {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    for (const bool full : {false, true}) {
        SCOPED_TRACE(full ? "full" : "refused");
        form.reset();
        dialogs.messages.clear();
        fs::remove_all(folder);
        if (!full) WriteFile("recovery", "a file where the folder should be");
        CAppForm& f = Start();
        AddBlocks(f, 300);  // 13 kB in the file
        struct rlimit small = unlimited;
        small.rlim_cur = 4096;
        if (full) {
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        for (int tick = 0; tick < 2; ++tick) {
            AddBlocks(f, 1);
            f.AutosaveTick();
            f.Recovery()->WaitIdle();
            shell.RunPosted();
        }
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        ASSERT_EQ(dialogs.messages.size(), 1u) << "told once";
        EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Warning);
        EXPECT_NE(dialogs.messages[0].text.find(folder.string()), std::string::npos);
        EXPECT_TRUE(f.screen.noticeIsWarning);
        EXPECT_EQ(f.screen.notice.rfind("Автосохранение не работает: ", 0), 0u) << f.screen.notice;

        if (!full) fs::remove(folder);  // the folder may be made now; the disk has room
        f.AutosaveTick();               // nothing changed, but the last write failed
        f.Recovery()->WaitIdle();
        shell.RunPosted();
        EXPECT_EQ(f.screen.notice, "Автосохранение снова работает");
        EXPECT_EQ(RecoveredTotal(f.Recovery()->OwnFile()), f.system.model.Total());
        EXPECT_EQ(dialogs.messages.size(), 1u);
    }
    ::signal(SIGXFSZ, oldHandler);
}

// The autosave timer fires whenever the event loop runs, also inside every modal dialog
// the program opens: none of them may take away the recovery file of unsaved work.
TEST_F(FormTest, AnAutosaveInsideAnyDialogKeepsTheRecoveryOfUnsavedWork) {
    const fs::path orphan = PlantRecovery("1-dead", Encode(CVelVorlaSystem{}, CVelCamera{}), "");
    int dialogsSeen = 0, lost = 0;
    dialogs.whileOpen = [&] {
        ++dialogsSeen;
        if (!form) return;
        form->AutosaveTick();
        form->Recovery()->WaitIdle();
        const bool unsaved = form->system.document.Unsaved();
        if (unsaved && !fs::exists(form->Recovery()->OwnFile())) ++lost;
        if (!fs::exists(orphan)) ++lost;
    };
    dialogs.answers = {MsgResult::Cancel};  // the recovery question
    CAppForm& f = Start();
    AddBlocks(f, 2);
    f.AutosaveTick();
    f.Recovery()->WaitIdle();

    dialogs.answers = {MsgResult::Cancel};
    f.OnCommand(cmd::kNew);  // the save prompt
    dialogs.answers = {MsgResult::No};
    f.OnCommand(cmd::kOpen);  // the prompt, then the open dialog, cancelled
    dialogs.answers = {MsgResult::No};
    dialogs.openPaths = {WriteFile("bad.vvl", "not a construction")};
    f.OnCommand(cmd::kOpen);  // the error box of a failed open
    f.OnCommand(cmd::kSaveAs);
    f.OnCommand(cmd::kBackgroundColour);
    f.OnCommand(cmd::kExportMesh);
    f.OnCommand(cmd::kSaveImage);
    EXPECT_EQ(dialogsSeen, 11);
    EXPECT_EQ(lost, 0);
    EXPECT_TRUE(f.system.document.Unsaved());
    EXPECT_EQ(RecoveredTotal(f.Recovery()->OwnFile()), 3);
}

TEST_F(FormTest, RecoveryLeftByADeadEditorIsOfferedAndRestoredExactly) {
    CVelVorlaSystem lost;
    CVelCamera lostCamera;
    std::mt19937 rng(7);
    CVelVorlaModel tree;
    testsupport::FillRandomTree(tree, rng, 60);
    testsupport::Adopt(lost, std::move(tree));
    lost.showGrid = 1;
    lost.currentColour = ColourWhite;
    lostCamera.ResetForNewConstruction(nullptr);
    lostCamera.zoom = 0.5f;
    lostCamera.Apply(nullptr);
    const std::vector<uint8_t> bytes = Encode(lost, lostCamera);
    fs::create_directories(dir / "work");
    const fs::path planted =
        PlantRecovery("123-dead", bytes, (dir / "work" / "house.vvl").string());

    dialogs.answers = {MsgResult::Yes};
    CAppForm& f = Start();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const ScriptedDialogs::Message& offer = dialogs.messages[0];
    EXPECT_EQ(offer.text.rfind("Восстановить несохранённую конструкцию?", 0), 0u) << offer.text;
    EXPECT_NE(offer.text.find("house.vvl"), std::string::npos) << offer.text;
    EXPECT_EQ(offer.buttons, MsgButtons::YesNoCancel);

    EXPECT_EQ(Encode(f.system, f.camera), bytes);
    EXPECT_TRUE(f.system.document.Unsaved());
    EXPECT_TRUE(shell.checks[cmd::kShowGrid]);
    EXPECT_EQ(f.DialogStartName(), (dir / "work" / "*.vvl").string());
    // The work never goes without a file: the dead editor's becomes this one's.
    EXPECT_EQ(ReadFileBytes(f.Recovery()->OwnFile()), bytes);
    for (const char* ext : {".vvl", ".info", ".lock"})
        EXPECT_FALSE(fs::exists(dir / "recovery" / ("123-dead" + std::string(ext)))) << ext;
    EXPECT_EQ(f.PauseCount(), 0);

    // Undoing back to the restored state does not make it count as saved.
    const BlockNode* block = f.system.model.topBlocks.Front();
    f.system.document.Paint(*block, (block->colour + 1) % 5);
    f.OnCommand(cmd::kUndo);
    EXPECT_EQ(Encode(f.system, f.camera), bytes);
    EXPECT_TRUE(f.system.document.Unsaved());
}

TEST_F(FormTest, NoDeletesARecoveryAndADamagedOneIsOfferedForDeletionNeverDeletedUnasked) {
    CVelVorlaSystem lost;
    CVelCamera lostCamera;
    lost.ResetConstruction();
    const fs::path older = PlantRecovery("1-old", Encode(lost, lostCamera), "");
    fs::last_write_time(older, fs::file_time_type::clock::now() - std::chrono::hours(1));
    const std::vector<uint8_t> damaged = {'V', 'V', 'L', 1, 2, 3, 4, 5};
    const fs::path damagedFile = PlantRecovery("2-new", damaged, "");

    // Newest first: restore the damaged one, keep it rather than delete it, then Cancel.
    dialogs.answers = {MsgResult::Yes, MsgResult::No, MsgResult::Cancel};
    Start();
    ASSERT_EQ(dialogs.messages.size(), 4u);
    EXPECT_EQ(dialogs.messages[1].icon, MsgIcon::Error);
    EXPECT_EQ(dialogs.messages[1].buttons, MsgButtons::YesNoCancel);
    const fs::path aside = damagedFile.string() + ".damaged";
    EXPECT_NE(dialogs.messages[2].text.find(aside.string()), std::string::npos);
    EXPECT_EQ(ReadFileBytes(aside), damaged);
    EXPECT_NE(dialogs.messages[3].text.find("ещё не сохранялась"), std::string::npos);
    EXPECT_TRUE(fs::exists(older)) << "Cancel asks again at the next start";

    // The one kept aside is not offered again; "Нет" deletes the other.
    form.reset();
    dialogs.answers = {MsgResult::No};
    CAppForm& f = Start();
    EXPECT_EQ(dialogs.messages.size(), 5u);
    EXPECT_FALSE(fs::exists(older));
    EXPECT_EQ(f.system.model.Total(), 1);
    EXPECT_FALSE(f.system.document.Unsaved());

    // The reason is the one opening the same bytes as a document gives.
    f.LoadFile(WriteFile("damaged.vvl", std::string(damaged.begin(), damaged.end())));
    EXPECT_NE(dialogs.messages[1].text.find(dialogs.messages.back().text), std::string::npos);
}

TEST_F(FormTest, TwoEditorsKeepSeparateRecoveryFilesAndNeitherIsOfferedWhileRunning) {
    auto a = MakeForm();
    auto b = MakeForm();
    AddBlocks(*a, 1);
    AddBlocks(*b, 2);
    a->AutosaveTick();
    b->AutosaveTick();
    a->Recovery()->WaitIdle();
    b->Recovery()->WaitIdle();
    const fs::path fileA = a->Recovery()->OwnFile();
    EXPECT_NE(fileA, b->Recovery()->OwnFile());
    EXPECT_EQ(RecoveredTotal(fileA), 2);
    EXPECT_EQ(RecoveredTotal(b->Recovery()->OwnFile()), 3);

    Start();  // a third editor starting meanwhile
    EXPECT_TRUE(dialogs.messages.empty());
    a.reset();
    EXPECT_FALSE(fs::exists(fileA));
    EXPECT_EQ(RecoveredTotal(b->Recovery()->OwnFile()), 3);
}

TEST_F(FormTest, RecentFilesListTheLastEightOpenedOrSavedNewestFirst) {
    settings.lists["Recent"] = {(dir / "old.vvl").string(), (dir / "old.vvl").string(), ""};
    CAppForm& f = Start();
    EXPECT_EQ(shell.recent, std::vector<std::string>{(dir / "old.vvl").string()});

    std::vector<std::string> files;
    for (int i = 0; i < 9; ++i) {
        files.push_back((dir / ("f" + std::to_string(i) + ".vvl")).string());
        testsupport::MakeUnsaved(f.system);
        dialogs.savePaths = {files.back()};
        ASSERT_TRUE(f.SaveAs());
    }
    const std::vector<std::string> newestFirst = {files[8], files[7], files[6], files[5],
                                                  files[4], files[3], files[2], files[1]};
    EXPECT_EQ(shell.recent, newestFirst);

    f.OnDropFiles({files[3]});  // an opened file moves to the top, once
    EXPECT_EQ(shell.recent[0], files[3]);
    EXPECT_EQ(shell.recent[1], files[8]);
    EXPECT_EQ(shell.recent.size(), 8u);

    // A recent file opens through the save prompt, as Open does.
    AddBlocks(f, 1);
    dialogs.answers = {MsgResult::Cancel};
    f.OnCommand(cmd::kRecentFileFirst + 1);
    EXPECT_EQ(dialogs.messages.back().text, "Сохранить текущую работу?");
    EXPECT_EQ(f.system.model.Total(), 2);
    dialogs.answers = {MsgResult::No};
    f.OnCommand(cmd::kRecentFileFirst + 1);
    EXPECT_EQ(f.system.model.Total(), 1);
    EXPECT_EQ(f.documentPath, files[8]);
    EXPECT_EQ(shell.recent[0], files[8]);

    // A file that is gone leaves the list with a message; nothing else changes.
    fs::remove(files[5]);
    AddBlocks(f, 1);
    const size_t shown = dialogs.messages.size();
    const auto at = std::find(shell.recent.begin(), shell.recent.end(), files[5]);
    f.OnCommand(cmd::kRecentFileFirst + static_cast<int>(at - shell.recent.begin()));
    ASSERT_EQ(dialogs.messages.size(), shown + 1);  // no save prompt
    EXPECT_NE(dialogs.messages.back().text.find(files[5]), std::string::npos);
    EXPECT_EQ(dialogs.messages.back().icon, MsgIcon::Warning);
    EXPECT_EQ(std::count(shell.recent.begin(), shell.recent.end(), files[5]), 0);
    EXPECT_EQ(shell.recent.size(), 7u);
    EXPECT_EQ(f.system.model.Total(), 2);
    EXPECT_EQ(f.PauseCount(), 0);

    f.Shutdown();
    EXPECT_EQ(settings.lists["Recent"], shell.recent);
    EXPECT_EQ(settings.dwords["AutosaveSeconds"], 60u);
}
