#include "platform/gfx/gl/gl_device.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace gfx::gl {
namespace {

GLenum BlendFactorOf(uint32_t b) {
    switch (b) {
        case BLEND_ZERO:
            return GL_ZERO;
        case BLEND_ONE:
            return GL_ONE;
        case BLEND_SRCCOLOR:
            return GL_SRC_COLOR;
        case BLEND_INVSRCCOLOR:
            return GL_ONE_MINUS_SRC_COLOR;
        case BLEND_SRCALPHA:
            return GL_SRC_ALPHA;
        case BLEND_INVSRCALPHA:
            return GL_ONE_MINUS_SRC_ALPHA;
        case BLEND_DESTALPHA:
            return GL_DST_ALPHA;
        case BLEND_INVDESTALPHA:
            return GL_ONE_MINUS_DST_ALPHA;
        case BLEND_DESTCOLOR:
            return GL_DST_COLOR;
        case BLEND_INVDESTCOLOR:
            return GL_ONE_MINUS_DST_COLOR;
        case BLEND_BLENDFACTOR:
            return GL_CONSTANT_COLOR;
        case BLEND_INVBLENDFACTOR:
            return GL_ONE_MINUS_CONSTANT_COLOR;
        default:
            return GL_ONE;
    }
}

size_t RsIndex(RenderState s) {
    return static_cast<size_t>(s);
}

bool HasRobustness() {
    return epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_KHR_robustness") ||
           epoxy_has_gl_extension("GL_ARB_robustness");
}

}  // namespace

GlDevice::GlDevice(GlContextHost* host) : host_(host), link_(std::make_shared<DeviceLink>()) {
    link_->host = host;
    link_->device = this;
}

HRESULT GlDevice::Create(GlContextHost* host, const Caps& caps, PresentParameters* params,
                         std::unique_ptr<Device>* out) {
    if (!out) return D3DERR_INVALIDCALL;
    out->reset();
    if (!host || !params) return D3DERR_INVALIDCALL;
    if (!host->MakeCurrent()) return D3DERR_NOTAVAILABLE;
    std::unique_ptr<GlDevice> d(new GlDevice(host));
    HRESULT hr = d->Init(caps, params);
    if (Failed(hr)) return hr;
    *out = std::move(d);
    return S_OK;
}

