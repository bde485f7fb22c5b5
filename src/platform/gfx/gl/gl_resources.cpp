#include "platform/gfx/gl/gl_resources.h"

#include <cstddef>
#include <vector>

#include "platform/gfx/gl/gl_device.h"
#include "platform/gfx/gl/gl_programs.h"
#include "platform/gfx/validation.h"

namespace gfx::gl {
namespace {

void ClearErrors() {
    while (glGetError() != GL_NO_ERROR) {
    }
}

HRESULT TakeError() {
    GLenum e = glGetError();
    ClearErrors();
    if (e == GL_NO_ERROR) return S_OK;
    return e == GL_OUT_OF_MEMORY ? E_OUTOFMEMORY : E_FAIL;
}

}  // namespace

// ---- Textures ---------------------------------------------------------------------------

HRESULT GlTexture::CreateArgb(std::shared_ptr<DeviceLink> link,
                              std::span<const TextureLevel> levels,
                              std::unique_ptr<GlTexture>* out) {
    if (!out) return D3DERR_INVALIDCALL;
    out->reset();
    if (!ValidTextureLevels(levels)) return D3DERR_INVALIDCALL;
    if (!link->MakeCurrent()) return D3DERR_INVALIDCALL;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (levels[0].width > static_cast<uint32_t>(maxSize) ||
        levels[0].height > static_cast<uint32_t>(maxSize))
        return D3DERR_OUTOFVIDEOMEMORY;

    std::unique_ptr<GlTexture> t(new GlTexture(std::move(link)));
    t->width_ = levels[0].width;
    t->height_ = levels[0].height;
    t->levels_ = static_cast<uint32_t>(levels.size());
    ClearErrors();
    glGenTextures(1, &t->id_);
    glBindTexture(GL_TEXTURE_2D, t->id_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // Texture coordinate (0, 0) addresses the first texel in memory, which is the top-left
    // texel of a top-row-first image, as the classic API expects. 0xAARRGGBB words are
    // B, G, R, A bytes in memory.
    for (size_t i = 0; i < levels.size(); ++i) {
        const TextureLevel& level = levels[i];
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), GL_RGBA8,
                     static_cast<GLsizei>(level.width), static_cast<GLsizei>(level.height), 0,
                     GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, level.pixels.data());
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels.size() - 1));
    glBindTexture(GL_TEXTURE_2D, 0);
    HRESULT hr = TakeError();
    if (Failed(hr)) return hr;
    *out = std::move(t);
    return S_OK;
}

HRESULT GlTexture::CreateCoverage(std::shared_ptr<DeviceLink> link, uint32_t width, uint32_t height,
                                  std::unique_ptr<GlTexture>* out) {
    if (!out || width == 0 || height == 0) return D3DERR_INVALIDCALL;
    out->reset();
    if (!link->MakeCurrent()) return D3DERR_INVALIDCALL;
    std::unique_ptr<GlTexture> t(new GlTexture(std::move(link)));
    t->width_ = width;
    t->height_ = height;
    t->levels_ = 1;
    ClearErrors();
    glGenTextures(1, &t->id_);
    glBindTexture(GL_TEXTURE_2D, t->id_);
    std::vector<uint8_t> zero(static_cast<size_t>(width) * height, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, static_cast<GLsizei>(width), static_cast<GLsizei>(height),
                 0, GL_RED, GL_UNSIGNED_BYTE, zero.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    const GLint swizzle[] = {GL_ONE, GL_ONE, GL_ONE, GL_RED};
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    HRESULT hr = TakeError();
    if (Failed(hr)) return hr;
    *out = std::move(t);
    return S_OK;
}

void GlTexture::UpdateCoverage(uint32_t x, uint32_t y, uint32_t w, uint32_t h, const uint8_t* rows,
                               uint32_t pitch) {
    if (w == 0 || h == 0 || x + w > width_ || y + h > height_) return;
    if (!link_->MakeCurrent()) return;
    glBindTexture(GL_TEXTURE_2D, id_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pitch));
    glTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(x), static_cast<GLint>(y),
                    static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_RED, GL_UNSIGNED_BYTE,
                    rows);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glBindTexture(GL_TEXTURE_2D, 0);
}

GlTexture::~GlTexture() {
    if (!id_ || !link_->MakeCurrent()) return;
    if (link_->device) link_->device->ForgetTexture(id_);
    glDeleteTextures(1, &id_);
}

// ---- Line buffers -------------------------------------------------------------------------

HRESULT GlLineBuffer::Create(std::shared_ptr<DeviceLink> link, std::span<const math::Vec3> vertices,
                             std::unique_ptr<GlLineBuffer>* out) {
    if (!out) return D3DERR_INVALIDCALL;
    out->reset();
    if (!ValidLineVertices(vertices)) return D3DERR_INVALIDCALL;
    if (!link->MakeCurrent()) return D3DERR_INVALIDCALL;
    static_assert(sizeof(math::Vec3) == 12);
    std::unique_ptr<GlLineBuffer> b(new GlLineBuffer(std::move(link)));
    b->count_ = static_cast<uint32_t>(vertices.size());
    ClearErrors();
    glGenVertexArrays(1, &b->vao_);
    glGenBuffers(1, &b->vbo_);
    glBindVertexArray(b->vao_);
    glBindBuffer(GL_ARRAY_BUFFER, b->vbo_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size_bytes()), vertices.data(),
                 GL_STATIC_DRAW);
    glEnableVertexAttribArray(kAttribPosition);
    glVertexAttribPointer(kAttribPosition, 3, GL_FLOAT, GL_FALSE, 12, nullptr);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    HRESULT hr = TakeError();
    if (Failed(hr)) return hr;
    *out = std::move(b);
    return S_OK;
}

