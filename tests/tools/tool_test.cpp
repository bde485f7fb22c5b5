#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "interaction/document.h"
#include "model/construction.h"
#include "support/construction_builders.h"
#include "support/files.h"
#include "support/process.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;

namespace fs = std::filesystem;
using testsupport::AddChild;
using testsupport::AddTop;
using testsupport::Block;

namespace {

using ToolRun = testsupport::ProgramRun;

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class ModelTool : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = temp_.Path();
        ASSERT_FALSE(dir_.empty());
    }

    ToolRun Exec(std::vector<std::string> args, const testsupport::RunOptions& options = {}) {
        args.insert(args.begin(), VORLA_TOOL_PATH);
        return testsupport::RunProgram(args, options);
    }

    std::string Path(const char* name) const { return (dir_ / name).string(); }

    testsupport::TempFolder temp_{"tool"};
    fs::path dir_;
};

// One line on stderr, naming the file.
void ExpectOneLineReason(const ToolRun& r, const std::string& file, const char* reason) {
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty()) << r.out;
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
}

TEST_F(ModelTool, NewWritesANewConstructionThatInfoBlocksAndCheckRead) {
    const std::string file = Path("new.vvl");
    ToolRun r = Exec({"new", file});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fs::file_size(file), 343u);

    r = Exec({"info", file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "blocks 1\nred 0\nyellow 0\ngreen 1\nblue 0\nwhite 0\nvisible 1\ndepth 1\n"
              "min 0.000000 0.000000 0.000000\nmax 0.000000 0.000000 0.000000\n");
    r = Exec({"blocks", file});
    EXPECT_EQ(r.out, "2 0.000000 0.000000 0.000000\n");
    r = Exec({"check", file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "ok\n");

    // An existing file is only replaced on request.
    ExpectOneLineReason(Exec({"new", file}), file, "exists");
    EXPECT_EQ(Exec({"new", "--force", file}).status, 0);
    r = Exec({"new", Path("missing/dir.vvl")});
    EXPECT_EQ(r.status, 1);
}

TEST_F(ModelTool, InfoAndBlocksDescribeATree) {
    CVelVorlaSystem s;
    CVelVorlaModel m;
    BlockNode& top = AddTop(m, MakeInitialBlock());
    BlockNode& hidden = AddChild(m, top, Block(0, {2, 0, 0}, {2, 0, 0}, 0, 0));
    AddChild(m, hidden, Block(3, {0, 0, -2}, {0, 0, 2}));
    AddChild(m, top, Block(4, {0, 2, 0}));
    AddTop(m, Block(4, {-0.0000001f, 0, 10.5f}));
    testsupport::Adopt(s, std::move(m));
    CVelCamera cam;
    cam.ResetForNewConstruction(nullptr);
    cam.Apply(nullptr);
    const std::string file = Path("tree.vvl");
    ASSERT_TRUE(SaveConstruction(s, cam, file));

    ToolRun r = Exec({"info", file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "blocks 5\nred 1\nyellow 0\ngreen 1\nblue 1\nwhite 2\nvisible 4\ndepth 3\n"
              "min 0.000000 0.000000 -2.000000\nmax 2.000000 2.000000 10.500000\n");
    r = Exec({"blocks", file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "3 2.000000 0.000000 -2.000000\n"
              "4 0.000000 2.000000 0.000000\n"
              "2 0.000000 0.000000 0.000000\n"
              "4 0.000000 0.000000 10.500000\n");

    CVelVorlaModel placeholder;
    AddTop(placeholder, Block(1, {}, {0, 2, 0}, 0, 0));
    testsupport::Adopt(s, std::move(placeholder));
    ASSERT_TRUE(SaveConstruction(s, cam, file));
    r = Exec({"info", file});
    EXPECT_NE(r.out.find("visible 0\ndepth 1\nmin none\nmax none\n"), std::string::npos) << r.out;
    EXPECT_EQ(Exec({"blocks", file}).out, "");
}

TEST_F(ModelTool, BadFilesExitOneWithTheReason) {
    const std::string good = Path("good.vvl");
    ASSERT_EQ(Exec({"new", good}).status, 0);
    std::string bytes = Slurp(good);

    const std::string lower = Path("lower.vvl");
    std::ofstream(lower, std::ios::binary) << "vvl" << bytes.substr(3);
    const std::string cut = Path("cut.vvl");
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, 300);
    const std::string colour = Path("colour.vvl");
    bytes[299 + 12] = 9;
    std::ofstream(colour, std::ios::binary) << bytes;

    for (const char* cmd : {"check", "info", "blocks"}) {
        ExpectOneLineReason(Exec({cmd, lower}), lower, "Неправильный формат");
        ExpectOneLineReason(Exec({cmd, cut}), cut, "обрывается");
        ExpectOneLineReason(Exec({cmd, colour}), colour, "цвет");
        ExpectOneLineReason(Exec({cmd, Path("absent.vvl")}), Path("absent.vvl"),
                            "Не удалось открыть");
    }
}

TEST_F(ModelTool, PathsThatAreNotFilesAreNamedNotOpened) {
    // A FIFO would hang a reader that opened it.
    const std::string fifo = Path("f.vvl"), folder = Path("d.vvl"), dangling = Path("l.vvl");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(folder);
    fs::create_symlink(Path("sub/real.vvl"), dangling);
    ExpectOneLineReason(Exec({"check", fifo}), fifo, "именованный канал");
    ExpectOneLineReason(Exec({"check", folder}), folder, "это папка");
    ExpectOneLineReason(Exec({"check", dangling}), dangling, "несуществующий файл");
    EXPECT_EQ(Exec({"new", "--force", fifo}).status, 1);
    EXPECT_TRUE(fs::is_fifo(fifo));
    // An export names it too, and leaves it in place.
    const std::string fifoStl = Path("f.stl");
    ASSERT_EQ(::mkfifo(fifoStl.c_str(), 0600), 0);
    ASSERT_EQ(Exec({"new", Path("one.vvl")}).status, 0);
    ExpectOneLineReason(Exec({"export", Path("one.vvl"), fifoStl}), fifoStl, "именованный канал");
    EXPECT_TRUE(fs::is_fifo(fifoStl));
    // Through a link to nothing the link's file is made; the link stays.
    fs::create_directory(Path("sub"));
    ASSERT_EQ(Exec({"new", dangling}).status, 0);
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(Exec({"check", Path("sub/real.vvl")}).status, 0);
    // A read-only file only with --force.
    fs::permissions(Path("sub/real.vvl"), fs::perms::owner_read);
    EXPECT_EQ(Exec({"new", "--force", Path("sub/real.vvl")}).status, 0);
}

TEST_F(ModelTool, UsageErrorsExitTwoAndHelpExitsZero) {
    for (std::vector<std::string> args :
         std::vector<std::vector<std::string>>{{},
                                               {"frobnicate", "x.vvl"},
                                               {"info"},
                                               {"info", "a.vvl", "b.vvl"},
                                               {"check", "--verbose", "a.vvl"},
                                               {"blocks", "--force", "a.vvl"}}) {
        const ToolRun r = Exec(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
    for (const char* cmd : {"info", "blocks", "new", "check"}) {
        const ToolRun r = Exec({cmd, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind(std::string("usage: vorla-tool ") + cmd, 0), 0u) << r.out;
    }
    EXPECT_EQ(Exec({"--help"}).status, 0);
    // "--" ends the options: a file may start with a dash.
    const ToolRun r = Exec({"check", "--", "-odd.vvl"});
    EXPECT_EQ(r.status, 1);
}

TEST_F(ModelTool, ExportWritesTheFormatOfTheExtension) {
    const std::string in = Path("one.vvl");
    ASSERT_EQ(Exec({"new", in}).status, 0);
    // One cube: 12 triangles; binary STL is an 80-byte header, a 4-byte count and 50
    // bytes per triangle.
    ToolRun r = Exec({"export", in, Path("one.stl"), "--cubes", "--block-size", "10"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "blocks 1\ntriangles 12\n");
    EXPECT_EQ(fs::file_size(Path("one.stl")), 80u + 4 + 12 * 50);

    r = Exec({"export", in, Path("one.glb"), "--detail", "3", "--keep-hidden"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(Path("one.glb")));

    // The construction from standard input, with progress reported on the way.
    testsupport::RunOptions piped;
    piped.input = Slurp(in);
    r = Exec({"export", "--progress", "--cubes", "-", Path("piped.stl")}, piped);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.ends_with("blocks 1\ntriangles 12\n")) << r.out;
    EXPECT_EQ(fs::file_size(Path("piped.stl")), 80u + 4 + 12 * 50);
}

TEST_F(ModelTool, ExportOnAFullDiskFailsAndLeavesTheOldFilesAsTheyWere) {
    CVelVorlaModel model;
    std::mt19937 rng(5);
    testsupport::FillRandomTree(model, rng, 200);
    const std::string in = Path("in.vvl");
    ASSERT_TRUE(WriteConstructionFile(in, {}, {}, model));
    // No file may grow past 16 kB, as on a disk that fills up: every format of these 200
    // blocks needs more.
    testsupport::RunOptions fullDisk;
    fullDisk.fileSize = 16 * 1024;
    std::vector<std::string> old;
    for (const char* name : {"old.glb", "old.gltf", "old.bin", "old.obj", "old.mtl", "old.stl",
                             "old.3mf", "old.ply"}) {
        testsupport::WriteFileBytes(Path(name), {'o', 'l', 'd'});
        old.push_back(name);
    }
    for (const char* ext : {".glb", ".gltf", ".obj", ".stl", ".3mf", ".ply"}) {
        SCOPED_TRACE(ext);
        const ToolRun r = Exec({"export", in, Path("old") + ext}, fullDisk);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("файл слишком велик"), std::string::npos) << r.err;
    }
    for (const std::string& name : old)
        EXPECT_EQ(testsupport::ReadFileBytes(dir_ / name), std::vector<uint8_t>({'o', 'l', 'd'}))
            << name;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1 + 8) << "no temporaries";
}

TEST_F(ModelTool, ExportRefusesUnknownFormatsBadOptionsAndBadInput) {
    const std::string in = Path("one.vvl");
    ASSERT_EQ(Exec({"new", in}).status, 0);
    ToolRun r = Exec({"export", in, Path("one.fbx")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(".glb .gltf .obj .stl .3mf .ply"), std::string::npos) << r.err;
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"export", in},
             {"export", in, Path("a.obj"), "--detail", "4"},
             {"export", in, Path("a.stl"), "--block-size", "0"},
             {"export", in, Path("a.stl"), "--block-size", "big"},
             {"export", in, Path("a.ply"), "--shiny"},
             {"export", in, Path("a.3mf"), "--hollow", "--keep-hidden"}})
        EXPECT_EQ(Exec(args).status, 2) << args.back();

    ExpectOneLineReason(Exec({"export", Path("absent.vvl"), Path("a.glb")}), Path("absent.vvl"),
                        "Не удалось открыть");
    CVelVorlaSystem empty;
    testsupport::Adopt(empty, {});
    CVelCamera cam;
    ASSERT_TRUE(SaveConstruction(empty, cam, Path("empty.vvl")));
    ExpectOneLineReason(Exec({"export", Path("empty.vvl"), Path("empty.glb")}), Path("empty.glb"),
                        "нет видимых блоков");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 2) << "only the two inputs";
}

}  // namespace
