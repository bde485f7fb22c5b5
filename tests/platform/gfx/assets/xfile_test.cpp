#include "platform/gfx/assets/xfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "meshgen/xfile_writer.h"
#include "platform/gfx/assets/mesh_builders.h"

namespace {

using math::MeshGeometry;
using math::Vec3;

// Builds binary .x token streams by hand, for data our writer would never produce.
struct Tokens {
    std::vector<uint8_t> b;
    Tokens& T(uint16_t t) {
        b.push_back(static_cast<uint8_t>(t));
        b.push_back(static_cast<uint8_t>(t >> 8));
        return *this;
    }
    Tokens& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Tokens& Name(const std::string& s) {
        T(1).U32(static_cast<uint32_t>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Tokens& Ints(std::initializer_list<uint32_t> v) {
        T(6).U32(static_cast<uint32_t>(v.size()));
        for (uint32_t x : v) U32(x);
        return *this;
    }
    Tokens& Floats(std::initializer_list<float> v) {
        T(7).U32(static_cast<uint32_t>(v.size()));
        for (float f : v) {
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            U32(bits);
        }
        return *this;
    }
    Tokens& Open() { return T(10); }
    Tokens& Close() { return T(11); }
    std::vector<uint8_t> Binary() const {
        // Sized first, then filled: GCC 12 at -O3 warns falsely about inserting into a
        // vector that grows.
        const std::string_view header = "xof 0303bin 0032";
        std::vector<uint8_t> f(header.size() + b.size());
        std::copy(header.begin(), header.end(), f.begin());
        std::copy(b.begin(), b.end(), f.begin() + static_cast<std::ptrdiff_t>(header.size()));
        return f;
    }
    std::vector<uint8_t> Compressed() const { return gfx::assets::CompressXContainer(b).value(); }
};

// A quad (two triangles as one four-corner face) plus a triangle sharing two of its
// corners but with its own normal at them.
Tokens QuadAndTriangle() {
    Tokens t;
    t.Name("Mesh").Name("thing").Open();
    t.Ints({5}).Floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 2, 0, 0});
    t.Ints({2, 4, 0, 1, 2, 3, 3, 1, 4, 2});
    t.Name("MeshNormals").Open();
    t.Ints({2}).Floats({0, 0, -1, 0, 0, 1});
    t.Ints({2, 4, 0, 0, 0, 0, 3, 1, 1, 1});
    t.Close().Close();
    return t;
}

void ExpectSameMesh(const MeshGeometry& a, const MeshGeometry& b) {
    ASSERT_EQ(a.positions.size(), b.positions.size());
    ASSERT_EQ(a.indices, b.indices);
    for (size_t i = 0; i < a.positions.size(); ++i) {
        EXPECT_EQ(a.positions[i], b.positions[i]);
        EXPECT_EQ(a.normals[i], b.normals[i]);
    }
}

TEST(XFile, WrittenMeshesReadBackExactly) {
    for (const MeshGeometry& m :
         {gfx::assets::CreateBox(2, 2, 2), gfx::assets::CreateTorus(0.02f, 1.5f, 8, 64)}) {
        auto file = gfx::assets::WriteCompressedXMesh(m, "ring");
        ASSERT_TRUE(file) << file.error();
        ASSERT_GE(file->size(), 20u);
        EXPECT_EQ(std::string(file->begin(), file->begin() + 16), "xof 0303bzip0032");
        auto read = gfx::assets::ReadXMesh(*file);
        ASSERT_TRUE(read) << read.error();
        ExpectSameMesh(m, *read);
        EXPECT_FLOAT_EQ(read->boundRadius, m.boundRadius);

        // The size field counts the whole decompressed file, header included.
        auto tokens = gfx::assets::InflateXContainer(*file);
        ASSERT_TRUE(tokens) << tokens.error();
        const auto stream = gfx::assets::BuildXTokenStream(m, "ring");
        EXPECT_EQ(*tokens, stream);
        const uint32_t declared = (*file)[16] | ((*file)[17] << 8) | ((*file)[18] << 16) |
                                  (static_cast<uint32_t>((*file)[19]) << 24);
        EXPECT_EQ(declared, stream.size() + 16);
    }
}

TEST(XFile, BlocksReferBackIntoEarlierBlocks) {
    // 100 KB of a repeating 1000-byte pattern: every block after the first compresses to
    // almost nothing because it copies from the window the earlier blocks left.
    std::vector<uint8_t> data(100000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>((i % 1000) * 7919 >> 3);
    auto file = gfx::assets::CompressXContainer(data);
    ASSERT_TRUE(file);
    EXPECT_LT(file->size(), 2500u);
    size_t blocks = 0;
    for (size_t pos = 20; pos < file->size(); ++blocks) {
        const size_t usz = (*file)[pos] | ((*file)[pos + 1] << 8);
        const size_t csz = (*file)[pos + 2] | ((*file)[pos + 3] << 8);
        EXPECT_LE(usz, 32768u);
        EXPECT_EQ((*file)[pos + 4], 'C');
        EXPECT_EQ((*file)[pos + 5], 'K');
        pos += 4 + csz;
    }
    EXPECT_EQ(blocks, 4u);
    auto back = gfx::assets::InflateXContainer(*file);
    ASSERT_TRUE(back) << back.error();
    EXPECT_EQ(*back, data);
}

TEST(XFile, PolygonsAreFannedAndVerticesSplitWhereNormalsDiffer) {
    for (const auto& file : {QuadAndTriangle().Binary(), QuadAndTriangle().Compressed()}) {
        auto m = gfx::assets::ReadXMesh(file);
        ASSERT_TRUE(m) << m.error();
        // Vertices 1 and 2 carry normal 0 on the quad and normal 1 on the triangle: each
        // gets a second copy after the five originals, which keep their numbers.
        ASSERT_EQ(m->VertexCount(), 7u);
        EXPECT_EQ(m->indices, (std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 5, 4, 6}));
        EXPECT_EQ(m->positions[5], m->positions[1]);
        EXPECT_EQ(m->positions[6], m->positions[2]);
        EXPECT_EQ(m->normals[1], (Vec3{0, 0, -1}));
        EXPECT_EQ(m->normals[5], (Vec3{0, 0, 1}));
        EXPECT_EQ(m->normals[4], (Vec3{0, 0, 1}));
    }
}

TEST(XFile, TemplatesHeaderObjectsReferencesAndStringsAreSkipped) {
    Tokens t;
    // template Foo { <guid> DWORD a; array FLOAT b[a]; [...] }
    t.T(31).Name("Foo").Open().T(5).U32(1).U32(2).U32(3).U32(4);
    t.T(41).Name("a").T(20).T(52).T(42).Name("b").T(14).Name("a").T(15).T(20);
    t.T(14).T(18).T(18).T(18).T(15).Close();
    t.Name("Header").Open().Ints({1, 0, 1}).Close();
    t.Name("Frame").Name("root").Open();
    t.Open().Name("someMaterial").Close();  // a reference
    t.Name("Mesh").Open().Ints({3}).Floats({0, 0, 0, 0, 1, 0, 1, 0, 0});
    t.Ints({1, 3, 0, 1, 2});
    // Strings end in a semicolon written either as a 32-bit record or as a token.
    t.Name("TextureFilename").Open().T(2).U32(5);
    t.b.insert(t.b.end(), {'a', '.', 'p', 'n', 'g'});
    t.U32(20).Close();
    t.Name("TextureFilename").Open().T(2).U32(1);
    t.b.push_back('b');
    t.T(20).Close();
    t.Close();
    t.Close();
    auto m = gfx::assets::ReadXMesh(t.Binary());
    ASSERT_TRUE(m) << m.error();
    EXPECT_EQ(m->VertexCount(), 3u);
    EXPECT_EQ(m->FaceCount(), 1u);
    // Without MeshNormals the normals are the face's: Cross(p1 - p0, p2 - p0) = -z.
    for (const Vec3& n : m->normals) EXPECT_EQ(n, (Vec3{0, 0, -1}));
}

TEST(XFile, MalformedMeshesAreRejectedWithAMessage) {
    auto mesh = [](std::initializer_list<uint32_t> counts, std::initializer_list<uint32_t> faces,
                   std::initializer_list<float> coords = {0, 0, 0, 1, 0, 0, 0, 1, 0}) {
        Tokens t;
        t.Name("Mesh").Open().Ints(counts).Floats(coords).Ints(faces).Close();
        return t;
    };
    const std::vector<std::pair<const char*, Tokens>> cases = {
        {"index out of range", mesh({3}, {1, 3, 0, 1, 3})},
        {"vertex count beyond the floats", mesh({4}, {1, 3, 0, 1, 2})},
        {"huge vertex count", mesh({0xFFFFFFFFu}, {1, 3, 0, 1, 2})},
        {"huge face count", mesh({3}, {0x40000000u, 3, 0, 1, 2})},
        {"face corners beyond the data", mesh({3}, {1, 7, 0, 1, 2})},
        {"two-corner face", mesh({3}, {1, 2, 0, 1, 0, 0})},
        {"missing face count", mesh({3}, {})},
        // Beyond +-1e9 face normals and bounds overflow single precision.
        {"coordinate beyond 1e9", mesh({3}, {1, 3, 0, 1, 2}, {0, 0, 0, 2e9f, 0, 0, 0, 1, 0})},
        {"coordinate not a number", mesh({3}, {1, 3, 0, 1, 2}, {0, 0, 0, 1, NAN, 0, 0, 1, 0})},
    };
    for (const auto& [what, tokens] : cases) {
        auto r = gfx::assets::ReadXMesh(tokens.Binary());
        EXPECT_FALSE(r) << what;
        EXPECT_FALSE(r.error().empty()) << what;
    }

    const auto widest = gfx::assets::ReadXMesh(
        mesh({3}, {1, 3, 0, 1, 2}, {-1e9f, -1e9f, 0, 1e9f, -1e9f, 0, 0, 1e9f, 0}).Binary());
    ASSERT_TRUE(widest) << widest.error();
    EXPECT_TRUE(std::isfinite(widest->boundRadius));
    for (const Vec3& n : widest->normals) EXPECT_NEAR(math::Length(n), 1.0f, 1e-5f);

    Tokens noMesh;
    noMesh.Name("Header").Open().Ints({1, 0, 1}).Close();
    EXPECT_FALSE(gfx::assets::ReadXMesh(noMesh.Binary()));

    Tokens normalsMismatch;
    normalsMismatch.Name("Mesh").Open().Ints({3}).Floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
    normalsMismatch.Ints({1, 3, 0, 1, 2}).Name("MeshNormals").Open().Ints({1}).Floats({0, 0, 1});
    normalsMismatch.Ints({1, 3, 0, 0, 1}).Close().Close();
    EXPECT_FALSE(gfx::assets::ReadXMesh(normalsMismatch.Binary())) << "normal index out of range";

    Tokens deep;
    for (int i = 0; i < 200; ++i) deep.Name("Frame").Open();
    auto r = gfx::assets::ReadXMesh(deep.Binary());
    EXPECT_FALSE(r);

    Tokens unknown;
    unknown.T(99);
    EXPECT_FALSE(gfx::assets::ReadXMesh(unknown.Binary()));
}

TEST(XFile, BadContainersAreRejected) {
    const auto good = QuadAndTriangle().Compressed();
    ASSERT_TRUE(gfx::assets::ReadXMesh(good));

    auto with = [&](size_t offset, std::initializer_list<uint8_t> bytes) {
        auto f = good;
        std::copy(bytes.begin(), bytes.end(), f.begin() + static_cast<std::ptrdiff_t>(offset));
        return f;
    };
    EXPECT_FALSE(gfx::assets::ReadXMesh(with(0, {'x', 'o', 'g'}))) << "bad magic";
    EXPECT_FALSE(gfx::assets::ReadXMesh(with(8, {'t', 'x', 't', ' '}))) << "text format";
    EXPECT_FALSE(gfx::assets::ReadXMesh(with(12, {'0', '0', '1', '6'}))) << "float size";
    EXPECT_FALSE(gfx::assets::ReadXMesh(with(16, {0xFF, 0xFF, 0xFF, 0x7F}))) << "absurd size";
    EXPECT_FALSE(gfx::assets::ReadXMesh(with(16, {8, 0, 0, 0}))) << "size below the header";
    EXPECT_FALSE(gfx::assets::ReadXMesh(with(16, {0, 2, 0, 0}))) << "size beyond the blocks";
    EXPECT_FALSE(gfx::assets::ReadXMesh(with(24, {'C', 'X'}))) << "block signature";
    EXPECT_FALSE(gfx::assets::ReadXMesh(with(20, {0, 0}))) << "empty block";
    EXPECT_FALSE(gfx::assets::ReadXMesh(with(22, {1, 0}))) << "block too short";
    auto trailing = good;
    trailing.push_back(0);
    EXPECT_FALSE(gfx::assets::ReadXMesh(trailing)) << "bytes after the last block";
    EXPECT_FALSE(gfx::assets::ReadXMesh({}));
}

TEST(XFile, DamagedFilesNeverCrash) {
    // Every truncation and a sweep of single-byte damage: each read must end in an
    // error or a well-formed mesh (the sanitizers catch anything else).
    const auto good =
        gfx::assets::WriteCompressedXMesh(gfx::assets::CreateTorus(0.1f, 1, 4, 8)).value();
    for (size_t n = 0; n < good.size(); ++n) {
        std::span<const uint8_t> part(good.data(), n);
        EXPECT_FALSE(gfx::assets::ReadXMesh(part)) << "truncated to " << n;
    }
    size_t accepted = 0;
    for (size_t i = 0; i < good.size(); ++i) {
        for (uint8_t x : {0x01, 0x80, 0xFF}) {
            auto bad = good;
            bad[i] ^= x;
            auto r = gfx::assets::ReadXMesh(bad);
            if (!r) continue;
            ++accepted;
            for (uint16_t idx : r->indices) ASSERT_LT(idx, r->VertexCount());
            ASSERT_EQ(r->normals.size(), r->VertexCount());
        }
    }
    EXPECT_LT(accepted, good.size()) << "most damage is detected";

    // The same over the plain token stream, where no checksum hides the damage.
    const auto plain = QuadAndTriangle().Binary();
    for (size_t n = 16; n < plain.size(); ++n)
        EXPECT_FALSE(gfx::assets::ReadXMesh(std::span<const uint8_t>(plain.data(), n)));
    for (size_t i = 16; i < plain.size(); ++i)
        for (uint8_t x : {0x01, 0x10, 0x80, 0xFF}) {
            auto bad = plain;
            bad[i] ^= x;
            auto r = gfx::assets::ReadXMesh(bad);
            if (!r) continue;
            for (uint16_t idx : r->indices) ASSERT_LT(idx, r->VertexCount());
        }
}

}  // namespace
