#include "app/core/app_form.h"

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "app/core/recovery.h"
#include "interaction/command_table.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

namespace app::core {

namespace {

constexpr char kTitle[] = "ТОР-ВИН";
constexpr char kSettingsFail[] = "Настройки не сохраняются: ";

}  // namespace

CAppForm::CAppForm(const FormServices& services, std::string folder)
    : startFolder(std::move(folder)), services_(services) {
    renderer_ = std::make_unique<render::SceneRenderer>(system, screen, camera);
    DispatchHost& host = *this;
    dispatcher_ = std::make_unique<CInputDispatcher>(system, screen, camera, pickMeshes_, host);
    StripHost& stripHost = *this;
    strips_ = std::make_unique<CStripButtons>(system, screen, camera, stripHost);
    dispatcher_->SetStrips(strips_.get());
    overlays_ = std::make_unique<render::ScreenOverlays>([this] { return windowed; });
    renderer_->SetOverlayPasses(overlays_.get());
    camera.mouse.SetCaptureTarget(services_.mouseCapture);
    windowTitle = kTitle;
    showCursorFullscreen = true;
    startFullscreen = false;
    Enumerator().usesDepthBuffer = true;
    SetWindowHost(services_.windowHost);
    SetMessageBoxHost(services_.messageBoxHost);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    if (!services_.recoveryFolder.empty()) {
        recovery_ = std::make_unique<RecoveryStore>(services_.recoveryFolder);
        // The writer's thread hands the news to the user-interface thread.
        recovery_->SetWriteListener([this] {
            if (services_.shell) services_.shell->Post([this] { AutosaveWritten(); });
        });
    }
    LoadSettings();
    PublishRecentFiles();
}

CAppForm::~CAppForm() {
    Shutdown();
}

gfx::HRESULT CAppForm::Start(SystemFactory factory, gfx::WindowHandle viewWindow,
                             gfx::WindowHandle fullScreenWindow, std::string commandLineFile) {
    viewWindow_ = viewWindow;
    fullScreenWindow_ = fullScreenWindow;
    if (commandLineFile.size() >= 2 && commandLineFile.front() == '"')
        commandLineFile = commandLineFile.substr(1, commandLineFile.size() - 2);
    commandLineFile_ = std::move(commandLineFile);
    SetSystemFactory(std::move(factory));
    SetDeviceWindow(viewWindow);
    SetFocusWindow(fullScreenWindow);
    return Create();
}

void CAppForm::FinishStartup() {
    if (startupFinished_ || shutDown_) return;
    startupFinished_ = true;
    // Before the command-line file, whose opening then asks about restored work.
    OfferRecovery();
    if (!commandLineFile_.empty()) OpenCommandLineFile(commandLineFile_);
    RefreshCheckMarks();
    Repaint();
}

bool CAppForm::Idle() {
    if (!IsActive() || shutDown_) return false;
    CD3DApplication::Rest(false);
    if (!windowed && device && gfx::Failed(device->TestCooperativeLevel())) ReturnToWindow();
    return gfx::Succeeded(RenderEnvironment());
}

bool CAppForm::WantsFrames() const {
    if (!IsActive() || shutDown_ || !device) return false;
    return camera.mouse.DownCount() > 0 || camera.MovesByItself(system.keys) ||
           renderer_->Animating();
}

CAppForm::PointerView CAppForm::Pointer() {
    if (device && !shutDown_) preview_.Refresh(system, camera, pickMeshes_, screen);
    const interaction::ScreenState& s = screen;
    return {s.stripHit,    s.hoveredButton,     s.tooltipX,
            s.tooltipY,    s.tooltipStyle,      s.tooltipLeftAnchored,
            s.tooltipText, system.modifierMode, s.preview};
}

void CAppForm::Repaint() {
    if (!device || shutDown_) return;
    camera.Apply(CameraUpload());
    renderer_->RenderScene(*device, time);
    device->Present();
}

bool CAppForm::DispatchInput(const InputMessage& msg) {
    const bool pass = dispatcher_->DispatchInput(msg);
    AfterChange();  // an edit makes undo possible and the work unsaved
    return pass;
}

void CAppForm::AfterChange() {
    RefreshMenuEnabled();
    if (const std::string title = WindowTitle(); title != shownTitle_ && services_.shell) {
        services_.shell->SetTitle(title);
        shownTitle_ = title;
    }
    // Once per change: a store that cannot write is not tried again at every mouse move.
    if (!settingsTried_ || !(*settingsTried_ == CurrentSettings())) SaveSettings();
}

std::string CAppForm::WindowTitle() const {
    const bool unsaved = system.document.Unsaved();
    if (documentPath.empty() && !unsaved) return kTitle;
    std::string name = documentPath.empty()
                           ? std::string("Без имени")
                           : std::filesystem::path(documentPath).filename().string();
    if (unsaved) name += '*';
    return name + " — " + kTitle;
}

std::optional<int> CAppForm::TranslateAccelerator(const InputMessage& msg) const {
    return interaction::TranslateAccelerator(msg);
}

void CAppForm::SetActive(bool isActive) {
    if (!viewWindow_) return;
    ClearKeys();
    Pause(!isActive);
}

void CAppForm::OnSize() {
    HandleSize();
    ClearKeys();
}

void CAppForm::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    Close();  // device objects, device, then CleanupScene (settings)
    // A clean exit: the work has been saved or deliberately left.
    if (recovery_) recovery_->Close();
}