HRESULT GlDevice::Init(const Caps& caps, PresentParameters* params) {
    caps_ = caps;
    std::string log;
    // A program that does not build is a fault of this module, never of the user's input:
    // say why on stderr for whoever runs it.
    if (!BuildSpriteProgram(&spriteProgram_, &log)) {
        std::fprintf(stderr, "OpenGL device: sprite program failed to build:\n%s\n", log.c_str());
        return E_FAIL;
    }
    // A program that builds at all builds in every variant: the plainest one is tried now,
    // the others are built when first needed.
    if (!Program(ProgramKey{})) return E_FAIL;
    {
        const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        const std::string name = renderer ? renderer : "";
        const bool software = name.find("llvmpipe") != std::string::npos ||
                              name.find("softpipe") != std::string::npos ||
                              name.find("swrast") != std::string::npos;
        instancing_ = software ? InstancingMode::LoopForLargeMeshes : InstancingMode::Instanced;
    }
    glGenBuffers(1, &instanceBuffer_);
    glGenSamplers(kMaxStages, samplers_);
    glGenSamplers(1, &spriteSampler_);
    glSamplerParameteri(spriteSampler_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(spriteSampler_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(spriteSampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glSamplerParameteri(spriteSampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return Reset(params);
}

GlDevice::~GlDevice() {
    link_->device = nullptr;
    if (link_->MakeCurrent()) {
        glUseProgram(0);
        for (const Variant& v : programs_)
            if (v.program.program) glDeleteProgram(v.program.program);
        if (spriteProgram_.program) glDeleteProgram(spriteProgram_.program);
        if (instanceBuffer_) glDeleteBuffers(1, &instanceBuffer_);
        glDeleteSamplers(kMaxStages, samplers_);
        if (spriteSampler_) glDeleteSamplers(1, &spriteSampler_);
    }
    link_->alive = false;
}

// ---- Life of the device ---------------------------------------------------------------------

void GlDevice::ResetState() {
    viewport_ = {
        0,    0,   static_cast<int>(backBuffer_.width), static_cast<int>(backBuffer_.height),
        0.0f, 1.0f};
    world_ = view_ = projection_ = math::Mat4{};
    material_ = {};
    lights_ = {};
    lightOn_ = {};
    renderStates_.fill(0);
    auto rs = [this](RenderState s, uint32_t v) { renderStates_[RsIndex(s)] = v; };
    rs(RenderState::ZEnable, params_.enableAutoDepthStencil ? 1u : 0u);
    rs(RenderState::ZWriteEnable, 1);
    rs(RenderState::SrcBlend, BLEND_ONE);
    rs(RenderState::DestBlend, BLEND_ZERO);
    rs(RenderState::CullMode, CULL_CCW);
    rs(RenderState::FogDensity, FloatBits(1.0f));
    rs(RenderState::Lighting, 1);
    rs(RenderState::BlendFactor, 0xFFFFFFFFu);
    for (uint32_t s = 0; s < kMaxStages; ++s) {
        auto& st = stageStates_[s];
        st.fill(0);
        st[static_cast<size_t>(TextureStageState::ColorOp)] = s == 0 ? TOP_MODULATE : TOP_DISABLE;
        st[static_cast<size_t>(TextureStageState::ColorArg1)] = TA_TEXTURE;
        st[static_cast<size_t>(TextureStageState::ColorArg2)] = TA_CURRENT;
        st[static_cast<size_t>(TextureStageState::AlphaOp)] = s == 0 ? TOP_SELECTARG1 : TOP_DISABLE;
        st[static_cast<size_t>(TextureStageState::AlphaArg1)] = TA_TEXTURE;
        st[static_cast<size_t>(TextureStageState::AlphaArg2)] = TA_CURRENT;
        st[static_cast<size_t>(TextureStageState::TexCoordIndex)] = s;
        auto& sm = samplerStates_[s];
        sm.fill(0);
        sm[static_cast<size_t>(SamplerState::MagFilter)] = TEXF_POINT;
        sm[static_cast<size_t>(SamplerState::MinFilter)] = TEXF_POINT;
        sm[static_cast<size_t>(SamplerState::MipFilter)] = TEXF_NONE;
        UpdateSampler(s);
    }
    textures_.fill(0);
    ++stateGeneration_;
}

HRESULT GlDevice::Reset(PresentParameters* params) {
    if (!params) return D3DERR_INVALIDCALL;
    if (inScene_) return D3DERR_INVALIDCALL;
    if (params->multiSampleType != 0) return D3DERR_INVALIDCALL;
    if (params->backBufferFormat != Format::Unknown &&
        params->backBufferFormat != Format::A8R8G8B8 &&
        params->backBufferFormat != Format::X8R8G8B8)
        return D3DERR_INVALIDCALL;
    if (!host_->MakeCurrent()) return D3DERR_DEVICELOST;
    // A context lost to a GPU reset took every buffer, texture and program with it, which a
    // reset cannot bring back: the caller must create a new device.
    if (contextLost_) return D3DERR_DEVICELOST;
    uint32_t w = params->backBufferWidth, h = params->backBufferHeight;
    if (w == 0 || h == 0) {
        SurfaceDesc current = host_->Surface();
        if (w == 0) w = current.width;
        if (h == 0) h = current.height;
    }
    if (!host_->Resize(w, h)) return D3DERR_NOTAVAILABLE;
    SurfaceDesc actual = host_->Surface();
    params->backBufferWidth = actual.width;
    params->backBufferHeight = actual.height;
    if (params->backBufferFormat == Format::Unknown) params->backBufferFormat = Format::X8R8G8B8;
    params_ = *params;
    backBuffer_ = {params->backBufferFormat, actual.width, actual.height};
    ResetState();
    return S_OK;
}

HRESULT GlDevice::TestCooperativeLevel() {
    if (!host_->MakeCurrent()) return D3DERR_DEVICELOST;
    if (!contextLost_ && HasRobustness()) {
        GLenum status = epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_KHR_robustness")
                            ? glGetGraphicsResetStatus()
                            : glGetGraphicsResetStatusARB();
        if (status != GL_NO_ERROR) contextLost_ = true;
    }
    return contextLost_ ? D3DERR_DEVICENOTRESET : S_OK;
}

HRESULT GlDevice::Present() {
    if (contextLost_) return D3DERR_DEVICELOST;
    if (!host_->MakeCurrent()) return D3DERR_DEVICELOST;
    host_->Present();
    return S_OK;
}

HRESULT GlDevice::GetDeviceCaps(Caps* caps) const {
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = caps_;
    return S_OK;
}

HRESULT GlDevice::GetBackBufferDesc(SurfaceDesc* desc) const {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = backBuffer_;
    return S_OK;
}

// ---- Frame ------------------------------------------------------------------------------------

HRESULT GlDevice::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    if (!host_->MakeCurrent()) return D3DERR_INVALIDCALL;
    inScene_ = true;
    ++stateGeneration_;  // another user of the context may have run since the last frame
    return S_OK;
}

HRESULT GlDevice::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return S_OK;
}

uint32_t GlDevice::FramebufferHeight() const {
    // The host's current height: a toolkit widget may already have its new size while the
    // device waits for the Reset that follows, and rows must still count from its top.
    const uint32_t h = host_->Surface().height;
    return h ? h : backBuffer_.height;
}

void GlDevice::BindTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, host_->DefaultFramebuffer());
    // The classic viewport counts rows from the top, GL from the bottom.
    const int glY = static_cast<int>(FramebufferHeight()) - viewport_.y - viewport_.height;
    glViewport(viewport_.x, glY, viewport_.width, viewport_.height);
    glDepthRange(viewport_.minZ, viewport_.maxZ);
}

