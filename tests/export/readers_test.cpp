// The print exports of every sample read by independent programs, as a user's slicer would
// read them: the 3MF Consortium's library with a zip lookup that compares names exactly
// (as Cura's reader does), admesh, and PrusaSlicer. A missing reader skips its test on a
// developer's own run and fails it under CI and ./dev test (which install them).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "export/mesh_export.h"
#include "model/vvl_file.h"
#include "support/environment.h"
#include "support/files.h"
#include "support/process.h"

#if VORLA_HAVE_LIB3MF
#include <Model/COM/NMR_DLLInterfaces.h>
#include <zip.h>
#endif

using namespace input;
using namespace model;

namespace fs = std::filesystem;

namespace {

struct Exported {
    fs::path file;
    size_t blocks = 0;
};

class PrintReaders : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = temp_.Path();
        ASSERT_FALSE(dir_.empty());
        samples_ = testsupport::FilesIn(VORLA_SAMPLES_DIR, ".vvl");
        ASSERT_GE(samples_.size(), 6u);
    }

    Exported Export(const fs::path& sample, const char* extension, bool hollow = false) {
        ConstructionDocument doc;
        EXPECT_TRUE(ReadConstructionFile(sample, doc));
        Exported e;
        e.file = dir_ / (sample.stem().string() + (hollow ? "-hollow" : "") + extension);
        exporter::ExportOptions options;
        options.hollow = hollow;
        const exporter::ExportResult r = exporter::ExportConstruction(
            doc.model, e.file, *exporter::FormatFromPath(e.file), options);
        EXPECT_TRUE(r) << r.message;
        e.blocks = r.blocks;
        return e;
    }

    // The program on PATH; a missing one stops the test (see the top).
    std::string Reader(const char* name, const char* package) {
        std::string path = testsupport::FindProgram(name);
        if (path.empty() && testsupport::StrictEnvironment())
            ADD_FAILURE() << "missing: " << name << " (Debian package " << package << ")";
        return path;
    }

    testsupport::TempFolder temp_{"readers"};
    fs::path dir_;
    std::vector<fs::path> samples_;
};

// The number after `label` and its colon in a report ("Number of parts : 12"); -1 if none.
double Figure(const std::string& report, const std::string& label) {
    const size_t at = report.find(label);
    if (at == std::string::npos) return -1;
    const size_t colon = report.find_first_of(":=", at + label.size());
    return colon == std::string::npos ? -1 : std::strtod(report.c_str() + colon + 1, nullptr);
}

TEST_F(PrintReaders, Lib3mfLoadsEvery3mfWithoutWarningsAndEveryMeshManifold) {
#if VORLA_HAVE_LIB3MF
    using namespace NMR;
    for (const fs::path& sample : samples_) {
        SCOPED_TRACE(sample.filename().string());
        const Exported e = Export(sample, ".3mf");

        // The model part by its exact, case-sensitive name.
        int zipError = 0;
        zip_t* archive = zip_open(e.file.c_str(), ZIP_RDONLY, &zipError);
        ASSERT_NE(archive, nullptr) << zipError;
        const zip_int64_t part = zip_name_locate(archive, "3D/3dmodel.model", 0);
        EXPECT_GE(part, 0);
        if (zip_file_t* model = part >= 0 ? zip_fopen_index(archive, part, 0) : nullptr) {
            char start[5] = {};
            EXPECT_EQ(zip_fread(model, start, sizeof start), 5);
            EXPECT_EQ(std::string(start, 5), "<?xml");
            zip_fclose(model);
        }
        zip_close(archive);

        PLib3MFModel* model = nullptr;
        ASSERT_EQ(lib3mf_createmodel(&model), LIB3MF_OK);
        PLib3MFModelReader* reader = nullptr;
        ASSERT_EQ(lib3mf_model_queryreader(model, "3mf", &reader), LIB3MF_OK);
        EXPECT_EQ(lib3mf_reader_readfromfileutf8(reader, e.file.c_str()), LIB3MF_OK);
        DWORD warnings = 0;
        lib3mf_reader_getwarningcount(reader, &warnings);
        for (DWORD i = 0; i < warnings; ++i) {
            DWORD code = 0;
            char text[512] = {};
            ULONG needed = 0;
            lib3mf_reader_getwarningutf8(reader, i, &code, text, sizeof text, &needed);
            ADD_FAILURE() << "warning " << code << ": " << text;
        }
        PLib3MFModelResourceIterator* meshes = nullptr;
        ASSERT_EQ(lib3mf_model_getmeshobjects(model, &meshes), LIB3MF_OK);
        int count = 0;
        BOOL more = false;
        while (lib3mf_resourceiterator_movenext(meshes, &more) == LIB3MF_OK && more) {
            PLib3MFModelResource* mesh = nullptr;
            lib3mf_resourceiterator_getcurrent(meshes, &mesh);
            BOOL manifold = false;
            EXPECT_EQ(lib3mf_meshobject_ismanifoldandoriented(mesh, &manifold), LIB3MF_OK);
            EXPECT_TRUE(manifold);
            lib3mf_release(mesh);
            ++count;
        }
        EXPECT_GE(count, 1);
        for (PLib3MFBase* object :
             {static_cast<PLib3MFBase*>(meshes), static_cast<PLib3MFBase*>(reader),
              static_cast<PLib3MFBase*>(model)})
            lib3mf_release(object);
    }
#else
    VORLA_REQUIRE_ENVIRONMENT(false, "lib3mf and libzip (Debian packages lib3mf-dev, libzip-dev)");
#endif
}

