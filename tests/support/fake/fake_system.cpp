#include "support/fake/fake_system.h"

#include "support/fake/names.h"

namespace gfx::fake {

bool BackBufferMatchesAdapter(Format adapterFormat, Format backBufferFormat) {
    if (adapterFormat == backBufferFormat) return true;
    switch (adapterFormat) {
        case Format::X8R8G8B8:
            return backBufferFormat == Format::A8R8G8B8;
        case Format::X1R5G5B5:
            return backBufferFormat == Format::A1R5G5B5;
        default:
            return false;
    }
}

FakeSystem::FakeSystem() {
    adapters.push_back(StandardAdapter());
    checkDeviceType = [](uint32_t, DeviceType, Format adapterFormat, Format backBufferFormat,
                         bool) {
        return BackBufferMatchesAdapter(adapterFormat, backBufferFormat) ? S_OK
                                                                         : D3DERR_NOTAVAILABLE;
    };
    checkDeviceFormat = [](uint32_t, DeviceType, Format, uint32_t, ResourceType, Format) {
        return S_OK;
    };
    checkDepthStencilMatch = [](uint32_t, DeviceType, Format, Format, Format) { return S_OK; };
    checkMultiSampleType = [](uint32_t, DeviceType, Format, bool, uint32_t type,
                              uint32_t* quality) {
        if (type != 0) return D3DERR_NOTAVAILABLE;
        if (quality) *quality = 1;
        return S_OK;
    };
}

FakeSystem::~FakeSystem() = default;

std::vector<DisplayMode> FakeSystem::Modes(const std::vector<std::pair<uint32_t, uint32_t>>& sizes,
                                           const std::vector<Format>& formats,
                                           const std::vector<uint32_t>& refreshRates) {
    std::vector<DisplayMode> out;
    for (Format f : formats)
        for (auto [w, h] : sizes)
            for (uint32_t r : refreshRates) out.push_back({w, h, r, f});
    return out;
}

FakeAdapter FakeSystem::StandardAdapter() {
    FakeAdapter a;
    a.identifier = {"fake.so", "Fake Graphics Adapter", "fake0", 0x1234, 0x5678};
    a.desktop = {1024, 768, 60, Format::X8R8G8B8};
    a.modes = Modes({{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}},
                    {Format::X8R8G8B8, Format::R5G6B5}, {60, 85});
    a.caps[DeviceType::HAL] = FullCaps(DeviceType::HAL, 0);
    return a;
}

HRESULT FakeSystem::GetAdapterIdentifier(uint32_t adapter, AdapterIdentifier* id) const {
    if (adapter >= adapters.size() || !id) return D3DERR_INVALIDCALL;
    *id = adapters[adapter].identifier;
    return S_OK;
}

uint32_t FakeSystem::GetAdapterModeCount(uint32_t adapter, Format format) const {
    if (adapter >= adapters.size()) return 0;
    uint32_t n = 0;
    for (const DisplayMode& m : adapters[adapter].modes)
        if (m.format == format) ++n;
    return n;
}

HRESULT FakeSystem::EnumAdapterModes(uint32_t adapter, Format format, uint32_t mode,
                                     DisplayMode* out) const {
    if (adapter >= adapters.size() || !out) return D3DERR_INVALIDCALL;
    uint32_t n = 0;
    for (const DisplayMode& m : adapters[adapter].modes) {
        if (m.format != format) continue;
        if (n++ == mode) {
            *out = m;
            return S_OK;
        }
    }
    return D3DERR_INVALIDCALL;
}

HRESULT FakeSystem::GetAdapterDisplayMode(uint32_t adapter, DisplayMode* out) const {
    if (adapter >= adapters.size() || !out) return D3DERR_INVALIDCALL;
    *out = adapters[adapter].desktop;
    return S_OK;
}

HRESULT FakeSystem::GetDeviceCaps(uint32_t adapter, DeviceType type, Caps* caps) const {
    if (adapter >= adapters.size() || !caps) return D3DERR_INVALIDCALL;
    auto it = adapters[adapter].caps.find(type);
    if (it == adapters[adapter].caps.end()) return D3DERR_NOTAVAILABLE;
    *caps = it->second;
    caps->deviceType = type;
    caps->adapterOrdinal = adapter;
    return S_OK;
}

HRESULT FakeSystem::CheckDeviceType(uint32_t adapter, DeviceType type, Format adapterFormat,
                                    Format backBufferFormat, bool windowed) const {
    if (adapter >= adapters.size()) return D3DERR_INVALIDCALL;
    return checkDeviceType(adapter, type, adapterFormat, backBufferFormat, windowed);
}

HRESULT FakeSystem::CheckDeviceFormat(uint32_t adapter, DeviceType type, Format adapterFormat,
                                      uint32_t usage, ResourceType resourceType,
                                      Format checkFormat) const {
    if (adapter >= adapters.size()) return D3DERR_INVALIDCALL;
    return checkDeviceFormat(adapter, type, adapterFormat, usage, resourceType, checkFormat);
}

HRESULT FakeSystem::CheckDepthStencilMatch(uint32_t adapter, DeviceType type, Format adapterFormat,
                                           Format renderTargetFormat,
                                           Format depthStencilFormat) const {
    if (adapter >= adapters.size()) return D3DERR_INVALIDCALL;
    return checkDepthStencilMatch(adapter, type, adapterFormat, renderTargetFormat,
                                  depthStencilFormat);
}

HRESULT FakeSystem::CheckDeviceMultiSampleType(uint32_t adapter, DeviceType type,
                                               Format surfaceFormat, bool windowed,
                                               uint32_t multiSampleType,
                                               uint32_t* qualityLevels) const {
    if (adapter >= adapters.size()) return D3DERR_INVALIDCALL;
    return checkMultiSampleType(adapter, type, surfaceFormat, windowed, multiSampleType,
                                qualityLevels);
}

HRESULT FakeSystem::CreateDevice(uint32_t adapter, DeviceType type, WindowHandle,
                                 uint32_t behaviorFlags, PresentParameters* params,
                                 std::unique_ptr<gfx::Device>* device) {
    HRESULT hr = S_OK;
    Caps caps;
    if (!params || !device || adapter >= adapters.size())
        hr = D3DERR_INVALIDCALL;
    else if (auto it = createFailures_.find(type); it != createFailures_.end())
        hr = it->second;
    else
        hr = GetDeviceCaps(adapter, type, &caps);

    std::vector<std::string> args{std::to_string(adapter), DeviceTypeName(type),
                                  Hex(behaviorFlags)};
    if (params) {
        auto p = PresentArgs(*params);
        args.insert(args.end(), p.begin(), p.end());
    }
    log_->Add({"CreateDevice", std::move(args), hr, nullptr});
    if (Failed(hr)) return hr;

    auto made = std::make_unique<FakeDevice>(caps, *params, log_);
    made->slot_ = current_;
    *current_ = made.get();
    ++createdDevices_;
    if (onCreateDevice) onCreateDevice(*made);
    *device = std::move(made);
    return S_OK;
}

}  // namespace gfx::fake
