#pragma once
// GPU resources of the OpenGL device: textures, line buffers and meshes. Internal to gl/.
#include <epoxy/gl.h>

#include <atomic>
#include <memory>
#include <span>

#include "platform/gfx/gfx.h"
#include "platform/gfx/gl/gl_context_host.h"

namespace gfx::gl {

class GlDevice;

// Shared by a device and everything it made: the context to delete GL objects in, whether
// the device still exists, and how many of its objects do.
struct DeviceLink {
    GlContextHost* host = nullptr;
    GlDevice* device = nullptr;  // null once the device is gone
    bool alive = true;
    std::atomic<uint32_t> liveObjects{0};

    // Objects released after their device free nothing: the device's context may be gone.
    bool MakeCurrent() const { return alive && host && host->MakeCurrent(); }
};

class GlObject {
  public:
    explicit GlObject(std::shared_ptr<DeviceLink> link) : link_(std::move(link)) {
        ++link_->liveObjects;
    }
    virtual ~GlObject() {
        if (counted_) --link_->liveObjects;
    }
    GlObject(const GlObject&) = delete;
    GlObject& operator=(const GlObject&) = delete;
    // A part of another object (a font's sprite and glyph pages) is not counted on its own:
    // the count is of what callers made and must release.
    void MakePart() {
        if (counted_) --link_->liveObjects;
        counted_ = false;
    }

  protected:
    std::shared_ptr<DeviceLink> link_;

  private:
    bool counted_ = true;
};

class GlTexture final : public Texture, public GlObject {
  public:
    // A colour texture from its mip chain (0xAARRGGBB texels, top row first).
    static HRESULT CreateArgb(std::shared_ptr<DeviceLink> link,
                              std::span<const TextureLevel> levels,
                              std::unique_ptr<GlTexture>* out);
    // A single-level coverage texture: samples as white with the coverage as alpha.
    static HRESULT CreateCoverage(std::shared_ptr<DeviceLink> link, uint32_t width, uint32_t height,
                                  std::unique_ptr<GlTexture>* out);
    ~GlTexture() override;

    uint32_t Width() const override { return width_; }
    uint32_t Height() const override { return height_; }
    uint32_t LevelCount() const override { return levels_; }
    GLuint Id() const { return id_; }
    // Writes rows of coverage bytes into a coverage texture (top row first).
    void UpdateCoverage(uint32_t x, uint32_t y, uint32_t w, uint32_t h, const uint8_t* rows,
                        uint32_t pitch);

  private:
    explicit GlTexture(std::shared_ptr<DeviceLink> link) : GlObject(std::move(link)) {}
    GLuint id_ = 0;
    uint32_t width_ = 0, height_ = 0, levels_ = 0;
};

class GlLineBuffer final : public VertexBuffer, public GlObject {
  public:
    static HRESULT Create(std::shared_ptr<DeviceLink> link, std::span<const math::Vec3> vertices,
                          std::unique_ptr<GlLineBuffer>* out);
    ~GlLineBuffer() override;
    uint32_t VertexCount() const override { return count_; }
    GLuint Vao() const { return vao_; }

  private:
    explicit GlLineBuffer(std::shared_ptr<DeviceLink> link) : GlObject(std::move(link)) {}
    GLuint vbo_ = 0, vao_ = 0;
    uint32_t count_ = 0;
};

class GlMesh final : public Mesh, public GlObject {
  public:
    // instanceBuffer: the device's per-instance stream, bound into the instanced layout.
    static HRESULT Create(std::shared_ptr<DeviceLink> link, const math::MeshGeometry& geometry,
                          GLuint instanceBuffer, std::unique_ptr<GlMesh>* out);
    ~GlMesh() override;
    const math::MeshGeometry& Geometry() const override { return geometry_; }
    GLuint Vao() const { return vao_; }
    GLuint InstancedVao() const { return instancedVao_; }
    GLsizei IndexCount() const { return static_cast<GLsizei>(geometry_.indices.size()); }

  private:
    explicit GlMesh(std::shared_ptr<DeviceLink> link) : GlObject(std::move(link)) {}
    math::MeshGeometry geometry_;
    GLuint vbo_ = 0, ibo_ = 0, vao_ = 0, instancedVao_ = 0;
};

}  // namespace gfx::gl
