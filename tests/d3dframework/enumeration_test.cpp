// Device enumeration and the choice of windowed and full-screen settings, against fake
// systems with several adapters, odd modes and limited devices.
#include <gtest/gtest.h>

#include <new>

#include "d3dframework/device_enumeration.h"
#include "support/fake/fake_system.h"

namespace {

using d3dframework::DeviceEnumerator;
using d3dframework::DeviceSettings;
using d3dframework::FormatCombo;
using d3dframework::VertexProcessingType;
using gfx::DeviceType;
using gfx::DisplayMode;
using gfx::Format;
using gfx::fake::FakeAdapter;
using gfx::fake::FakeSystem;
using gfx::fake::FullCaps;

class Enumeration : public ::testing::Test {
  protected:
    Enumeration() {
        en.system = &sys;
        en.usesDepthBuffer = true;
    }

    const FormatCombo* FindCombo(uint32_t adapter, DeviceType type, Format adapterFormat,
                                 Format backBuffer, bool windowed) const {
        for (const auto& a : en.adapters)
            if (a.adapterOrdinal == adapter)
                for (const auto& d : a.devices)
                    if (d.deviceType == type)
                        for (const auto& c : d.formatCombos)
                            if (c.adapterFormat == adapterFormat &&
                                c.backBufferFormat == backBuffer && c.windowed == windowed)
                                return &c;
        return nullptr;
    }

