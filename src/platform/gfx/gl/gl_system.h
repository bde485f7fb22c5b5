#pragma once
// The system object over OpenGL: adapters are the screens the shell describes, modes are
// their current modes, formats and capabilities are those of a GL 3.3 context, and
// devices draw through a context host.
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/gfx.h"
#include "platform/gfx/gl/gl_context_host.h"

namespace gfx::gl {

// One screen as the window system reports it.
struct ScreenInfo {
    std::string name = "Screen";
    uint32_t width = 1024, height = 768, refreshRate = 60;
    uint32_t bitsPerPixel = 32;  // 16 reads as R5G6B5, anything else as X8R8G8B8
};

class GlSystem final : public System {
  public:
    // host must outlive the system and every device it creates. An empty screen list
    // stands for one 1024x768 screen (headless use).
    GlSystem(GlContextHost* host, std::vector<ScreenInfo> screens);

    uint32_t GetAdapterCount() const override;
    HRESULT GetAdapterIdentifier(uint32_t adapter, AdapterIdentifier* id) const override;
    uint32_t GetAdapterModeCount(uint32_t adapter, Format format) const override;
    HRESULT EnumAdapterModes(uint32_t adapter, Format format, uint32_t mode,
                             DisplayMode* out) const override;
    HRESULT GetAdapterDisplayMode(uint32_t adapter, DisplayMode* out) const override;
    HRESULT GetDeviceCaps(uint32_t adapter, DeviceType type, Caps* caps) const override;
    HRESULT CheckDeviceType(uint32_t adapter, DeviceType type, Format adapterFormat,
                            Format backBufferFormat, bool windowed) const override;
    HRESULT CheckDeviceFormat(uint32_t adapter, DeviceType type, Format adapterFormat,
                              uint32_t usage, ResourceType resourceType,
                              Format checkFormat) const override;
    HRESULT CheckDepthStencilMatch(uint32_t adapter, DeviceType type, Format adapterFormat,
                                   Format renderTargetFormat,
                                   Format depthStencilFormat) const override;
    HRESULT CheckDeviceMultiSampleType(uint32_t adapter, DeviceType type, Format surfaceFormat,
                                       bool windowed, uint32_t multiSampleType,
                                       uint32_t* qualityLevels) const override;
    HRESULT CreateDevice(uint32_t adapter, DeviceType type, WindowHandle focusWindow,
                         uint32_t behaviorFlags, PresentParameters* params,
                         std::unique_ptr<Device>* device) override;

  private:
    bool Valid(uint32_t adapter, DeviceType type) const;
    DisplayMode ModeOf(uint32_t adapter) const;

    GlContextHost* host_;
    std::vector<ScreenInfo> screens_;
};

// Overlays (sprites and text) of a device made by GlSystem are laid out in logical pixels
// and drawn at this many device pixels per logical pixel: the shell passes the screen's
// device-pixel ratio. Returns false for a device that is not an OpenGL device.
bool SetOverlayScale(Device* device, float scale);

}  // namespace gfx::gl
