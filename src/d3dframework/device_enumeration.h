#pragma once
// Lists every adapter, display mode, device type and format combination the graphics
// system can use, and chooses from that list one set of device settings for windowed
// presentation and one for full screen.
#include <functional>
#include <vector>

#include "d3dframework/error_codes.h"
#include "platform/gfx/gfx.h"

namespace d3dframework {

enum class VertexProcessingType : uint32_t {
    Software = 0,
    Mixed = 1,
    Hardware = 2,
    PureHardware = 3
};

// Device creation flags for a vertex processing type.
uint32_t BehaviorFlags(VertexProcessingType type);

// Colour bits per channel and alpha bits of a colour format, depth and stencil bits of
// a depth-stencil format (0 for formats of the other kind).
uint32_t ColorChannelBits(gfx::Format format);
uint32_t AlphaChannelBits(gfx::Format format);
uint32_t DepthBits(gfx::Format format);
uint32_t StencilBits(gfx::Format format);

struct DepthStencilMultiSampleConflict {
    gfx::Format depthStencilFormat = gfx::Format::Unknown;
    uint32_t multiSampleType = 0;
};

struct FormatCombo {
    uint32_t adapterOrdinal = 0;
    gfx::DeviceType deviceType = gfx::DeviceType::HAL;
    gfx::Format adapterFormat = gfx::Format::Unknown;
    gfx::Format backBufferFormat = gfx::Format::Unknown;
    bool windowed = false;
    std::vector<gfx::Format> depthStencilFormats;
    std::vector<uint32_t> multiSampleTypes;
    std::vector<uint32_t> multiSampleQualities;  // one per multisample type, same order
    std::vector<DepthStencilMultiSampleConflict> conflicts;
    std::vector<VertexProcessingType> vertexProcessingTypes;
    std::vector<uint32_t> presentIntervals;
};

struct DeviceEntry {
    uint32_t adapterOrdinal = 0;
    gfx::DeviceType deviceType = gfx::DeviceType::HAL;
    gfx::Caps caps;
    std::vector<FormatCombo> formatCombos;
};

struct AdapterEntry {
    uint32_t adapterOrdinal = 0;
    gfx::AdapterIdentifier identifier;
    std::vector<gfx::DisplayMode> displayModes;  // sorted: width, height, format, refresh rate
    std::vector<DeviceEntry> devices;
};

// One chosen configuration. The entry pointers point into the enumerator's lists and stay
// valid until the next Enumerate or the enumerator's destruction.
struct DeviceSettingsSet {
    const AdapterEntry* adapter = nullptr;
    const DeviceEntry* device = nullptr;
    const FormatCombo* combo = nullptr;
    gfx::DisplayMode displayMode;    // full screen: the chosen mode; windowed: the desktop mode
    uint32_t width = 0, height = 0;  // windowed: the device window's client size
    gfx::Format depthStencilFormat = gfx::Format::Unknown;
    uint32_t multiSampleType = 0;
    uint32_t multiSampleQuality = 0;
    VertexProcessingType vertexProcessingType = VertexProcessingType::Software;
    uint32_t presentInterval = gfx::PRESENT_INTERVAL_DEFAULT;

    bool Valid() const { return adapter && device && combo; }
    uint32_t AdapterOrdinal() const { return adapter ? adapter->adapterOrdinal : 0; }
    gfx::DeviceType DeviceType() const {
        return device ? device->deviceType : gfx::DeviceType::HAL;
    }
    gfx::Format BackBufferFormat() const {
        return combo ? combo->backBufferFormat : gfx::Format::Unknown;
    }
};

struct DeviceSettings {
    bool windowed = true;  // which of the two sets is in use
    DeviceSettingsSet windowedSettings;
    DeviceSettingsSet fullscreenSettings;

    DeviceSettingsSet& Current() { return windowed ? windowedSettings : fullscreenSettings; }
    const DeviceSettingsSet& Current() const {
        return windowed ? windowedSettings : fullscreenSettings;
    }
};

class DeviceEnumerator {
  public:
    // (caps, behaviour flags, back buffer format) -> whether the application accepts it.
    using AcceptanceTest = std::function<bool(const gfx::Caps&, uint32_t, gfx::Format)>;

    // Not owned; set before Enumerate.
    gfx::System* system = nullptr;
    std::vector<AdapterEntry> adapters;
    AcceptanceTest confirmDevice;  // empty: everything is accepted

    uint32_t minFullscreenWidth = 640;
    uint32_t minFullscreenHeight = 480;
    uint32_t minColorChannelBits = 5;
    uint32_t minAlphaChannelBits = 0;
    uint32_t minDepthBits = 15;
    uint32_t minStencilBits = 0;
    bool usesDepthBuffer = false;
    bool usesMixedVertexProcessing = false;
    bool requiresWindowed = false;
    bool requiresFullscreen = false;
    std::vector<gfx::Format> allowedAdapterFormats{gfx::Format::X8R8G8B8, gfx::Format::X1R5G5B5,
                                                   gfx::Format::R5G6B5, gfx::Format::A2R10G10B10};

    // Rebuilds the adapter list. E_FAIL without a system, E_OUTOFMEMORY when a list
    // cannot grow. A failing query only drops the candidate it was testing.
    HRESULT Enumerate();

    // Fill the windowed or full-screen set of `settings`; false when nothing qualifies
    // (the set is then left as it was). The client size is the device window's.
    bool FindBestWindowedSettings(bool requireHAL, bool requireREF, uint32_t clientWidth,
                                  uint32_t clientHeight, DeviceSettings& settings) const;
    bool FindBestFullscreenSettings(bool requireHAL, bool requireREF,
                                    DeviceSettings& settings) const;

    // Both sets, and which one to start with: S_OK or D3DAPPERR_NOCOMPATIBLEDEVICES.
    HRESULT ChooseInitialSettings(bool startFullscreen, uint32_t clientWidth, uint32_t clientHeight,
                                  DeviceSettings& settings) const;

  private:
    // An adapter's formats in order of first appearance: of all its modes (windowed
    // combinations), and of the modes large enough for full screen.
    struct AdapterFormats {
        std::vector<gfx::Format> all;
        std::vector<gfx::Format> fullscreen;
    };
    void EnumerateDevices(AdapterEntry& adapter, const AdapterFormats& formats);
    void EnumerateFormatCombos(DeviceEntry& device, const AdapterFormats& formats);
    void BuildDepthStencilFormats(FormatCombo& combo) const;
    void BuildMultiSampleTypes(FormatCombo& combo) const;
    void BuildConflicts(FormatCombo& combo) const;
    void BuildVertexProcessingTypes(const DeviceEntry& device, FormatCombo& combo) const;
    void BuildPresentIntervals(const DeviceEntry& device, FormatCombo& combo) const;
    bool Accepts(const gfx::Caps& caps, VertexProcessingType type, gfx::Format backBuffer) const;
};

}  // namespace d3dframework
