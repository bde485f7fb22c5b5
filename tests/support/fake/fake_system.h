#pragma once
// A configurable gfx::System for tests of device enumeration, selection and creation.
// A new one offers one StandardAdapter(), enough for a windowed and a full-screen device;
// replace or extend `adapters` for anything else.
//
// Adapters, their desktop mode, display modes (of any formats) and the caps of each device
// type they offer are plain data; each Check* query is answered by a replaceable function
// (defaults: a back buffer format matches its adapter format, with or without alpha; every
// depth-stencil format is supported and matches; only multisample type 0 with one quality
// level). CreateDevice records "CreateDevice(adapter, type, flags, <present args>)" in the
// shared log, can be told to fail for a device type, and makes a FakeDevice that records
// into the same log; Device() gives the live device most recently made.
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "support/fake/fake_device.h"

namespace gfx::fake {

struct FakeAdapter {
    AdapterIdentifier identifier;
    DisplayMode desktop{1024, 768, 60, Format::X8R8G8B8};
    std::vector<DisplayMode> modes;
    std::map<DeviceType, Caps> caps;  // the device types this adapter offers
};

class FakeSystem final : public System {
  public:
    using CheckDeviceTypeFn =
        std::function<HRESULT(uint32_t adapter, DeviceType type, Format adapterFormat,
                              Format backBufferFormat, bool windowed)>;
    using CheckDeviceFormatFn =
        std::function<HRESULT(uint32_t adapter, DeviceType type, Format adapterFormat,
                              uint32_t usage, ResourceType resourceType, Format checkFormat)>;
    using CheckDepthStencilMatchFn =
        std::function<HRESULT(uint32_t adapter, DeviceType type, Format adapterFormat,
                              Format renderTargetFormat, Format depthStencilFormat)>;
    using CheckMultiSampleTypeFn =
        std::function<HRESULT(uint32_t adapter, DeviceType type, Format surfaceFormat,
                              bool windowed, uint32_t multiSampleType, uint32_t* qualityLevels)>;

    FakeSystem();
    ~FakeSystem() override;

    // One adapter with a 1024x768 X8R8G8B8 desktop at 60 Hz, the usual modes from
    // 640x480 up to 1280x1024 in X8R8G8B8 and R5G6B5 at 60 and 85 Hz, and a HAL device
    // with FullCaps (hardware T&L).
    static FakeAdapter StandardAdapter();
    // The adapter's modes: every size in `sizes` for every format and refresh rate.
    static std::vector<DisplayMode> Modes(const std::vector<std::pair<uint32_t, uint32_t>>& sizes,
                                          const std::vector<Format>& formats,
                                          const std::vector<uint32_t>& refreshRates);

    // ---- Configuration (public data, change freely before use) ----
    std::vector<FakeAdapter> adapters;
    CheckDeviceTypeFn checkDeviceType;
    CheckDeviceFormatFn checkDeviceFormat;
    CheckDepthStencilMatchFn checkDepthStencilMatch;
    CheckMultiSampleTypeFn checkMultiSampleType;
    // Called with each device this system makes, before CreateDevice returns (to inject
    // failures into a device that the code under test creates itself).
    std::function<void(FakeDevice&)> onCreateDevice;

    // Every CreateDevice for this device type fails with `code` until AllowCreateDevice.
    void FailCreateDevice(DeviceType type, HRESULT code = D3DERR_NOTAVAILABLE) {
        createFailures_[type] = code;
    }
    void AllowCreateDevice(DeviceType type) { createFailures_.erase(type); }

    // ---- Observation ----
    CallLog& Log() { return *log_; }
    const std::shared_ptr<CallLog>& SharedLog() const { return log_; }
    // The live device made last, or null once it has been destroyed.
    FakeDevice* Device() const { return *current_; }
    uint32_t CreatedDeviceCount() const { return createdDevices_; }

    // ---- gfx::System ----
    uint32_t GetAdapterCount() const override { return static_cast<uint32_t>(adapters.size()); }
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
                         std::unique_ptr<gfx::Device>* device) override;

  private:
    std::shared_ptr<CallLog> log_ = std::make_shared<CallLog>();
    // Shared with the devices, which clear it when they go, so Device() never dangles
    // whichever of system and device is destroyed first.
    std::shared_ptr<FakeDevice*> current_ = std::make_shared<FakeDevice*>(nullptr);
    std::map<DeviceType, HRESULT> createFailures_;
    uint32_t createdDevices_ = 0;
};

// True when the back buffer format is the adapter format or that format with alpha.
bool BackBufferMatchesAdapter(Format adapterFormat, Format backBufferFormat);

}  // namespace gfx::fake
