// Command handlers: menu items, accelerators and on-screen buttons. Every handler
// releases the held keys, because a key whose release went to a menu or dialog must not
// stay held.
#include <algorithm>

#include "app/core/app_form.h"
#include "interaction/about.h"
#include "interaction/camera_aim.h"
#include "interaction/command_table.h"
#include "interaction/maker.h"
#include "model/edit/editing.h"
#include "model/edit/twisting.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

namespace app::core {

void CAppForm::OnCommand(int id) {
    // What the last command or paste said is over with the next one.
    screen.editNotice.clear();
    RunCommand(id);
    AfterChange();
    // A hovered button's tooltip says what the button would do now.
    strips_->Refresh();
}

void CAppForm::RunCommand(int id) {
    CameraDevice* up = CameraUpload();
    switch (id) {
        case cmd::kNew:
            NewDocument();
            return;
        case cmd::kOpen:
            OpenDocument();
            return;
        case cmd::kSave:
            Save();
            return;
        case cmd::kSaveAs:
            SaveAs();
            return;
        case cmd::kExportMesh:
            ExportMesh();
            return;
        case cmd::kSaveImage:
            SaveImage();
            return;
        case cmd::kExit:
            if (services_.shell) services_.shell->PostCloseToMainWindow();
            return;

        // The held keys stay: Ctrl and Shift go on choosing the editing mode.
        case cmd::kUndo:
            UndoEdit(system);
            return;
        case cmd::kRedo:
            RedoEdit(system);
            return;
        case cmd::kCopyBranch:
            CopyBranch();
            return;
        case cmd::kPasteBranch:
            PasteBranch();
            return;
        case cmd::kDeleteBranch:
            DeleteBranch();
            return;
        case cmd::kPaintBranch:
            PaintBranch();
            return;

        case cmd::kOrbitMode:
            if (camera.orbitMode == 0) RunCommand(cmd::kToggleOrbit);
            return;
        case cmd::kFreeTargetMode:
            if (camera.orbitMode == 1) RunCommand(cmd::kToggleOrbit);
            return;
        case cmd::kToggleOrbit:
            camera.ToggleOrbitMode();
            ClearKeys();
            RefreshCheckMarks();
            return;
        case cmd::kAutoSpinAround:
            if (camera.orbitMode == 1) {
                RunCommand(cmd::kToggleAutoSpin);
            } else {
                camera.autoSpinAround = !camera.autoSpinAround;
                RefreshCheckMarks();
            }
            return;
        case cmd::kAutoSpinTarget:
            if (camera.orbitMode == 0) {
                RunCommand(cmd::kToggleAutoSpin);
            } else {
                camera.autoSpinTarget = !camera.autoSpinTarget;
                RefreshCheckMarks();
            }
            return;
        case cmd::kToggleAutoSpin:
            camera.ToggleAutoSpin();
            ClearKeys();
            RefreshCheckMarks();
            return;

        case cmd::kColourRed:
        case cmd::kColourYellow:
        case cmd::kColourGreen:
        case cmd::kColourBlue:
        case cmd::kColourWhite:
            system.SelectColour(id - cmd::kColourRed);
            ClearKeys();
            RefreshCheckMarks();
            return;
        case cmd::kRandomColour:
            system.randomColour = 1;
            system.PickRandomColour();
            ClearKeys();
            RefreshCheckMarks();
            return;

        case cmd::kCopyColourMode:
            SetMode(ModeCopyColour, false);
            return;
        case cmd::kAddMode:
            SetMode(ModeAdd, false);
            return;
        case cmd::kDeleteMode:
            SetMode(ModeDelete, false);
            return;
        case cmd::kPaintMode:
            SetMode(ModePaint, true);
            return;
        case cmd::kTwistMode:
            SetMode(ModeTwist, true);
            return;
        case cmd::kInspectMode:
            dispatcher_->ReturnToInspect();
            RefreshCheckMarks();
            return;
        case cmd::kChooseCentreMode:
            camera.StopMotion();
            ClearKeys();
            system.twistSelected = 0;
            system.pasting.reset();
            system.showAxes = 0;
            system.previousMode = system.mode;
            system.mode = ModeChooseCentre;
            RefreshCheckMarks();
            return;

        case cmd::kCentre:
            camera.StopMotion();
            CentreView(system, camera, up);
            ClearKeys();
            return;
        case cmd::kCentreTarget:
            camera.StopMotion();
            CentreTarget(system, camera, up);
            ClearKeys();
            return;
        case cmd::kFindNearest:
            camera.StopMotion();
            ClearKeys();
            FindNearestBlock(system, camera, up);
            return;
        case cmd::kViewFront:
        case cmd::kViewBack:
        case cmd::kViewLeft:
        case cmd::kViewRight:
        case cmd::kViewTop:
        case cmd::kViewBottom:
        case cmd::kViewIsometric:
            camera.StopMotion();
            ShowStandardView(system, camera, up, static_cast<StandardView>(id - cmd::kViewFront));
            ClearKeys();
            return;
        case cmd::kLevelHorizon:
            camera.StopMotion();
            if (!LevelHorizon(camera, up))
                Tell("Камера смотрит отвесно: горизонта не видно", false);
            ClearKeys();
            return;
        case cmd::kCancelTwist:
            CancelTwist(system);
            return;

        case cmd::kShowButtons:
            system.showButtons = !system.showButtons;
            ClearKeys();
            RefreshCheckMarks();
            return;
        case cmd::kShowGrid:
            system.showGrid = !system.showGrid;
            ClearKeys();
            RefreshCheckMarks();
            return;
        case cmd::kShowAxes:
            system.showAxes = !system.showAxes;
            ClearKeys();
            system.mode = ModeInspect;
            RefreshCheckMarks();
            return;
        case cmd::kDetailHigh:
        case cmd::kDetailMedium:
        case cmd::kDetailLow:
            system.detailLevel = id - cmd::kDetailHigh + 1;
            system.showAsCubes = 0;
            ClearKeys();
            RefreshCheckMarks();
            return;
        case cmd::kShowCubes:
            system.showAsCubes = !system.showAsCubes;
            ClearKeys();
            RefreshCheckMarks();
            return;
        case cmd::kBackgroundColour:
            ChooseColour(system.backgroundColour);
            return;
        case cmd::kGridColour:
            ChooseColour(system.gridColour);
            return;
        case cmd::kFullScreen:
            ToggleFullScreen();
            return;
        case cmd::kShowHints:
            system.showHints = !system.showHints;
            ClearKeys();
            RefreshCheckMarks();
            return;
        case cmd::kAbout:
            About();
            return;
        default:
            if (const int recent = interaction::RecentFileIndex(id); recent >= 0) {
                ClearKeys();
                OpenRecent(recent);
            }
            return;
    }
}

// Twist and paint also leave the rotation about a picked axis ring.
void CAppForm::SetMode(int newMode, bool stopAxisMode) {
    camera.StopMotion();
    if (stopAxisMode) camera.axisMode = 0;
    ClearKeys();
    system.twistSelected = 0;
    system.pasting.reset();
    system.showAxes = 0;
    system.mode = newMode;
    RefreshCheckMarks();
}

void CAppForm::RefreshCheckMarks() {
    Shell* shell = services_.shell;
    system.detailLevel = std::clamp(system.detailLevel, 1, 3);
    AfterChange();
    if (!shell) return;
    for (const interaction::Command& c : interaction::All())
        if (c.check != interaction::Check::None)
            shell->SetMenuCheck(c.id, interaction::IsChecked(c, system, camera));
}

void CAppForm::RefreshMenuEnabled() {
    Shell* shell = services_.shell;
    if (!shell) return;
    for (const interaction::Command& c : interaction::All()) {
        if (c.enable == interaction::Enable::Always) continue;
        const bool enabled = interaction::IsEnabled(c, system);
        auto [it, inserted] = shownEnabled_.try_emplace(c.id, enabled);
        if (!inserted && it->second == enabled) continue;
        it->second = enabled;
        shell->SetMenuEnabled(c.id, enabled);
    }
    // Undo and redo name the step they would take.
    for (const int id : {cmd::kUndo, cmd::kRedo}) {
        std::string text = interaction::UndoMenuText(system, id == cmd::kRedo);
        auto [it, inserted] = shownText_.try_emplace(id, text);
        if (!inserted && it->second == text) continue;
        it->second = std::move(text);
        shell->SetMenuText(id, it->second);
    }
}

void CAppForm::LeaveFullScreenForDialog() {
    if (windowed) return;
    SwitchScreenMode();
    camera.Apply(CameraUpload());
}

void CAppForm::ChooseColour(uint32_t& colour) {
    if (!windowed) {
        Pause(true);
        SwitchScreenMode();
        camera.Apply(CameraUpload());
        Pause(false);
    }
    Pause(true);
    ClearKeys();
    if (services_.dialogs) {
        if (auto chosen = services_.dialogs->ChooseColour(SwapRedBlue(colour)))
            colour = SwapRedBlue(*chosen) & 0x00FFFFFFu;
    }
    Pause(false);
}

void CAppForm::ToggleFullScreen() {
    Pause(true);
    SwitchScreenMode();
    ClearKeys();
    Pause(false);
}

void CAppForm::About() {
    ClearKeys();
    if (!screen.aboutShown) camera.StopMotion();
    if (!renderer_->Objects().emblemTexture && device) {
        Pause(true);
        renderer_->LoadAboutTextures(*device);
        Pause(false);
    }
    ToggleAbout(screen, camera);
}

void CAppForm::OpenMakerSite() {
    LeaveFullScreenForDialog();
    ClearKeys();
    camera.mouse.ReleaseAll();
    if (services_.dialogs) services_.dialogs->OpenUrl(interaction::Url());
}

}  // namespace app::core
