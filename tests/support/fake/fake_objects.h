#pragma once
// The objects a FakeDevice makes (see fake_device.h): named by kind and creation order
// within their log ("texture#1", "lines#2", "mesh#3", "sprite#1", "font#1"), keeping what
// they were made from, and recording their own calls and their release in the same log.
#include <memory>
#include <string>
#include <vector>

#include "support/fake/call_log.h"

namespace gfx::fake {

class FakeTexture final : public Texture {
  public:
    FakeTexture(std::string name, std::vector<TextureLevel> levels, std::shared_ptr<CallLog> log,
                std::shared_ptr<uint32_t> live);
    ~FakeTexture() override;
    uint32_t Width() const override { return levels_.empty() ? 0 : levels_[0].width; }
    uint32_t Height() const override { return levels_.empty() ? 0 : levels_[0].height; }
    uint32_t LevelCount() const override { return static_cast<uint32_t>(levels_.size()); }
    const std::string& Name() const { return name_; }
    const std::vector<TextureLevel>& Levels() const { return levels_; }

  private:
    std::string name_;
    std::vector<TextureLevel> levels_;
    std::shared_ptr<CallLog> log_;
    std::shared_ptr<uint32_t> live_;
};

class FakeVertexBuffer final : public VertexBuffer {
  public:
    FakeVertexBuffer(std::string name, std::vector<math::Vec3> vertices,
                     std::shared_ptr<CallLog> log, std::shared_ptr<uint32_t> live);
    ~FakeVertexBuffer() override;
    uint32_t VertexCount() const override { return static_cast<uint32_t>(vertices_.size()); }
    const std::string& Name() const { return name_; }
    const std::vector<math::Vec3>& Vertices() const { return vertices_; }

  private:
    std::string name_;
    std::vector<math::Vec3> vertices_;
    std::shared_ptr<CallLog> log_;
    std::shared_ptr<uint32_t> live_;
};

class FakeMesh final : public Mesh {
  public:
    FakeMesh(std::string name, math::MeshGeometry geometry, std::shared_ptr<CallLog> log,
             std::shared_ptr<uint32_t> live);
    ~FakeMesh() override;
    const math::MeshGeometry& Geometry() const override { return geometry_; }
    const std::string& Name() const { return name_; }

  private:
    std::string name_;
    math::MeshGeometry geometry_;
    std::shared_ptr<CallLog> log_;
    std::shared_ptr<uint32_t> live_;
};

class FakeSprite final : public Sprite {
  public:
    FakeSprite(std::string name, std::shared_ptr<CallLog> log, std::shared_ptr<uint32_t> live);
    ~FakeSprite() override;
    HRESULT Begin(uint32_t flags) override;
    void SetTransform(const math::Mat4& transform) override;
    HRESULT Draw(Texture* texture, const Rect* src, const math::Vec3* center,
                 const math::Vec3* position, Color color) override;
    HRESULT End() override;
    const std::string& Name() const { return name_; }
    bool InBegin() const { return inBegin_; }
    const math::Mat4& Transform() const { return transform_; }

  private:
    std::string name_;
    std::shared_ptr<CallLog> log_;
    std::shared_ptr<uint32_t> live_;
    bool inBegin_ = false;
    math::Mat4 transform_;
};

class FakeFont final : public Font {
  public:
    FakeFont(std::string name, FontDesc desc, std::shared_ptr<CallLog> log,
             std::shared_ptr<uint32_t> live);
    ~FakeFont() override;
    // Answers |height| (16 when 0) per line of the drawn text.
    int DrawText(Sprite* sprite, std::string_view text, int count, const Rect& rect,
                 uint32_t format, Color color) override;
    // 8 pixels per character (UTF-8 sequences count once).
    int TextWidth(std::string_view text) override;
    void OnLostDevice() override;
    void OnResetDevice() override;
    const std::string& Name() const { return name_; }
    const FontDesc& Desc() const { return desc_; }
    bool Lost() const { return lost_; }

  private:
    std::string name_;
    FontDesc desc_;
    std::shared_ptr<CallLog> log_;
    std::shared_ptr<uint32_t> live_;
    bool lost_ = false;
};

// Name of a created fake object ("mesh#3"), "null" for none, "?" for a foreign object.
std::string ObjectName(const Texture* t);
std::string ObjectName(const VertexBuffer* b);
std::string ObjectName(const Mesh* m);
std::string ObjectName(const Sprite* s);

}  // namespace gfx::fake
