#pragma once
// Textured screen quads in viewport pixels (x right, y down, origin top-left), batched
// between Begin and End and drawn in the order given. Internal to gl/.
#include <epoxy/gl.h>

#include <optional>
#include <vector>

#include "platform/gfx/gfx.h"
#include "platform/gfx/gl/gl_resources.h"

namespace gfx::gl {

class GlSprite final : public Sprite, public GlObject {
  public:
    static HRESULT Create(std::shared_ptr<DeviceLink> link, std::unique_ptr<GlSprite>* out);
    ~GlSprite() override;

    HRESULT Begin(uint32_t flags) override;
    void SetTransform(const math::Mat4& transform) override { transform_ = transform; }
    HRESULT Draw(Texture* texture, const Rect* src, const math::Vec3* center,
                 const math::Vec3* position, Color color) override;
    HRESULT End() override;

    bool InBatch() const { return began_; }
    // One quad from (x0, y0) to (x1, y1) in sprite coordinates (before the transform),
    // texture coordinates (u0, v0)..(u1, v1). clip: a rectangle in sprite coordinates too,
    // outside which nothing of this quad is drawn.
    void AddQuad(GlTexture* texture, float x0, float y0, float x1, float y1, float u0, float v0,
                 float u1, float v1, Color color, const std::optional<Rect>& clip);

  private:
    explicit GlSprite(std::shared_ptr<DeviceLink> link) : GlObject(std::move(link)) {}

    struct Vertex {
        float x, y, u, v, r, g, b, a;
    };
    // Sprite coordinates to viewport device pixels.
    void ToPixels(float x, float y, float* px, float* py) const;

    struct Run {
        GLuint texture;
        std::optional<Rect> clip;
        GLint first;
        GLsizei count;
    };

    bool began_ = false;
    uint32_t flags_ = 0;
    math::Mat4 transform_;
    math::Viewport viewport_;
    float scale_ = 1.0f;
    std::vector<Vertex> vertices_;
    std::vector<Run> runs_;
    GLuint vao_ = 0, vbo_ = 0;
};

}  // namespace gfx::gl
