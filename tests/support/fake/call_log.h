#pragma once
// The ordered record of every call made on the fake graphics objects. Tests read it to
// check which operations ran, in which order, with which arguments and states.
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/gfx.h"

namespace gfx::fake {

// The device state at the moment of a draw call (DrawMeshSubset, DrawMeshInstances,
// DrawLineList, Clear), so a test can ask "with which world matrix, material, fog and
// texture was this drawn" without replaying the log.
struct DrawState {
    math::Mat4 world, view, projection;
    Material material;
    std::map<RenderState, uint32_t> renderStates;
    std::map<std::pair<uint32_t, TextureStageState>, uint32_t> stageStates;  // (stage, state)
    std::string textures[2];  // stage 0 and 1 texture names ("texture#2"), empty when unset
    bool lightEnabled[2] = {false, false};
    math::Viewport viewport;
    std::vector<MeshInstance> instances;  // DrawMeshInstances only

    uint32_t RenderStateValue(RenderState s) const;  // 0 when never set
    // The stage state in force: the value set, else the device default.
    uint32_t StageStateValue(uint32_t stage, TextureStageState s) const;
};

// The texture stage states of a new or reset device (stage 0 modulates the texture with
// the diffuse colour, the other stages are disabled).
uint32_t DefaultTextureStageState(uint32_t stage, TextureStageState s);

struct Call {
    // Device calls use the operation name ("SetRenderState"); calls on created objects
    // use "Sprite::Draw", "Font::DrawText", and the object's name ("sprite#1") is the
    // first argument. Destroying a created object is recorded as "Release(mesh#3)".
    std::string name;
    std::vector<std::string> args;
    HRESULT result = S_OK;                   // for operations that return a code
    std::shared_ptr<const DrawState> state;  // draw calls only

    // "SetRenderState(FogEnable, 1)".
    std::string ToString() const;
};

class CallLog {
  public:
    void Add(Call call) { calls_.push_back(std::move(call)); }
    void Clear() { calls_.clear(); }
    size_t Size() const { return calls_.size(); }
    const std::vector<Call>& Calls() const { return calls_; }
    const Call& operator[](size_t i) const { return calls_[i]; }

    // Every call as text, in order.
    std::vector<std::string> Texts() const;
    // Only the calls with this name, as text, in order.
    std::vector<std::string> Texts(std::string_view name) const;
    // Every call name, in order.
    std::vector<std::string> Names() const;
    size_t Count(std::string_view name) const;
    // Exact match against Call::ToString().
    bool Contains(std::string_view text) const { return IndexOf(text) >= 0; }
    // Index of the first call whose text matches, at or after `from`; -1 when none.
    std::ptrdiff_t IndexOf(std::string_view text, size_t from = 0) const;
    // Index of the first call with this name at or after `from`; -1 when none.
    std::ptrdiff_t IndexOfName(std::string_view name, size_t from = 0) const;
    // The calls with this name, in order.
    std::vector<const Call*> Named(std::string_view name) const;

    // A fresh object name "kind#n", numbered per kind from 1; unique within this log
    // (Clear does not restart the numbering).
    std::string NewName(const std::string& kind) {
        return kind + '#' + std::to_string(++ids_[kind]);
    }

  private:
    std::vector<Call> calls_;
    std::map<std::string, uint32_t> ids_;
};

}  // namespace gfx::fake
