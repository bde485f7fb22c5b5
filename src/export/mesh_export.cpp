#include "export/mesh_export.h"

#include <assimp/material.h>
#include <assimp/scene.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <assimp/Exporter.hpp>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

#include "model/colours.h"
#include "model/file_system.h"
#include "model/placement.h"
#include "model/visibility.h"
#include "platform/gfx/assets/mesh_builders.h"
#include "platform/gfx/assets/resource_loader.h"

using namespace input;
using namespace model;

namespace fs = std::filesystem;
using math::Mat4;
using math::Vec3;

namespace exporter {

const FormatInfo& Info(Format format) {
    for (const FormatInfo& info : kFormats)
        if (info.format == format) return info;
    return kFormats[0];
}

std::optional<Format> FormatFromPath(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const FormatInfo& info : kFormats)
        if (info.extension == ext) return info.format;
    return std::nullopt;
}

std::string FormatList() {
    std::string list;
    for (const FormatInfo& info : kFormats) {
        if (!list.empty()) list += ' ';
        list += info.extension;
    }
    return list;
}

std::optional<math::MeshGeometry> LoadBlockShape(const ExportOptions& options, std::string* error) {
    if (options.cubes) return gfx::assets::CreateBox(2, 2, 2);
    auto mesh =
        gfx::assets::LoadMeshFromResource(gfx::assets::BlockMeshResourceId(options.detailLevel));
    if (!mesh) {
        if (error) *error = "Не удалось прочитать встроенную модель блока: " + mesh.error();
        return std::nullopt;
    }
    return std::move(mesh).value();
}

namespace {

constexpr std::array<const char*, ColourCount> kColourNames = {"red", "yellow", "green", "blue",
                                                               "white"};

struct TooLarge {};

struct PlacedBlock {
    Mat4 world;
    int material;  // colour * 2 + self-lit
    int colour;
};
constexpr int kMaterialSlots = ColourCount * 2;

std::vector<PlacedBlock> CollectBlocks(const CVelVorlaModel& model, bool keepHidden) {
    std::vector<bool> enclosed;
    if (!keepHidden) enclosed = FindEnclosedBlocks(model.topBlocks);
    std::vector<PlacedBlock> blocks;
    blocks.reserve(static_cast<size_t>(std::max(model.Total(), 0)));
    size_t index = 0;  // position in the walk, which the enclosed flags follow
    WalkBlocks(std::as_const(model.topBlocks), Mat4{},
               [&](const BlockNode& block, const Mat4& world, const Mat4&) {
                   const size_t i = index++;
                   if (!IsColourIndex(block.colour)) return;
                   if (i < enclosed.size() && enclosed[i]) return;
                   blocks.push_back(
                       {world, block.colour * 2 + (block.selfLit != 0 ? 1 : 0), block.colour});
               });
    return blocks;
}

// From the editor's left-handed, +Y up frame into the right-handed frame of the format.
struct TargetFrame {
    float scale = 1.0f;
    bool zUp = false;  // +Z up (printing) instead of +Y up

