#include "d3dframework/d3d_application.h"

#include <cstdio>

namespace d3dframework {

using gfx::Failed;
using gfx::Succeeded;

namespace {

uint32_t RectWidth(const gfx::Rect& r) {
    return r.right > r.left ? static_cast<uint32_t>(r.right - r.left) : 0;
}
uint32_t RectHeight(const gfx::Rect& r) {
    return r.bottom > r.top ? static_cast<uint32_t>(r.bottom - r.top) : 0;
}

bool IsMissingMedia(HRESULT hr) {
    return hr == D3DAPPERR_MEDIANOTFOUND || hr == gfx::E_NOTFOUND;
}

}  // namespace

CD3DApplication::CD3DApplication() = default;

CD3DApplication::~CD3DApplication() {
    // The derived scene is gone by now, so its hooks cannot run; Close() is the orderly
    // way out. Release the device before the system that made it.
    device.reset();
    enumerator.system = nullptr;
    d3d.reset();
}

gfx::Rect CD3DApplication::HostWindowRect() const {
    return windowHost ? windowHost->WindowRect(deviceWindow) : gfx::Rect{};
}

gfx::Rect CD3DApplication::HostClientRect() const {
    return windowHost ? windowHost->ClientRect(deviceWindow) : gfx::Rect{};
}

HRESULT CD3DApplication::Create() {
    if (d3d) return gfx::D3DERR_INVALIDCALL;  // created once per run

    d3d = systemFactory ? systemFactory() : nullptr;
    if (!d3d) return ShowError(D3DAPPERR_NODIRECT3D, ErrorKind::Fatal);

    enumerator.system = d3d.get();
    enumerator.confirmDevice = [this](const gfx::Caps& caps, uint32_t flags,
                                      gfx::Format backBuffer) {
        return Succeeded(CheckDevice(caps, flags, backBuffer));
    };
    HRESULT hr = enumerator.Enumerate();
    if (Succeeded(hr)) {
        if (!focusWindow) focusWindow = deviceWindow;
        windowRect = HostWindowRect();
        clientRect = HostClientRect();
        hr = enumerator.ChooseInitialSettings(startFullscreen, RectWidth(clientRect),
                                              RectHeight(clientRect), settings);
    }
    if (Succeeded(hr)) {
        timer.Start();
        hr = InitScene();
        if (Succeeded(hr)) hr = InitEnvironment();
        if (Succeeded(hr)) {
            Pause(false);
            return gfx::S_OK;
        }
    }
    enumerator.system = nullptr;
    d3d.reset();
    return ShowError(hr, ErrorKind::Fatal);
}

void CD3DApplication::Pause(bool pause) {
    if (pause) {
        if (pauseCount++ == 0 && frameMoving) timer.Stop();
    } else if (pauseCount > 0) {
        if (--pauseCount == 0 && frameMoving && !resting) timer.Start();
    }
    active = pauseCount == 0;
}

void CD3DApplication::Rest(bool rest) {
    if (rest == resting) return;
    resting = rest;
    // The clock runs only while neither paused nor resting.
    if (!frameMoving || pauseCount > 0) return;
    if (rest) {
        timer.Stop();
    } else {
        timer.Start();
    }
}

HRESULT CD3DApplication::RenderEnvironment() {
    if (!device) return gfx::D3DERR_INVALIDCALL;

    if (deviceLost) {
        HRESULT hr = device->TestCooperativeLevel();
        if (Failed(hr)) {
            // Still lost: try again next time.
            if (hr == gfx::D3DERR_DEVICELOST) return gfx::S_OK;
            if (hr != gfx::D3DERR_DEVICENOTRESET) return hr;
            // The desktop may have changed its mode while the device was lost.
            if (windowed && d3d) {
                gfx::DisplayMode mode;
                if (Succeeded(d3d->GetAdapterDisplayMode(settings.windowedSettings.AdapterOrdinal(),
                                                         &mode))) {
                    settings.windowedSettings.displayMode = mode;
                    presentParams.backBufferFormat = mode.format;
                }
            }
            return ResetEnvironment();
        }
        deviceLost = false;
    }

    const float t = timer.ApplicationTime();
    const float dt = timer.ElapsedTime();
    if (dt == 0.0f && frameMoving) return gfx::S_OK;

    if (frameMoving || singleStep) {
        time = t;
        elapsedTime = dt;
        HRESULT hr = AdvanceFrame();
        if (Failed(hr)) return hr;
        singleStep = false;
    }

    HRESULT hr = RenderScene();
    if (Failed(hr)) return hr;
    UpdateStatsText();

    if (device->Present() == gfx::D3DERR_DEVICELOST) deviceLost = true;
    return gfx::S_OK;
}

void CD3DApplication::HandleSizeChange() {
    if (ignoreSizeChange) return;

    const gfx::Rect newClient = HostClientRect();
    // A minimised or not yet laid out window has no area to render into.
    if (RectWidth(newClient) == 0 || RectHeight(newClient) == 0) return;
    // Only the windowed view's rectangles are kept: they are what leaving full screen
    // gives back.
    if (windowed) {
        windowRect = HostWindowRect();
        clientRect = newClient;
    }
    // The back buffer follows the window the device draws into, in full screen as well:
    // a window manager may size the full-screen window only after the switch, and a
    // return to the window may find its old size only later. Compared with what the
    // device has, not with the last size seen, so that such a late size is never missed.
    if (RectWidth(newClient) == presentParams.backBufferWidth &&
        RectHeight(newClient) == presentParams.backBufferHeight)
        return;

    Pause(true);
    presentParams.backBufferWidth = RectWidth(newClient);
    presentParams.backBufferHeight = RectHeight(newClient);
    if (windowed) {
        settings.windowedSettings.width = presentParams.backBufferWidth;
        settings.windowedSettings.height = presentParams.backBufferHeight;
    }
    if (device) {
        HRESULT hr = ResetEnvironment();
        if (Failed(hr))
            ShowError(hr == gfx::D3DERR_OUTOFVIDEOMEMORY ? hr : D3DAPPERR_RESETFAILED,
                      ErrorKind::Fatal);
    }
    Pause(false);
}

HRESULT CD3DApplication::SwitchScreenMode() {
    // Without settings for the other mode (no usable full-screen mode, say) there is
    // nothing to switch to; stay as we are rather than fail fatally.
    const DeviceSettingsSet& target =
        windowed ? settings.fullscreenSettings : settings.windowedSettings;
    if (!target.Valid()) return gfx::D3DERR_NOTAVAILABLE;

    const uint32_t oldAdapter = settings.Current().AdapterOrdinal();
    const gfx::DeviceType oldType = settings.Current().DeviceType();

    Pause(true);
    windowed = !windowed;
    settings.windowed = windowed;
    ignoreSizeChange = true;
    AdjustWindowStyle();

    HRESULT hr;
    if (settings.Current().AdapterOrdinal() == oldAdapter &&
        settings.Current().DeviceType() == oldType) {
        BuildPresentParameters();
        hr = ResetEnvironment();
    } else {
        CleanupEnvironment();
        hr = InitEnvironment();
    }

    ignoreSizeChange = false;
    if (Failed(hr)) {
        if (!windowed) {
            windowed = true;
            settings.windowed = true;
            AdjustWindowStyle();
            RestoreWindow();
        }
        // Stays paused: the program is closing.
        return ShowError(hr == gfx::D3DERR_OUTOFVIDEOMEMORY ? hr : D3DAPPERR_RESETFAILED,
                         ErrorKind::Fatal);
    }
    if (windowed) RestoreWindow();
    Pause(false);
    return gfx::S_OK;
}

HRESULT CD3DApplication::ReturnToWindow() {
    if (windowed) return gfx::S_OK;
    if (!FindBestWindowedSettings(false, false)) return gfx::E_FAIL;
    windowed = true;
    settings.windowed = true;
    Pause(true);
    CleanupEnvironment();
    HRESULT hr = InitEnvironment();
    if (Failed(hr)) ShowError(hr, ErrorKind::Fatal);
    Pause(false);
    return hr;
}

HRESULT CD3DApplication::SetDeviceCursor() {
    if (!device) return gfx::E_FAIL;
    device->ShowCursor(true);
    return gfx::S_OK;
}

void CD3DApplication::Close() {
    if (closed) return;
    closed = true;
    CleanupEnvironment();
    enumerator.system = nullptr;
    d3d.reset();
    CleanupScene();
}

HRESULT CD3DApplication::AdjustWindowStyle() {
    if (windowHost) windowHost->SetFullScreenFrame(deviceWindow, !windowed);
    return gfx::S_OK;
}

void CD3DApplication::UpdateStatsText() {
    ++statsFrames;
    const float now = timer.ApplicationTime();
    if (now - statsLastTime < 1.0f) return;
    char text[96];
    std::snprintf(text, sizeof text, "%.02f fps (%ux%u)",
                  static_cast<double>(statsFrames / (now - statsLastTime)), backBufferDesc.width,
                  backBufferDesc.height);
    frameStats = text;
    statsLastTime = now;
    statsFrames = 0;
}

HRESULT CD3DApplication::CheckDevice(const gfx::Caps&, uint32_t, gfx::Format) {
    return gfx::S_OK;
}

bool CD3DApplication::FindBestWindowedSettings(bool requireHAL, bool requireREF) {
    return enumerator.FindBestWindowedSettings(requireHAL, requireREF, RectWidth(clientRect),
                                               RectHeight(clientRect), settings);
}

bool CD3DApplication::FindBestFullscreenSettings(bool requireHAL, bool requireREF) {
    return enumerator.FindBestFullscreenSettings(requireHAL, requireREF, settings);
}

void CD3DApplication::RestoreWindow() {
    if (windowHost) windowHost->RestoreWindowRect(deviceWindow, windowRect);
}

void CD3DApplication::SetUpCursor() {
    if (!device) return;
    if (!windowed && showCursorFullscreen) SetDeviceCursor();
    if (clipCursorFullscreen && windowHost) {
        if (!windowed) {
            const gfx::Rect r = HostWindowRect();
            windowHost->ClipCursor(&r);
        } else {
            windowHost->ClipCursor(nullptr);
        }
    }
}

void CD3DApplication::BuildPresentParameters() {
    const DeviceSettingsSet& set = settings.Current();
    gfx::PresentParameters pp;
    pp.windowed = settings.windowed;
    pp.backBufferCount = 1;
    pp.multiSampleType = set.multiSampleType;
    pp.multiSampleQuality = set.multiSampleQuality;
    pp.swapEffect = gfx::SWAPEFFECT_DISCARD;
    pp.enableAutoDepthStencil = enumerator.usesDepthBuffer;
    pp.deviceWindow = deviceWindow;
    if (enumerator.usesDepthBuffer) {
        pp.flags = gfx::PRESENTFLAG_DISCARD_DEPTHSTENCIL;
        pp.autoDepthStencilFormat = set.depthStencilFormat;
    } else {
        pp.flags = 0;
    }
    pp.backBufferFormat = set.BackBufferFormat();
    if (pp.windowed) {
        pp.backBufferWidth = RectWidth(clientRect);
        pp.backBufferHeight = RectHeight(clientRect);
        pp.fullScreenRefreshRate = 0;
    } else {
        pp.backBufferWidth = set.displayMode.width;
        pp.backBufferHeight = set.displayMode.height;
        pp.fullScreenRefreshRate = set.displayMode.refreshRate;
    }
    pp.presentationInterval = set.presentInterval;
    presentParams = pp;
}

HRESULT CD3DApplication::InitEnvironment() {
    if (!d3d) return D3DAPPERR_NODIRECT3D;
    // Runs at most twice: once as chosen, once more on the reference device after the
    // hardware device could not be used.
    for (;;) {
        const DeviceSettingsSet& set = settings.Current();
        if (!set.Valid()) return D3DAPPERR_NOCOMPATIBLEDEVICES;

        windowed = settings.windowed;
        AdjustWindowStyle();
        BuildPresentParameters();

        if (set.device->caps.primitiveMiscCaps & gfx::PMISCCAPS_NULLREFERENCE)
            ShowError(D3DAPPERR_NULLREFDEVICE, ErrorKind::Warning);

        const uint32_t flags = BehaviorFlags(set.vertexProcessingType);
        HRESULT hr = d3d->CreateDevice(set.AdapterOrdinal(), set.DeviceType(), focusWindow, flags,
                                       &presentParams, &device);
        if (Succeeded(hr) && !device) hr = gfx::E_FAIL;
        if (Succeeded(hr)) {
            if (windowed) RestoreWindow();
            device->GetDeviceCaps(&deviceCaps);
            createFlags = flags;
            device->GetBackBufferDesc(&backBufferDesc);
            SetUpCursor();
            hr = CreateDeviceObjects();
            if (Failed(hr)) {
                DestroyDeviceObjects();
            } else {
                // Marked at once, so that a failing reset below still has the per-device
                // objects destroyed before their device goes.
                objectsCreated = true;
                hr = ResetDeviceObjects();
                if (Failed(hr)) {
                    LoseDeviceObjects();
                } else {
                    objectsReset = true;
                    return gfx::S_OK;
                }
            }
            CleanupEnvironment();
        }

        // Missing media stays missing on any device; only a hardware device has a
        // reference device to fall back to.
        if (IsMissingMedia(hr) || set.DeviceType() != gfx::DeviceType::HAL) return hr;
        if (!FindBestWindowedSettings(false, true)) return hr;
        windowed = true;
        settings.windowed = true;
        AdjustWindowStyle();
        RestoreWindow();
        ShowError(hr, ErrorKind::SwitchingToReference);
    }
}

HRESULT CD3DApplication::ResetEnvironment() {
    if (!device) return gfx::D3DERR_INVALIDCALL;
    if (objectsReset) {
        objectsReset = false;
        LoseDeviceObjects();
    }
    HRESULT hr = device->Reset(&presentParams);
    if (Failed(hr)) return hr;
    device->GetBackBufferDesc(&backBufferDesc);
    SetUpCursor();
    hr = ResetDeviceObjects();
    if (Failed(hr)) {
        LoseDeviceObjects();
        return hr;
    }
    objectsReset = true;
    if (!frameMoving) {
        // Draw one frame with the clock standing still.
        singleStep = true;
        timer.Start();
        timer.Stop();
    }
    return gfx::S_OK;
}

void CD3DApplication::CleanupEnvironment() {
    if (!device) return;
    if (objectsReset) {
        objectsReset = false;
        LoseDeviceObjects();
    }
    if (objectsCreated) {
        objectsCreated = false;
        DestroyDeviceObjects();
    }
    const uint32_t leftOver = device->LiveObjectCount();
    device.reset();
    if (leftOver != 0) ShowError(D3DAPPERR_NONZEROREFCOUNT, ErrorKind::Fatal);
}

}  // namespace d3dframework
