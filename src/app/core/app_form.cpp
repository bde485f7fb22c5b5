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
    windowTitle = "ТОР-ВИН";
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
    RefreshMenuEnabled();  // an edit makes undo possible
    return pass;
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
    system.backgroundColour = store->ReadDword("Background").value_or(160);
    system.gridColour = store->ReadDword("Grid").value_or(0xFFFFFF);
    system.showHints = store->ReadDword("Help").value_or(1) != 0 ? 1 : 0;
    system.showButtons = store->ReadDword("Buttons").value_or(1) != 0 ? 1 : 0;
    lastDir = store->ReadString("LastDir").value_or(lastDir);
    // A day at most: a larger value is a typo, not a wish to never autosave.
    autosaveSeconds = std::min<uint32_t>(
        store->ReadDword("AutosaveSeconds").value_or(kDefaultAutosaveSeconds), 24 * 60 * 60);
    recentFiles.clear();
    for (const std::string& path :
         store->ReadStringList("Recent").value_or(std::vector<std::string>{})) {
        if (path.empty() ||
            std::find(recentFiles.begin(), recentFiles.end(), path) != recentFiles.end())
            continue;
        if (recentFiles.size() == kMaxRecentFiles) break;
        recentFiles.push_back(path);
    }
}

void CAppForm::SaveSettings() {
    SettingsStore* store = services_.settings;
    if (!store) return;
    store->WriteDword("Background", system.backgroundColour);
    store->WriteDword("Grid", system.gridColour);
    store->WriteDword("Help", static_cast<uint32_t>(system.showHints));
    store->WriteDword("Buttons", static_cast<uint32_t>(system.showButtons));
    store->WriteString("LastDir", lastDir);
    store->WriteDword("AutosaveSeconds", autosaveSeconds);
    store->WriteStringList("Recent", recentFiles);
    store->Flush();
}

}  // namespace app::core