HRESULT GlDevice::Clear(uint32_t flags, Color color, float z, uint32_t stencil) {
    if (!host_->MakeCurrent()) return D3DERR_INVALIDCALL;
    GLbitfield bits = 0;
    if (flags & CLEAR_TARGET) bits |= GL_COLOR_BUFFER_BIT;
    if (flags & CLEAR_ZBUFFER) bits |= GL_DEPTH_BUFFER_BIT;
    if (flags & CLEAR_STENCIL) bits |= GL_STENCIL_BUFFER_BIT;
    if (!bits) return D3DERR_INVALIDCALL;
    BindTarget();
    // Only the viewport's rectangle is cleared.
    const int glY = static_cast<int>(FramebufferHeight()) - viewport_.y - viewport_.height;
    glEnable(GL_SCISSOR_TEST);
    glScissor(viewport_.x, glY, viewport_.width, viewport_.height);
    ColorValue c = ToColorValue(color);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFF);
    glClearColor(c.r, c.g, c.b, c.a);
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
    glClearStencil(static_cast<GLint>(stencil & 0xFF));
    glClear(bits);
    glDisable(GL_SCISSOR_TEST);
    return S_OK;
}

void GlDevice::SetViewport(const math::Viewport& viewport) {
    // A viewport reaching outside the back buffer is clipped to it.
    const int bw = static_cast<int>(backBuffer_.width), bh = static_cast<int>(backBuffer_.height);
    math::Viewport v = viewport;
    v.x = std::clamp(v.x, 0, bw);
    v.y = std::clamp(v.y, 0, bh);
    v.width = std::clamp(v.width, 0, bw - v.x);
    v.height = std::clamp(v.height, 0, bh - v.y);
    viewport_ = v;
}

// ---- Drawing ---------------------------------------------------------------------------------