    FakeSystem sys;
    DeviceEnumerator en;
};

TEST_F(Enumeration, KeepsOnlyLargeEnoughModesOfAllowedFormatsSorted) {
    FakeAdapter& a = sys.adapters[0];
    a.modes = {{1024, 768, 85, Format::X8R8G8B8}, {320, 240, 60, Format::X8R8G8B8},
               {640, 400, 70, Format::X8R8G8B8},  {512, 480, 60, Format::R5G6B5},
               {640, 480, 60, Format::R5G6B5},    {1024, 768, 60, Format::X8R8G8B8},
               {800, 600, 60, Format::A8R8G8B8},  {800, 600, 60, Format::X4R4G4B4},
               {640, 480, 60, Format::X8R8G8B8},  {1024, 768, 60, Format::R5G6B5}};
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    ASSERT_EQ(en.adapters.size(), 1u);
    const std::vector<DisplayMode> expected = {{640, 480, 60, Format::X8R8G8B8},
                                               {640, 480, 60, Format::R5G6B5},
                                               {1024, 768, 60, Format::X8R8G8B8},
                                               {1024, 768, 85, Format::X8R8G8B8},
                                               {1024, 768, 60, Format::R5G6B5}};
    EXPECT_EQ(en.adapters[0].displayModes, expected);
    EXPECT_EQ(en.adapters[0].identifier.description, "Fake Graphics Adapter");

    // A format with fewer than five bits per channel never passes, even when allowed.
    a.modes = {{800, 600, 60, Format::X4R4G4B4}, {800, 600, 60, Format::X8R8G8B8}};
    en.allowedAdapterFormats.push_back(Format::X4R4G4B4);
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    ASSERT_EQ(en.adapters[0].displayModes.size(), 1u);
    EXPECT_EQ(en.adapters[0].displayModes[0].format, Format::X8R8G8B8);
}

TEST_F(Enumeration, DropsAdaptersWithoutUsableDevicesAndOrdersDeviceTypes) {
    FakeAdapter noDevices = FakeSystem::StandardAdapter();
    noDevices.caps.clear();
    FakeAdapter noModes = FakeSystem::StandardAdapter();
    noModes.modes.clear();
    FakeAdapter allTypes = FakeSystem::StandardAdapter();
    allTypes.caps[DeviceType::REF] = FullCaps(DeviceType::REF);
    allTypes.caps[DeviceType::SW] = FullCaps(DeviceType::SW);
    sys.adapters = {noDevices, noModes, allTypes};

    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    ASSERT_EQ(en.adapters.size(), 1u);
    const auto& a = en.adapters[0];
    EXPECT_EQ(a.adapterOrdinal, 2u);
    ASSERT_EQ(a.devices.size(), 3u);
    EXPECT_EQ(a.devices[0].deviceType, DeviceType::HAL);
    EXPECT_EQ(a.devices[1].deviceType, DeviceType::SW);
    EXPECT_EQ(a.devices[2].deviceType, DeviceType::REF);
    EXPECT_EQ(a.devices[2].caps.deviceType, DeviceType::REF);
    EXPECT_EQ(a.devices[2].caps.adapterOrdinal, 2u);
}

TEST_F(Enumeration, AScreenSmallerThan640By480StillGetsAWindowedDevice) {
    // What a small screen offers: its current mode alone.
    FakeAdapter& a = sys.adapters[0];
    a.desktop = {600, 400, 60, Format::X8R8G8B8};
    a.modes = {a.desktop};
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    ASSERT_EQ(en.adapters.size(), 1u);
    EXPECT_TRUE(en.adapters[0].displayModes.empty());
    for (const auto& c : en.adapters[0].devices[0].formatCombos) EXPECT_TRUE(c.windowed);

    DeviceSettings s;
    ASSERT_EQ(en.ChooseInitialSettings(false, 520, 350, s), gfx::S_OK);
    EXPECT_TRUE(s.windowed);
    EXPECT_TRUE(s.windowedSettings.Valid());
    EXPECT_FALSE(s.fullscreenSettings.Valid());
}

TEST_F(Enumeration, BuildsFormatCombinationsInOrder) {
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    const auto& combos = en.adapters[0].devices[0].formatCombos;
    std::vector<std::tuple<Format, Format, bool>> got;
    for (const auto& c : combos) got.emplace_back(c.adapterFormat, c.backBufferFormat, c.windowed);
    const std::vector<std::tuple<Format, Format, bool>> expected = {
        {Format::X8R8G8B8, Format::A8R8G8B8, false}, {Format::X8R8G8B8, Format::A8R8G8B8, true},
        {Format::X8R8G8B8, Format::X8R8G8B8, false}, {Format::X8R8G8B8, Format::X8R8G8B8, true},
        {Format::R5G6B5, Format::R5G6B5, false},     {Format::R5G6B5, Format::R5G6B5, true}};
    EXPECT_EQ(got, expected);
    for (const auto& c : combos) {
        EXPECT_EQ(c.adapterOrdinal, 0u);
        EXPECT_EQ(c.deviceType, DeviceType::HAL);
    }

    en.requiresWindowed = true;
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    for (const auto& c : en.adapters[0].devices[0].formatCombos) EXPECT_TRUE(c.windowed);
    en.requiresWindowed = false;
    en.requiresFullscreen = true;
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    for (const auto& c : en.adapters[0].devices[0].formatCombos) EXPECT_FALSE(c.windowed);
}

TEST_F(Enumeration, DepthStencilFormatsPassBothChecksOrTheComboIsDropped) {
    sys.checkDeviceFormat = [](uint32_t, DeviceType, Format, uint32_t usage, gfx::ResourceType,
                               Format f) {
        EXPECT_EQ(usage, gfx::USAGE_DEPTHSTENCIL);
        return f == Format::D16 || f == Format::D32 ? gfx::D3DERR_NOTAVAILABLE : gfx::S_OK;
    };
    // 16-bit back buffers only go with 16-bit depth, which the device lacks.
    sys.checkDepthStencilMatch = [](uint32_t, DeviceType, Format, Format bb, Format ds) {
        return bb == Format::R5G6B5 && ds != Format::D16 ? gfx::D3DERR_NOTAVAILABLE : gfx::S_OK;
    };
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    EXPECT_EQ(FindCombo(0, DeviceType::HAL, Format::R5G6B5, Format::R5G6B5, true), nullptr);
    const FormatCombo* c = FindCombo(0, DeviceType::HAL, Format::X8R8G8B8, Format::X8R8G8B8, true);
    ASSERT_NE(c, nullptr);
    const std::vector<Format> expected = {Format::D15S1, Format::D24X8, Format::D24S8,
                                          Format::D24X4S4};
    EXPECT_EQ(c->depthStencilFormats, expected);

    en.minStencilBits = 4;
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    c = FindCombo(0, DeviceType::HAL, Format::X8R8G8B8, Format::X8R8G8B8, true);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->depthStencilFormats, (std::vector<Format>{Format::D24S8, Format::D24X4S4}));

