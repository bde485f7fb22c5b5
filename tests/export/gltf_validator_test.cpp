// Exported glTF files checked by the Khronos glTF validator (npm package gltf-validator,
// installed by ./dev). Without Node.js or the validator the suite is skipped on a
// developer's own run and fails under CI and ./dev test.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "export/mesh_export.h"
#include "support/construction_builders.h"
#include "support/environment.h"
#include "support/files.h"

using namespace input;
using namespace model;

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string output;
};

// The command's standard output and error together, and its exit status.
Outcome Capture(const std::string& command) {
    Outcome r;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    std::array<char, 4096> chunk;
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        r.output.append(chunk.data(), n);
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

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

    Outcome Validate(const fs::path& file) {
        return Capture(Quote(VORLA_NODE) + " " + Quote(VORLA_VALIDATE_SCRIPT) + " " +
                       Quote(VORLA_GLTF_VALIDATOR_DIR) + " " + Quote(file.string()));
    }

    testsupport::TempFolder temp_{"gltf"};
    fs::path dir_;
};

TEST_F(GltfValidator, ExportedFilesHaveNoErrors) {
    // Random trees of twisted blocks in every colour, self-lit ones and placeholders among
    // them, and deep chains whose transforms gather rounding.
    CVelVorlaModel model;
    std::mt19937 rng(7);
    testsupport::FillRandomTree(model, rng, 300);
    testsupport::FillChain(model, 200);
    exporter::ExportOptions options;
    for (const char* name : {"blocks.glb", "blocks.gltf", "cubes.glb"}) {
        SCOPED_TRACE(name);
        options.cubes = std::string(name).starts_with("cubes");
        const fs::path out = dir_ / name;
        exporter::ExportResult r =
            exporter::ExportConstruction(model, out, *exporter::FormatFromPath(out), options);
        ASSERT_TRUE(r) << r.message;
        const Outcome check = Validate(out);
        EXPECT_EQ(check.status, 0) << check.output;
        EXPECT_NE(check.output.find("\"numErrors\": 0"), std::string::npos) << check.output;
    }
}

}  // namespace
