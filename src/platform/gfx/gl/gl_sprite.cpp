#include "platform/gfx/gl/gl_sprite.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "platform/gfx/gl/gl_device.h"

namespace gfx::gl {

HRESULT GlSprite::Create(std::shared_ptr<DeviceLink> link, std::unique_ptr<GlSprite>* out) {
    if (!out) return D3DERR_INVALIDCALL;
    out->reset();
    if (!link->device || !link->MakeCurrent()) return D3DERR_INVALIDCALL;
    std::unique_ptr<GlSprite> s(new GlSprite(std::move(link)));
    while (glGetError() != GL_NO_ERROR) {
    }
    glGenVertexArrays(1, &s->vao_);
    glGenBuffers(1, &s->vbo_);
    glBindVertexArray(s->vao_);
    glBindBuffer(GL_ARRAY_BUFFER, s->vbo_);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offsetof(Vertex, x)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offsetof(Vertex, u)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offsetof(Vertex, r)));
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    if (glGetError() != GL_NO_ERROR) return E_FAIL;
    *out = std::move(s);
    return S_OK;
}

GlSprite::~GlSprite() {
    if (!link_->MakeCurrent()) return;
    if (vao_) glDeleteVertexArrays(1, &vao_);
    if (vbo_) glDeleteBuffers(1, &vbo_);
}

HRESULT GlSprite::Begin(uint32_t flags) {
    if (began_ || !link_->device) return D3DERR_INVALIDCALL;
    began_ = true;
    flags_ = flags;
    viewport_ = link_->device->GetViewport();
    scale_ = link_->device->OverlayScale();
    vertices_.clear();
    runs_.clear();
    return S_OK;
}

HRESULT GlSprite::Draw(Texture* texture, const Rect* src, const math::Vec3* center,
                       const math::Vec3* position, Color color) {
    if (!began_) return D3DERR_INVALIDCALL;
    auto* t = dynamic_cast<GlTexture*>(texture);
    if (!t) return D3DERR_INVALIDCALL;
    Rect r = src ? *src : Rect{0, 0, static_cast<int>(t->Width()), static_cast<int>(t->Height())};
    const math::Vec3 c = center ? *center : math::Vec3{};
    const math::Vec3 p = position ? *position : math::Vec3{};
    const float w = static_cast<float>(r.right - r.left), h = static_cast<float>(r.bottom - r.top);
    const float x0 = p.x - c.x, y0 = p.y - c.y;
    const float tw = static_cast<float>(t->Width()), th = static_cast<float>(t->Height());
    AddQuad(t, x0, y0, x0 + w, y0 + h, static_cast<float>(r.left) / tw,
            static_cast<float>(r.top) / th, static_cast<float>(r.right) / tw,
            static_cast<float>(r.bottom) / th, color, std::nullopt);
    return S_OK;
}

void GlSprite::ToPixels(float x, float y, float* px, float* py) const {
    // Row-vector transform of (x, y, 0, 1), then logical to device pixels.
    const math::Mat4& m = transform_;
    *px = (x * m.m[0][0] + y * m.m[1][0] + m.m[3][0]) * scale_;
    *py = (x * m.m[0][1] + y * m.m[1][1] + m.m[3][1]) * scale_;
}

void GlSprite::AddQuad(GlTexture* texture, float x0, float y0, float x1, float y1, float u0,
                       float v0, float u1, float v1, Color color, const std::optional<Rect>& clip) {
    if (!began_ || !texture) return;
    const ColorValue c = ToColorValue(color);
    const float vw = static_cast<float>(viewport_.width > 0 ? viewport_.width : 1);
    const float vh = static_cast<float>(viewport_.height > 0 ? viewport_.height : 1);
    auto corner = [&](float x, float y, float u, float v) {
        float px, py;
        ToPixels(x, y, &px, &py);
        // Normalised coordinates of the viewport, y up.
        return Vertex{px / vw * 2.0f - 1.0f, 1.0f - py / vh * 2.0f, u, v, c.r, c.g, c.b, c.a};
    };
    std::optional<Rect> deviceClip;
    if (clip) {
        float ax, ay, bx, by;
        ToPixels(static_cast<float>(clip->left), static_cast<float>(clip->top), &ax, &ay);
        ToPixels(static_cast<float>(clip->right), static_cast<float>(clip->bottom), &bx, &by);
        deviceClip = Rect{static_cast<int>(std::lround(std::min(ax, bx))),
                          static_cast<int>(std::lround(std::min(ay, by))),
                          static_cast<int>(std::lround(std::max(ax, bx))),
                          static_cast<int>(std::lround(std::max(ay, by)))};
    }
    const Vertex a = corner(x0, y0, u0, v0), b = corner(x1, y0, u1, v0);
    const Vertex d = corner(x0, y1, u0, v1), e = corner(x1, y1, u1, v1);
    const GLint first = static_cast<GLint>(vertices_.size());
    vertices_.insert(vertices_.end(), {a, b, d, b, e, d});
    if (!runs_.empty() && runs_.back().texture == texture->Id() &&
        runs_.back().clip == deviceClip) {
        runs_.back().count += 6;
    } else {
        runs_.push_back({texture->Id(), deviceClip, first, 6});
    }
}

HRESULT GlSprite::End() {
    if (!began_) return D3DERR_INVALIDCALL;
    began_ = false;
    GlDevice* device = link_->device;
    if (vertices_.empty() || !device || !link_->MakeCurrent()) return S_OK;
    device->BindTarget();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_STENCIL_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (flags_ & SPRITE_ALPHABLEND) {
        glEnable(GL_BLEND);
        glBlendEquation(GL_FUNC_ADD);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }
    glUseProgram(device->SpriteShader().program);
    glBindVertexArray(vao_);
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices_.size() * sizeof(Vertex)),
                 vertices_.data(), GL_STREAM_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindSampler(0, device->SpriteSampler());
    const math::Viewport vp = device->GetViewport();
    const int bufferHeight = static_cast<int>(device->FramebufferHeight());
    for (const Run& run : runs_) {
        if (run.clip) {
            const Rect& c = *run.clip;
            glEnable(GL_SCISSOR_TEST);
            glScissor(vp.x + c.left, bufferHeight - (vp.y + c.bottom),
                      std::max(0, c.right - c.left), std::max(0, c.bottom - c.top));
        } else {
            glDisable(GL_SCISSOR_TEST);
        }
        glBindTexture(GL_TEXTURE_2D, run.texture);
        glDrawArrays(GL_TRIANGLES, run.first, run.count);
    }
    glDisable(GL_SCISSOR_TEST);
    glBindVertexArray(0);
    glBindSampler(0, 0);
    vertices_.clear();
    runs_.clear();
    return S_OK;
}

}  // namespace gfx::gl