    // Without a depth buffer nothing is asked and the combination stays.
    en.usesDepthBuffer = false;
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    c = FindCombo(0, DeviceType::HAL, Format::R5G6B5, Format::R5G6B5, true);
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->depthStencilFormats.empty());
}

TEST_F(Enumeration, MultisampleTypesQualitiesAndConflicts) {
    sys.checkMultiSampleType = [](uint32_t, DeviceType, Format surface, bool, uint32_t type,
                                  uint32_t* quality) {
        if (type != 0 && type != 2 && type != 4) return gfx::D3DERR_NOTAVAILABLE;
        if (surface == Format::D24S8 && type == 4) return gfx::D3DERR_NOTAVAILABLE;
        if (quality) *quality = type + 1;
        return gfx::S_OK;
    };
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    const FormatCombo* c = FindCombo(0, DeviceType::HAL, Format::X8R8G8B8, Format::X8R8G8B8, false);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->multiSampleTypes, (std::vector<uint32_t>{0, 2, 4}));
    EXPECT_EQ(c->multiSampleQualities, (std::vector<uint32_t>{1, 3, 5}));
    ASSERT_EQ(c->conflicts.size(), 1u);
    EXPECT_EQ(c->conflicts[0].depthStencilFormat, Format::D24S8);
    EXPECT_EQ(c->conflicts[0].multiSampleType, 4u);

    sys.checkMultiSampleType = [](uint32_t, DeviceType, Format, bool, uint32_t, uint32_t*) {
        return gfx::D3DERR_NOTAVAILABLE;
    };
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    EXPECT_TRUE(en.adapters.empty());
}

TEST_F(Enumeration, VertexProcessingTypesFollowCapsAndAcceptance) {
    FakeAdapter& a = sys.adapters[0];
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    using V = VertexProcessingType;
    EXPECT_EQ(en.adapters[0].devices[0].formatCombos[0].vertexProcessingTypes,
              (std::vector<V>{V::PureHardware, V::Hardware, V::Software}));

    en.usesMixedVertexProcessing = true;
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    EXPECT_EQ(en.adapters[0].devices[0].formatCombos[0].vertexProcessingTypes,
              (std::vector<V>{V::PureHardware, V::Hardware, V::Mixed, V::Software}));

    // No hardware transform and lighting: software only, whatever else is allowed.
    a.caps[DeviceType::HAL].devCaps = gfx::DEVCAPS_PUREDEVICE;
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    for (const auto& c : en.adapters[0].devices[0].formatCombos)
        EXPECT_EQ(c.vertexProcessingTypes, std::vector<V>{V::Software});

    // The acceptance test sees the behaviour flags and the back buffer format.
    a.caps[DeviceType::HAL] = FullCaps();
    en.usesMixedVertexProcessing = false;
    en.confirmDevice = [](const gfx::Caps&, uint32_t flags, Format bb) {
        return !(flags & gfx::CREATE_HARDWARE_VERTEXPROCESSING) && bb != Format::R5G6B5;
    };
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    ASSERT_EQ(en.adapters[0].devices[0].formatCombos.size(), 4u);
    for (const auto& c : en.adapters[0].devices[0].formatCombos)
        EXPECT_EQ(c.vertexProcessingTypes, std::vector<V>{V::Software});

    en.confirmDevice = [](const gfx::Caps&, uint32_t, Format) { return false; };
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    EXPECT_TRUE(en.adapters.empty());
}

