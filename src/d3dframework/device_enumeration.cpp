#include "d3dframework/device_enumeration.h"

#include <algorithm>
#include <new>
#include <tuple>

namespace d3dframework {

using gfx::DeviceType;
using gfx::Format;

uint32_t BehaviorFlags(VertexProcessingType type) {
    switch (type) {
        case VertexProcessingType::Software:
            return gfx::CREATE_SOFTWARE_VERTEXPROCESSING;
        case VertexProcessingType::Mixed:
            return gfx::CREATE_MIXED_VERTEXPROCESSING;
        case VertexProcessingType::Hardware:
            return gfx::CREATE_HARDWARE_VERTEXPROCESSING;
        case VertexProcessingType::PureHardware:
            return gfx::CREATE_HARDWARE_VERTEXPROCESSING | gfx::CREATE_PUREDEVICE;
    }
    return gfx::CREATE_SOFTWARE_VERTEXPROCESSING;
}

uint32_t ColorChannelBits(Format f) {
    switch (f) {
        case Format::R8G8B8:
        case Format::A8R8G8B8:
        case Format::X8R8G8B8:
            return 8;
        case Format::R5G6B5:
        case Format::X1R5G5B5:
        case Format::A1R5G5B5:
            return 5;
        case Format::A4R4G4B4:
        case Format::X4R4G4B4:
            return 4;
        case Format::R3G3B2:
        case Format::A8R3G3B2:
            return 2;
        case Format::A2B10G10R10:
        case Format::A2R10G10B10:
            return 10;
        default:
            return 0;
    }
}

uint32_t AlphaChannelBits(Format f) {
    switch (f) {
        case Format::A8R8G8B8:
        case Format::A8R3G3B2:
            return 8;
        case Format::A1R5G5B5:
            return 1;
        case Format::A4R4G4B4:
            return 4;
        case Format::A2B10G10R10:
        case Format::A2R10G10B10:
            return 2;
        default:
            return 0;
    }
}

uint32_t DepthBits(Format f) {
    switch (f) {
        case Format::D32:
            return 32;
        case Format::D15S1:
            return 15;
        case Format::D24S8:
        case Format::D24X8:
        case Format::D24X4S4:
            return 24;
        case Format::D16:
            return 16;
        default:
            return 0;
    }
}

uint32_t StencilBits(Format f) {
    switch (f) {
        case Format::D15S1:
            return 1;
        case Format::D24S8:
            return 8;
        case Format::D24X4S4:
            return 4;
        default:
            return 0;
    }
}

namespace {

constexpr DeviceType kDeviceTypes[] = {DeviceType::HAL, DeviceType::SW, DeviceType::REF};
constexpr Format kBackBufferFormats[] = {Format::A8R8G8B8, Format::X8R8G8B8, Format::A2R10G10B10,
                                         Format::R5G6B5,   Format::A1R5G5B5, Format::X1R5G5B5};
constexpr Format kDepthStencilFormats[] = {Format::D16,   Format::D15S1,   Format::D24X8,
                                           Format::D24S8, Format::D24X4S4, Format::D32};
constexpr uint32_t kMaxMultiSampleType = 16;
constexpr uint32_t kPresentIntervals[] = {
    gfx::PRESENT_INTERVAL_IMMEDIATE, gfx::PRESENT_INTERVAL_DEFAULT, gfx::PRESENT_INTERVAL_ONE,
    gfx::PRESENT_INTERVAL_TWO,       gfx::PRESENT_INTERVAL_THREE,   gfx::PRESENT_INTERVAL_FOUR};

bool Contains(const std::vector<Format>& list, Format f) {
    return std::find(list.begin(), list.end(), f) != list.end();
}

// The first entries of a combination's option lists, as the defaults of a settings set.
void FillFromCombo(const AdapterEntry& adapter, const DeviceEntry& device, const FormatCombo& combo,
                   bool usesDepthBuffer, DeviceSettingsSet& set) {
    set.adapter = &adapter;
    set.device = &device;
    set.combo = &combo;
    set.depthStencilFormat = usesDepthBuffer && !combo.depthStencilFormats.empty()
                                 ? combo.depthStencilFormats.front()
                                 : Format::Unknown;
    set.multiSampleType = combo.multiSampleTypes.empty() ? 0 : combo.multiSampleTypes.front();
    set.multiSampleQuality = 0;
    set.vertexProcessingType = combo.vertexProcessingTypes.empty()
                                   ? VertexProcessingType::Software
                                   : combo.vertexProcessingTypes.front();
    set.presentInterval = combo.presentIntervals.empty() ? gfx::PRESENT_INTERVAL_DEFAULT
                                                         : combo.presentIntervals.front();
}

bool SkipDevice(const DeviceEntry& device, bool requireHAL, bool requireREF) {
    return (requireHAL && device.deviceType != DeviceType::HAL) ||
           (requireREF && device.deviceType != DeviceType::REF);
}

}  // namespace

HRESULT DeviceEnumerator::Enumerate() {
    if (!system) return gfx::E_FAIL;
    try {
        adapters.clear();
        const uint32_t adapterCount = system->GetAdapterCount();
        for (uint32_t ordinal = 0; ordinal < adapterCount; ++ordinal) {
            AdapterEntry adapter;
            adapter.adapterOrdinal = ordinal;
            if (gfx::Failed(system->GetAdapterIdentifier(ordinal, &adapter.identifier))) continue;

            // The size limit is for full-screen modes only: a window renders on a screen
            // of any size, so a format whose modes are all small still gets windowed
            // combinations.
            AdapterFormats formats;
            for (Format format : allowedAdapterFormats) {
                const uint32_t modeCount = system->GetAdapterModeCount(ordinal, format);
                for (uint32_t m = 0; m < modeCount; ++m) {
                    gfx::DisplayMode mode;
                    if (gfx::Failed(system->EnumAdapterModes(ordinal, format, m, &mode))) continue;
                    // A system that answers with a mode of another format than asked must
                    // not smuggle a disallowed adapter format in.
                    if (!Contains(allowedAdapterFormats, mode.format)) continue;
                    if (ColorChannelBits(mode.format) < minColorChannelBits) continue;
                    if (!Contains(formats.all, mode.format)) formats.all.push_back(mode.format);
                    if (mode.width < minFullscreenWidth || mode.height < minFullscreenHeight)
                        continue;
                    adapter.displayModes.push_back(mode);
                    if (!Contains(formats.fullscreen, mode.format))
                        formats.fullscreen.push_back(mode.format);
                }
            }
            std::stable_sort(adapter.displayModes.begin(), adapter.displayModes.end(),
                             [](const gfx::DisplayMode& a, const gfx::DisplayMode& b) {
                                 return std::tuple(a.width, a.height,
                                                   static_cast<uint32_t>(a.format), a.refreshRate) <
                                        std::tuple(b.width, b.height,
                                                   static_cast<uint32_t>(b.format), b.refreshRate);
                             });
            EnumerateDevices(adapter, formats);
            if (!adapter.devices.empty()) adapters.push_back(std::move(adapter));
        }
    } catch (const std::bad_alloc&) {
        adapters.clear();
        return gfx::E_OUTOFMEMORY;
    }
    return gfx::S_OK;
}

void DeviceEnumerator::EnumerateDevices(AdapterEntry& adapter, const AdapterFormats& formats) {
    for (DeviceType type : kDeviceTypes) {
        DeviceEntry device;
        device.adapterOrdinal = adapter.adapterOrdinal;
        device.deviceType = type;
        if (gfx::Failed(system->GetDeviceCaps(adapter.adapterOrdinal, type, &device.caps)))
            continue;
        EnumerateFormatCombos(device, formats);
        if (!device.formatCombos.empty()) adapter.devices.push_back(std::move(device));
    }
}

void DeviceEnumerator::EnumerateFormatCombos(DeviceEntry& device, const AdapterFormats& formats) {
    for (Format adapterFormat : formats.all) {
        const bool hasFullscreenModes = Contains(formats.fullscreen, adapterFormat);
        for (Format backBufferFormat : kBackBufferFormats) {
            if (AlphaChannelBits(backBufferFormat) < minAlphaChannelBits) continue;
            for (bool windowed : {false, true}) {
                if (!windowed && (requiresWindowed || !hasFullscreenModes)) continue;
                if (windowed && requiresFullscreen) continue;
                if (gfx::Failed(system->CheckDeviceType(device.adapterOrdinal, device.deviceType,
                                                        adapterFormat, backBufferFormat, windowed)))
                    continue;
                FormatCombo combo;
                combo.adapterOrdinal = device.adapterOrdinal;
                combo.deviceType = device.deviceType;
                combo.adapterFormat = adapterFormat;
                combo.backBufferFormat = backBufferFormat;
                combo.windowed = windowed;
                if (usesDepthBuffer) {
                    BuildDepthStencilFormats(combo);
                    if (combo.depthStencilFormats.empty()) continue;
                }
                BuildMultiSampleTypes(combo);
                if (combo.multiSampleTypes.empty()) continue;
                BuildConflicts(combo);
                BuildVertexProcessingTypes(device, combo);
                if (combo.vertexProcessingTypes.empty()) continue;
                BuildPresentIntervals(device, combo);
                device.formatCombos.push_back(std::move(combo));
            }
        }
    }
}

void DeviceEnumerator::BuildDepthStencilFormats(FormatCombo& combo) const {
    for (Format candidate : kDepthStencilFormats) {
        if (DepthBits(candidate) < minDepthBits || StencilBits(candidate) < minStencilBits)
            continue;
        if (gfx::Failed(system->CheckDeviceFormat(combo.adapterOrdinal, combo.deviceType,
                                                  combo.adapterFormat, gfx::USAGE_DEPTHSTENCIL,
                                                  gfx::ResourceType::Surface, candidate)))
            continue;
        if (gfx::Failed(system->CheckDepthStencilMatch(combo.adapterOrdinal, combo.deviceType,
                                                       combo.adapterFormat, combo.backBufferFormat,
                                                       candidate)))
            continue;
        combo.depthStencilFormats.push_back(candidate);
    }
}

void DeviceEnumerator::BuildMultiSampleTypes(FormatCombo& combo) const {
    for (uint32_t type = 0; type <= kMaxMultiSampleType; ++type) {
        uint32_t quality = 0;
        if (gfx::Failed(system->CheckDeviceMultiSampleType(combo.adapterOrdinal, combo.deviceType,
                                                           combo.backBufferFormat, combo.windowed,
                                                           type, &quality)))
            continue;
        combo.multiSampleTypes.push_back(type);
        combo.multiSampleQualities.push_back(quality);
    }
}

void DeviceEnumerator::BuildConflicts(FormatCombo& combo) const {
    for (Format depthStencil : combo.depthStencilFormats)
        for (uint32_t type : combo.multiSampleTypes)
            if (gfx::Failed(system->CheckDeviceMultiSampleType(combo.adapterOrdinal,
                                                               combo.deviceType, depthStencil,
                                                               combo.windowed, type, nullptr)))
                combo.conflicts.push_back({depthStencil, type});
}

bool DeviceEnumerator::Accepts(const gfx::Caps& caps, VertexProcessingType type,
                               Format backBuffer) const {
    return !confirmDevice || confirmDevice(caps, BehaviorFlags(type), backBuffer);
}

void DeviceEnumerator::BuildVertexProcessingTypes(const DeviceEntry& device,
                                                  FormatCombo& combo) const {
    const gfx::Caps& caps = device.caps;
    const Format bb = combo.backBufferFormat;
    if (caps.devCaps & gfx::DEVCAPS_HWTRANSFORMANDLIGHT) {
        if ((caps.devCaps & gfx::DEVCAPS_PUREDEVICE) &&
            Accepts(caps, VertexProcessingType::PureHardware, bb))
            combo.vertexProcessingTypes.push_back(VertexProcessingType::PureHardware);
        if (Accepts(caps, VertexProcessingType::Hardware, bb))
            combo.vertexProcessingTypes.push_back(VertexProcessingType::Hardware);
        if (usesMixedVertexProcessing && Accepts(caps, VertexProcessingType::Mixed, bb))
            combo.vertexProcessingTypes.push_back(VertexProcessingType::Mixed);
    }
    if (Accepts(caps, VertexProcessingType::Software, bb))
        combo.vertexProcessingTypes.push_back(VertexProcessingType::Software);
}

void DeviceEnumerator::BuildPresentIntervals(const DeviceEntry& device, FormatCombo& combo) const {
    for (uint32_t interval : kPresentIntervals) {
        if (combo.windowed &&
            (interval == gfx::PRESENT_INTERVAL_TWO || interval == gfx::PRESENT_INTERVAL_THREE ||
             interval == gfx::PRESENT_INTERVAL_FOUR))
            continue;
        if (interval == gfx::PRESENT_INTERVAL_DEFAULT ||
            (device.caps.presentationIntervals & interval))
            combo.presentIntervals.push_back(interval);
    }
}

namespace {

struct Choice {
    const AdapterEntry* adapter = nullptr;
    const DeviceEntry* device = nullptr;
    const FormatCombo* combo = nullptr;
    gfx::DisplayMode desktop;  // of the chosen adapter (full screen)
};

// The windowed combination on the desktop's format, HAL first, equal adapter and back
// buffer formats best; the first such HAL combination ends the search.
Choice SearchWindowed(const std::vector<AdapterEntry>& adapters, const gfx::DisplayMode& desktop,
                      bool requireHAL, bool requireREF) {
    Choice best;
    for (const AdapterEntry& adapter : adapters) {
        for (const DeviceEntry& device : adapter.devices) {
            if (SkipDevice(device, requireHAL, requireREF)) continue;
            for (const FormatCombo& combo : device.formatCombos) {
                if (!combo.windowed || combo.adapterFormat != desktop.format) continue;
                const bool hal = device.deviceType == DeviceType::HAL;
                const bool sameFormats = combo.adapterFormat == combo.backBufferFormat;
                if (!best.combo || (best.device->deviceType != DeviceType::HAL && hal) ||
                    (hal && sameFormats)) {
                    best = {&adapter, &device, &combo, desktop};
                    if (hal && sameFormats) return best;
                }
            }
        }
    }
    return best;
}

// The full-screen combination: HAL first, then one on its adapter's desktop format; a HAL
// combination on the desktop format with an equal back buffer format ends the search.
Choice SearchFullscreen(const gfx::System& system, const std::vector<AdapterEntry>& adapters,
                        bool requireHAL, bool requireREF) {
    Choice best;
    for (const AdapterEntry& adapter : adapters) {
        gfx::DisplayMode desktop;
        if (gfx::Failed(system.GetAdapterDisplayMode(adapter.adapterOrdinal, &desktop))) continue;
        for (const DeviceEntry& device : adapter.devices) {
            if (SkipDevice(device, requireHAL, requireREF)) continue;
            for (const FormatCombo& combo : device.formatCombos) {
                if (combo.windowed) continue;
                const bool hal = device.deviceType == DeviceType::HAL;
                const bool desktopFormat = combo.adapterFormat == desktop.format;
                const bool ideal =
                    hal && desktopFormat && combo.adapterFormat == combo.backBufferFormat;
                if (!best.combo || (best.device->deviceType != DeviceType::HAL && hal) ||
                    (hal && best.combo->adapterFormat != desktop.format && desktopFormat) ||
                    ideal) {
                    best = {&adapter, &device, &combo, desktop};
                    if (ideal) return best;
                }
            }
        }
    }
    return best;
}

}  // namespace

bool DeviceEnumerator::FindBestWindowedSettings(bool requireHAL, bool requireREF,
                                                uint32_t clientWidth, uint32_t clientHeight,
                                                DeviceSettings& settings) const {
    if (!system) return false;
    gfx::DisplayMode desktop;  // adapter 0 is the desktop's
    if (gfx::Failed(system->GetAdapterDisplayMode(0, &desktop))) return false;
    const Choice best = SearchWindowed(adapters, desktop, requireHAL, requireREF);
    if (!best.combo) return false;

    DeviceSettingsSet& set = settings.windowedSettings;
    FillFromCombo(*best.adapter, *best.device, *best.combo, usesDepthBuffer, set);
    set.displayMode = desktop;
    set.width = clientWidth;
    set.height = clientHeight;
    return true;
}

bool DeviceEnumerator::FindBestFullscreenSettings(bool requireHAL, bool requireREF,
                                                  DeviceSettings& settings) const {
    if (!system) return false;
    const Choice best = SearchFullscreen(*system, adapters, requireHAL, requireREF);
    if (!best.combo) return false;

    // The desktop mode if offered, else the last mode of the desktop's width, else the
    // first mode of the combination's format.
    const gfx::DisplayMode* chosen = nullptr;
    for (const gfx::DisplayMode& mode : best.adapter->displayModes) {
        if (mode.format != best.combo->adapterFormat) continue;
        if (mode.width == best.desktop.width && mode.height == best.desktop.height &&
            mode.refreshRate == best.desktop.refreshRate) {
            chosen = &mode;
            break;
        }
        if (mode.width == best.desktop.width || !chosen) chosen = &mode;
    }
    if (!chosen) return false;

    DeviceSettingsSet& set = settings.fullscreenSettings;
    FillFromCombo(*best.adapter, *best.device, *best.combo, usesDepthBuffer, set);
    set.displayMode = *chosen;
    set.width = chosen->width;
    set.height = chosen->height;
    set.presentInterval = gfx::PRESENT_INTERVAL_DEFAULT;
    return true;
}

HRESULT DeviceEnumerator::ChooseInitialSettings(bool startFullscreen, uint32_t clientWidth,
                                                uint32_t clientHeight,
                                                DeviceSettings& settings) const {
    const bool full = FindBestFullscreenSettings(false, false, settings);
    const bool win = FindBestWindowedSettings(false, false, clientWidth, clientHeight, settings);
    if (startFullscreen && full) {
        settings.windowed = false;
    } else if (!win) {
        if (!full) return D3DAPPERR_NOCOMPATIBLEDEVICES;
        settings.windowed = false;
    } else {
        settings.windowed = true;
    }
    return gfx::S_OK;
}

}  // namespace d3dframework
