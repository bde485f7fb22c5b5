#include "support/fake/call_log.h"

namespace gfx::fake {

uint32_t DrawState::RenderStateValue(RenderState s) const {
    auto it = renderStates.find(s);
    return it == renderStates.end() ? 0u : it->second;
}

uint32_t DrawState::StageStateValue(uint32_t stage, TextureStageState s) const {
    auto it = stageStates.find({stage, s});
    return it == stageStates.end() ? DefaultTextureStageState(stage, s) : it->second;
}

uint32_t DefaultTextureStageState(uint32_t stage, TextureStageState s) {
    switch (s) {
        case TextureStageState::ColorOp:
            return stage == 0 ? TOP_MODULATE : TOP_DISABLE;
        case TextureStageState::AlphaOp:
            return stage == 0 ? TOP_SELECTARG1 : TOP_DISABLE;
        case TextureStageState::ColorArg1:
        case TextureStageState::AlphaArg1:
            return TA_TEXTURE;
        case TextureStageState::ColorArg2:
        case TextureStageState::AlphaArg2:
            return TA_CURRENT;
        case TextureStageState::TexCoordIndex:
            return stage;
        case TextureStageState::TextureTransformFlags:
            return TTFF_DISABLE;
    }
    return 0;
}

std::string Call::ToString() const {
    std::string text = name;
    text += '(';
    for (size_t i = 0; i < args.size(); ++i) {
        if (i) text += ", ";
        text += args[i];
    }
    text += ')';
    return text;
}

std::vector<std::string> CallLog::Texts() const {
    std::vector<std::string> out;
    out.reserve(calls_.size());
    for (const Call& c : calls_) out.push_back(c.ToString());
    return out;
}

std::vector<std::string> CallLog::Texts(std::string_view name) const {
    std::vector<std::string> out;
    for (const Call& c : calls_)
        if (c.name == name) out.push_back(c.ToString());
    return out;
}

std::vector<std::string> CallLog::Names() const {
    std::vector<std::string> out;
    out.reserve(calls_.size());
    for (const Call& c : calls_) out.push_back(c.name);
    return out;
}

size_t CallLog::Count(std::string_view name) const {
    size_t n = 0;
    for (const Call& c : calls_)
        if (c.name == name) ++n;
    return n;
}

std::ptrdiff_t CallLog::IndexOf(std::string_view text, size_t from) const {
    for (size_t i = from; i < calls_.size(); ++i)
        if (calls_[i].ToString() == text) return static_cast<std::ptrdiff_t>(i);
    return -1;
}

std::ptrdiff_t CallLog::IndexOfName(std::string_view name, size_t from) const {
    for (size_t i = from; i < calls_.size(); ++i)
        if (calls_[i].name == name) return static_cast<std::ptrdiff_t>(i);
    return -1;
}

std::vector<const Call*> CallLog::Named(std::string_view name) const {
    std::vector<const Call*> out;
    for (const Call& c : calls_)
        if (c.name == name) out.push_back(&c);
    return out;
}

}  // namespace gfx::fake
