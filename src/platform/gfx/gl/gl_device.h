#pragma once
// The OpenGL implementation of the fixed-function device. Internal to gl/: other modules
// get it through GlSystem::CreateDevice and speak to it through gfx::Device.
#include <epoxy/gl.h>

#include <array>
#include <memory>
#include <vector>

#include "platform/gfx/gfx.h"
#include "platform/gfx/gl/gl_context_host.h"
#include "platform/gfx/gl/gl_programs.h"
#include "platform/gfx/gl/gl_resources.h"

namespace gfx::gl {

class GlDevice final : public Device {
  public:
    // Builds the programs and buffers in the host's context and sizes the back buffer
    // from *params (a zero width or height takes the host's current size; the size used
    // is written back).
    static HRESULT Create(GlContextHost* host, const Caps& caps, PresentParameters* params,
                          std::unique_ptr<Device>* out);
    ~GlDevice() override;

    HRESULT TestCooperativeLevel() override;
    HRESULT Reset(PresentParameters* params) override;
    HRESULT Present() override;
    HRESULT GetDeviceCaps(Caps* caps) const override;
    HRESULT GetBackBufferDesc(SurfaceDesc* desc) const override;
    void ShowCursor(bool show) override { host_->ShowCursor(show); }

    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(uint32_t flags, Color color, float z, uint32_t stencil) override;
    void SetViewport(const math::Viewport& viewport) override;
    math::Viewport GetViewport() const override { return viewport_; }

    void SetTransform(TransformType type, const math::Mat4& m) override;
    math::Mat4 GetTransform(TransformType type) const override;
    void SetLight(uint32_t index, const Light& light) override;
    void LightEnable(uint32_t index, bool enable) override;
    void SetMaterial(const Material& material) override { material_ = material; }
    void SetRenderState(RenderState state, uint32_t value) override;
    uint32_t GetRenderState(RenderState state) const override;
    void SetTextureStageState(uint32_t stage, TextureStageState state, uint32_t value) override;
    void SetSamplerState(uint32_t stage, SamplerState state, uint32_t value) override;
    void SetTexture(uint32_t stage, Texture* texture) override;

    HRESULT CreateTexture(std::span<const TextureLevel> levels,
                          std::unique_ptr<Texture>* texture) override;
    HRESULT CreateLineBuffer(std::span<const math::Vec3> vertices,
                             std::unique_ptr<VertexBuffer>* buffer) override;
    HRESULT CreateMesh(const math::MeshGeometry& geometry, std::unique_ptr<Mesh>* mesh) override;
    HRESULT CreateSprite(std::unique_ptr<Sprite>* sprite) override;
    HRESULT CreateFont(const FontDesc& desc, std::unique_ptr<Font>* font) override;

    void DrawLineList(VertexBuffer* buffer, uint32_t startVertex, uint32_t primitiveCount) override;
    void DrawMeshSubset(Mesh* mesh, uint32_t subset) override;
    void DrawMeshInstances(Mesh* mesh, std::span<const MeshInstance> instances) override;

    HRESULT ReadBackBuffer(std::vector<uint32_t>* pixels) override;
    uint32_t LiveObjectCount() const override { return link_->liveObjects.load(); }

    // ---- For the sprite and the font of this device ----
    // Overlays are laid out in logical pixels and drawn scaled by this factor (the
    // device-pixel ratio of a high-density screen); 1 by default.
    float OverlayScale() const { return overlayScale_; }
    void SetOverlayScale(float scale) { overlayScale_ = scale > 0 ? scale : 1.0f; }
    const std::shared_ptr<DeviceLink>& Link() const { return link_; }
    const SpriteProgram& SpriteShader() const { return spriteProgram_; }
    GLuint SpriteSampler() const { return spriteSampler_; }
    // Height of the framebuffer drawn into, for turning top-down rows into GL's bottom-up.
    uint32_t FramebufferHeight() const;
    // Binds the back buffer and the viewport: the common start of every GL draw.
    void BindTarget();
    // A texture being released is unbound from every stage.
    void ForgetTexture(GLuint id);

    // How DrawMeshInstances reaches GL: one instanced call (hardware), one draw per copy
    // with constant attributes, or (software rasterisers) the one that is faster for the
    // mesh's size. Chosen from the renderer at creation; settable so that every path can be
    // tested anywhere.
    enum class InstancingMode { Instanced, Loop, LoopForLargeMeshes };
    InstancingMode Instancing() const { return instancing_; }
    void SetInstancing(InstancingMode mode) { instancing_ = mode; }

  private:
    explicit GlDevice(GlContextHost* host);
    HRESULT Init(const Caps& caps, PresentParameters* params);
    void ResetState();
    // False when the program for the current state cannot be built (nothing is drawn).
    bool ApplyDrawState();
    // The variant for `key`, built on first use; null when it cannot be built.
    const FixedFunctionProgram* Program(const ProgramKey& key);
    ProgramKey CurrentProgramKey() const;
    void UploadUniforms(const FixedFunctionProgram& p);
    void SetConstantAttributes();
    void UpdateSampler(uint32_t stage);

    GlContextHost* host_;
    std::shared_ptr<DeviceLink> link_;
    Caps caps_;
    PresentParameters params_;
    SurfaceDesc backBuffer_;
    // The fixed-function variants built so far (a handful: one per pass state in use),
    // each with the state generation its uniforms were last uploaded at.
    struct Variant {
        ProgramKey key;
        FixedFunctionProgram program;
        uint64_t uploaded = 0;
    };
    std::vector<Variant> programs_;
    SpriteProgram spriteProgram_;
    GLuint instanceBuffer_ = 0;
    GLuint samplers_[kMaxStages] = {};
    GLuint spriteSampler_ = 0;

    // Fixed-function state.
    math::Viewport viewport_;
    math::Mat4 world_, view_, projection_;
    Material material_;
    std::array<Light, 8> lights_{};
    std::array<bool, 8> lightOn_{};
    std::array<uint32_t, 256> renderStates_{};
    std::array<std::array<uint32_t, 32>, kMaxStages> stageStates_{};
    std::array<std::array<uint32_t, 16>, kMaxStages> samplerStates_{};
    std::array<GLuint, kMaxStages> textures_{};  // names, so a released texture never dangles
    InstancingMode instancing_ = InstancingMode::Instanced;
    uint64_t stateGeneration_ = 1;  // counts up whenever state the uniforms carry changes
    bool buildFailed_ = false;

    bool inScene_ = false;
    bool contextLost_ = false;  // the GL context reported a reset
    float overlayScale_ = 1.0f;
};

}  // namespace gfx::gl
