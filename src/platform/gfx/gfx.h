#pragma once
// The graphics interface the renderer and the device framework speak: the fixed-function
// vocabulary of a classic immediate-mode 3D API (transforms, two directional lights,
// material, render states, texture stages, line lists, meshes, sprite, font), plus the
// adapter and device queries that device selection needs. Plain C++: one OpenGL
// implementation lives in gl/, a recording fake in fake/.
//
// Numeric values of enumerations and flags follow the classic API so that recorded
// calls and saved diagnostics read the same everywhere.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "math/geometry.h"
#include "math/matrix.h"

namespace gfx {

// ---- Result codes ---------------------------------------------------------------------
using HRESULT = int32_t;
constexpr HRESULT Code(uint32_t v) {
    return static_cast<HRESULT>(v);
}
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = Code(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = Code(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = Code(0x80070057);
inline constexpr HRESULT E_NOTFOUND = Code(0x80070002);  // missing media
inline constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = Code(0x8876017C);
inline constexpr HRESULT D3DERR_DEVICELOST = Code(0x88760868);
inline constexpr HRESULT D3DERR_DEVICENOTRESET = Code(0x88760869);
inline constexpr HRESULT D3DERR_NOTAVAILABLE = Code(0x8876086A);
inline constexpr HRESULT D3DERR_INVALIDCALL = Code(0x8876086C);
inline constexpr bool Failed(HRESULT h) {
    return h < 0;
}
inline constexpr bool Succeeded(HRESULT h) {
    return h >= 0;
}

// ---- Colours ----------------------------------------------------------------------------
using Color = uint32_t;  // 0xAARRGGBB

struct ColorValue {
    float r = 0, g = 0, b = 0, a = 0;
    bool operator==(const ColorValue&) const = default;
};

// Each byte divided by 255.
inline ColorValue ToColorValue(Color c) {
    return {static_cast<float>((c >> 16) & 0xFF) / 255.0f,
            static_cast<float>((c >> 8) & 0xFF) / 255.0f, static_cast<float>(c & 0xFF) / 255.0f,
            static_cast<float>((c >> 24) & 0xFF) / 255.0f};
}

// ---- Formats, modes, adapters, caps -----------------------------------------------------
enum class Format : uint32_t {
    Unknown = 0,
    R8G8B8 = 20,
    A8R8G8B8 = 21,
    X8R8G8B8 = 22,
    R5G6B5 = 23,
    X1R5G5B5 = 24,
    A1R5G5B5 = 25,
    A4R4G4B4 = 26,
    R3G3B2 = 27,
    A8R3G3B2 = 29,
    X4R4G4B4 = 30,
    A2B10G10R10 = 31,
    A2R10G10B10 = 35,
    D32 = 71,
    D15S1 = 73,
    D24S8 = 75,
    D24X8 = 77,
    D24X4S4 = 79,
    D16 = 80,
};

enum class DeviceType : uint32_t { HAL = 1, REF = 2, SW = 3 };
enum class ResourceType : uint32_t { Surface = 1, Texture = 3 };

inline constexpr uint32_t USAGE_DEPTHSTENCIL = 0x2;

struct DisplayMode {
    uint32_t width = 0, height = 0, refreshRate = 0;
    Format format = Format::Unknown;
    bool operator==(const DisplayMode&) const = default;
};

struct AdapterIdentifier {
    std::string driver;
    std::string description;
    std::string deviceName;
    uint32_t vendorId = 0, deviceId = 0;
};

// Capability bits (same values as the classic API).
inline constexpr uint32_t DEVCAPS_HWTRANSFORMANDLIGHT = 0x00010000;
inline constexpr uint32_t DEVCAPS_PUREDEVICE = 0x00100000;
inline constexpr uint32_t PMISCCAPS_NULLREFERENCE = 0x00001000;
inline constexpr uint32_t PTFILTERCAPS_MINFLINEAR = 0x00000200;
inline constexpr uint32_t PTFILTERCAPS_MAGFLINEAR = 0x02000000;
inline constexpr uint32_t PBLENDCAPS_SRCALPHA = 0x00000010;
inline constexpr uint32_t PBLENDCAPS_INVSRCALPHA = 0x00000020;
inline constexpr uint32_t PBLENDCAPS_BLENDFACTOR = 0x00002000;
inline constexpr uint32_t TEXOPCAPS_MODULATE = 0x00000008;
inline constexpr uint32_t TEXOPCAPS_ADD = 0x00000040;
inline constexpr uint32_t TEXOPCAPS_DOTPRODUCT3 = 0x00800000;

// Present intervals.
inline constexpr uint32_t PRESENT_INTERVAL_DEFAULT = 0x00000000;
inline constexpr uint32_t PRESENT_INTERVAL_ONE = 0x00000001;
inline constexpr uint32_t PRESENT_INTERVAL_TWO = 0x00000002;
inline constexpr uint32_t PRESENT_INTERVAL_THREE = 0x00000004;
inline constexpr uint32_t PRESENT_INTERVAL_FOUR = 0x00000008;
inline constexpr uint32_t PRESENT_INTERVAL_IMMEDIATE = 0x80000000;

// Device creation behaviour flags.
inline constexpr uint32_t CREATE_PUREDEVICE = 0x00000010;
inline constexpr uint32_t CREATE_SOFTWARE_VERTEXPROCESSING = 0x00000020;
inline constexpr uint32_t CREATE_HARDWARE_VERTEXPROCESSING = 0x00000040;
inline constexpr uint32_t CREATE_MIXED_VERTEXPROCESSING = 0x00000080;

struct Caps {
    DeviceType deviceType = DeviceType::HAL;
    uint32_t adapterOrdinal = 0;
    uint32_t devCaps = 0;
    uint32_t primitiveMiscCaps = 0;
    uint32_t presentationIntervals = 0;
    uint32_t textureFilterCaps = 0;
    uint32_t srcBlendCaps = 0;
    uint32_t destBlendCaps = 0;
    uint32_t textureOpCaps = 0;
    uint32_t maxTextureBlendStages = 0;
};

// Opaque window identity owned by the platform shell (the view, the full-screen window);
// the graphics layer only passes it through.
struct NativeWindow;
using WindowHandle = NativeWindow*;

inline constexpr uint32_t SWAPEFFECT_DISCARD = 1;
inline constexpr uint32_t PRESENTFLAG_DISCARD_DEPTHSTENCIL = 0x2;

struct PresentParameters {
    uint32_t backBufferWidth = 0, backBufferHeight = 0;
    Format backBufferFormat = Format::Unknown;
    uint32_t backBufferCount = 1;
    uint32_t multiSampleType = 0, multiSampleQuality = 0;
    uint32_t swapEffect = SWAPEFFECT_DISCARD;
    WindowHandle deviceWindow = nullptr;
    bool windowed = true;
    bool enableAutoDepthStencil = false;
    Format autoDepthStencilFormat = Format::Unknown;
    uint32_t flags = 0;
    uint32_t fullScreenRefreshRate = 0;
    uint32_t presentationInterval = PRESENT_INTERVAL_DEFAULT;
};

struct SurfaceDesc {
    Format format = Format::Unknown;
    uint32_t width = 0, height = 0;
};

// ---- Fixed-function state -----------------------------------------------------------------
enum class TransformType : uint32_t { View = 2, Projection = 3, World = 256 };

enum class RenderState : uint32_t {
    ZEnable = 7,
    ZWriteEnable = 14,
    SrcBlend = 19,
    DestBlend = 20,
    CullMode = 22,
    DitherEnable = 26,
    AlphaBlendEnable = 27,
    FogEnable = 28,
    SpecularEnable = 29,
    FogColor = 34,
    FogTableMode = 35,
    FogDensity = 38,  // a float stored as its bits, see FloatBits
    Lighting = 137,
    Ambient = 139,
    BlendFactor = 193,
};

enum Blend : uint32_t {
    BLEND_ZERO = 1,
    BLEND_ONE = 2,
    BLEND_SRCCOLOR = 3,
    BLEND_INVSRCCOLOR = 4,
    BLEND_SRCALPHA = 5,
    BLEND_INVSRCALPHA = 6,
    BLEND_DESTALPHA = 7,
    BLEND_INVDESTALPHA = 8,
    BLEND_DESTCOLOR = 9,
    BLEND_INVDESTCOLOR = 10,
    BLEND_BLENDFACTOR = 14,
    BLEND_INVBLENDFACTOR = 15,
};

enum FogMode : uint32_t { FOG_NONE = 0, FOG_EXP = 1, FOG_EXP2 = 2, FOG_LINEAR = 3 };
enum CullMode : uint32_t { CULL_NONE = 1, CULL_CW = 2, CULL_CCW = 3 };

enum class TextureStageState : uint32_t {
    ColorOp = 1,
    ColorArg1 = 2,
    ColorArg2 = 3,
    AlphaOp = 4,
    AlphaArg1 = 5,
    AlphaArg2 = 6,
    TexCoordIndex = 11,
    TextureTransformFlags = 24,
};

enum TextureOp : uint32_t {
    TOP_DISABLE = 1,
    TOP_SELECTARG1 = 2,
    TOP_SELECTARG2 = 3,
    TOP_MODULATE = 4,
    TOP_ADD = 7,
    TOP_DOTPRODUCT3 = 24,
};

// Texture stage arguments; COMPLEMENT and ALPHAREPLICATE are modifiers OR-ed in.
enum TextureArg : uint32_t {
    TA_DIFFUSE = 0,
    TA_CURRENT = 1,
    TA_TEXTURE = 2,
    TA_TFACTOR = 3,
    TA_SPECULAR = 4,
    TA_TEMP = 5,
    TA_COMPLEMENT = 0x10,
    TA_ALPHAREPLICATE = 0x20,
};

inline constexpr uint32_t TCI_PASSTHRU = 0x00000000;
inline constexpr uint32_t TCI_CAMERASPACEREFLECTIONVECTOR = 0x00030000;
inline constexpr uint32_t TTFF_DISABLE = 0;
inline constexpr uint32_t TTFF_COUNT3 = 3;

enum class SamplerState : uint32_t { MagFilter = 5, MinFilter = 6, MipFilter = 7 };
enum TextureFilter : uint32_t { TEXF_NONE = 0, TEXF_POINT = 1, TEXF_LINEAR = 2 };

inline constexpr uint32_t CLEAR_TARGET = 0x1;
inline constexpr uint32_t CLEAR_ZBUFFER = 0x2;
inline constexpr uint32_t CLEAR_STENCIL = 0x4;

inline uint32_t FloatBits(float f) {
    uint32_t u;
    static_assert(sizeof u == sizeof f);
    __builtin_memcpy(&u, &f, sizeof u);
    return u;
}
inline float BitsFloat(uint32_t u) {
    float f;
    __builtin_memcpy(&f, &u, sizeof f);
    return f;
}

enum class LightType : uint32_t { Point = 1, Spot = 2, Directional = 3 };

struct Light {
    LightType type = LightType::Directional;
    ColorValue diffuse, specular, ambient;
    math::Vec3 position, direction;
    float range = 0, falloff = 0, attenuation0 = 0, attenuation1 = 0, attenuation2 = 0;
    float theta = 0, phi = 0;
};

struct Material {
    ColorValue diffuse, ambient, specular, emissive;
    float power = 0;
};

// One instance of an instanced mesh draw: its world transform and material colours
// (specular is never used by the editor).
struct MeshInstance {
    math::Mat4 world;
    ColorValue diffuse, ambient, emissive;
};

// ---- Resources --------------------------------------------------------------------------
struct TextureLevel {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first
};

class Texture {
  public:
    virtual ~Texture() = default;
    virtual uint32_t Width() const = 0;
    virtual uint32_t Height() const = 0;
    virtual uint32_t LevelCount() const = 0;
};

// Line-list vertices, position only (12 bytes a vertex).
class VertexBuffer {
  public:
    virtual ~VertexBuffer() = default;
    virtual uint32_t VertexCount() const = 0;
};

// A triangle mesh with one attribute subset (0) and a CPU copy of its geometry, which
// picking intersects without the GPU.
class Mesh {
  public:
    virtual ~Mesh() = default;
    virtual const math::MeshGeometry& Geometry() const = 0;
    // 24 bytes (position, normal) or 32 (with one texture coordinate pair).
    uint32_t VertexSize() const { return Geometry().texCoords.empty() ? 24u : 32u; }
};

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};

inline constexpr uint32_t SPRITE_ALPHABLEND = 0x10;

// Textured screen quads under a 2D transform (pixels; x right, y down).
class Sprite {
  public:
    virtual ~Sprite() = default;
    virtual HRESULT Begin(uint32_t flags) = 0;
    virtual void SetTransform(const math::Mat4& transform) = 0;
    // src null: the whole texture. center/position null: (0, 0, 0).
    virtual HRESULT Draw(Texture* texture, const Rect* src, const math::Vec3* center,
                         const math::Vec3* position, Color color) = 0;
    virtual HRESULT End() = 0;
};

inline constexpr uint32_t DT_LEFT = 0x0;
inline constexpr uint32_t DT_TOP = 0x0;
inline constexpr uint32_t DT_CENTER = 0x1;
inline constexpr uint32_t DT_RIGHT = 0x2;
inline constexpr uint32_t DT_WORDBREAK = 0x10;
inline constexpr uint32_t DT_NOCLIP = 0x100;

struct FontDesc {
    int height = 0;  // pixels; negative means character height, as in the classic API
    int width = 0;
    int weight = 400;
    bool italic = false;
    std::string faceName;
};

class Font {
  public:
    virtual ~Font() = default;
    // UTF-8 text; count < 0 draws the whole string. Returns the text height in pixels.
    virtual int DrawText(Sprite* sprite, std::string_view text, int count, const Rect& rect,
                         uint32_t format, Color color) = 0;
    // The width one line of UTF-8 text takes when drawn, in the pixels DrawText lays out
    // in (trailing spaces not counted, as for alignment).
    virtual int TextWidth(std::string_view text) = 0;
    virtual void OnLostDevice() = 0;
    virtual void OnResetDevice() = 0;
};

// ---- Device ---------------------------------------------------------------------------------
// What every implementation answers alike (tests/platform/gfx/device_contract_test.cpp):
// - a new or reset device starts from the classic default states: depth test on exactly
//   when the device has a depth buffer (enableAutoDepthStencil), depth writes and lighting
//   on, no blending, no fog, counter-clockwise culling, identity transforms, the viewport
//   over the whole back buffer;
// - a null out-pointer or unusable data (see validation.h) is D3DERR_INVALIDCALL, as is a
//   scene begun twice or ended without a beginning; nothing is created on failure;
// - a back buffer without alpha reads back as opaque.
class Device {
  public:
    virtual ~Device() = default;

    // Life of the device.
    virtual HRESULT TestCooperativeLevel() = 0;
    virtual HRESULT Reset(PresentParameters* params) = 0;
    virtual HRESULT Present() = 0;
    virtual HRESULT GetDeviceCaps(Caps* caps) const = 0;
    virtual HRESULT GetBackBufferDesc(SurfaceDesc* desc) const = 0;
    virtual void ShowCursor(bool show) = 0;

    // Frame.
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT Clear(uint32_t flags, Color color, float z, uint32_t stencil) = 0;
    virtual void SetViewport(const math::Viewport& viewport) = 0;
    virtual math::Viewport GetViewport() const = 0;

    // Fixed-function state.
    virtual void SetTransform(TransformType type, const math::Mat4& m) = 0;
    virtual math::Mat4 GetTransform(TransformType type) const = 0;
    virtual void SetLight(uint32_t index, const Light& light) = 0;
    virtual void LightEnable(uint32_t index, bool enable) = 0;
    virtual void SetMaterial(const Material& material) = 0;
    virtual void SetRenderState(RenderState state, uint32_t value) = 0;
    virtual uint32_t GetRenderState(RenderState state) const = 0;
    virtual void SetTextureStageState(uint32_t stage, TextureStageState state, uint32_t value) = 0;
    virtual void SetSamplerState(uint32_t stage, SamplerState state, uint32_t value) = 0;
    virtual void SetTexture(uint32_t stage, Texture* texture) = 0;

    // Resources. A texture is given with its whole mip chain, level 0 first.
    virtual HRESULT CreateTexture(std::span<const TextureLevel> levels,
                                  std::unique_ptr<Texture>* texture) = 0;
    virtual HRESULT CreateLineBuffer(std::span<const math::Vec3> vertices,
                                     std::unique_ptr<VertexBuffer>* buffer) = 0;
    virtual HRESULT CreateMesh(const math::MeshGeometry& geometry, std::unique_ptr<Mesh>* mesh) = 0;
    virtual HRESULT CreateSprite(std::unique_ptr<Sprite>* sprite) = 0;
    virtual HRESULT CreateFont(const FontDesc& desc, std::unique_ptr<Font>* font) = 0;

    // Drawing with the current world transform, material and states.
    virtual void DrawLineList(VertexBuffer* buffer, uint32_t startVertex,
                              uint32_t primitiveCount) = 0;
    virtual void DrawMeshSubset(Mesh* mesh, uint32_t subset) = 0;
    // Many copies of one mesh in one call, each with its own world transform and material
    // colours; lights, fog and the other states are the current ones.
    virtual void DrawMeshInstances(Mesh* mesh, std::span<const MeshInstance> instances) = 0;

    // The back buffer as 0xAARRGGBB, top row first (tests, headless rendering).
    virtual HRESULT ReadBackBuffer(std::vector<uint32_t>* pixels) = 0;

    // Textures, buffers, meshes, sprites and fonts made by this device that still exist.
    // Releasing the device while this is non-zero is a clean-up fault the framework
    // reports; an implementation that cannot count answers 0.
    virtual uint32_t LiveObjectCount() const { return 0; }
};

// ---- The system object: adapters and device creation ---------------------------------------
class System {
  public:
    virtual ~System() = default;
    virtual uint32_t GetAdapterCount() const = 0;
    virtual HRESULT GetAdapterIdentifier(uint32_t adapter, AdapterIdentifier* id) const = 0;
    virtual uint32_t GetAdapterModeCount(uint32_t adapter, Format format) const = 0;
    virtual HRESULT EnumAdapterModes(uint32_t adapter, Format format, uint32_t mode,
                                     DisplayMode* out) const = 0;
    virtual HRESULT GetAdapterDisplayMode(uint32_t adapter, DisplayMode* out) const = 0;
    virtual HRESULT GetDeviceCaps(uint32_t adapter, DeviceType type, Caps* caps) const = 0;
    virtual HRESULT CheckDeviceType(uint32_t adapter, DeviceType type, Format adapterFormat,
                                    Format backBufferFormat, bool windowed) const = 0;
    virtual HRESULT CheckDeviceFormat(uint32_t adapter, DeviceType type, Format adapterFormat,
                                      uint32_t usage, ResourceType resourceType,
                                      Format checkFormat) const = 0;
    virtual HRESULT CheckDepthStencilMatch(uint32_t adapter, DeviceType type, Format adapterFormat,
                                           Format renderTargetFormat,
                                           Format depthStencilFormat) const = 0;
    virtual HRESULT CheckDeviceMultiSampleType(uint32_t adapter, DeviceType type,
                                               Format surfaceFormat, bool windowed,
                                               uint32_t multiSampleType,
                                               uint32_t* qualityLevels) const = 0;
    virtual HRESULT CreateDevice(uint32_t adapter, DeviceType type, WindowHandle focusWindow,
                                 uint32_t behaviorFlags, PresentParameters* params,
                                 std::unique_ptr<Device>* device) = 0;
};

}  // namespace gfx