TEST_F(Enumeration, WindowedCombosNeverOfferTwoThreeOrFourIntervals) {
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    const std::vector<uint32_t> full = {
        gfx::PRESENT_INTERVAL_IMMEDIATE, gfx::PRESENT_INTERVAL_DEFAULT, gfx::PRESENT_INTERVAL_ONE,
        gfx::PRESENT_INTERVAL_TWO,       gfx::PRESENT_INTERVAL_THREE,   gfx::PRESENT_INTERVAL_FOUR};
    const std::vector<uint32_t> windowed = {
        gfx::PRESENT_INTERVAL_IMMEDIATE, gfx::PRESENT_INTERVAL_DEFAULT, gfx::PRESENT_INTERVAL_ONE};
    for (const auto& c : en.adapters[0].devices[0].formatCombos)
        EXPECT_EQ(c.presentIntervals, c.windowed ? windowed : full);

    // DEFAULT is always there, even when the caps list nothing.
    sys.adapters[0].caps[DeviceType::HAL].presentationIntervals = gfx::PRESENT_INTERVAL_FOUR;
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    for (const auto& c : en.adapters[0].devices[0].formatCombos)
        EXPECT_EQ(c.presentIntervals, c.windowed
                                          ? std::vector<uint32_t>{gfx::PRESENT_INTERVAL_DEFAULT}
                                          : (std::vector<uint32_t>{gfx::PRESENT_INTERVAL_DEFAULT,
                                                                   gfx::PRESENT_INTERVAL_FOUR}));
}

TEST_F(Enumeration, FailuresAndOutOfMemory) {
    DeviceEnumerator none;
    EXPECT_EQ(none.Enumerate(), gfx::E_FAIL);

    sys.checkDeviceType = [](uint32_t, DeviceType, Format, Format, bool) -> gfx::HRESULT {
        throw std::bad_alloc();
    };
    EXPECT_EQ(en.Enumerate(), gfx::E_OUTOFMEMORY);
    EXPECT_TRUE(en.adapters.empty());
}

// ---- Selection -------------------------------------------------------------------------------

TEST_F(Enumeration, BestWindowedSettingsMatchTheDesktopAndPreferEqualFormatsOnHal) {
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    DeviceSettings s;
    ASSERT_TRUE(en.FindBestWindowedSettings(false, false, 800, 600, s));
    const auto& w = s.windowedSettings;
    ASSERT_TRUE(w.Valid());
    EXPECT_EQ(w.combo->adapterFormat, Format::X8R8G8B8);
    EXPECT_EQ(w.combo->backBufferFormat, Format::X8R8G8B8);  // not the earlier A8R8G8B8
    EXPECT_TRUE(w.combo->windowed);
    EXPECT_EQ(w.displayMode, (DisplayMode{1024, 768, 60, Format::X8R8G8B8}));
    EXPECT_EQ(w.width, 800u);
    EXPECT_EQ(w.height, 600u);
    EXPECT_EQ(w.depthStencilFormat, Format::D16);
    EXPECT_EQ(w.multiSampleType, 0u);
    EXPECT_EQ(w.multiSampleQuality, 0u);
    EXPECT_EQ(w.vertexProcessingType, VertexProcessingType::PureHardware);
    EXPECT_EQ(w.presentInterval, gfx::PRESENT_INTERVAL_IMMEDIATE);
    EXPECT_FALSE(s.fullscreenSettings.Valid());

    // A 16-bit desktop takes the 16-bit combination; without immediate presentation the
    // first interval is DEFAULT.
    sys.adapters[0].desktop = {1024, 768, 60, Format::R5G6B5};
    sys.adapters[0].caps[DeviceType::HAL].presentationIntervals = 0;
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    ASSERT_TRUE(en.FindBestWindowedSettings(false, false, 800, 600, s));
    EXPECT_EQ(s.windowedSettings.combo->backBufferFormat, Format::R5G6B5);
    EXPECT_EQ(s.windowedSettings.presentInterval, gfx::PRESENT_INTERVAL_DEFAULT);

    // A desktop format that no combination has: nothing, and the set is left alone.
    sys.adapters[0].desktop = {1024, 768, 60, Format::A2R10G10B10};
    EXPECT_FALSE(en.FindBestWindowedSettings(false, false, 640, 480, s));
    EXPECT_EQ(s.windowedSettings.width, 800u);
}

