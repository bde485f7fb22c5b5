// Mesh export: every format read back through assimp's importers, judged by what a user
// of another program would see: triangles, materials, size, orientation.
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <assimp/Importer.hpp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "export/mesh_export.h"
#include "support/construction_builders.h"
#include "support/files.h"

using namespace input;
using namespace model;

namespace fs = std::filesystem;
using exporter::Format;
using testsupport::AddTop;
using testsupport::Block;

namespace {

struct Bounds {
    aiVector3D min{1e30f, 1e30f, 1e30f}, max{-1e30f, -1e30f, -1e30f};
};

// What a reader sees, with every node transform applied.
struct ReadBack {
    bool ok = false;
    size_t triangles = 0;
    Bounds bounds;
    double signedVolume = 0;                     // > 0 when the triangles face outwards
    std::map<std::string, aiColor4D> materials;  // name -> diffuse (or base) colour
    std::map<std::string, aiColor3D> emissive;
    std::set<std::tuple<float, float, float>> vertexColours;
};

ReadBack Read(const fs::path& file) {
    Assimp::Importer importer;
    // (No triangulation step: everything written is triangles, and assimp 5.2's
    // triangulation crashes on PLY files with vertex colours.)
    const aiScene* scene = importer.ReadFile(file.string(), aiProcess_PreTransformVertices);
    ReadBack r;
    if (!scene) {
        ADD_FAILURE() << file << ": " << importer.GetErrorString();
        return r;
    }
    r.ok = true;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
            if (mesh->HasVertexColors(0)) {
                const aiColor4D& c = mesh->mColors[0][v];
                r.vertexColours.insert({c.r, c.g, c.b});
            }
            const aiVector3D& p = mesh->mVertices[v];
            r.bounds.min = {std::min(r.bounds.min.x, p.x), std::min(r.bounds.min.y, p.y),
                            std::min(r.bounds.min.z, p.z)};
            r.bounds.max = {std::max(r.bounds.max.x, p.x), std::max(r.bounds.max.y, p.y),
                            std::max(r.bounds.max.z, p.z)};
        }
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            if (face.mNumIndices != 3) continue;
            ++r.triangles;
            const aiVector3D &a = mesh->mVertices[face.mIndices[0]],
                             &b = mesh->mVertices[face.mIndices[1]],
                             &c = mesh->mVertices[face.mIndices[2]];
            r.signedVolume += (a * (b ^ c)) / 6.0;
        }
    }
    for (unsigned i = 0; i < scene->mNumMaterials; ++i) {
        const aiMaterial* mat = scene->mMaterials[i];
        // Importers add defaults of their own, nameless or named so.
        if (mat->GetName().length == 0 || mat->GetName() == aiString(AI_DEFAULT_MATERIAL_NAME))
            continue;
        aiColor4D colour(0, 0, 0, 0);
        if (mat->Get(AI_MATKEY_BASE_COLOR, colour) != AI_SUCCESS)
            mat->Get(AI_MATKEY_COLOR_DIFFUSE, colour);
        aiColor3D glow(0, 0, 0);
        mat->Get(AI_MATKEY_COLOR_EMISSIVE, glow);
        r.materials[mat->GetName().C_Str()] = colour;
        r.emissive[mat->GetName().C_Str()] = glow;
    }
    return r;
}

class Export : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = temp_.Path();
        ASSERT_FALSE(dir_.empty());
        // Three cubes: red at the origin, self-lit yellow beside it on +x, green above and
        // behind (+y, +z). World bounds of the cubes: x -1..3, y -1..3, z -1..5.
        AddTop(model_, Block(0, {0, 0, 0}));
        AddTop(model_, Block(1, {2, 0, 0})).selfLit = 1;
        AddTop(model_, Block(2, {0, 2, 4}));
        cubes_.cubes = true;
    }

    fs::path Write(const char* name, const exporter::ExportOptions& options) {
        const fs::path out = dir_ / name;
        const auto format = exporter::FormatFromPath(out);
        EXPECT_TRUE(format.has_value()) << name;
        exporter::ExportResult r = exporter::ExportConstruction(model_, out, *format, options);
        EXPECT_TRUE(r) << r.message;
        return out;
    }
    size_t FilesInDir() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }

    testsupport::TempFolder temp_{"export"};
    fs::path dir_;
    CVelVorlaModel model_;
    exporter::ExportOptions cubes_;
};