CameraDevice* CAppForm::CameraUpload() {
    gfx::Device* current = GetDevice();
    if (current != cameraUploadDevice_) {
        cameraUpload_.reset();
        if (current) cameraUpload_.emplace(*current);
        cameraUploadDevice_ = current;
    }
    return cameraUpload_ ? &*cameraUpload_ : nullptr;
}

void CAppForm::RefreshPickMeshes() {
    pickMeshes_ = renderer_->Geometry();
    pickMeshes_.viewport = device ? device->GetViewport() : math::Viewport{};
}

// Size handling shared by the device reset and the window's resize: the trackball, the
// back buffer and the projection follow the window the scene is drawn in.
void CAppForm::HandleSize() {
    int w = 0, h = 0;
    if (services_.shell) services_.shell->ViewSize(&w, &h);
    camera.arcBall.SetWindow(w, h);
    HandleSizeChange();
    if (device) {
        // Mouse positions, pick rays and overlays work in logical pixels; on a high-density
        // screen the back buffer holds more device pixels with the same aspect.
        int vw = w > 0 ? w : static_cast<int>(backBufferDesc.width);
        int vh = h > 0 ? h : static_cast<int>(backBufferDesc.height);
        camera.SetViewport(CameraUpload(), vw, vh);
        pickMeshes_.viewport = device->GetViewport();
    }
}

gfx::HRESULT CAppForm::AdjustWindowStyle() {
    if (services_.shell) services_.shell->ShowFullScreen(!windowed);
    SetDeviceWindow(windowed ? viewWindow_ : fullScreenWindow_);
    return gfx::S_OK;
}

gfx::HRESULT CAppForm::InitScene() {
    system.ResetConstruction();
    camera.ResetForNewConstruction(CameraUpload());
    return gfx::S_OK;
}

gfx::HRESULT CAppForm::CreateDeviceObjects() {
    gfx::HRESULT hr = renderer_->CreateDeviceObjects(*device);
    RefreshPickMeshes();
    return hr;
}

gfx::HRESULT CAppForm::ResetDeviceObjects() {
    gfx::HRESULT hr = renderer_->ResetDeviceObjects(*device, [this] { HandleSize(); });
    RefreshPickMeshes();
    return hr;
}

gfx::HRESULT CAppForm::AdvanceFrame() {
    camera.FrameMove(CameraUpload(), time, system.keys);
    return gfx::S_OK;
}

gfx::HRESULT CAppForm::RenderScene() {
    // The frame shows what a click would do with the camera as this frame has it.
    preview_.Refresh(system, camera, pickMeshes_, screen);
    return renderer_->RenderScene(*device, time);
}

gfx::HRESULT CAppForm::LoseDeviceObjects() {
    return renderer_->LoseDeviceObjects();
}

gfx::HRESULT CAppForm::DestroyDeviceObjects() {
    gfx::HRESULT hr = renderer_->DestroyDeviceObjects();
    RefreshPickMeshes();
    cameraUpload_.reset();
    cameraUploadDevice_ = nullptr;
    return hr;
}

gfx::HRESULT CAppForm::CleanupScene() {
    SaveSettings();
    return gfx::S_OK;
}

// ---- Settings ----------------------------------------------------------------------------

