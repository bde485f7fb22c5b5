#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/render_command.h"
#include "camera/camera.h"
#include "interaction/document.h"
#include "model/construction.h"
#include "support/files.h"

namespace {

using app::ParseRenderArguments;

TEST(RenderArguments, OptionsInAnyOrder) {
    std::string error;
    auto r = ParseRenderArguments(
        {"--width", "320", "out.png", "--overlays", "--height", "200", "in.vvl"}, &error);
    ASSERT_TRUE(r) << error;
    EXPECT_EQ(r->output, "out.png");
    EXPECT_EQ(r->input, "in.vvl");
    EXPECT_EQ(r->width, 320);
    EXPECT_EQ(r->height, 200);
    EXPECT_TRUE(r->overlays);
    EXPECT_EQ(r->scale, 1.0);
    auto scaled = ParseRenderArguments({"--scale", "1.5", "a.png", "b.vvl"}, &error);
    ASSERT_TRUE(scaled) << error;
    EXPECT_EQ(scaled->scale, 1.5);

    auto defaults = ParseRenderArguments({"a.png", "b.vvl"}, &error);
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->width, 800);
    EXPECT_EQ(defaults->height, 600);
    EXPECT_FALSE(defaults->overlays);
    EXPECT_FALSE(defaults->fit);
    EXPECT_FALSE(defaults->background.has_value());

    auto framed =
        ParseRenderArguments({"--fit", "--background", "#1A2b3C", "a.png", "b.vvl"}, &error);
    ASSERT_TRUE(framed) << error;
    EXPECT_TRUE(framed->fit);
    EXPECT_EQ(framed->background, 0x1A2B3Cu);
}

TEST(RenderArguments, BadUsageIsRefusedWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"out.png"},
        {"out.png", "a.vvl", "b.vvl"},
        {"--width", "out.png", "a.vvl"},
        {"--width", "0", "out.png", "a.vvl"},
        {"--height", "-5", "out.png", "a.vvl"},
        {"--width", "12x", "out.png", "a.vvl"},
        {"--scale", "0", "out.png", "a.vvl"},
        {"--scale", "two", "out.png", "a.vvl"},
        {"--scale", "9", "out.png", "a.vvl"},
        {"--width", "5000", "--scale", "2", "out.png", "a.vvl"},  // 10000 pixels wide
        {"--width", "99999999999999", "out.png", "a.vvl"},
        {"--width", "9000", "out.png", "a.vvl"},
        {"out.png", "a.vvl", "--height"},
        {"--colour", "red", "out.png", "a.vvl"},
        {"--background", "out.png", "a.vvl"},
        {"--background", "12345", "out.png", "a.vvl"},
        {"--background", "12345G", "out.png", "a.vvl"},
    };
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(ParseRenderArguments(args, &error)) << args.size();
        EXPECT_FALSE(error.empty());
    }
    std::ostringstream err;
    EXPECT_EQ(app::RenderCommand({"x.png"}, err), app::kRenderExitUsage);
    EXPECT_NE(err.str().find("usage"), std::string::npos);
}

TEST(RenderArguments, AMissingFileIsABadFile) {
    std::ostringstream err;
    EXPECT_EQ(app::RenderCommand({"/tmp/never.png", "/nonexistent/x.vvl"}, err),
              app::kRenderExitBadFile);
    EXPECT_NE(err.str().find("/nonexistent/x.vvl"), std::string::npos);
}

TEST(RenderArguments, AFolderOrFifoIsNamedAndAReadOnlyPictureKept) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "vorla-render-args";
    fs::remove_all(dir);
    fs::create_directories(dir / "folder.vvl");
    ASSERT_EQ(::mkfifo((dir / "f.vvl").c_str(), 0600), 0);
    std::ostringstream err;
    EXPECT_EQ(app::RenderCommand({(dir / "a.png").string(), (dir / "folder.vvl").string()}, err),
              app::kRenderExitBadFile);
    EXPECT_EQ(app::RenderCommand({(dir / "a.png").string(), (dir / "f.vvl").string()}, err),
              app::kRenderExitBadFile);
    EXPECT_NE(err.str().find("это папка"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("именованный канал"), std::string::npos) << err.str();
    // The output is looked at before anything is drawn.
    std::ofstream(dir / "ro.png") << "old";
    fs::permissions(dir / "ro.png", fs::perms::owner_read);
    model::CVelVorlaSystem system;
    system.ResetConstruction();
    ASSERT_TRUE(interaction::SaveConstruction(system, camera::CVelCamera(), dir / "one.vvl"));
    err.str("");
    EXPECT_EQ(app::RenderCommand({(dir / "ro.png").string(), (dir / "one.vvl").string()}, err),
              app::kRenderExitBadFile);
    EXPECT_NE(err.str().find("--force"), std::string::npos) << err.str();
    EXPECT_EQ(testsupport::ReadFileBytes(dir / "ro.png"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(app::RenderCommand({(dir / "f.vvl").string(), (dir / "folder.vvl").string()}, err),
              app::kRenderExitBadFile);
    EXPECT_TRUE(fs::is_fifo(dir / "f.vvl"));
    fs::remove_all(dir);
}

}  // namespace
