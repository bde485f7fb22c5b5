// The OpenGL device's fixed-function state (read when a draw applies it) and the objects
// it makes.
#include <epoxy/gl.h>

#include "platform/gfx/gl/gl_device.h"
#include "platform/gfx/gl/gl_font.h"
#include "platform/gfx/gl/gl_sprite.h"

namespace gfx::gl {
namespace {

size_t RsIndex(RenderState s) {
    return static_cast<size_t>(s);
}

}  // namespace

// ---- Fixed-function state -------------------------------------------------------------------

void GlDevice::SetTransform(TransformType type, const math::Mat4& m) {
    switch (type) {
        case TransformType::World:
            world_ = m;
            break;
        case TransformType::View:
            view_ = m;
            ++stateGeneration_;
            break;
        case TransformType::Projection:
            projection_ = m;
            ++stateGeneration_;
            break;
    }
}

math::Mat4 GlDevice::GetTransform(TransformType type) const {
    switch (type) {
        case TransformType::World:
            return world_;
        case TransformType::View:
            return view_;
        case TransformType::Projection:
            return projection_;
    }
    return {};
}

void GlDevice::SetLight(uint32_t index, const Light& light) {
    if (index >= lights_.size()) return;
    lights_[index] = light;
    ++stateGeneration_;
}

void GlDevice::LightEnable(uint32_t index, bool enable) {
    if (index >= lightOn_.size()) return;
    lightOn_[index] = enable;
    ++stateGeneration_;
}

void GlDevice::SetRenderState(RenderState state, uint32_t value) {
    size_t i = RsIndex(state);
    if (i >= renderStates_.size() || renderStates_[i] == value) return;
    renderStates_[i] = value;
    ++stateGeneration_;
}

uint32_t GlDevice::GetRenderState(RenderState state) const {
    size_t i = RsIndex(state);
    return i < renderStates_.size() ? renderStates_[i] : 0;
}

void GlDevice::SetTextureStageState(uint32_t stage, TextureStageState state, uint32_t value) {
    size_t i = static_cast<size_t>(state);
    if (stage >= kMaxStages || i >= stageStates_[stage].size()) return;
    stageStates_[stage][i] = value;
    ++stateGeneration_;
}

void GlDevice::SetSamplerState(uint32_t stage, SamplerState state, uint32_t value) {
    size_t i = static_cast<size_t>(state);
    if (stage >= kMaxStages || i >= samplerStates_[stage].size()) return;
    samplerStates_[stage][i] = value;
    UpdateSampler(stage);
}

void GlDevice::UpdateSampler(uint32_t stage) {
    if (!host_->MakeCurrent()) return;
    const auto& sm = samplerStates_[stage];
    const bool magLinear = sm[static_cast<size_t>(SamplerState::MagFilter)] >= TEXF_LINEAR;
    const bool minLinear = sm[static_cast<size_t>(SamplerState::MinFilter)] >= TEXF_LINEAR;
    const uint32_t mip = sm[static_cast<size_t>(SamplerState::MipFilter)];
    GLenum minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
    if (mip == TEXF_POINT)
        minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    else if (mip >= TEXF_LINEAR)
        minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    glSamplerParameteri(samplers_[stage], GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
    glSamplerParameteri(samplers_[stage], GL_TEXTURE_MAG_FILTER,
                        magLinear ? GL_LINEAR : GL_NEAREST);
    // The classic default addressing mode is wrap.
    glSamplerParameteri(samplers_[stage], GL_TEXTURE_WRAP_S, GL_REPEAT);
    glSamplerParameteri(samplers_[stage], GL_TEXTURE_WRAP_T, GL_REPEAT);
}

void GlDevice::SetTexture(uint32_t stage, Texture* texture) {
    if (stage >= kMaxStages) return;
    auto* t = dynamic_cast<GlTexture*>(texture);
    GLuint id = t ? t->Id() : 0;
    if (textures_[stage] == id) return;
    textures_[stage] = id;
    ++stateGeneration_;
}

void GlDevice::ForgetTexture(GLuint id) {
    for (GLuint& t : textures_) {
        if (t == id) {
            t = 0;
            ++stateGeneration_;
        }
    }
}

// ---- Resources ----------------------------------------------------------------------------------

HRESULT GlDevice::CreateTexture(std::span<const TextureLevel> levels,
                                std::unique_ptr<Texture>* texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    std::unique_ptr<GlTexture> t;
    HRESULT hr = GlTexture::CreateArgb(link_, levels, &t);
    *texture = std::move(t);
    return hr;
}

HRESULT GlDevice::CreateLineBuffer(std::span<const math::Vec3> vertices,
                                   std::unique_ptr<VertexBuffer>* buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    std::unique_ptr<GlLineBuffer> b;
    HRESULT hr = GlLineBuffer::Create(link_, vertices, &b);
    *buffer = std::move(b);
    return hr;
}

HRESULT GlDevice::CreateMesh(const math::MeshGeometry& geometry, std::unique_ptr<Mesh>* mesh) {
    if (!mesh) return D3DERR_INVALIDCALL;
    std::unique_ptr<GlMesh> m;
    HRESULT hr = GlMesh::Create(link_, geometry, instanceBuffer_, &m);
    *mesh = std::move(m);
    return hr;
}

HRESULT GlDevice::CreateSprite(std::unique_ptr<Sprite>* sprite) {
    if (!sprite) return D3DERR_INVALIDCALL;
    std::unique_ptr<GlSprite> s;
    HRESULT hr = GlSprite::Create(link_, &s);
    *sprite = std::move(s);
    return hr;
}

HRESULT GlDevice::CreateFont(const FontDesc& desc, std::unique_ptr<Font>* font) {
    if (!font) return D3DERR_INVALIDCALL;
    return CreateGlFont(link_, desc, font);
}

}  // namespace gfx::gl