TEST_F(Enumeration, WindowedSelectionPrefersHalAndHonoursRequirements) {
    FakeAdapter refOnly = FakeSystem::StandardAdapter();
    refOnly.caps.clear();
    refOnly.caps[DeviceType::REF] = FullCaps(DeviceType::REF);
    sys.adapters = {refOnly, FakeSystem::StandardAdapter()};
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);

    DeviceSettings s;
    ASSERT_TRUE(en.FindBestWindowedSettings(false, false, 640, 480, s));
    EXPECT_EQ(s.windowedSettings.AdapterOrdinal(), 1u);
    EXPECT_EQ(s.windowedSettings.DeviceType(), DeviceType::HAL);

    ASSERT_TRUE(en.FindBestWindowedSettings(false, true, 640, 480, s));
    EXPECT_EQ(s.windowedSettings.AdapterOrdinal(), 0u);
    EXPECT_EQ(s.windowedSettings.DeviceType(), DeviceType::REF);
    EXPECT_EQ(s.windowedSettings.combo->backBufferFormat, Format::A8R8G8B8);  // first qualifying

    sys.adapters = {refOnly};
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    EXPECT_FALSE(en.FindBestWindowedSettings(true, false, 640, 480, s));
}

TEST_F(Enumeration, FullscreenModeIsDesktopElseLastOfDesktopWidthElseFirst) {
    FakeAdapter& a = sys.adapters[0];
    a.modes = {{640, 480, 60, Format::X8R8G8B8},
               {1024, 600, 60, Format::X8R8G8B8},
               {1024, 768, 60, Format::X8R8G8B8},
               {1024, 768, 85, Format::X8R8G8B8},
               {1280, 1024, 60, Format::X8R8G8B8}};
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    DeviceSettings s;
    ASSERT_TRUE(en.FindBestFullscreenSettings(false, false, s));
    const auto& f = s.fullscreenSettings;
    EXPECT_EQ(f.displayMode, (DisplayMode{1024, 768, 60, Format::X8R8G8B8}));
    EXPECT_EQ(f.width, 1024u);
    EXPECT_EQ(f.height, 768u);
    EXPECT_FALSE(f.combo->windowed);
    EXPECT_EQ(f.combo->backBufferFormat, Format::X8R8G8B8);
    EXPECT_EQ(f.presentInterval, gfx::PRESENT_INTERVAL_DEFAULT);

    a.desktop = {1024, 768, 75, Format::X8R8G8B8};
    ASSERT_TRUE(en.FindBestFullscreenSettings(false, false, s));
    EXPECT_EQ(s.fullscreenSettings.displayMode, (DisplayMode{1024, 768, 85, Format::X8R8G8B8}));

    a.desktop = {1152, 864, 75, Format::X8R8G8B8};
    ASSERT_TRUE(en.FindBestFullscreenSettings(false, false, s));
    EXPECT_EQ(s.fullscreenSettings.displayMode, (DisplayMode{640, 480, 60, Format::X8R8G8B8}));
}

TEST_F(Enumeration, FullscreenPrefersTheDesktopFormatOnHal) {
    sys.adapters[0].desktop = {800, 600, 60, Format::R5G6B5};
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    DeviceSettings s;
    ASSERT_TRUE(en.FindBestFullscreenSettings(false, false, s));
    EXPECT_EQ(s.fullscreenSettings.combo->adapterFormat, Format::R5G6B5);
    EXPECT_EQ(s.fullscreenSettings.combo->backBufferFormat, Format::R5G6B5);
    EXPECT_EQ(s.fullscreenSettings.displayMode, (DisplayMode{800, 600, 60, Format::R5G6B5}));

    // A second adapter whose desktop format its modes match wins over the first adapter,
    // which only has modes outside its 16-bit desktop format.
    sys.adapters[0].modes = FakeSystem::Modes({{800, 600}}, {Format::X8R8G8B8}, {60});
    FakeAdapter second = FakeSystem::StandardAdapter();
    second.desktop = {1280, 1024, 60, Format::X8R8G8B8};
    sys.adapters.push_back(second);
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    ASSERT_TRUE(en.FindBestFullscreenSettings(false, false, s));
    EXPECT_EQ(s.fullscreenSettings.AdapterOrdinal(), 1u);
    EXPECT_EQ(s.fullscreenSettings.displayMode, (DisplayMode{1280, 1024, 60, Format::X8R8G8B8}));
}

