#include "support/fake/fake_device.h"

#include <algorithm>
#include <cstdlib>

#include "platform/gfx/validation.h"
#include "support/fake/names.h"

namespace gfx::fake {

namespace {

std::string U(uint32_t v) {
    return std::to_string(v);
}
std::string F(float f) {
    return FloatText(f);
}

}  // namespace

Caps FullCaps(DeviceType type, uint32_t adapter) {
    Caps c;
    c.deviceType = type;
    c.adapterOrdinal = adapter;
    c.devCaps = DEVCAPS_HWTRANSFORMANDLIGHT | DEVCAPS_PUREDEVICE;
    c.presentationIntervals = PRESENT_INTERVAL_IMMEDIATE | PRESENT_INTERVAL_ONE |
                              PRESENT_INTERVAL_TWO | PRESENT_INTERVAL_THREE | PRESENT_INTERVAL_FOUR;
    c.textureFilterCaps = PTFILTERCAPS_MINFLINEAR | PTFILTERCAPS_MAGFLINEAR;
    c.srcBlendCaps = PBLENDCAPS_SRCALPHA | PBLENDCAPS_INVSRCALPHA | PBLENDCAPS_BLENDFACTOR;
    c.destBlendCaps = c.srcBlendCaps;
    c.textureOpCaps = TEXOPCAPS_MODULATE | TEXOPCAPS_ADD | TEXOPCAPS_DOTPRODUCT3;
    c.maxTextureBlendStages = 8;
    return c;
}

PresentParameters DefaultPresentParameters() {
    PresentParameters p;
    p.backBufferWidth = 640;
    p.backBufferHeight = 480;
    p.backBufferFormat = Format::X8R8G8B8;
    p.windowed = true;
    p.enableAutoDepthStencil = true;
    p.autoDepthStencilFormat = Format::D16;
    p.flags = PRESENTFLAG_DISCARD_DEPTHSTENCIL;
    p.presentationInterval = PRESENT_INTERVAL_IMMEDIATE;
    return p;
}

std::vector<std::string> PresentArgs(const PresentParameters& p) {
    return {U(p.backBufferWidth),
            U(p.backBufferHeight),
            FormatName(p.backBufferFormat),
            p.windowed ? "windowed" : "fullscreen",
            p.enableAutoDepthStencil ? FormatName(p.autoDepthStencilFormat) : "nodepth",
            U(p.multiSampleType),
            Hex(p.presentationInterval)};
}

// ---- Device -------------------------------------------------------------------------------------

namespace {

// The states a freshly created or reset device starts with: depth testing is on where the
// device has a depth buffer.
std::map<RenderState, uint32_t> DefaultRenderStates(const PresentParameters& p) {
    return {{RenderState::ZEnable, p.enableAutoDepthStencil ? 1u : 0u},
            {RenderState::ZWriteEnable, 1},
            {RenderState::SrcBlend, BLEND_ONE},
            {RenderState::DestBlend, BLEND_ZERO},
            {RenderState::CullMode, CULL_CCW},
            {RenderState::DitherEnable, 0},
            {RenderState::AlphaBlendEnable, 0},
            {RenderState::FogEnable, 0},
            {RenderState::SpecularEnable, 0},
            {RenderState::FogColor, 0},
            {RenderState::FogTableMode, FOG_NONE},
            {RenderState::FogDensity, FloatBits(1.0f)},
            {RenderState::Lighting, 1},
            {RenderState::Ambient, 0},
            {RenderState::BlendFactor, 0xFFFFFFFFu}};
}

uint32_t DefaultSamplerState(SamplerState s) {
    return s == SamplerState::MipFilter ? TEXF_NONE : TEXF_POINT;
}

}  // namespace

FakeDevice::FakeDevice(const Caps& caps, const PresentParameters& params,
                       std::shared_ptr<CallLog> log)
    : log_(log ? std::move(log) : std::make_shared<CallLog>()), caps_(caps), params_(params) {
    renderStates_ = DefaultRenderStates(params_);
    viewport_ = {0,
                 0,
                 static_cast<int>(params_.backBufferWidth),
                 static_cast<int>(params_.backBufferHeight),
                 0.0f,
                 1.0f};
}

FakeDevice::~FakeDevice() {
    if (slot_ && *slot_ == this) *slot_ = nullptr;
    log_->Add({"ReleaseDevice", {}, S_OK, nullptr});
}

void FakeDevice::FailNext(const std::string& operation, HRESULT code, uint32_t after) {
    failures_[operation] = {after, code};
}

void FakeDevice::LoseDevice(uint32_t lostPolls) {
    lostPolls_ = lostPolls;
    phase_ = lostPolls ? Phase::Lost : Phase::NotReset;
}

HRESULT FakeDevice::Injected(const std::string& operation) {
    auto it = failures_.find(operation);
    if (it == failures_.end()) return S_OK;
    if (it->second.after > 0) {
        --it->second.after;
        return S_OK;
    }
    HRESULT code = it->second.code;
    failures_.erase(it);
    return code;
}

void FakeDevice::Record(std::string name, std::vector<std::string> args, HRESULT result,
                        bool withState) {
    Call call{std::move(name), std::move(args), result, nullptr};
    if (withState) call.state = std::make_shared<DrawState>(Snapshot());
    log_->Add(std::move(call));
}

void FakeDevice::RecordDraw(std::string name, std::vector<std::string> args,
                            std::vector<MeshInstance> instances) {
    auto state = std::make_shared<DrawState>(Snapshot());
    state->instances = std::move(instances);
    log_->Add({std::move(name), std::move(args), S_OK, std::move(state)});
}

DrawState FakeDevice::Snapshot() const {
    DrawState s;
    s.world = GetTransform(TransformType::World);
    s.view = GetTransform(TransformType::View);
    s.projection = GetTransform(TransformType::Projection);
    s.material = material_;
    s.renderStates = renderStates_;
    s.stageStates = stageStates_;
    s.textures[0] = GetTextureName(0);
    s.textures[1] = GetTextureName(1);
    s.lightEnabled[0] = IsLightEnabled(0);
    s.lightEnabled[1] = IsLightEnabled(1);
    s.viewport = viewport_;
    return s;
}

HRESULT FakeDevice::TestCooperativeLevel() {
    HRESULT hr = S_OK;
    if (phase_ == Phase::Lost) {
        hr = D3DERR_DEVICELOST;
        if (lostPolls_ > 0 && --lostPolls_ == 0) phase_ = Phase::NotReset;
    } else if (phase_ == Phase::NotReset) {
        hr = D3DERR_DEVICENOTRESET;
    }
    Record("TestCooperativeLevel", {}, hr);
    return hr;
}

HRESULT FakeDevice::Reset(PresentParameters* params) {
    HRESULT hr = params ? S_OK : D3DERR_INVALIDCALL;
    if (Succeeded(hr) && phase_ == Phase::Lost) hr = D3DERR_DEVICELOST;
    if (Succeeded(hr)) hr = Injected("Reset");
    Record("Reset", params ? PresentArgs(*params) : std::vector<std::string>{"null"}, hr);
    if (Failed(hr)) return hr;
    params_ = *params;
    phase_ = Phase::Ok;
    ++resetCount_;
    // A reset device starts again from the default states, like a new one.
    renderStates_ = DefaultRenderStates(params_);
    stageStates_.clear();
    samplerStates_.clear();
    transforms_.clear();
    lights_.clear();
    lightEnabled_.clear();
    textures_.clear();
    material_ = {};
    viewport_ = {0,
                 0,
                 static_cast<int>(params_.backBufferWidth),
                 static_cast<int>(params_.backBufferHeight),
                 0.0f,
                 1.0f};
    inScene_ = false;
    return S_OK;
}

HRESULT FakeDevice::Present() {
    HRESULT hr = phase_ != Phase::Ok ? D3DERR_DEVICELOST : Injected("Present");
    if (hr == D3DERR_DEVICELOST && phase_ == Phase::Ok) LoseDevice(1);
    Record("Present", {}, hr);
    if (Succeeded(hr)) ++presentCount_;
    return hr;
}

HRESULT FakeDevice::GetDeviceCaps(Caps* caps) const {
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = caps_;
    return S_OK;
}

HRESULT FakeDevice::GetBackBufferDesc(SurfaceDesc* desc) const {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = {params_.backBufferFormat, params_.backBufferWidth, params_.backBufferHeight};
    return S_OK;
}

void FakeDevice::ShowCursor(bool show) {
    cursorShown_ = show;
    Record("ShowCursor", {show ? "1" : "0"});
}

HRESULT FakeDevice::BeginScene() {
    HRESULT hr = inScene_ ? D3DERR_INVALIDCALL : Injected("BeginScene");
    Record("BeginScene", {}, hr);
    if (Succeeded(hr)) inScene_ = true;
    return hr;
}

HRESULT FakeDevice::EndScene() {
    HRESULT hr = inScene_ ? Injected("EndScene") : D3DERR_INVALIDCALL;
    Record("EndScene", {}, hr);
    inScene_ = false;
    return hr;
}

HRESULT FakeDevice::Clear(uint32_t flags, Color color, float z, uint32_t stencil) {
    HRESULT hr = Injected("Clear");
    Record("Clear", {Hex(flags), Hex(color), F(z), U(stencil)}, hr, true);
    if (Succeeded(hr) && (flags & CLEAR_TARGET)) clearColor_ = color;
    return hr;
}

void FakeDevice::SetViewport(const math::Viewport& v) {
    viewport_ = v;
    Record("SetViewport", {std::to_string(v.x), std::to_string(v.y), std::to_string(v.width),
                           std::to_string(v.height), F(v.minZ), F(v.maxZ)});
}

void FakeDevice::SetTransform(TransformType type, const math::Mat4& m) {
    transforms_[type] = m;
    Record("SetTransform", {TransformName(type), MatrixText(m)});
}

math::Mat4 FakeDevice::GetTransform(TransformType type) const {
    auto it = transforms_.find(type);
    return it == transforms_.end() ? math::Mat4{} : it->second;
}

void FakeDevice::SetLight(uint32_t index, const Light& light) {
    lights_[index] = light;
    Record("SetLight",
           {U(index), U(static_cast<uint32_t>(light.type)), "diffuse=" + ColorText(light.diffuse),
            "ambient=" + ColorText(light.ambient), "specular=" + ColorText(light.specular),
            "direction=" + VecText(light.direction)});
}

void FakeDevice::LightEnable(uint32_t index, bool enable) {
    lightEnabled_[index] = enable;
    Record("LightEnable", {U(index), enable ? "1" : "0"});
}

Light FakeDevice::GetLight(uint32_t index) const {
    auto it = lights_.find(index);
    return it == lights_.end() ? Light{} : it->second;
}

bool FakeDevice::IsLightEnabled(uint32_t index) const {
    auto it = lightEnabled_.find(index);
    return it != lightEnabled_.end() && it->second;
}

void FakeDevice::SetMaterial(const Material& m) {
    material_ = m;
    Record("SetMaterial", {"diffuse=" + ColorText(m.diffuse), "ambient=" + ColorText(m.ambient),
                           "specular=" + ColorText(m.specular), "emissive=" + ColorText(m.emissive),
                           "power=" + F(m.power)});
}

void FakeDevice::SetRenderState(RenderState state, uint32_t value) {
    renderStates_[state] = value;
    // Colours read best in hex, the float state as its value.
    std::string v = state == RenderState::FogDensity ? F(BitsFloat(value))
                    : (state == RenderState::FogColor || state == RenderState::Ambient ||
                       state == RenderState::BlendFactor)
                        ? Hex(value)
                        : U(value);
    Record("SetRenderState", {RenderStateName(state), v});
}

uint32_t FakeDevice::GetRenderState(RenderState state) const {
    auto it = renderStates_.find(state);
    return it == renderStates_.end() ? 0u : it->second;
}

void FakeDevice::SetTextureStageState(uint32_t stage, TextureStageState state, uint32_t value) {
    stageStates_[{stage, state}] = value;
    Record("SetTextureStageState", {U(stage), TextureStageStateName(state), U(value)});
}

uint32_t FakeDevice::GetTextureStageState(uint32_t stage, TextureStageState state) const {
    auto it = stageStates_.find({stage, state});
    return it == stageStates_.end() ? DefaultTextureStageState(stage, state) : it->second;
}

void FakeDevice::SetSamplerState(uint32_t stage, SamplerState state, uint32_t value) {
    samplerStates_[{stage, state}] = value;
    Record("SetSamplerState", {U(stage), SamplerStateName(state), U(value)});
}

uint32_t FakeDevice::GetSamplerState(uint32_t stage, SamplerState state) const {
    auto it = samplerStates_.find({stage, state});
    return it == samplerStates_.end() ? DefaultSamplerState(state) : it->second;
}

void FakeDevice::SetTexture(uint32_t stage, Texture* texture) {
    std::string name = ObjectName(texture);
    if (texture)
        textures_[stage] = name;
    else
        textures_.erase(stage);
    Record("SetTexture", {U(stage), name});
}

std::string FakeDevice::GetTextureName(uint32_t stage) const {
    auto it = textures_.find(stage);
    return it == textures_.end() ? std::string() : it->second;
}

HRESULT FakeDevice::CreateTexture(std::span<const TextureLevel> levels,
                                  std::unique_ptr<Texture>* texture) {
    HRESULT hr =
        (texture && ValidTextureLevels(levels)) ? Injected("CreateTexture") : D3DERR_INVALIDCALL;
    std::string size = levels.empty() ? "0x0" : U(levels[0].width) + "x" + U(levels[0].height);
    if (Failed(hr)) {
        Record("CreateTexture", {"null", size, U(static_cast<uint32_t>(levels.size()))}, hr);
        return hr;
    }
    std::string name = log_->NewName("texture");
    Record("CreateTexture", {name, size, U(static_cast<uint32_t>(levels.size()))}, hr);
    *texture = std::make_unique<FakeTexture>(
        name, std::vector<TextureLevel>(levels.begin(), levels.end()), log_, live_);
    return S_OK;
}

HRESULT FakeDevice::CreateLineBuffer(std::span<const math::Vec3> vertices,
                                     std::unique_ptr<VertexBuffer>* buffer) {
    HRESULT hr =
        (buffer && ValidLineVertices(vertices)) ? Injected("CreateLineBuffer") : D3DERR_INVALIDCALL;
    if (Failed(hr)) {
        Record("CreateLineBuffer", {"null", U(static_cast<uint32_t>(vertices.size()))}, hr);
        return hr;
    }
    std::string name = log_->NewName("lines");
    Record("CreateLineBuffer", {name, U(static_cast<uint32_t>(vertices.size()))}, hr);
    *buffer = std::make_unique<FakeVertexBuffer>(
        name, std::vector<math::Vec3>(vertices.begin(), vertices.end()), log_, live_);
    return S_OK;
}

HRESULT FakeDevice::CreateMesh(const math::MeshGeometry& geometry, std::unique_ptr<Mesh>* mesh) {
    HRESULT hr =
        (mesh && ValidMeshGeometry(geometry)) ? Injected("CreateMesh") : D3DERR_INVALIDCALL;
    std::vector<std::string> args{U(static_cast<uint32_t>(geometry.VertexCount())),
                                  U(static_cast<uint32_t>(geometry.FaceCount()))};
    if (Failed(hr)) {
        args.insert(args.begin(), "null");
        Record("CreateMesh", std::move(args), hr);
        return hr;
    }
    std::string name = log_->NewName("mesh");
    args.insert(args.begin(), name);
    Record("CreateMesh", std::move(args), hr);
    *mesh = std::make_unique<FakeMesh>(name, geometry, log_, live_);
    return S_OK;
}

HRESULT FakeDevice::CreateSprite(std::unique_ptr<Sprite>* sprite) {
    HRESULT hr = sprite ? Injected("CreateSprite") : D3DERR_INVALIDCALL;
    if (Failed(hr)) {
        Record("CreateSprite", {"null"}, hr);
        return hr;
    }
    std::string name = log_->NewName("sprite");
    Record("CreateSprite", {name}, hr);
    *sprite = std::make_unique<FakeSprite>(name, log_, live_);
    return S_OK;
}

HRESULT FakeDevice::CreateFont(const FontDesc& desc, std::unique_ptr<Font>* font) {
    HRESULT hr = font ? Injected("CreateFont") : D3DERR_INVALIDCALL;
    std::vector<std::string> args{std::to_string(desc.height), std::to_string(desc.weight),
                                  "\"" + desc.faceName + "\""};
    if (Failed(hr)) {
        args.insert(args.begin(), "null");
        Record("CreateFont", std::move(args), hr);
        return hr;
    }
    std::string name = log_->NewName("font");
    args.insert(args.begin(), name);
    Record("CreateFont", std::move(args), hr);
    *font = std::make_unique<FakeFont>(name, desc, log_, live_);
    return S_OK;
}

void FakeDevice::DrawLineList(VertexBuffer* buffer, uint32_t startVertex, uint32_t primitiveCount) {
    RecordDraw("DrawLineList", {ObjectName(buffer), U(startVertex), U(primitiveCount)});
}

void FakeDevice::DrawMeshSubset(Mesh* mesh, uint32_t subset) {
    RecordDraw("DrawMeshSubset", {ObjectName(mesh), U(subset)});
}

void FakeDevice::DrawMeshInstances(Mesh* mesh, std::span<const MeshInstance> instances) {
    RecordDraw("DrawMeshInstances", {ObjectName(mesh), U(static_cast<uint32_t>(instances.size()))},
               std::vector<MeshInstance>(instances.begin(), instances.end()));
}

HRESULT FakeDevice::ReadBackBuffer(std::vector<uint32_t>* pixels) {
    if (!pixels) return D3DERR_INVALIDCALL;
    // A back buffer without alpha reads as opaque.
    const uint32_t alpha = params_.backBufferFormat == Format::X8R8G8B8 ? 0xFF000000u : 0u;
    pixels->assign(static_cast<size_t>(params_.backBufferWidth) * params_.backBufferHeight,
                   clearColor_ | alpha);
    return S_OK;
}

}  // namespace gfx::fake