TEST_F(PrintReaders, AdmeshFindsEveryStlClosedWithNormalsAsWoundAndOnePartPerBlock) {
    const std::string admesh = Reader("admesh", "admesh");
    VORLA_REQUIRE_ENVIRONMENT(!admesh.empty(), "admesh (Debian package admesh)");
    std::vector<Exported> stls;
    for (const fs::path& sample : samples_) stls.push_back(Export(sample, ".stl"));
    // A solid cube of 8 x 8 x 8 blocks prints solid unless hollow: 296 blocks on the outside.
    const fs::path cube = fs::path(VORLA_SAMPLES_DIR) / "cube.vvl";
    const Exported solid = Export(cube, ".stl"), hollow = Export(cube, ".stl", true);
    EXPECT_EQ(solid.blocks, 512u);
    EXPECT_EQ(hollow.blocks, 296u);
    stls.push_back(hollow);
    for (const Exported& stl : stls) {
        SCOPED_TRACE(stl.file.filename().string());
        const testsupport::ProgramRun run = testsupport::RunProgram({admesh, stl.file.string()});
        ASSERT_EQ(run.status, 0) << run.err;
        for (const char* label : {"Facets with 1 disconnected edge", "Facets with 2 disconnected",
                                  "Facets with 3 disconnected", "Degenerate facets", "Edges fixed",
                                  "Backwards edges", "Normals fixed"})
            EXPECT_EQ(Figure(run.out, label), 0) << label << "\n" << run.out;
        EXPECT_EQ(Figure(run.out, "Number of parts"), static_cast<double>(stl.blocks)) << run.out;
    }
}

TEST_F(PrintReaders, PrusaSlicerFindsStlAnd3mfOfEverySampleManifoldAtTheirSize) {
    const std::string slicer = Reader("prusa-slicer", "prusa-slicer");
    VORLA_REQUIRE_ENVIRONMENT(!slicer.empty(), "PrusaSlicer (Debian package prusa-slicer)");
    for (const fs::path& sample : samples_) {
        for (const char* extension : {".stl", ".3mf"}) {
            const Exported e = Export(sample, extension);
            SCOPED_TRACE(e.file.filename().string());
            const testsupport::ProgramRun run =
                testsupport::RunProgram({slicer, "--info", e.file.string()});
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_NE(run.out.find("manifold = yes"), std::string::npos) << run.out;
            EXPECT_EQ(Figure(run.out, "number_of_parts"), static_cast<double>(e.blocks));
            if (sample.stem() == "robot") {  // 20 mm blocks, pegs included, +Z up
                EXPECT_EQ(Figure(run.out, "size_x"), 264);
                EXPECT_EQ(Figure(run.out, "size_y"), 84);
                EXPECT_EQ(Figure(run.out, "size_z"), 424);
            }
        }
    }
}

}  // namespace
