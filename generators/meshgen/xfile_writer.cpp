#include "meshgen/xfile_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "platform/gfx/assets/xfile.h"
#include "platform/gfx/assets/xfile_tokens.h"

namespace gfx::assets {

using math::MeshGeometry;
using math::Vec3;

namespace {

using namespace xfile;

Error Fail(const std::string& what) {
    return Error{".x file: " + what};
}

class TokenWriter {
  public:
    void Token(uint16_t t) { U16(t); }
    void Name(const std::string& s) {
        Token(kName);
        U32(static_cast<uint32_t>(s.size()));
        out.insert(out.end(), s.begin(), s.end());
    }
    void Guid(uint32_t d1, uint16_t d2, uint16_t d3, const uint8_t (&d4)[8]) {
        Token(kGuid);
        U32(d1);
        U16(d2);
        U16(d3);
        out.insert(out.end(), d4, d4 + 8);
    }
    void IntList(const std::vector<uint32_t>& v) {
        Token(kIntegerList);
        U32(static_cast<uint32_t>(v.size()));
        for (uint32_t x : v) U32(x);
    }
    void FloatList(const std::vector<Vec3>& v) {
        Token(kFloatList);
        U32(static_cast<uint32_t>(v.size() * 3));
        for (const Vec3& p : v) {
            F32(p.x);
            F32(p.y);
            F32(p.z);
        }
    }
    // type name;
    void Member(uint16_t type, const std::string& name) {
        Token(type);
        Name(name);
        Token(kSemicolon);
    }
    // array elementType name[countName];
    void ArrayMember(uint16_t type, const std::string& typeName, const std::string& name,
                     const std::string& countName) {
        Token(kArray);
        if (type == kName)
            Name(typeName);
        else
            Token(type);
        Name(name);
        Token(kOBracket);
        Name(countName);
        Token(kCBracket);
        Token(kSemicolon);
    }

    std::vector<uint8_t> out;