TEST_F(Enumeration, ChooseInitialSettings) {
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    DeviceSettings s;
    ASSERT_EQ(en.ChooseInitialSettings(false, 640, 480, s), gfx::S_OK);
    EXPECT_TRUE(s.windowed);
    EXPECT_TRUE(s.windowedSettings.Valid());
    EXPECT_TRUE(s.fullscreenSettings.Valid());
    ASSERT_EQ(en.ChooseInitialSettings(true, 640, 480, s), gfx::S_OK);
    EXPECT_FALSE(s.windowed);

    // No windowed combination: full screen is the only choice.
    sys.checkDeviceType = [](uint32_t, DeviceType, Format a, Format b, bool windowed) {
        return !windowed && a == b ? gfx::S_OK : gfx::D3DERR_NOTAVAILABLE;
    };
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    DeviceSettings s2;
    ASSERT_EQ(en.ChooseInitialSettings(false, 640, 480, s2), gfx::S_OK);
    EXPECT_FALSE(s2.windowed);

    // Nothing at all.
    sys.checkDeviceType = [](uint32_t, DeviceType, Format, Format, bool) {
        return gfx::D3DERR_NOTAVAILABLE;
    };
    ASSERT_EQ(en.Enumerate(), gfx::S_OK);
    DeviceSettings s3;
    EXPECT_EQ(en.ChooseInitialSettings(false, 640, 480, s3), gfx::Code(0x82000003));
}

TEST(FormatBits, TablesOfColourAlphaDepthAndStencilBits) {
    using namespace d3dframework;
    EXPECT_EQ(ColorChannelBits(Format::R8G8B8), 8u);
    EXPECT_EQ(AlphaChannelBits(Format::A8R8G8B8), 8u);
    EXPECT_EQ(AlphaChannelBits(Format::X8R8G8B8), 0u);
    EXPECT_EQ(ColorChannelBits(Format::A1R5G5B5), 5u);
    EXPECT_EQ(AlphaChannelBits(Format::A1R5G5B5), 1u);
    EXPECT_EQ(ColorChannelBits(Format::X4R4G4B4), 4u);
    EXPECT_EQ(AlphaChannelBits(Format::A4R4G4B4), 4u);
    EXPECT_EQ(ColorChannelBits(Format::A8R3G3B2), 2u);
    EXPECT_EQ(AlphaChannelBits(Format::A8R3G3B2), 8u);
    EXPECT_EQ(ColorChannelBits(Format::A2B10G10R10), 10u);
    EXPECT_EQ(AlphaChannelBits(Format::A2R10G10B10), 2u);
    EXPECT_EQ(ColorChannelBits(Format::D16), 0u);
    EXPECT_EQ(DepthBits(Format::D15S1), 15u);
    EXPECT_EQ(StencilBits(Format::D15S1), 1u);
    EXPECT_EQ(DepthBits(Format::D24X4S4), 24u);
    EXPECT_EQ(StencilBits(Format::D24X4S4), 4u);
    EXPECT_EQ(DepthBits(Format::D32), 32u);
    EXPECT_EQ(DepthBits(Format::X8R8G8B8), 0u);
    EXPECT_EQ(BehaviorFlags(VertexProcessingType::PureHardware),
              gfx::CREATE_HARDWARE_VERTEXPROCESSING | gfx::CREATE_PUREDEVICE);
    EXPECT_EQ(BehaviorFlags(VertexProcessingType::Mixed), gfx::CREATE_MIXED_VERTEXPROCESSING);
    EXPECT_EQ(BehaviorFlags(VertexProcessingType::Software), gfx::CREATE_SOFTWARE_VERTEXPROCESSING);
}

}  // namespace
