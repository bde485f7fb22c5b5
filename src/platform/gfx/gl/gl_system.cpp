#include "platform/gfx/gl/gl_system.h"

#include <epoxy/gl.h>

#include "platform/gfx/gl/gl_device.h"

namespace gfx::gl {
namespace {

// Blend factor capability bits besides the three gfx.h names.
constexpr uint32_t kBlendZero = 0x1, kBlendOne = 0x2, kBlendSrcColor = 0x4, kBlendInvSrcColor = 0x8,
                   kBlendDestAlpha = 0x40, kBlendInvDestAlpha = 0x80, kBlendDestColor = 0x100,
                   kBlendInvDestColor = 0x200;
constexpr uint32_t kTexOpDisable = 0x1, kTexOpSelectArg1 = 0x2, kTexOpSelectArg2 = 0x4;
constexpr uint32_t kFilterMinPoint = 0x100, kFilterMipPoint = 0x10000, kFilterMipLinear = 0x20000,
                   kFilterMagPoint = 0x1000000;

bool IsBackBufferFormat(Format f) {
    return f == Format::A8R8G8B8 || f == Format::X8R8G8B8;
}
bool IsDepthFormat(Format f) {
    return f == Format::D24S8 || f == Format::D24X8 || f == Format::D16;
}

Caps CapsFor(uint32_t adapter) {
    Caps c;
    c.deviceType = DeviceType::HAL;
    c.adapterOrdinal = adapter;
    c.devCaps = DEVCAPS_HWTRANSFORMANDLIGHT;
    c.primitiveMiscCaps = 0;
    c.presentationIntervals = PRESENT_INTERVAL_IMMEDIATE | PRESENT_INTERVAL_ONE;
    c.textureFilterCaps = PTFILTERCAPS_MINFLINEAR | PTFILTERCAPS_MAGFLINEAR | kFilterMinPoint |
                          kFilterMagPoint | kFilterMipPoint | kFilterMipLinear;
    const uint32_t blends = kBlendZero | kBlendOne | kBlendSrcColor | kBlendInvSrcColor |
                            PBLENDCAPS_SRCALPHA | PBLENDCAPS_INVSRCALPHA | kBlendDestAlpha |
                            kBlendInvDestAlpha | kBlendDestColor | kBlendInvDestColor |
                            PBLENDCAPS_BLENDFACTOR;
    c.srcBlendCaps = blends;
    c.destBlendCaps = blends;
    c.textureOpCaps = kTexOpDisable | kTexOpSelectArg1 | kTexOpSelectArg2 | TEXOPCAPS_MODULATE |
                      TEXOPCAPS_ADD | TEXOPCAPS_DOTPRODUCT3;
    c.maxTextureBlendStages = kMaxStages;
    return c;
}

}  // namespace

GlSystem::GlSystem(GlContextHost* host, std::vector<ScreenInfo> screens)
    : host_(host), screens_(std::move(screens)) {
    if (screens_.empty()) screens_.push_back(ScreenInfo{});
}

uint32_t GlSystem::GetAdapterCount() const {
    return static_cast<uint32_t>(screens_.size());
}

bool GlSystem::Valid(uint32_t adapter, DeviceType type) const {
    return adapter < screens_.size() && type == DeviceType::HAL;
}

DisplayMode GlSystem::ModeOf(uint32_t adapter) const {
    const ScreenInfo& s = screens_[adapter];
    return {s.width, s.height, s.refreshRate,
            s.bitsPerPixel == 16 ? Format::R5G6B5 : Format::X8R8G8B8};
}

HRESULT GlSystem::GetAdapterIdentifier(uint32_t adapter, AdapterIdentifier* id) const {
    if (!id || adapter >= screens_.size()) return D3DERR_INVALIDCALL;
    *id = {};
    id->deviceName = screens_[adapter].name;
    id->description = "OpenGL";
    if (host_ && host_->MakeCurrent()) {
        auto text = [](GLenum name) {
            const auto* s = reinterpret_cast<const char*>(glGetString(name));
            return std::string(s ? s : "");
        };
        id->description = text(GL_RENDERER);
        id->driver = "OpenGL " + text(GL_VERSION) + " (" + text(GL_VENDOR) + ")";
    }
    return S_OK;
}

uint32_t GlSystem::GetAdapterModeCount(uint32_t adapter, Format format) const {
    if (adapter >= screens_.size()) return 0;
    // Full screen is a window covering the screen, so the current mode is the only one.
    return ModeOf(adapter).format == format ? 1 : 0;
}

HRESULT GlSystem::EnumAdapterModes(uint32_t adapter, Format format, uint32_t mode,
                                   DisplayMode* out) const {
    if (!out || mode >= GetAdapterModeCount(adapter, format)) return D3DERR_INVALIDCALL;
    *out = ModeOf(adapter);
    return S_OK;
}

HRESULT GlSystem::GetAdapterDisplayMode(uint32_t adapter, DisplayMode* out) const {
    if (!out || adapter >= screens_.size()) return D3DERR_INVALIDCALL;
    *out = ModeOf(adapter);
    return S_OK;
}

HRESULT GlSystem::GetDeviceCaps(uint32_t adapter, DeviceType type, Caps* caps) const {
    if (!caps || adapter >= screens_.size()) return D3DERR_INVALIDCALL;
    if (type != DeviceType::HAL) return D3DERR_NOTAVAILABLE;
    *caps = CapsFor(adapter);
    return S_OK;
}

HRESULT GlSystem::CheckDeviceType(uint32_t adapter, DeviceType type, Format adapterFormat,
                                  Format backBufferFormat, bool /*windowed*/) const {
    if (!Valid(adapter, type)) return D3DERR_NOTAVAILABLE;
    if (adapterFormat != ModeOf(adapter).format || !IsBackBufferFormat(backBufferFormat))
        return D3DERR_NOTAVAILABLE;
    return S_OK;
}

HRESULT GlSystem::CheckDeviceFormat(uint32_t adapter, DeviceType type, Format adapterFormat,
                                    uint32_t usage, ResourceType resourceType,
                                    Format checkFormat) const {
    if (!Valid(adapter, type) || adapterFormat != ModeOf(adapter).format)
        return D3DERR_NOTAVAILABLE;
    if (usage & USAGE_DEPTHSTENCIL)
        return resourceType == ResourceType::Surface && IsDepthFormat(checkFormat)
                   ? S_OK
                   : D3DERR_NOTAVAILABLE;
    return IsBackBufferFormat(checkFormat) ? S_OK : D3DERR_NOTAVAILABLE;
}

HRESULT GlSystem::CheckDepthStencilMatch(uint32_t adapter, DeviceType type, Format adapterFormat,
                                         Format renderTargetFormat,
                                         Format depthStencilFormat) const {
    if (!Valid(adapter, type) || adapterFormat != ModeOf(adapter).format)
        return D3DERR_NOTAVAILABLE;
    return IsBackBufferFormat(renderTargetFormat) && IsDepthFormat(depthStencilFormat)
               ? S_OK
               : D3DERR_NOTAVAILABLE;
}

HRESULT GlSystem::CheckDeviceMultiSampleType(uint32_t adapter, DeviceType type,
                                             Format surfaceFormat, bool /*windowed*/,
                                             uint32_t multiSampleType,
                                             uint32_t* qualityLevels) const {
    if (!Valid(adapter, type)) return D3DERR_NOTAVAILABLE;
    if (multiSampleType != 0 ||
        !(IsBackBufferFormat(surfaceFormat) || IsDepthFormat(surfaceFormat)))
        return D3DERR_NOTAVAILABLE;
    if (qualityLevels) *qualityLevels = 1;
    return S_OK;
}

HRESULT GlSystem::CreateDevice(uint32_t adapter, DeviceType type, WindowHandle /*focusWindow*/,
                               uint32_t /*behaviorFlags*/, PresentParameters* params,
                               std::unique_ptr<Device>* device) {
    if (!device || !params) return D3DERR_INVALIDCALL;
    device->reset();
    if (!Valid(adapter, type)) return D3DERR_NOTAVAILABLE;
    return GlDevice::Create(host_, CapsFor(adapter), params, device);
}

bool SetOverlayScale(Device* device, float scale) {
    auto* d = dynamic_cast<GlDevice*>(device);
    if (!d) return false;
    d->SetOverlayScale(scale);
    return true;
}

}  // namespace gfx::gl
