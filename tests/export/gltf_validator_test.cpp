// Exported glTF files of every sample checked by the Khronos glTF validator (npm package
// gltf-validator, installed by ./dev). Without Node.js or the validator the suite is skipped on a
// developer's own run and fails under CI and ./dev test.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "export/mesh_export.h"
#include "model/vvl_file.h"
#include "support/construction_builders.h"
#include "support/environment.h"
#include "support/files.h"
#include "support/process.h"

using namespace input;
using namespace model;

namespace fs = std::filesystem;

namespace {

class GltfValidator : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string node = VORLA_NODE;
        const fs::path package =
            fs::path(VORLA_GLTF_VALIDATOR_DIR) / "node_modules" / "gltf-validator" / "package.json";
        VORLA_REQUIRE_ENVIRONMENT(
            !node.empty() && fs::exists(package),
            "the glTF validator (Node.js: " + (node.empty() ? std::string("none") : node) +
                ", package " + package.string() + "); ./dev test installs it");
        dir_ = temp_.Path();
        ASSERT_FALSE(dir_.empty());
    }

    // The validator's whole report: no errors, no warnings, not even remarks.
    void ExpectSpotless(const fs::path& file) {
        SCOPED_TRACE(file.filename().string());
        const testsupport::ProgramRun check = testsupport::RunProgram(
            {VORLA_NODE, VORLA_VALIDATE_SCRIPT, VORLA_GLTF_VALIDATOR_DIR, file.string()});
        EXPECT_EQ(check.status, 0) << check.err;
        for (const char* count : {"\"numErrors\": 0", "\"numWarnings\": 0", "\"numInfos\": 0"})
            EXPECT_NE(check.out.find(count), std::string::npos) << check.out;
    }

    testsupport::TempFolder temp_{"gltf"};
    fs::path dir_;
};

TEST_F(GltfValidator, EverySampleAndRandomTreesValidateWithoutAnyRemark) {
    // Random trees of twisted blocks in every colour, self-lit ones and placeholders among
    // them, and deep chains whose transforms gather rounding.
    CVelVorlaModel random;
    std::mt19937 rng(7);
    testsupport::FillRandomTree(random, rng, 300);
    testsupport::FillChain(random, 200);
    exporter::ExportOptions options;
    for (const char* name : {"random.glb", "random.gltf", "cubes.glb"}) {
        options.cubes = std::string(name).starts_with("cubes");
        exporter::ExportResult r = exporter::ExportConstruction(
            random, dir_ / name, *exporter::FormatFromPath(name), options);
        ASSERT_TRUE(r) << r.message;
        ExpectSpotless(dir_ / name);
    }
    options.cubes = false;
    const std::vector<fs::path> samples = testsupport::FilesIn(VORLA_SAMPLES_DIR, ".vvl");
    ASSERT_GE(samples.size(), 6u);
    for (const fs::path& sample : samples) {
        ConstructionDocument doc;
        ASSERT_TRUE(ReadConstructionFile(sample, doc));
        for (const char* ext : {".glb", ".gltf"}) {
            const fs::path out = dir_ / (sample.stem().string() + ext);
            exporter::ExportResult r = exporter::ExportConstruction(
                doc.model, out, *exporter::FormatFromPath(out), options);
            ASSERT_TRUE(r) << r.message;
            ExpectSpotless(out);
        }
    }
}

}  // namespace