const FixedFunctionProgram* GlDevice::Program(const ProgramKey& key) {
    for (const Variant& v : programs_)
        if (v.key == key) return &v.program;
    if (buildFailed_) return nullptr;
    std::string log;
    FixedFunctionProgram p;
    if (!BuildFixedFunctionProgram(key, &p, &log)) {
        // Reported once; a device that cannot build its programs draws nothing.
        std::fprintf(stderr, "OpenGL device: shader program failed to build:\n%s\n", log.c_str());
        buildFailed_ = true;
        return nullptr;
    }
    programs_.push_back({key, p, 0});
    return &programs_.back().program;
}

ProgramKey GlDevice::CurrentProgramKey() const {
    ProgramKey key;
    for (; key.stageCount < kMaxStages; ++key.stageCount) {
        const size_t s = static_cast<size_t>(key.stageCount);
        const auto& st = stageStates_[s];
        auto state = [&st](TextureStageState t) { return st[static_cast<size_t>(t)]; };
        if (state(TextureStageState::ColorOp) == TOP_DISABLE) break;
        StageKey& k = key.stages[s];
        k.colorOp = state(TextureStageState::ColorOp);
        k.alphaOp = state(TextureStageState::AlphaOp);
        k.colorArg1 = state(TextureStageState::ColorArg1);
        k.colorArg2 = state(TextureStageState::ColorArg2);
        k.alphaArg1 = state(TextureStageState::AlphaArg1);
        k.alphaArg2 = state(TextureStageState::AlphaArg2);
        k.reflection = (state(TextureStageState::TexCoordIndex) & 0xFFFF0000u) ==
                       TCI_CAMERASPACEREFLECTIONVECTOR;
        k.texture = textures_[s] != 0;
    }
    key.lighting = renderStates_[RsIndex(RenderState::Lighting)] != 0;
    if (key.lighting) {
        for (size_t i = 0; i < lights_.size() && key.lightCount < kMaxLights; ++i)
            if (lightOn_[i] && lights_[i].type == LightType::Directional) ++key.lightCount;
    }
    if (renderStates_[RsIndex(RenderState::FogEnable)]) {
        const uint32_t m = renderStates_[RsIndex(RenderState::FogTableMode)];
        // Linear fog with the classic default range, start 0 and end 1: no state here sets
        // another range.
        if (m == FOG_EXP || m == FOG_EXP2 || m == FOG_LINEAR) key.fogMode = static_cast<int>(m);
    }
    return key;
}

void GlDevice::UploadUniforms(const FixedFunctionProgram& p) {
    glUniformMatrix4fv(p.view, 1, GL_FALSE, &view_.m[0][0]);
    glUniformMatrix4fv(p.projection, 1, GL_FALSE, &projection_.m[0][0]);

    ColorValue ambient = ToColorValue(renderStates_[RsIndex(RenderState::Ambient)]);
    float ambientSum[3] = {ambient.r, ambient.g, ambient.b};
    float dirs[kMaxLights * 3] = {};
    float diffuse[kMaxLights * 3] = {};
    int count = 0;
    for (size_t i = 0; i < lights_.size(); ++i) {
        if (!lightOn_[i]) continue;
        const Light& l = lights_[i];
        ambientSum[0] += l.ambient.r;
        ambientSum[1] += l.ambient.g;
        ambientSum[2] += l.ambient.b;
        // Only directional lights are evaluated; the editor uses nothing else.
        if (l.type != LightType::Directional || count >= kMaxLights) continue;
        math::Vec3 d = math::Normalize(l.direction);
        dirs[count * 3 + 0] = d.x;
        dirs[count * 3 + 1] = d.y;
        dirs[count * 3 + 2] = d.z;
        diffuse[count * 3 + 0] = l.diffuse.r;
        diffuse[count * 3 + 1] = l.diffuse.g;
        diffuse[count * 3 + 2] = l.diffuse.b;
        ++count;
    }
    glUniform3fv(p.ambientSum, 1, ambientSum);
    glUniform3fv(p.lightDir, kMaxLights, dirs);
    glUniform3fv(p.lightDiffuse, kMaxLights, diffuse);

    glUniform1f(p.fogDensity, BitsFloat(renderStates_[RsIndex(RenderState::FogDensity)]));
    ColorValue fog = ToColorValue(renderStates_[RsIndex(RenderState::FogColor)]);
    glUniform3f(p.fogColour, fog.r, fog.g, fog.b);
}