    aiVector3D Direction(const Vec3& v) const {
        return zUp ? aiVector3D(v.x, v.z, v.y) : aiVector3D(v.x, v.y, -v.z);
    }
    aiVector3D Point(const Vec3& p) const { return Direction(p) * scale; }
};

TargetFrame FrameFor(Format format, const ExportOptions& options) {
    TargetFrame frame;
    if (format == Format::Stl || format == Format::ThreeMf) {
        frame.zUp = true;
        frame.scale = options.blockSizeMm / 2.0f;  // a block is 2 units wide
    }
    return frame;
}

// wholeComponents: assimp's 3MF writer keeps only colour components of exactly 0 or 1
// (it truncates before scaling), so there each component is rounded to one of them; the
// five block colours stay recognisable (green's 0.8 becomes 1 instead of black).
aiMaterial* MakeMaterial(int slot, bool wholeComponents) {
    const int colour = slot / 2;
    const bool selfLit = slot % 2 != 0;
    ColourRGBA c = BlockColours[static_cast<size_t>(colour)];
    if (wholeComponents) {
        c.r = std::round(c.r);
        c.g = std::round(c.g);
        c.b = std::round(c.b);
    }
    auto* material = new aiMaterial();
    const std::string text =
        std::string(kColourNames[static_cast<size_t>(colour)]) + (selfLit ? "_selflit" : "");
    const aiString name(text);
    material->AddProperty(&name, AI_MATKEY_NAME);
    const aiColor4D base(c.r, c.g, c.b, c.a);
    const aiColor3D rgb(c.r, c.g, c.b);
    material->AddProperty(&base, 1, AI_MATKEY_BASE_COLOR);
    material->AddProperty(&rgb, 1, AI_MATKEY_COLOR_DIFFUSE);
    const aiColor3D black(0, 0, 0);
    const aiColor3D emissive = selfLit ? rgb : black;
    material->AddProperty(&emissive, 1, AI_MATKEY_COLOR_EMISSIVE);
    const float metallic = 0.0f, roughness = 0.5f, opacity = 1.0f;
    material->AddProperty(&metallic, 1, AI_MATKEY_METALLIC_FACTOR);
    material->AddProperty(&roughness, 1, AI_MATKEY_ROUGHNESS_FACTOR);
    material->AddProperty(&opacity, 1, AI_MATKEY_OPACITY);
    const int shading = aiShadingMode_Phong;
    material->AddProperty(&shading, 1, AI_MATKEY_SHADING_MODEL);
    return material;
}

// Creates the scene with one mesh and one material per material slot in use; each mesh
// gets `verticesPerBlock` x blocks vertices and `facesPerBlock` x blocks faces
// (allocated, not filled). meshOfSlot receives the mesh index of every slot (-1: unused).
std::unique_ptr<aiScene> AllocateScene(const std::vector<PlacedBlock>& blocks, size_t shapeVertices,
                                       size_t shapeFaces, bool merged, bool vertexColours,
                                       bool wholeComponents,
                                       std::array<int, kMaterialSlots>& meshOfSlot) {
    std::array<size_t, kMaterialSlots> perSlot{};
    for (const PlacedBlock& b : blocks) ++perSlot[static_cast<size_t>(b.material)];

    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode("construction");
    unsigned used = 0;
    for (int s = 0; s < kMaterialSlots; ++s)
        meshOfSlot[static_cast<size_t>(s)] = perSlot[static_cast<size_t>(s)] > 0 ? used++ : -1;
    scene->mNumMeshes = used;
    scene->mMeshes = new aiMesh*[used]();
    scene->mNumMaterials = used;
    scene->mMaterials = new aiMaterial*[used]();
    for (int s = 0; s < kMaterialSlots; ++s) {
        const int m = meshOfSlot[static_cast<size_t>(s)];
        if (m < 0) continue;
        const size_t copies = merged ? perSlot[static_cast<size_t>(s)] : 1;
        // assimp counts vertices and faces of a mesh in 32 bits.
        if (copies * std::max(shapeVertices, shapeFaces) > std::numeric_limits<unsigned>::max())
            throw TooLarge();
        scene->mMaterials[m] = MakeMaterial(s, wholeComponents);
        auto* mesh = new aiMesh();
        scene->mMeshes[m] = mesh;
        mesh->mName = scene->mMaterials[m]->GetName();
        mesh->mMaterialIndex = static_cast<unsigned>(m);
        mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
        mesh->mNumVertices = static_cast<unsigned>(copies * shapeVertices);
        mesh->mVertices = new aiVector3D[mesh->mNumVertices];
        mesh->mNormals = new aiVector3D[mesh->mNumVertices];
        if (vertexColours) mesh->mColors[0] = new aiColor4D[mesh->mNumVertices];
        mesh->mNumFaces = static_cast<unsigned>(copies * shapeFaces);
        mesh->mFaces = new aiFace[mesh->mNumFaces];
    }
    return scene;
}

// Copies `shape`, placed by `world` (editor frame), into the mesh from vertex v0 and face
// f0 on, in the target frame.
void PlaceShape(aiMesh& mesh, size_t v0, size_t f0, const math::MeshGeometry& shape,
                const Mat4& world, const TargetFrame& frame, const ColourRGBA* colour) {
    const size_t vertices = shape.VertexCount();
    const bool hasNormals = shape.normals.size() == vertices;
    for (size_t i = 0; i < vertices; ++i) {
        mesh.mVertices[v0 + i] = frame.Point(math::Vec3TransformCoord(shape.positions[i], world));
        const Vec3 n = hasNormals ? math::Vec3TransformNormal(shape.normals[i], world) : Vec3{};
        mesh.mNormals[v0 + i] = frame.Direction(math::Normalize(n));
    }
    if (colour && mesh.mColors[0])
        std::fill_n(mesh.mColors[0] + v0, vertices,
                    aiColor4D(colour->r, colour->g, colour->b, colour->a));
    aiFace* faces = mesh.mFaces + f0;
    for (size_t f = 0; f < shape.FaceCount(); ++f) {
        // Mirroring one axis turns every triangle inside out; swapping two corners makes
        // it face outwards again.
        faces[f].mNumIndices = 3;
        faces[f].mIndices = new unsigned[3]{
            static_cast<unsigned>(v0 + shape.indices[3 * f]),
            static_cast<unsigned>(v0 + shape.indices[3 * f + 2]),
            static_cast<unsigned>(v0 + shape.indices[3 * f + 1]),
        };
    }
}

// Every block a transformed copy of `shape`, merged into one mesh per material, each mesh
// under a node of its own with the identity transform: vertex positions are world
// positions. For the formats without instancing.
std::unique_ptr<aiScene> BuildMergedScene(const std::vector<PlacedBlock>& blocks,
                                          const math::MeshGeometry& shape, const TargetFrame& frame,
                                          Format format) {
    const size_t shapeVertices = shape.VertexCount(), shapeFaces = shape.FaceCount();
    std::array<int, kMaterialSlots> meshOfSlot{};
    auto scene = AllocateScene(blocks, shapeVertices, shapeFaces, true, format == Format::Ply,
                               format == Format::ThreeMf, meshOfSlot);

    std::array<size_t, kMaterialSlots> filled{};
    for (const PlacedBlock& b : blocks) {
        const size_t slot = static_cast<size_t>(b.material);
        const size_t copy = filled[slot]++;
        PlaceShape(*scene->mMeshes[meshOfSlot[slot]], copy * shapeVertices, copy * shapeFaces,
                   shape, b.world, frame, &BlockColours[static_cast<size_t>(b.colour)]);
    }

    aiNode* root = scene->mRootNode;
    root->mNumChildren = scene->mNumMeshes;
    root->mChildren = new aiNode*[root->mNumChildren];
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        auto* node = new aiNode(scene->mMeshes[m]->mName.C_Str());
        node->mParent = root;
        node->mNumMeshes = 1;
        node->mMeshes = new unsigned[1]{m};
        root->mChildren[m] = node;
    }
    return scene;
}