void CAppForm::LoadSettings() {
    SettingsStore* store = services_.settings;
    if (!store) return;
    const std::optional<uint32_t> background = store->ReadDword("Background");
    const std::optional<uint32_t> grid = store->ReadDword("Grid");
    const std::optional<uint32_t> help = store->ReadDword("Help");
    const std::optional<uint32_t> buttons = store->ReadDword("Buttons");
    const std::optional<std::string> folder = store->ReadString("LastDir");
    const std::optional<std::string> exportDir = store->ReadString("ExportDir");
    const std::optional<std::string> exportType = store->ReadString("ExportType");
    const std::optional<uint32_t> autosave = store->ReadDword("AutosaveSeconds");
    system.backgroundColour = background.value_or(160);
    system.gridColour = grid.value_or(0xFFFFFF);
    system.showHints = help.value_or(1) != 0 ? 1 : 0;
    system.showButtons = buttons.value_or(1) != 0 ? 1 : 0;
    lastDir = folder.value_or(lastDir);
    exportFolder = exportDir.value_or(exportFolder);
    exportExtension = exportType.value_or(exportExtension);
    // A day at most: a larger value is a typo, not a wish to never autosave.
    autosaveSeconds = std::min<uint32_t>(autosave.value_or(kDefaultAutosaveSeconds), 24 * 60 * 60);
    recentFiles.clear();
    for (const std::string& path :
         store->ReadStringList("Recent").value_or(std::vector<std::string>{})) {
        if (path.empty() ||
            std::find(recentFiles.begin(), recentFiles.end(), path) != recentFiles.end())
            continue;
        if (recentFiles.size() == kMaxRecentFiles) break;
        recentFiles.push_back(path);
    }
    windowPlacement = ParseWindowPlacement(store->ReadString("Window").value_or(""));
    // What the store holds, when it holds every value as read; otherwise the next write
    // brings them all.
    storedSettings_.reset();
    if (background && grid && help && buttons && folder && exportDir && exportType && autosave)
        storedSettings_ = CurrentSettings();
    settingsTried_ = storedSettings_;
}

CAppForm::StoredSettings CAppForm::CurrentSettings() const {
    StoredSettings s;
    s.background = system.backgroundColour;
    s.grid = system.gridColour;
    s.help = static_cast<uint32_t>(system.showHints);
    s.buttons = static_cast<uint32_t>(system.showButtons);
    s.autosave = autosaveSeconds;
    s.lastDir = lastDir;
    s.exportDir = exportFolder;
    s.exportType = exportExtension;
    s.window = windowPlacement ? FormatWindowPlacement(*windowPlacement) : std::string();
    s.recent = recentFiles;
    return s;
}

void CAppForm::SaveSettings() {
    SettingsStore* store = services_.settings;
    if (!store) return;
    const StoredSettings now = CurrentSettings();
    const std::optional<StoredSettings>& was = storedSettings_;
    auto changed = [&](auto StoredSettings::*field) { return !was || now.*field != (*was).*field; };
    if (changed(&StoredSettings::background)) store->WriteDword("Background", now.background);
    if (changed(&StoredSettings::grid)) store->WriteDword("Grid", now.grid);
    if (changed(&StoredSettings::help)) store->WriteDword("Help", now.help);
    if (changed(&StoredSettings::buttons)) store->WriteDword("Buttons", now.buttons);
    if (changed(&StoredSettings::lastDir)) store->WriteString("LastDir", now.lastDir);
    if (changed(&StoredSettings::exportDir)) store->WriteString("ExportDir", now.exportDir);
    if (changed(&StoredSettings::exportType)) store->WriteString("ExportType", now.exportType);
    if (changed(&StoredSettings::autosave)) store->WriteDword("AutosaveSeconds", now.autosave);
    if (changed(&StoredSettings::recent)) store->WriteStringList("Recent", now.recent);
    if (changed(&StoredSettings::window) && !now.window.empty())
        store->WriteString("Window", now.window);
    settingsTried_ = now;
    const bool wasFailing = screen.notice.rfind(kSettingsFail, 0) == 0;
    if (!store->Flush()) {
        // Said in the status line, not in a box: it would come back at every change.
        screen.notice = kSettingsFail + store->LastError();
        screen.noticeIsWarning = true;
        return;
    }
    if (wasFailing) screen.notice.clear();
    storedSettings_ = now;
}

void CAppForm::SetWindowPlacement(const WindowPlacement& placement) {
    if (windowPlacement == placement) return;
    windowPlacement = placement;
    SaveSettings();
}

}  // namespace app::core
