#include "platform/gfx/assets/xfile.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "platform/gfx/assets/xfile_tokens.h"

namespace gfx::assets {

using math::MeshGeometry;
using math::Vec3;

namespace {

using namespace xfile;

uint16_t GetU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

Error Fail(const std::string& what) {
    return Error{".x file: " + what};
}

// ---------------------------------------------------------------------------------------
// Token stream

struct XObject {
    std::string templateName;
    std::vector<uint32_t> ints;
    std::vector<float> floats;
    std::vector<XObject> children;
};

class TokenParser {
  public:
    TokenParser(std::span<const uint8_t> data, int floatBytes)
        : data_(data), floatBytes_(floatBytes) {}

    // Fills the top-level data objects; false with error() set on malformed input.
    bool ParseFile(std::vector<XObject>& objects) {
        while (pos_ < data_.size()) {
            uint16_t t = 0;
            if (!ReadToken(t)) return false;
            if (t == kTemplate) {
                if (!SkipTemplate()) return false;
            } else if (t == kName) {
                std::string name;
                if (!ReadNamePayload(name)) return false;
                objects.emplace_back();
                objects.back().templateName = std::move(name);
                if (!ParseObjectBody(objects.back(), 0)) return false;
            } else if (t == kComma || t == kSemicolon) {
                continue;
            } else {
                return Bad("unexpected token " + std::to_string(t) + " at top level");
            }
        }
        return true;
    }

    const std::string& error() const { return error_; }

  private:
    bool Bad(const std::string& what) {
        error_ = what + " (offset " + std::to_string(pos_) + ")";
        return false;
    }
    size_t Remaining() const { return data_.size() - pos_; }
    bool ReadU16(uint16_t& v) {
        if (Remaining() < 2) return Bad("token stream truncated");
        v = GetU16(data_.data() + pos_);
        pos_ += 2;
        return true;
    }
    bool ReadU32(uint32_t& v) {
        if (Remaining() < 4) return Bad("token stream truncated");
        v = GetU32(data_.data() + pos_);
        pos_ += 4;
        return true;
    }
    bool ReadToken(uint16_t& t) { return ReadU16(t); }
    bool Skip(size_t n) {
        if (Remaining() < n) return Bad("token stream truncated");
        pos_ += n;
        return true;
    }
    bool ReadNamePayload(std::string& name) {
        uint32_t n = 0;
        if (!ReadU32(n)) return false;
        if (n > Remaining()) return Bad("name longer than the data");
        name.assign(reinterpret_cast<const char*>(data_.data() + pos_), n);
        pos_ += n;
        return true;
    }
    bool SkipList(size_t elementBytes) {
        uint32_t n = 0;
        if (!ReadU32(n)) return false;
        if (n > Remaining() / elementBytes) return Bad("list longer than the data");
        pos_ += static_cast<size_t>(n) * elementBytes;
        return true;
    }
    // Skips the payload of any token that carries one.
    bool SkipPayload(uint16_t t) {
        switch (t) {
            case kName: {
                std::string ignored;
                return ReadNamePayload(ignored);
            }
            case kString: {
                uint32_t n = 0;
                if (!ReadU32(n)) return false;
                if (n > Remaining()) return Bad("string longer than the data");
                pos_ += n;
                // The terminator (a semicolon or comma) is written by some tools as a
                // 32-bit record and by others as an ordinary token; take the record if
                // it is there and leave a token to the caller, which skips separators.
                if (Remaining() >= 4) {
                    const uint32_t term = GetU32(data_.data() + pos_);
                    if (term == kSemicolon || term == kComma) pos_ += 4;
                }
                return true;
            }
            case kInteger:
                return Skip(4);
            case kGuid:
                return Skip(16);
            case kIntegerList:
                return SkipList(4);
            case kFloatList:
                return SkipList(static_cast<size_t>(floatBytes_));
            default:
                if (t >= kOBrace && t <= kSemicolon) return true;
                if (t >= kTemplate && t <= kArray) return true;
                return Bad("unknown token " + std::to_string(t));
        }
    }
    bool SkipTemplate() {
        uint16_t t = 0;
        if (!ReadToken(t)) return false;
        if (t != kName) return Bad("template without a name");
        if (!SkipPayload(t)) return false;
        if (!ReadToken(t)) return false;
        if (t != kOBrace) return Bad("template without a body");
        for (;;) {
            if (!ReadToken(t)) return false;
            if (t == kCBrace) return true;
            if (t == kOBrace || t == kTemplate) return Bad("nested braces in a template");
            if (!SkipPayload(t)) return false;
        }
    }
    bool ReadIntegerList(std::vector<uint32_t>& out) {
        uint32_t n = 0;
        if (!ReadU32(n)) return false;
        if (n > Remaining() / 4) return Bad("integer list longer than the data");
        const uint8_t* p = data_.data() + pos_;
        for (uint32_t i = 0; i < n; ++i) out.push_back(GetU32(p + 4 * i));
        pos_ += 4 * static_cast<size_t>(n);
        return true;
    }
    bool ReadFloatList(std::vector<float>& out) {
        uint32_t n = 0;
        if (!ReadU32(n)) return false;
        const size_t w = static_cast<size_t>(floatBytes_);
        if (n > Remaining() / w) return Bad("float list longer than the data");
        const uint8_t* p = data_.data() + pos_;
        for (uint32_t i = 0; i < n; ++i) {
            if (w == 4) {
                float f;
                std::memcpy(&f, p + 4 * i, 4);
                out.push_back(f);
            } else {
                double d;
                std::memcpy(&d, p + 8 * static_cast<size_t>(i), 8);
                out.push_back(static_cast<float>(d));
            }
        }
        pos_ += w * n;
        return true;
    }
    // After the template name: [object name] { [guid] data... }
    bool ParseObjectBody(XObject& obj, int depth) {
        if (depth > kMaxNesting) return Bad("data objects nested too deeply");
        uint16_t t = 0;
        if (!ReadToken(t)) return false;
        if (t == kName) {
            if (!SkipPayload(t)) return false;
            if (!ReadToken(t)) return false;
        }
        if (t != kOBrace) return Bad("data object '" + obj.templateName + "' without a body");
        for (;;) {
            if (!ReadToken(t)) return false;
            switch (t) {
                case kCBrace:
                    return true;
                case kIntegerList:
                    if (!ReadIntegerList(obj.ints)) return false;
                    break;
                case kInteger: {
                    uint32_t v = 0;
                    if (!ReadU32(v)) return false;
                    obj.ints.push_back(v);
                    break;
                }
                case kFloatList:
                    if (!ReadFloatList(obj.floats)) return false;
                    break;
                case kName: {
                    std::string name;
                    if (!ReadNamePayload(name)) return false;
                    obj.children.emplace_back();
                    obj.children.back().templateName = std::move(name);
                    if (!ParseObjectBody(obj.children.back(), depth + 1)) return false;
                    break;
                }
                case kOBrace:  // a reference to another object: { name [guid] }
                    for (;;) {
                        if (!ReadToken(t)) return false;
                        if (t == kCBrace) break;
                        if (t != kName && t != kGuid) return Bad("malformed object reference");
                        if (!SkipPayload(t)) return false;
                    }
                    break;
                case kGuid:
                case kString:
                    if (!SkipPayload(t)) return false;
                    break;
                case kComma:
                case kSemicolon:
                    break;
                default:
                    return Bad("unexpected token " + std::to_string(t) + " in data object");
            }
        }
    }