// The rigid transform of a block in the mirrored frame (Z negated on both sides, so that
// it stays a pure rotation and translation), as a column-vector matrix. The rotation is
// made orthonormal again: a long chain of twisted blocks leaves rounding in it that strict
// readers refuse.
aiMatrix4x4 MirroredNodeTransform(const Mat4& world) {
    Vec3 x{world.m[0][0], world.m[0][1], -world.m[0][2]};
    Vec3 y{world.m[1][0], world.m[1][1], -world.m[1][2]};
    x = math::Normalize(x);
    y = math::Normalize(y - x * math::Dot(x, y));
    // The mirrored rotation keeps its handedness: z = x cross y in either frame.
    const Vec3 z = math::Cross(x, y);
    const Vec3 t{world.m[3][0], world.m[3][1], -world.m[3][2]};
    return aiMatrix4x4(x.x, y.x, z.x, t.x,  //
                       x.y, y.y, z.y, t.y,  //
                       x.z, y.z, z.z, t.z,  //
                       0, 0, 0, 1);
}

// One mesh per material holding the shape once, and one node per block that places it:
// what glTF is made for. The file stays small and quick to write and to load, and every
// node is a pure rotation and translation.
std::unique_ptr<aiScene> BuildInstancedScene(const std::vector<PlacedBlock>& blocks,
                                             const math::MeshGeometry& shape) {
    std::array<int, kMaterialSlots> meshOfSlot{};
    auto scene = AllocateScene(blocks, shape.VertexCount(), shape.FaceCount(), false, false, false,
                               meshOfSlot);
    const TargetFrame mirror;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m)
        PlaceShape(*scene->mMeshes[m], 0, 0, shape, Mat4{}, mirror, nullptr);

    aiNode* root = scene->mRootNode;
    root->mNumChildren = static_cast<unsigned>(blocks.size());
    root->mChildren = new aiNode*[root->mNumChildren]();
    for (size_t i = 0; i < blocks.size(); ++i) {
        auto* node = new aiNode("block" + std::to_string(i + 1));
        node->mParent = root;
        node->mTransformation = MirroredNodeTransform(blocks[i].world);
        node->mNumMeshes = 1;
        node->mMeshes = new unsigned[1]{
            static_cast<unsigned>(meshOfSlot[static_cast<size_t>(blocks[i].material)])};
        root->mChildren[i] = node;
    }
    return scene;
}

size_t TriangleCount(const std::vector<PlacedBlock>& blocks, const math::MeshGeometry& shape) {
    return blocks.size() * shape.FaceCount();
}

