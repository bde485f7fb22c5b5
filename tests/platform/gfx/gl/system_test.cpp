// Adapter and device queries answered from the screens and the GL context.
#include "gl_test_support.h"

namespace gltest {
namespace {

using gfx::DeviceType;
using gfx::Format;

TEST(GlSystemTest, ScreensBecomeAdaptersWithTheirCurrentMode) {
    gfx::gl::GlSystem sys(nullptr, {{"Left", 1920, 1080, 60, 32}, {"Right", 1280, 1024, 75, 16}});
    ASSERT_EQ(sys.GetAdapterCount(), 2u);
    gfx::AdapterIdentifier id;
    ASSERT_EQ(sys.GetAdapterIdentifier(1, &id), gfx::S_OK);
    EXPECT_EQ(id.deviceName, "Right");
    EXPECT_EQ(sys.GetAdapterModeCount(0, Format::X8R8G8B8), 1u);
    EXPECT_EQ(sys.GetAdapterModeCount(0, Format::R5G6B5), 0u);
    EXPECT_EQ(sys.GetAdapterModeCount(1, Format::R5G6B5), 1u);
    gfx::DisplayMode m;
    ASSERT_EQ(sys.EnumAdapterModes(0, Format::X8R8G8B8, 0, &m), gfx::S_OK);
    EXPECT_EQ(m, (gfx::DisplayMode{1920, 1080, 60, Format::X8R8G8B8}));
    EXPECT_TRUE(gfx::Failed(sys.EnumAdapterModes(0, Format::X8R8G8B8, 1, &m)));
    EXPECT_TRUE(gfx::Failed(sys.GetAdapterDisplayMode(2, &m)));

    gfx::gl::GlSystem headless(nullptr, {});
    ASSERT_EQ(headless.GetAdapterDisplayMode(0, &m), gfx::S_OK);
    EXPECT_EQ(m.width, 1024u);
    EXPECT_EQ(m.height, 768u);
}

TEST(GlSystemTest, OffersOneCapableHalDeviceWithoutMultisampling) {
    gfx::gl::GlSystem sys(nullptr, {});
    gfx::Caps caps;
    ASSERT_EQ(sys.GetDeviceCaps(0, DeviceType::HAL, &caps), gfx::S_OK);
    EXPECT_TRUE(caps.devCaps & gfx::DEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_TRUE(caps.textureFilterCaps & gfx::PTFILTERCAPS_MINFLINEAR);
    EXPECT_TRUE(caps.textureFilterCaps & gfx::PTFILTERCAPS_MAGFLINEAR);
    for (uint32_t bit :
         {gfx::PBLENDCAPS_SRCALPHA, gfx::PBLENDCAPS_INVSRCALPHA, gfx::PBLENDCAPS_BLENDFACTOR}) {
        EXPECT_TRUE(caps.srcBlendCaps & bit);
        EXPECT_TRUE(caps.destBlendCaps & bit);
    }
    for (uint32_t bit : {gfx::TEXOPCAPS_MODULATE, gfx::TEXOPCAPS_ADD, gfx::TEXOPCAPS_DOTPRODUCT3})
        EXPECT_TRUE(caps.textureOpCaps & bit);
    EXPECT_EQ(caps.maxTextureBlendStages, 8u);
    EXPECT_TRUE(caps.presentationIntervals & gfx::PRESENT_INTERVAL_IMMEDIATE);
    EXPECT_TRUE(caps.presentationIntervals & gfx::PRESENT_INTERVAL_ONE);
    EXPECT_EQ(sys.GetDeviceCaps(0, DeviceType::REF, &caps), gfx::D3DERR_NOTAVAILABLE);

    const Format desktop = Format::X8R8G8B8;
    EXPECT_EQ(sys.CheckDeviceType(0, DeviceType::HAL, desktop, Format::A8R8G8B8, true), gfx::S_OK);
    EXPECT_EQ(sys.CheckDeviceType(0, DeviceType::HAL, desktop, Format::X8R8G8B8, false), gfx::S_OK);
    EXPECT_TRUE(
        gfx::Failed(sys.CheckDeviceType(0, DeviceType::HAL, desktop, Format::R5G6B5, true)));
    EXPECT_TRUE(gfx::Failed(
        sys.CheckDeviceType(0, DeviceType::HAL, Format::R5G6B5, Format::X8R8G8B8, true)));
    for (Format ds : {Format::D24S8, Format::D24X8, Format::D16}) {
        EXPECT_EQ(sys.CheckDeviceFormat(0, DeviceType::HAL, desktop, gfx::USAGE_DEPTHSTENCIL,
                                        gfx::ResourceType::Surface, ds),
                  gfx::S_OK);
        EXPECT_EQ(sys.CheckDepthStencilMatch(0, DeviceType::HAL, desktop, Format::X8R8G8B8, ds),
                  gfx::S_OK);
    }
    EXPECT_TRUE(
        gfx::Failed(sys.CheckDeviceFormat(0, DeviceType::HAL, desktop, gfx::USAGE_DEPTHSTENCIL,
                                          gfx::ResourceType::Surface, Format::D32)));
    uint32_t quality = 0;
    EXPECT_EQ(
        sys.CheckDeviceMultiSampleType(0, DeviceType::HAL, Format::X8R8G8B8, true, 0, &quality),
        gfx::S_OK);
    EXPECT_EQ(quality, 1u);
    EXPECT_EQ(sys.CheckDeviceMultiSampleType(0, DeviceType::HAL, Format::D24S8, true, 0, nullptr),
              gfx::S_OK);
    EXPECT_TRUE(gfx::Failed(
        sys.CheckDeviceMultiSampleType(0, DeviceType::HAL, Format::X8R8G8B8, true, 2, &quality)));
}

TEST_F(GlDeviceTest, CreatesDevicesOnlyWhereItOffersThem) {
    gfx::AdapterIdentifier id;
    ASSERT_EQ(gl_->system->GetAdapterIdentifier(0, &id), gfx::S_OK);
    EXPECT_FALSE(id.description.empty());
    gfx::PresentParameters p = gl_->params;
    std::unique_ptr<gfx::Device> other;
    EXPECT_EQ(gl_->system->CreateDevice(0, DeviceType::REF, nullptr, 0, &p, &other),
              gfx::D3DERR_NOTAVAILABLE);
    EXPECT_EQ(gl_->system->CreateDevice(3, DeviceType::HAL, nullptr, 0, &p, &other),
              gfx::D3DERR_NOTAVAILABLE);
    EXPECT_FALSE(other);
    p.multiSampleType = 4;
    EXPECT_TRUE(gfx::Failed(gl_->system->CreateDevice(0, DeviceType::HAL, nullptr, 0, &p, &other)));
}

}  // namespace
}  // namespace gltest