    std::span<const uint8_t> data_;
    int floatBytes_;
    size_t pos_ = 0;
    std::string error_;
};

const XObject* FindObject(const std::vector<XObject>& objects, const std::string& name,
                          int depth = 0) {
    if (depth > kMaxNesting) return nullptr;
    for (const XObject& o : objects) {
        if (o.templateName == name) return &o;
        if (const XObject* found = FindObject(o.children, name, depth + 1)) return found;
    }
    return nullptr;
}

// Reads the members of a Mesh or MeshNormals object: a count, that many vectors, a face
// count, that many faces (corner count, then corner indices below the vector count).
struct IndexedFaces {
    std::vector<Vec3> vectors;
    std::vector<uint32_t> faceStart;  // offset of each face's corners in corners
    std::vector<uint32_t> corners;
};

// Past +-1e9 a mesh's own arithmetic (edge cross products for face normals, their
// lengths, the bounding radius) overflows single precision; NaN and infinity are never
// geometry.
bool CoordinateUsable(float c) {
    return std::fabs(c) <= 1e9f;  // false for NaN too
}

Result<IndexedFaces> ReadVectorsAndFaces(const XObject& obj) {
    const std::string what = obj.templateName;
    IndexedFaces out;
    size_t ii = 0, fi = 0;
    auto nextInt = [&](uint32_t& v) {
        if (ii >= obj.ints.size()) return false;
        v = obj.ints[ii++];
        return true;
    };
    uint32_t nv = 0;
    if (!nextInt(nv)) return Fail(what + ": missing vector count");
    if (nv > (obj.floats.size() - fi) / 3) return Fail(what + ": vector count exceeds the data");
    out.vectors.reserve(nv);
    for (uint32_t i = 0; i < nv; ++i, fi += 3) {
        const Vec3 v{obj.floats[fi], obj.floats[fi + 1], obj.floats[fi + 2]};
        if (!CoordinateUsable(v.x) || !CoordinateUsable(v.y) || !CoordinateUsable(v.z))
            return Fail(what + ": coordinate not a number or beyond +-1e9");
        out.vectors.push_back(v);
    }
    uint32_t nf = 0;
    if (!nextInt(nf)) return Fail(what + ": missing face count");
    // Every face takes at least four integers: its corner count and three corners.
    if (nf > (obj.ints.size() - ii) / 4) return Fail(what + ": face count exceeds the data");
    out.faceStart.reserve(nf + 1);
    for (uint32_t f = 0; f < nf; ++f) {
        uint32_t c = 0;
        if (!nextInt(c)) return Fail(what + ": faces truncated");
        if (c < 3) return Fail(what + ": face with fewer than three corners");
        if (c > obj.ints.size() - ii) return Fail(what + ": face corners exceed the data");
        out.faceStart.push_back(static_cast<uint32_t>(out.corners.size()));
        for (uint32_t k = 0; k < c; ++k) {
            uint32_t idx = obj.ints[ii++];
            if (idx >= nv) return Fail(what + ": index out of range");
            out.corners.push_back(idx);
        }
    }
    out.faceStart.push_back(static_cast<uint32_t>(out.corners.size()));
    return out;
}

Result<MeshGeometry> BuildGeometry(const XObject& meshObj) {
    auto meshData = ReadVectorsAndFaces(meshObj);
    if (!meshData) return Error{meshData.error()};
    const IndexedFaces& m = *meshData;
    const size_t nv = m.vectors.size();
    const size_t nf = m.faceStart.size() - 1;
    if (nv > 65536) return Fail("more vertices than 16-bit indices can address");

    const XObject* normalsObj = nullptr;
    for (const XObject& c : meshObj.children)
        if (c.templateName == "MeshNormals") {
            normalsObj = &c;
            break;
        }

    MeshGeometry mesh;
    mesh.positions = m.vectors;
    std::vector<uint32_t> cornerVertex(m.corners.begin(), m.corners.end());

    if (normalsObj) {
        auto normalData = ReadVectorsAndFaces(*normalsObj);
        if (!normalData) return Error{normalData.error()};
        const IndexedFaces& n = *normalData;
        if (n.faceStart.size() != m.faceStart.size())
            return Fail("MeshNormals face count differs from the Mesh");
        if (n.faceStart != m.faceStart)
            return Fail("MeshNormals face corner counts differ from the Mesh");
        mesh.normals.assign(nv, Vec3{0, 0, 0});
        std::vector<int64_t> firstNormal(nv, -1);
        std::unordered_map<uint64_t, uint32_t> splits;
        for (size_t c = 0; c < m.corners.size(); ++c) {
            const uint32_t v = m.corners[c], ni = n.corners[c];
            if (firstNormal[v] < 0) {
                firstNormal[v] = ni;
                mesh.normals[v] = n.vectors[ni];
                continue;
            }
            if (n.vectors[static_cast<size_t>(firstNormal[v])] == n.vectors[ni]) continue;
            const uint64_t key = (static_cast<uint64_t>(v) << 32) | ni;
            auto it = splits.find(key);
            if (it == splits.end()) {
                if (mesh.positions.size() >= 65536)
                    return Fail("splitting vertices by normal exceeds 16-bit indices");
                it = splits.emplace(key, static_cast<uint32_t>(mesh.positions.size())).first;
                mesh.positions.push_back(m.vectors[v]);
                mesh.normals.push_back(n.vectors[ni]);
            }
            cornerVertex[c] = it->second;
        }
    }

    mesh.indices.reserve(m.corners.size() * 3);
    for (size_t f = 0; f < nf; ++f) {
        const uint32_t s = m.faceStart[f], e = m.faceStart[f + 1];
        for (uint32_t k = s + 1; k + 1 < e; ++k) {
            mesh.indices.push_back(static_cast<uint16_t>(cornerVertex[s]));
            mesh.indices.push_back(static_cast<uint16_t>(cornerVertex[k]));
            mesh.indices.push_back(static_cast<uint16_t>(cornerVertex[k + 1]));
        }
    }

    if (!normalsObj) {
        mesh.normals.assign(mesh.positions.size(), Vec3{0, 0, 0});
        for (size_t f = 0; f + 2 < mesh.indices.size(); f += 3) {
            const uint16_t a = mesh.indices[f], b = mesh.indices[f + 1], c = mesh.indices[f + 2];
            const Vec3 w = math::Cross(mesh.positions[b] - mesh.positions[a],
                                       mesh.positions[c] - mesh.positions[a]);
            mesh.normals[a] += w;
            mesh.normals[b] += w;
            mesh.normals[c] += w;
        }
        for (Vec3& nrm : mesh.normals) nrm = math::Normalize(nrm);
    }
    mesh.UpdateBounds();
    return mesh;
}

struct InflateStream {
    z_stream zs{};
    bool ready = false;
    ~InflateStream() {
        if (ready) inflateEnd(&zs);
    }
};

}  // namespace

Result<std::vector<uint8_t>> InflateXContainer(std::span<const uint8_t> file) {
    if (file.size() < kHeaderSize + 4) return Fail("too short for a compressed file");
    if (std::memcmp(file.data(), "xof ", 4) != 0 || std::memcmp(file.data() + 8, "bzip", 4) != 0)
        return Fail("not a compressed binary .x file");
    const uint32_t declared = GetU32(file.data() + kHeaderSize);
    if (declared < kHeaderSize) return Fail("decompressed size smaller than the header");
    if (declared > kMaxXFileSize) return Fail("decompressed size too large");
    const size_t expected = declared - kHeaderSize;

    std::vector<uint8_t> out;
    out.reserve(expected);
    InflateStream inf;
    if (inflateInit2(&inf.zs, -15) != Z_OK) return Fail("zlib initialisation failed");
    inf.ready = true;

    size_t pos = kHeaderSize + 4;
    while (out.size() < expected) {
        if (file.size() - pos < 4) return Fail("compressed data truncated");
        const uint16_t usz = GetU16(file.data() + pos);
        const uint16_t csz = GetU16(file.data() + pos + 2);
        pos += 4;
        if (usz == 0) return Fail("empty compressed block");
        if (csz < 2) return Fail("compressed block too short");
        if (file.size() - pos < csz) return Fail("compressed data truncated");
        if (file[pos] != 'C' || file[pos + 1] != 'K') return Fail("bad block signature");
        if (usz > expected - out.size()) return Fail("blocks exceed the declared size");

        if (inflateReset(&inf.zs) != Z_OK) return Fail("zlib reset failed");
        if (!out.empty()) {
            const size_t dict = std::min(kWindow, out.size());
            if (inflateSetDictionary(&inf.zs, out.data() + out.size() - dict,
                                     static_cast<uInt>(dict)) != Z_OK)
                return Fail("zlib dictionary rejected");
        }
        const size_t start = out.size();
        out.resize(start + usz);
        inf.zs.next_in = const_cast<Bytef*>(file.data() + pos + 2);
        inf.zs.avail_in = csz - 2u;
        inf.zs.next_out = out.data() + start;
        inf.zs.avail_out = usz;
        const int ret = inflate(&inf.zs, Z_FINISH);
        if (ret != Z_STREAM_END) {
            std::string msg = inf.zs.msg ? inf.zs.msg : "incomplete block";
            return Fail("inflate failed: " + msg);
        }
        if (inf.zs.avail_out != 0) return Fail("block shorter than its declared size");
        if (inf.zs.avail_in != 0) return Fail("unused bytes in a compressed block");
        pos += csz;
    }
    if (pos != file.size()) return Fail("data after the last compressed block");
    return out;
}

Result<MeshGeometry> ReadXMesh(std::span<const uint8_t> file) {
    if (file.size() < kHeaderSize) return Fail("too short for a header");
    const char* h = reinterpret_cast<const char*>(file.data());
    if (std::memcmp(h, "xof 03", 6) != 0) return Fail("bad header");
    int floatBytes;
    if (std::memcmp(h + 12, "0032", 4) == 0)
        floatBytes = 4;
    else if (std::memcmp(h + 12, "0064", 4) == 0)
        floatBytes = 8;
    else
        return Fail("bad float size in the header");

    std::vector<uint8_t> inflated;
    std::span<const uint8_t> tokens;
    if (std::memcmp(h + 8, "bzip", 4) == 0) {
        auto r = InflateXContainer(file);
        if (!r) return Error{r.error()};
        inflated = std::move(r).value();
        tokens = inflated;
    } else if (std::memcmp(h + 8, "bin ", 4) == 0) {
        tokens = file.subspan(kHeaderSize);
    } else {
        return Fail("only binary .x files are supported");
    }

    std::vector<XObject> objects;
    TokenParser parser(tokens, floatBytes);
    if (!parser.ParseFile(objects)) return Fail(parser.error());
    const XObject* mesh = FindObject(objects, "Mesh");
    if (!mesh) return Fail("no Mesh in the file");
    return BuildGeometry(*mesh);
}

}  // namespace gfx::assets