void ExpectBounds(const ReadBack& r, aiVector3D min, aiVector3D max, float tolerance = 1e-3f) {
    EXPECT_NEAR(r.bounds.min.x, min.x, tolerance);
    EXPECT_NEAR(r.bounds.min.y, min.y, tolerance);
    EXPECT_NEAR(r.bounds.min.z, min.z, tolerance);
    EXPECT_NEAR(r.bounds.max.x, max.x, tolerance);
    EXPECT_NEAR(r.bounds.max.y, max.y, tolerance);
    EXPECT_NEAR(r.bounds.max.z, max.z, tolerance);
}

TEST_F(Export, GltfIsTheWorldMirroredOnZInMetresFacingOutwards) {
    for (const char* name : {"cubes.glb", "cubes.gltf"}) {
        SCOPED_TRACE(name);
        const ReadBack r = Read(Write(name, cubes_));
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.triangles, 36u);
        ExpectBounds(r, {-1, -1, -5}, {3, 3, 1});
        // Three cubes of edge 2, triangles wound outwards: +24 cubic metres.
        EXPECT_NEAR(r.signedVolume, 24.0, 1e-3);
        ASSERT_EQ(r.materials.size(), 3u);
        const aiColor4D green = r.materials.at("green");
        EXPECT_FLOAT_EQ(green.g, 0.8f);
        EXPECT_FLOAT_EQ(green.r + green.b, 0.0f);
        // Self-lit blocks glow in their colour; the others do not glow.
        EXPECT_FLOAT_EQ(r.emissive.at("yellow_selflit").r, 1.0f);
        EXPECT_FLOAT_EQ(r.emissive.at("yellow_selflit").g, 1.0f);
        EXPECT_FLOAT_EQ(r.emissive.at("red").r, 0.0f);
    }
}

TEST_F(Export, EveryBlockMeshIsWrittenAtItsPlaceInEveryFormat) {
    // The block mesh: the cube with its pegs out of +x, +y and +z to 1.4. A block hung on
    // the first one's +x face and twisted a quarter turn about that joint turns its +y peg
    // to +z.
    CVelVorlaModel model;
    BlockNode& first = AddTop(model, Block(0, {0, 0, 0}));
    testsupport::AddChild(model, first, Block(3, {2, 0, 0}, {2, 0, 0}, 1.5707964f));
    exporter::ExportOptions high;
    std::string error;
    const auto shape = exporter::LoadBlockShape(high, &error);
    ASSERT_TRUE(shape) << error;
    for (const exporter::FormatInfo& info : exporter::kFormats) {
        SCOPED_TRACE(std::string(info.extension));
        const fs::path out = dir_ / ("blocks" + std::string(info.extension));
        ASSERT_TRUE(exporter::ExportConstruction(model, out, info.format, high));
        const ReadBack r = Read(out);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.triangles, 2 * shape->FaceCount());
        EXPECT_GT(r.signedVolume, 0.0) << "triangles face inwards";
        // World bounds: x -1..3.4 (second block's +x peg), y -1.4..1.4 (the first block's
        // +y peg; the second's +z peg turned to -y), z -1..1.4.
        if (info.format == Format::Stl || info.format == Format::ThreeMf) {
            // Millimetres, 20 per block, +Z up: (x, z, y) of the editor.
            ExpectBounds(r, {-10, -10, -14}, {34, 14, 14}, 0.01f);
        } else {
            ExpectBounds(r, {-1, -1.4f, -1.4f}, {3.4f, 1.4f, 1});
        }
        if (info.format == Format::Ply) {
            // No materials in PLY: the colours are on the vertices.
            const std::set<std::tuple<float, float, float>> redAndBlue = {{1, 0, 0}, {0, 0, 1}};
            EXPECT_EQ(r.vertexColours, redAndBlue);
        }
    }
}

TEST_F(Export, PrintFormatsFollowTheBlockSize) {
    exporter::ExportOptions big = cubes_;
    big.blockSizeMm = 30;
    for (const char* name : {"big.stl", "big.3mf"}) {
        SCOPED_TRACE(name);
        const ReadBack r = Read(Write(name, big));
        ASSERT_TRUE(r.ok);
        // 30 mm per block edge, +Z up: the editor's (x, z, y) scaled by 15.
        ExpectBounds(r, {-15, -15, -15}, {45, 75, 45}, 0.01f);
        EXPECT_NEAR(r.signedVolume, 3 * 30.0 * 30 * 30, 1.0);
    }
}