bool GlDevice::ApplyDrawState() {
    const FixedFunctionProgram* program = Program(CurrentProgramKey());
    if (!program) return false;
    BindTarget();
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    // Both APIs judge the winding as the viewer sees it (the picture is not mirrored on
    // its way to the screen), so culling counter-clockwise faces keeps the clockwise ones.
    switch (renderStates_[RsIndex(RenderState::CullMode)]) {
        case CULL_CCW:
            glEnable(GL_CULL_FACE);
            glCullFace(GL_BACK);
            glFrontFace(GL_CW);
            break;
        case CULL_CW:
            glEnable(GL_CULL_FACE);
            glCullFace(GL_BACK);
            glFrontFace(GL_CCW);
            break;
        default:
            glDisable(GL_CULL_FACE);
            break;
    }
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (renderStates_[RsIndex(RenderState::ZEnable)]) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(renderStates_[RsIndex(RenderState::ZWriteEnable)] ? GL_TRUE : GL_FALSE);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    if (renderStates_[RsIndex(RenderState::AlphaBlendEnable)]) {
        glEnable(GL_BLEND);
        glBlendEquation(GL_FUNC_ADD);
        glBlendFunc(BlendFactorOf(renderStates_[RsIndex(RenderState::SrcBlend)]),
                    BlendFactorOf(renderStates_[RsIndex(RenderState::DestBlend)]));
        ColorValue f = ToColorValue(renderStates_[RsIndex(RenderState::BlendFactor)]);
        glBlendColor(f.r, f.g, f.b, f.a);
    } else {
        glDisable(GL_BLEND);
    }
    glUseProgram(program->program);
    for (Variant& v : programs_) {
        if (&v.program != program || v.uploaded == stateGeneration_) continue;
        UploadUniforms(*program);
        v.uploaded = stateGeneration_;
    }
    for (int s = 0; s < kMaxStages; ++s) {
        if (!textures_[s]) continue;
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(s));
        glBindTexture(GL_TEXTURE_2D, textures_[s]);
        glBindSampler(static_cast<GLuint>(s), samplers_[s]);
    }
    glActiveTexture(GL_TEXTURE0);
    return true;
}

void GlDevice::SetConstantAttributes() {
    // Attribute arrays that a draw leaves disabled read these constant values.
    glVertexAttrib3f(kAttribNormal, 0.0f, 0.0f, 0.0f);
    glVertexAttrib2f(kAttribTexCoord, 0.0f, 0.0f);
    for (GLuint r = 0; r < 4; ++r) glVertexAttrib4fv(kAttribWorld0 + r, world_.m[r]);
    glVertexAttrib4fv(kAttribDiffuse, &material_.diffuse.r);
    glVertexAttrib4fv(kAttribAmbient, &material_.ambient.r);
    glVertexAttrib4fv(kAttribEmissive, &material_.emissive.r);
}

void GlDevice::DrawLineList(VertexBuffer* buffer, uint32_t startVertex, uint32_t primitiveCount) {
    auto* b = dynamic_cast<GlLineBuffer*>(buffer);
    if (!b || primitiveCount == 0 || !host_->MakeCurrent()) return;
    // Lines past the end of the buffer are not drawn.
    const uint64_t count = static_cast<uint64_t>(primitiveCount) * 2;
    if (startVertex >= b->VertexCount()) return;
    const uint64_t available = b->VertexCount() - startVertex;
    const GLsizei n = static_cast<GLsizei>(std::min(count, available - available % 2));
    if (n == 0) return;
    if (!ApplyDrawState()) return;
    SetConstantAttributes();
    glBindVertexArray(b->Vao());
    glDrawArrays(GL_LINES, static_cast<GLint>(startVertex), n);
    glBindVertexArray(0);
}