GlLineBuffer::~GlLineBuffer() {
    if (!link_->MakeCurrent()) return;
    if (vao_) glDeleteVertexArrays(1, &vao_);
    if (vbo_) glDeleteBuffers(1, &vbo_);
}

// ---- Meshes ---------------------------------------------------------------------------------

HRESULT GlMesh::Create(std::shared_ptr<DeviceLink> link, const math::MeshGeometry& geometry,
                       GLuint instanceBuffer, std::unique_ptr<GlMesh>* out) {
    if (!out) return D3DERR_INVALIDCALL;
    out->reset();
    if (!ValidMeshGeometry(geometry)) return D3DERR_INVALIDCALL;
    const size_t n = geometry.positions.size();
    if (!link->MakeCurrent()) return D3DERR_INVALIDCALL;

    std::unique_ptr<GlMesh> m(new GlMesh(std::move(link)));
    m->geometry_ = geometry;
    const bool hasNormals = !geometry.normals.empty();
    const bool hasTex = !geometry.texCoords.empty();
    const size_t stride = 3 + (hasNormals ? 3 : 0) + (hasTex ? 2 : 0);
    std::vector<float> interleaved;
    interleaved.reserve(n * stride);
    for (size_t i = 0; i < n; ++i) {
        const math::Vec3& p = geometry.positions[i];
        interleaved.insert(interleaved.end(), {p.x, p.y, p.z});
        if (hasNormals) {
            const math::Vec3& q = geometry.normals[i];
            interleaved.insert(interleaved.end(), {q.x, q.y, q.z});
        }
        if (hasTex)
            interleaved.insert(interleaved.end(),
                               {geometry.texCoords[i].x, geometry.texCoords[i].y});
    }
    const GLsizei strideBytes = static_cast<GLsizei>(stride * sizeof(float));

    ClearErrors();
    glGenBuffers(1, &m->vbo_);
    glGenBuffers(1, &m->ibo_);
    glBindBuffer(GL_ARRAY_BUFFER, m->vbo_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(interleaved.size() * sizeof(float)),
                 interleaved.data(), GL_STATIC_DRAW);

    GLuint vaos[2];
    glGenVertexArrays(2, vaos);
    m->vao_ = vaos[0];
    m->instancedVao_ = vaos[1];
    for (int k = 0; k < 2; ++k) {
        glBindVertexArray(vaos[k]);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m->ibo_);
        if (k == 0)
            glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                         static_cast<GLsizeiptr>(geometry.indices.size() * sizeof(uint16_t)),
                         geometry.indices.data(), GL_STATIC_DRAW);
        glBindBuffer(GL_ARRAY_BUFFER, m->vbo_);
        glEnableVertexAttribArray(kAttribPosition);
        glVertexAttribPointer(kAttribPosition, 3, GL_FLOAT, GL_FALSE, strideBytes, nullptr);
        size_t offset = 3 * sizeof(float);
        if (hasNormals) {
            glEnableVertexAttribArray(kAttribNormal);
            glVertexAttribPointer(kAttribNormal, 3, GL_FLOAT, GL_FALSE, strideBytes,
                                  reinterpret_cast<const void*>(offset));
            offset += 3 * sizeof(float);
        }
        if (hasTex) {
            glEnableVertexAttribArray(kAttribTexCoord);
            glVertexAttribPointer(kAttribTexCoord, 2, GL_FLOAT, GL_FALSE, strideBytes,
                                  reinterpret_cast<const void*>(offset));
        }
        if (k == 1) {
            // MeshInstance as it lies in memory: 16 floats of world matrix, then the
            // diffuse, ambient and emissive colours.
            static_assert(sizeof(MeshInstance) == 28 * sizeof(float));
            static_assert(offsetof(MeshInstance, diffuse) == 64);
            static_assert(offsetof(MeshInstance, ambient) == 80);
            static_assert(offsetof(MeshInstance, emissive) == 96);
            glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer);
            for (GLuint a = 0; a < 7; ++a) {
                glEnableVertexAttribArray(kAttribWorld0 + a);
                glVertexAttribPointer(kAttribWorld0 + a, 4, GL_FLOAT, GL_FALSE,
                                      sizeof(MeshInstance),
                                      reinterpret_cast<const void*>(size_t{a} * 16));
                glVertexAttribDivisor(kAttribWorld0 + a, 1);
            }
        }
    }
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    HRESULT hr = TakeError();
    if (Failed(hr)) return hr;
    *out = std::move(m);
    return S_OK;
}

GlMesh::~GlMesh() {
    if (!link_->MakeCurrent()) return;
    GLuint vaos[2] = {vao_, instancedVao_};
    glDeleteVertexArrays(2, vaos);
    GLuint bufs[2] = {vbo_, ibo_};
    glDeleteBuffers(2, bufs);
}

}  // namespace gfx::gl