TEST_F(Export, ObjMaterialsCarryTheColourTable) {
    Write("cubes.obj", cubes_);
    std::ifstream mtl(dir_ / "cubes.mtl");
    ASSERT_TRUE(mtl) << "material library beside the OBJ";
    std::map<std::string, std::string> diffuse;
    std::string line, current;
    while (std::getline(mtl, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "newmtl") words >> current;
        if (key == "Kd") {
            float r, g, b;
            words >> r >> g >> b;
            std::ostringstream text;
            text << r << ' ' << g << ' ' << b;
            diffuse[current] = text.str();
        }
    }
    EXPECT_EQ(diffuse["red"], "1 0 0");
    EXPECT_EQ(diffuse["yellow_selflit"], "1 1 0");
    EXPECT_EQ(diffuse["green"], "0 0.8 0");
    EXPECT_EQ(diffuse.size(), 3u);
}

TEST_F(Export, DisplayFormatsLeaveEnclosedBlocksOutAndPrintFormatsKeepThem) {
    CVelVorlaModel solid;
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y)
            for (int z = 0; z < 3; ++z) AddTop(solid, Block(4, {2.0f * x, 2.0f * y, 2.0f * z}));
    auto blocks = [&](const char* name, bool keepHidden, bool hollow) {
        exporter::ExportOptions options = cubes_;
        options.keepHidden = keepHidden;
        options.hollow = hollow;
        const exporter::ExportResult r = exporter::ExportConstruction(
            solid, dir_ / name, *exporter::FormatFromPath(name), options);
        EXPECT_TRUE(r) << r.message;
        EXPECT_EQ(Read(dir_ / name).triangles, r.blocks * 12) << name;
        return r.blocks;
    };
    EXPECT_EQ(blocks("shown.ply", false, false), 26u);
    EXPECT_EQ(blocks("all.ply", true, false), 27u);
    EXPECT_EQ(blocks("solid.stl", false, false), 27u);
    EXPECT_EQ(blocks("hollow.3mf", false, true), 26u);
}

TEST_F(Export, NothingToWriteOrNowhereToWriteLeavesNoFile) {
    CVelVorlaModel empty;
    AddTop(empty, Block(2, {0, 0, 0}, {0, 2, 0}, 0, /*visible=*/0));
    exporter::ExportResult r =
        exporter::ExportConstruction(empty, dir_ / "empty.glb", Format::Glb, cubes_);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.message, exporter::kNothingToExportMessage);

    { std::ofstream(dir_ / "plain-file") << "x"; }
    r = exporter::ExportConstruction(model_, dir_ / "plain-file" / "out.obj", Format::Obj, cubes_);
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.message.empty());
    r = exporter::ExportConstruction(model_, dir_ / "no-such-folder" / "out.glb", Format::Glb,
                                     cubes_);
    EXPECT_FALSE(r);
    EXPECT_EQ(FilesInDir(), 1u) << "only the plain file: no partial or temporary files";
}

TEST_F(Export, AnExistingFileIsReplacedWholeAndWhatKilledExportsLeftIsCleared) {
    // A temporary that no writer holds, and the staging folder of an earlier version's
    // export, both left by exports that were killed.
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string pid = std::to_string(dead);
    { std::ofstream(dir_ / (".robot.obj.tmp-" + pid + "-3")) << "half"; }
    fs::create_directory(dir_ / (".robot.glb.export-" + pid + "-0"));
    { std::ofstream(dir_ / "old.stl") << "previous contents"; }
    Write("old.stl", cubes_);
    EXPECT_EQ(Read(dir_ / "old.stl").triangles, 36u);
    EXPECT_EQ(FilesInDir(), 1u);
}

TEST(ExportFormats, ChosenByExtensionInAnyCase) {
    EXPECT_EQ(exporter::FormatFromPath("a/b.GLB"), Format::Glb);
    EXPECT_EQ(exporter::FormatFromPath("x.3mf"), Format::ThreeMf);
    EXPECT_EQ(exporter::FormatFromPath("x.Ply"), Format::Ply);
    EXPECT_FALSE(exporter::FormatFromPath("x.fbx").has_value());
    EXPECT_FALSE(exporter::FormatFromPath("glb").has_value());
    EXPECT_EQ(exporter::FormatList(), ".glb .gltf .obj .stl .3mf .ply");
}

}  // namespace
