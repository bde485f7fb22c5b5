#pragma once
// The application framework around the graphics device: creation from the chosen
// settings, the per-frame step (advance, draw, present), the counted pause, reaction to a
// changed window size, switching between window and full screen, recovery from a lost
// device, clean-up, and the error messages. The application derives from it and supplies
// the scene through the virtual hooks.
//
// The framework makes no window and runs no message loop: the application hands it the
// device and focus windows before Create and calls RenderEnvironment when idle. The
// graphics system comes from a factory, the window system through WindowHost and
// MessageBoxHost, and the clock through Timer(), so the whole life cycle runs in tests.
#include <functional>
#include <memory>
#include <string>

#include "d3dframework/app_timer.h"
#include "d3dframework/device_enumeration.h"
#include "d3dframework/error_codes.h"
#include "d3dframework/platform_hooks.h"
#include "platform/gfx/gfx.h"

namespace d3dframework {

enum class ErrorKind { Fatal, Warning, SwitchingToReference };

// The message ShowError shows for a code, before the text its kind appends.
std::string ErrorMessageText(HRESULT code);

inline constexpr char kFatalSuffix[] = "\n\nThis sample will now exit.";
inline constexpr char kSwitchingToReferenceSuffix[] =
    "\n\nSwitching to the reference rasterizer,\na software device that implements the entire\n"
    "Direct3D feature set, but runs very slowly.";

class CD3DApplication {
  public:
    using SystemFactory = std::function<std::unique_ptr<gfx::System>()>;

    CD3DApplication();
    virtual ~CD3DApplication();
    CD3DApplication(const CD3DApplication&) = delete;
    CD3DApplication& operator=(const CD3DApplication&) = delete;

    // ---- Set-up before Create ----
    void SetSystemFactory(SystemFactory factory) { systemFactory = std::move(factory); }
    void SetWindowHost(WindowHost* host) { windowHost = host; }
    void SetMessageBoxHost(MessageBoxHost* host) { messageBoxHost = host; }
    void SetDeviceWindow(gfx::WindowHandle window) { deviceWindow = window; }
    void SetFocusWindow(gfx::WindowHandle window) { focusWindow = window; }

    // Makes the graphics system, enumerates, chooses the settings, runs InitScene and
    // creates the device; on success ends the initial pause. A failure has been shown
    // (fatal) when this returns.
    virtual HRESULT Create();
    // Counted pause: each Pause(true) needs one Pause(false); an extra Pause(false) is
    // ignored. Frames are drawn and time runs only at count 0.
    virtual void Pause(bool pause);
    // One frame: recover a lost device, advance, draw, present. Call while active.
    HRESULT RenderEnvironment();
    // Frames on demand: while nothing can change the picture the application draws no
    // frames and rests. The frame clock stands still meanwhile, as while paused, so that
    // motion and animations go on from where they stopped instead of leaping by the time
    // spent resting. Rest(false) before the next frame.
    void Rest(bool resting);
    bool IsResting() const { return resting; }
    // The device window's size may have changed: resize the back buffer to it.
    void HandleSizeChange();
    // Toggles between window and full screen.
    HRESULT SwitchScreenMode();
    // From full screen back to a window on a fresh device (after a lost full-screen device).
    HRESULT ReturnToWindow();
    // Shows the message for `code` (see ErrorMessageText) unless a fatal message has been
    // shown already; a fatal one also asks the program to close. Returns `code`.
    HRESULT ShowError(HRESULT code, ErrorKind kind);
    // Makes the window's cursor the device's cursor and shows it. Our windows draw the
    // pointer themselves over the rendered surface, so there is no cursor image to hand to
    // the device: this only shows the device cursor (E_FAIL without a device).
    HRESULT SetDeviceCursor();
    // End of the program: device objects and device, the graphics system, CleanupScene.
    // Idempotent.
    void Close();