// Flushes a finished file to the disk before it is moved into place.
bool SyncFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

// A fresh, private folder beside the target: what the exporter writes there is invisible
// at the target until it is renamed, and it is on the target's file system.
std::optional<fs::path> MakeStagingFolder(const fs::path& dir, const fs::path& name, int* err) {
    static std::atomic<unsigned> sequence{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string leaf = ".";
        leaf += name.string();
        leaf += ".export-";
        leaf += std::to_string(::getpid());
        leaf += '-';
        leaf += std::to_string(sequence++);
        const fs::path folder = dir / leaf;
        if (::mkdir(folder.c_str(), 0700) == 0) return folder;
        if (errno != EEXIST) {
            *err = errno;
            return std::nullopt;
        }
    }
    *err = EEXIST;
    return std::nullopt;
}

ExportResult Failure(std::string message) {
    ExportResult r;
    r.message = std::move(message);
    return r;
}

ExportResult WriteScene(const aiScene& scene, const fs::path& path, Format format) {
    const fs::path target = WriteTarget(path);
    const fs::path dir = FolderOf(target);
    const std::string shown = path.string();

    int err = 0;
    std::optional<fs::path> staging = MakeStagingFolder(dir, target.filename(), &err);
    if (!staging) return Failure("Не удалось записать " + shown + ": " + SystemErrorText(err));
    struct Cleanup {
        fs::path folder;
        ~Cleanup() {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    } cleanup{*staging};

    const fs::path staged = *staging / target.filename();
    Assimp::Exporter exporter;
    const std::string id(Info(format).assimpId);
    if (exporter.Export(&scene, id, staged.string()) != aiReturn_SUCCESS) {
        std::string why = exporter.GetErrorString();
        return Failure("Не удалось записать " + shown + (why.empty() ? "" : ": " + why));
    }

    // Companions (an OBJ's material library, a text glTF's buffer) go first, so that the
    // main file never appears without them.
    std::vector<fs::path> companions;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(*staging, ec))
        if (e.path().filename() != target.filename()) companions.push_back(e.path());
    if (ec) return Failure("Не удалось записать " + shown + ": " + SystemErrorText(ec.value()));
    companions.push_back(staged);
    for (const fs::path& file : companions) {
        if (!SyncFile(file))
            return Failure("Не удалось записать " + shown + ": " + SystemErrorText(errno));
    }
    for (const fs::path& file : companions) {
        const fs::path destination = file == staged ? target : dir / file.filename();
        if (::rename(file.c_str(), destination.c_str()) != 0)
            return Failure("Не удалось записать " + destination.string() + ": " +
                           SystemErrorText(errno));
    }
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    ExportResult ok;
    ok.ok = true;
    return ok;
}

}  // namespace

ExportResult ExportConstruction(const CVelVorlaModel& model, const math::MeshGeometry& shape,
                                const fs::path& path, Format format, const ExportOptions& options) {
    try {
        std::vector<PlacedBlock> blocks = CollectBlocks(model, options.keepHidden);
        if (blocks.empty() || shape.FaceCount() == 0) return Failure(kNothingToExportMessage);
        // PLY has no materials: one mesh, coloured by its vertices (assimp's PLY writer also
        // mixes up the vertices of several meshes).
        if (format == Format::Ply)
            for (PlacedBlock& b : blocks) b.material = 0;
        const bool instanced = format == Format::Glb || format == Format::Gltf;
        const std::unique_ptr<aiScene> scene =
            instanced ? BuildInstancedScene(blocks, shape)
                      : BuildMergedScene(blocks, shape, FrameFor(format, options), format);
        ExportResult result = WriteScene(*scene, path, format);
        result.blocks = blocks.size();
        result.triangles = TriangleCount(blocks, shape);
        return result;
    } catch (const TooLarge&) {
        return Failure(
            "Конструкция слишком велика для этого формата: выберите glTF, "
            "кубы или более низкую детализацию");
    } catch (const std::bad_alloc&) {
        return Failure("Не хватает памяти для экспорта " + path.string());
    } catch (const std::exception& e) {
        return Failure("Не удалось записать " + path.string() + ": " + e.what());
    }
}

ExportResult ExportConstruction(const CVelVorlaModel& model, const fs::path& path, Format format,
                                const ExportOptions& options) {
    std::string error;
    std::optional<math::MeshGeometry> shape = LoadBlockShape(options, &error);
    if (!shape) return Failure(error);
    return ExportConstruction(model, *shape, path, format, options);
}

}  // namespace exporter
