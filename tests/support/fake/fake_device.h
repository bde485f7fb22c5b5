#pragma once
// A recording gfx::Device for tests. Every call is appended, in order, to a CallLog as a
// name and text arguments ("SetRenderState(FogEnable, 1)", "DrawMeshSubset(mesh#3, 0)");
// draw calls also carry a snapshot of the state they drew with. The device keeps its
// state so that the Get* operations answer what was set.
//
// Created objects are named by kind and creation order within their log ("texture#1",
// "lines#2", "mesh#3", "sprite#1", "font#1"); they keep what they were made from
// (texture levels, line vertices, mesh geometry) and record their own calls
// ("Sprite::Draw(sprite#1, ...)", "Font::DrawText(font#1, ...)") and their destruction
// ("Release(mesh#3)") in the same log.
//
// Failure injection: FailNext("CreateMesh") makes the next CreateMesh fail (with E_FAIL
// unless another code is given); `after` lets that many calls succeed first. Operations
// that can be failed: CreateTexture, CreateLineBuffer, CreateMesh, CreateSprite,
// CreateFont, Reset, BeginScene, EndScene, Present, Clear.
//
// Device loss: LoseDevice() makes Present answer DEVICELOST and TestCooperativeLevel
// answer DEVICELOST (for `lostPolls` calls) and then DEVICENOTRESET; Reset fails with
// DEVICELOST until then and, once the device can be reset, succeeds and ends the loss.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/fake/call_log.h"
#include "support/fake/fake_objects.h"

namespace gfx::fake {

// Caps with everything the editor asks for: hardware T&L, pure device, every present
// interval, linear filtering, the blend and texture operations, eight blend stages.
Caps FullCaps(DeviceType type = DeviceType::HAL, uint32_t adapter = 0);
// 640 x 480, X8R8G8B8, windowed, D16 depth buffer, immediate presentation.
PresentParameters DefaultPresentParameters();
// Present parameters as call arguments: width, height, format, "windowed"/"fullscreen",
// depth format or "nodepth", multisample type, present interval (hex).
std::vector<std::string> PresentArgs(const PresentParameters& p);

class FakeDevice final : public Device {
  public:
    explicit FakeDevice(const Caps& caps = FullCaps(),
                        const PresentParameters& params = DefaultPresentParameters(),
                        std::shared_ptr<CallLog> log = nullptr);
    ~FakeDevice() override;

    // ---- Test controls ----
    CallLog& Log() { return *log_; }
    const std::shared_ptr<CallLog>& SharedLog() const { return log_; }
    void FailNext(const std::string& operation, HRESULT code = E_FAIL, uint32_t after = 0);
    void LoseDevice(uint32_t lostPolls = 1);
    bool IsLost() const { return phase_ != Phase::Ok; }
    const PresentParameters& Params() const { return params_; }
    bool CursorShown() const { return cursorShown_; }
    uint32_t PresentCount() const { return presentCount_; }
    uint32_t ResetCount() const { return resetCount_; }
    bool InScene() const { return inScene_; }
    const Material& GetMaterial() const { return material_; }
    Light GetLight(uint32_t index) const;
    bool IsLightEnabled(uint32_t index) const;
    uint32_t GetTextureStageState(uint32_t stage, TextureStageState state) const;
    uint32_t GetSamplerState(uint32_t stage, SamplerState state) const;
    // The name of the texture bound to a stage ("texture#2"), empty when none.
    std::string GetTextureName(uint32_t stage) const;
    DrawState Snapshot() const;

    // ---- gfx::Device ----
    HRESULT TestCooperativeLevel() override;
    HRESULT Reset(PresentParameters* params) override;
    HRESULT Present() override;
    HRESULT GetDeviceCaps(Caps* caps) const override;
    HRESULT GetBackBufferDesc(SurfaceDesc* desc) const override;
    void ShowCursor(bool show) override;

    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(uint32_t flags, Color color, float z, uint32_t stencil) override;
    void SetViewport(const math::Viewport& viewport) override;
    math::Viewport GetViewport() const override { return viewport_; }

    void SetTransform(TransformType type, const math::Mat4& m) override;
    math::Mat4 GetTransform(TransformType type) const override;
    void SetLight(uint32_t index, const Light& light) override;
    void LightEnable(uint32_t index, bool enable) override;
    void SetMaterial(const Material& material) override;
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

    // Every pixel is the colour of the last target clear (black before any).
    HRESULT ReadBackBuffer(std::vector<uint32_t>* pixels) override;
    uint32_t LiveObjectCount() const override { return *live_; }

  private:
    friend class FakeSystem;
    enum class Phase { Ok, Lost, NotReset };
    struct Failure {
        uint32_t after;
        HRESULT code;
    };

    HRESULT Injected(const std::string& operation);
    void Record(std::string name, std::vector<std::string> args, HRESULT result = S_OK,
                bool withState = false);
    void RecordDraw(std::string name, std::vector<std::string> args,
                    std::vector<MeshInstance> instances = {});

    std::shared_ptr<CallLog> log_;
    std::shared_ptr<uint32_t> live_ = std::make_shared<uint32_t>(0);
    std::shared_ptr<FakeDevice*> slot_;  // FakeSystem's "current device", cleared on destruction
    Caps caps_;
    PresentParameters params_;
    std::map<std::string, Failure> failures_;
    Phase phase_ = Phase::Ok;
    uint32_t lostPolls_ = 0;
    uint32_t presentCount_ = 0, resetCount_ = 0;
    bool inScene_ = false;
    bool cursorShown_ = false;
    Color clearColor_ = 0;

    math::Viewport viewport_;
    std::map<TransformType, math::Mat4> transforms_;
    std::map<RenderState, uint32_t> renderStates_;
    std::map<std::pair<uint32_t, TextureStageState>, uint32_t> stageStates_;
    std::map<std::pair<uint32_t, SamplerState>, uint32_t> samplerStates_;
    std::map<uint32_t, Light> lights_;
    std::map<uint32_t, bool> lightEnabled_;
    std::map<uint32_t, std::string> textures_;
    Material material_;
};

}  // namespace gfx::fake
