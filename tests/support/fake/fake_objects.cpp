// The objects a fake device makes: they keep what they were made from, count themselves
// among the device's live objects and log their own calls and their release.
#include "support/fake/fake_objects.h"

#include <algorithm>
#include <cstdlib>

#include "support/fake/names.h"

namespace gfx::fake {

namespace {

void Count(const std::shared_ptr<uint32_t>& live, int delta) {
    if (live) *live = static_cast<uint32_t>(static_cast<int>(*live) + delta);
}

void LogRelease(const std::shared_ptr<CallLog>& log, const std::string& name) {
    if (log) log->Add({"Release", {name}, S_OK, nullptr});
}

}  // namespace

FakeTexture::FakeTexture(std::string name, std::vector<TextureLevel> levels,
                         std::shared_ptr<CallLog> log, std::shared_ptr<uint32_t> live)
    : name_(std::move(name)),
      levels_(std::move(levels)),
      log_(std::move(log)),
      live_(std::move(live)) {
    Count(live_, +1);
}
FakeTexture::~FakeTexture() {
    Count(live_, -1);
    LogRelease(log_, name_);
}

FakeVertexBuffer::FakeVertexBuffer(std::string name, std::vector<math::Vec3> vertices,
                                   std::shared_ptr<CallLog> log, std::shared_ptr<uint32_t> live)
    : name_(std::move(name)),
      vertices_(std::move(vertices)),
      log_(std::move(log)),
      live_(std::move(live)) {
    Count(live_, +1);
}
FakeVertexBuffer::~FakeVertexBuffer() {
    Count(live_, -1);
    LogRelease(log_, name_);
}

FakeMesh::FakeMesh(std::string name, math::MeshGeometry geometry, std::shared_ptr<CallLog> log,
                   std::shared_ptr<uint32_t> live)
    : name_(std::move(name)),
      geometry_(std::move(geometry)),
      log_(std::move(log)),
      live_(std::move(live)) {
    Count(live_, +1);
}
FakeMesh::~FakeMesh() {
    Count(live_, -1);
    LogRelease(log_, name_);
}

FakeSprite::FakeSprite(std::string name, std::shared_ptr<CallLog> log,
                       std::shared_ptr<uint32_t> live)
    : name_(std::move(name)), log_(std::move(log)), live_(std::move(live)) {
    Count(live_, +1);
}
FakeSprite::~FakeSprite() {
    Count(live_, -1);
    LogRelease(log_, name_);
}

HRESULT FakeSprite::Begin(uint32_t flags) {
    // Nested Begin is a caller fault the real sprite rejects.
    HRESULT hr = inBegin_ ? D3DERR_INVALIDCALL : S_OK;
    log_->Add({"Sprite::Begin", {name_, Hex(flags)}, hr, nullptr});
    if (Succeeded(hr)) inBegin_ = true;
    return hr;
}

void FakeSprite::SetTransform(const math::Mat4& transform) {
    transform_ = transform;
    log_->Add({"Sprite::SetTransform", {name_, MatrixText(transform)}, S_OK, nullptr});
}

HRESULT FakeSprite::Draw(Texture* texture, const Rect* src, const math::Vec3* center,
                         const math::Vec3* position, Color color) {
    HRESULT hr = inBegin_ ? S_OK : D3DERR_INVALIDCALL;
    log_->Add({"Sprite::Draw",
               {name_, ObjectName(texture), src ? RectText(*src) : "whole",
                VecText(center ? *center : math::Vec3{}),
                VecText(position ? *position : math::Vec3{}), Hex(color)},
               hr,
               nullptr});
    return hr;
}

HRESULT FakeSprite::End() {
    HRESULT hr = inBegin_ ? S_OK : D3DERR_INVALIDCALL;
    log_->Add({"Sprite::End", {name_}, hr, nullptr});
    inBegin_ = false;
    return hr;
}

FakeFont::FakeFont(std::string name, FontDesc desc, std::shared_ptr<CallLog> log,
                   std::shared_ptr<uint32_t> live)
    : name_(std::move(name)), desc_(std::move(desc)), log_(std::move(log)), live_(std::move(live)) {
    Count(live_, +1);
}
FakeFont::~FakeFont() {
    Count(live_, -1);
    LogRelease(log_, name_);
}

int FakeFont::TextWidth(std::string_view text) {
    return 8 * static_cast<int>(std::count_if(text.begin(), text.end(),
                                              [](char c) { return (c & 0xC0) != 0x80; }));
}

int FakeFont::DrawText(Sprite* sprite, std::string_view text, int count, const Rect& rect,
                       uint32_t format, Color color) {
    std::string_view drawn =
        count < 0 ? text : text.substr(0, std::min(text.size(), static_cast<size_t>(count)));
    std::string quoted(1, '"');  // appended: see Parenthesised in names.cpp
    quoted.append(drawn);
    quoted += '"';
    log_->Add(
        {"Font::DrawText",
         {name_, ObjectName(sprite), std::move(quoted), RectText(rect), Hex(format), Hex(color)},
         S_OK,
         nullptr});
    int lineHeight = desc_.height == 0 ? 16 : std::abs(desc_.height);
    int lines =
        drawn.empty() ? 0 : 1 + static_cast<int>(std::count(drawn.begin(), drawn.end(), '\n'));
    return lines * lineHeight;
}

void FakeFont::OnLostDevice() {
    lost_ = true;
    log_->Add({"Font::OnLostDevice", {name_}, S_OK, nullptr});
}

void FakeFont::OnResetDevice() {
    lost_ = false;
    log_->Add({"Font::OnResetDevice", {name_}, S_OK, nullptr});
}

std::string ObjectName(const Texture* t) {
    if (!t) return "null";
    auto* f = dynamic_cast<const FakeTexture*>(t);
    return f ? f->Name() : "?";
}
std::string ObjectName(const VertexBuffer* b) {
    if (!b) return "null";
    auto* f = dynamic_cast<const FakeVertexBuffer*>(b);
    return f ? f->Name() : "?";
}
std::string ObjectName(const Mesh* m) {
    if (!m) return "null";
    auto* f = dynamic_cast<const FakeMesh*>(m);
    return f ? f->Name() : "?";
}
std::string ObjectName(const Sprite* s) {
    if (!s) return "null";
    auto* f = dynamic_cast<const FakeSprite*>(s);
    return f ? f->Name() : "?";
}

}  // namespace gfx::fake