  private:
    void U16(uint16_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void F32(float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        U32(bits);
    }
};

void WriteTemplates(TokenWriter& w) {
    // The identifiers of the standard DirectX templates.
    const uint8_t vectorTail[8] = {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33};
    const uint8_t normalsTail[8] = {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3};

    w.Token(kTemplate);
    w.Name("Vector");
    w.Token(kOBrace);
    w.Guid(0x3d82ab5e, 0x62da, 0x11cf, vectorTail);
    w.Member(kFloat, "x");
    w.Member(kFloat, "y");
    w.Member(kFloat, "z");
    w.Token(kCBrace);

    w.Token(kTemplate);
    w.Name("MeshFace");
    w.Token(kOBrace);
    w.Guid(0x3d82ab5f, 0x62da, 0x11cf, vectorTail);
    w.Member(kDword, "nFaceVertexIndices");
    w.ArrayMember(kDword, "", "faceVertexIndices", "nFaceVertexIndices");
    w.Token(kCBrace);

    w.Token(kTemplate);
    w.Name("Mesh");
    w.Token(kOBrace);
    w.Guid(0x3d82ab44, 0x62da, 0x11cf, vectorTail);
    w.Member(kDword, "nVertices");
    w.ArrayMember(kName, "Vector", "vertices", "nVertices");
    w.Member(kDword, "nFaces");
    w.ArrayMember(kName, "MeshFace", "faces", "nFaces");
    w.Token(kOBracket);  // open template: [...]
    w.Token(kDot);
    w.Token(kDot);
    w.Token(kDot);
    w.Token(kCBracket);
    w.Token(kCBrace);

    w.Token(kTemplate);
    w.Name("MeshNormals");
    w.Token(kOBrace);
    w.Guid(0xf6f23f43, 0x7686, 0x11cf, normalsTail);
    w.Member(kDword, "nNormals");
    w.ArrayMember(kName, "Vector", "normals", "nNormals");
    w.Member(kDword, "nFaceNormals");
    w.ArrayMember(kName, "MeshFace", "faceNormals", "nFaceNormals");
    w.Token(kCBrace);
}

std::vector<uint32_t> FaceList(const MeshGeometry& mesh) {
    std::vector<uint32_t> v;
    const size_t nf = mesh.FaceCount();
    v.reserve(1 + 4 * nf);
    v.push_back(static_cast<uint32_t>(nf));
    for (size_t f = 0; f < nf; ++f) {
        v.push_back(3);
        for (int k = 0; k < 3; ++k) v.push_back(mesh.indices[3 * f + k]);
    }
    return v;
}

struct DeflateStream {
    z_stream zs{};
    bool ready = false;
    ~DeflateStream() {
        if (ready) deflateEnd(&zs);
    }
};

}  // namespace

std::vector<uint8_t> BuildXTokenStream(const MeshGeometry& mesh, const std::string& meshName) {
    TokenWriter w;
    WriteTemplates(w);
    w.Name("Mesh");
    if (!meshName.empty()) w.Name(meshName);
    w.Token(kOBrace);
    w.IntList({static_cast<uint32_t>(mesh.positions.size())});
    w.FloatList(mesh.positions);
    const std::vector<uint32_t> faces = FaceList(mesh);
    w.IntList(faces);
    if (!mesh.normals.empty()) {
        w.Name("MeshNormals");
        w.Token(kOBrace);
        w.IntList({static_cast<uint32_t>(mesh.normals.size())});
        w.FloatList(mesh.normals);
        w.IntList(faces);  // one normal per vertex: the same corners
        w.Token(kCBrace);
    }
    w.Token(kCBrace);
    return std::move(w.out);
}

Result<std::vector<uint8_t>> CompressXContainer(std::span<const uint8_t> tokens) {
    if (tokens.size() > kMaxXFileSize - kHeaderSize) return Fail("mesh too large to write");
    std::vector<uint8_t> out(reinterpret_cast<const uint8_t*>("xof 0303bzip0032"),
                             reinterpret_cast<const uint8_t*>("xof 0303bzip0032") + 16);
    const uint32_t total = static_cast<uint32_t>(tokens.size() + kHeaderSize);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(total >> (8 * i)));

    DeflateStream def;
    if (deflateInit2(&def.zs, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return Fail("zlib initialisation failed");
    def.ready = true;
    std::vector<uint8_t> buf;
    for (size_t pos = 0; pos < tokens.size(); pos += kWindow) {
        const size_t n = std::min(kWindow, tokens.size() - pos);
        if (deflateReset(&def.zs) != Z_OK) return Fail("zlib reset failed");
        if (pos > 0) {
            const size_t dict = std::min(kWindow, pos);
            if (deflateSetDictionary(&def.zs, tokens.data() + pos - dict,
                                     static_cast<uInt>(dict)) != Z_OK)
                return Fail("zlib dictionary rejected");
        }
        buf.resize(deflateBound(&def.zs, static_cast<uLong>(n)) + 16);
        def.zs.next_in = const_cast<Bytef*>(tokens.data() + pos);
        def.zs.avail_in = static_cast<uInt>(n);
        def.zs.next_out = buf.data();
        def.zs.avail_out = static_cast<uInt>(buf.size());
        if (deflate(&def.zs, Z_FINISH) != Z_STREAM_END) return Fail("deflate failed");
        const size_t csz = buf.size() - def.zs.avail_out;
        if (csz + 2 > 0xffff) return Fail("compressed block too large");
        out.push_back(static_cast<uint8_t>(n));
        out.push_back(static_cast<uint8_t>(n >> 8));
        out.push_back(static_cast<uint8_t>(csz + 2));
        out.push_back(static_cast<uint8_t>((csz + 2) >> 8));
        out.push_back('C');
        out.push_back('K');
        out.insert(out.end(), buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(csz));
    }
    return out;
}

Result<std::vector<uint8_t>> WriteCompressedXMesh(const MeshGeometry& mesh,
                                                  const std::string& meshName) {
    return CompressXContainer(BuildXTokenStream(mesh, meshName));
}

}  // namespace gfx::assets