void GlDevice::DrawMeshSubset(Mesh* mesh, uint32_t subset) {
    auto* m = dynamic_cast<GlMesh*>(mesh);
    if (!m || subset != 0 || !host_->MakeCurrent()) return;
    if (!ApplyDrawState()) return;
    SetConstantAttributes();
    glBindVertexArray(m->Vao());
    glDrawElements(GL_TRIANGLES, m->IndexCount(), GL_UNSIGNED_SHORT, nullptr);
    glBindVertexArray(0);
}

void GlDevice::DrawMeshInstances(Mesh* mesh, std::span<const MeshInstance> instances) {
    auto* m = dynamic_cast<GlMesh*>(mesh);
    if (!m || instances.empty() || !host_->MakeCurrent()) return;
    if (!ApplyDrawState()) return;
    SetConstantAttributes();
    // Mesa's software rasteriser shades the vertices of a draw on the calling thread and
    // fetches per-instance attributes slowly, while a draw of its own has a cost of its own:
    // one draw per copy pays for the high-detail block (711 vertices, bench_gl), instanced
    // attributes for the medium and low ones (334 and 201: the turning chain of
    // bench_render).
    constexpr size_t kLoopFromVertices = 512;
    const bool loop =
        instancing_ == InstancingMode::Loop || (instancing_ == InstancingMode::LoopForLargeMeshes &&
                                                m->Geometry().VertexCount() >= kLoopFromVertices);
    if (loop) {
        glBindVertexArray(m->Vao());
        for (const MeshInstance& inst : instances) {
            for (GLuint r = 0; r < 4; ++r) glVertexAttrib4fv(kAttribWorld0 + r, inst.world.m[r]);
            glVertexAttrib4fv(kAttribDiffuse, &inst.diffuse.r);
            glVertexAttrib4fv(kAttribAmbient, &inst.ambient.r);
            glVertexAttrib4fv(kAttribEmissive, &inst.emissive.r);
            glDrawElements(GL_TRIANGLES, m->IndexCount(), GL_UNSIGNED_SHORT, nullptr);
        }
        glBindVertexArray(0);
        return;
    }
    glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer_);
    // Orphan the previous contents so the driver need not wait for the last draw.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(instances.size_bytes()), instances.data(),
                 GL_STREAM_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(m->InstancedVao());
    glDrawElementsInstanced(GL_TRIANGLES, m->IndexCount(), GL_UNSIGNED_SHORT, nullptr,
                            static_cast<GLsizei>(instances.size()));
    glBindVertexArray(0);
}

HRESULT GlDevice::ReadBackBuffer(std::vector<uint32_t>* pixels) {
    if (!pixels) return D3DERR_INVALIDCALL;
    if (!host_->MakeCurrent()) return D3DERR_INVALIDCALL;
    const uint32_t w = backBuffer_.width, h = backBuffer_.height;
    std::vector<uint32_t> raw(static_cast<size_t>(w) * h);
    while (glGetError() != GL_NO_ERROR) {
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, host_->DefaultFramebuffer());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, raw.data());
    if (glGetError() != GL_NO_ERROR) return E_FAIL;
    pixels->resize(raw.size());
    // GL rows run bottom-up; callers get the top row first. A back buffer without alpha
    // reads as opaque.
    const uint32_t alpha = backBuffer_.format == Format::X8R8G8B8 ? 0xFF000000u : 0u;
    for (uint32_t y = 0; y < h; ++y) {
        const uint32_t* src = raw.data() + static_cast<size_t>(h - 1 - y) * w;
        uint32_t* dst = pixels->data() + static_cast<size_t>(y) * w;
        for (uint32_t x = 0; x < w; ++x) dst[x] = src[x] | alpha;
    }
    return S_OK;
}

}  // namespace gfx::gl