    // ---- State ----
    bool IsActive() const { return active; }
    bool IsWindowed() const { return windowed; }
    bool IsDeviceLost() const { return deviceLost; }
    int PauseCount() const { return pauseCount; }
    bool FatalErrorShown() const { return fatalErrorShown; }
    gfx::Device* GetDevice() const { return device.get(); }
    gfx::System* GetSystem() const { return d3d.get(); }
    const DeviceEnumerator& Enumerator() const { return enumerator; }
    DeviceEnumerator& Enumerator() { return enumerator; }
    const DeviceSettings& Settings() const { return settings; }
    const gfx::PresentParameters& PresentParams() const { return presentParams; }
    const gfx::Caps& DeviceCaps() const { return deviceCaps; }
    const gfx::SurfaceDesc& BackBufferDesc() const { return backBufferDesc; }
    uint32_t CreateFlags() const { return createFlags; }
    gfx::WindowHandle DeviceWindow() const { return deviceWindow; }
    gfx::WindowHandle FocusWindow() const { return focusWindow; }
    const gfx::Rect& SavedWindowRect() const { return windowRect; }
    const gfx::Rect& SavedClientRect() const { return clientRect; }
    float Time() const { return time; }
    float ElapsedTime() const { return elapsedTime; }
    const std::string& FrameStats() const { return frameStats; }
    AppTimer& Timer() { return timer; }

    // Options (the application sets them in its constructor).
    std::string windowTitle = "D3D9 Application";
    bool showCursorFullscreen = false;
    bool clipCursorFullscreen = true;
    bool startFullscreen = false;

  protected:
    // ---- Hooks, in the order of the classic framework's virtual table ----
    // Windowed: the normal frame; full screen: a borderless popup (through WindowHost).
    virtual HRESULT AdjustWindowStyle();
    // After every drawn frame: frames per second and back buffer size in FrameStats().
    virtual void UpdateStatsText();
    // Acceptance test for device enumeration; everything by default.
    virtual HRESULT CheckDevice(const gfx::Caps& caps, uint32_t behaviorFlags,
                                gfx::Format backBufferFormat);
    virtual HRESULT InitScene() { return gfx::S_OK; }
    virtual HRESULT CreateDeviceObjects() { return gfx::S_OK; }
    virtual HRESULT ResetDeviceObjects() { return gfx::S_OK; }
    virtual HRESULT AdvanceFrame() { return gfx::S_OK; }
    virtual HRESULT RenderScene() { return gfx::S_OK; }
    virtual HRESULT LoseDeviceObjects() { return gfx::S_OK; }
    virtual HRESULT DestroyDeviceObjects() { return gfx::S_OK; }
    virtual HRESULT CleanupScene() { return gfx::S_OK; }

    // ---- Steps ----
    HRESULT InitEnvironment();
    HRESULT ResetEnvironment();
    void CleanupEnvironment();
    void BuildPresentParameters();
    bool FindBestWindowedSettings(bool requireHAL, bool requireREF);
    bool FindBestFullscreenSettings(bool requireHAL, bool requireREF);

    // ---- Fields ----
    DeviceEnumerator enumerator;
    DeviceSettings settings;
    bool active = false;
    bool deviceLost = false;
    bool ignoreSizeChange = false;
    bool objectsCreated = false;
    bool objectsReset = false;
    bool frameMoving = true;
    bool singleStep = false;
    gfx::PresentParameters presentParams;
    gfx::WindowHandle deviceWindow = nullptr;
    gfx::WindowHandle focusWindow = nullptr;
    std::unique_ptr<gfx::System> d3d;  // declared before the device: released after it
    std::unique_ptr<gfx::Device> device;
    gfx::Caps deviceCaps;
    gfx::SurfaceDesc backBufferDesc;
    uint32_t createFlags = 0;
    gfx::Rect windowRect;  // restored after windowed device creation and after full screen
    gfx::Rect clientRect;
    float time = 0;
    float elapsedTime = 0;
    bool windowed = true;

  private:
    void SetUpCursor();
    void RestoreWindow();
    gfx::Rect HostWindowRect() const;
    gfx::Rect HostClientRect() const;

    SystemFactory systemFactory;
    WindowHost* windowHost = nullptr;
    MessageBoxHost* messageBoxHost = nullptr;
    AppTimer timer;
    int pauseCount = 1;  // starts paused until Create succeeds
    bool resting = false;
    bool fatalErrorShown = false;
    bool closed = false;
    // Frame statistics.
    uint32_t statsFrames = 0;
    float statsLastTime = 0;
    std::string frameStats;
};

}  // namespace d3dframework
