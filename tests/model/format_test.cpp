#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "interaction/document.h"
#include "model/construction.h"
#include "model/file_system.h"
#include "model/placement.h"
#include "support/construction_builders.h"
#include "support/files.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;

namespace fs = std::filesystem;
using math::Mat4;
using math::Vec3;
using testsupport::AddChild;
using testsupport::AddTop;
using testsupport::Block;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

namespace {

int32_t IntAt(const std::vector<uint8_t>& b, size_t offset) {
    uint32_t u = 0;
    for (int i = 3; i >= 0; --i) u = (u << 8) | b[offset + static_cast<size_t>(i)];
    return static_cast<int32_t>(u);
}
float FloatAt(const std::vector<uint8_t>& b, size_t offset) {
    const uint32_t u = static_cast<uint32_t>(IntAt(b, offset));
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
void PutInt(std::vector<uint8_t>& b, size_t offset, int32_t v) {
    for (int i = 0; i < 4; ++i)
        b[offset + static_cast<size_t>(i)] =
            static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}
void PutFloat(std::vector<uint8_t>& b, size_t offset, float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    PutInt(b, offset, static_cast<int32_t>(u));
}

FileResult Decode(const std::vector<uint8_t>& bytes, ConstructionDocument& doc) {
    return DecodeConstruction(bytes.data(), bytes.size(), doc);
}

// A private folder per test, removed afterwards.
class ModelFormatFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = temp_.Path();
        ASSERT_FALSE(dir_.empty());
    }
    testsupport::TempFolder temp_{"format"};
    fs::path dir_;
};

CVelCamera NewCamera() {
    CVelCamera c;
    c.ResetForNewConstruction(nullptr);
    c.Apply(nullptr);
    return c;
}

// Offsets in the file.
constexpr size_t kCamera = 3;
constexpr size_t kSettings = 263;
constexpr size_t kModelHeader = 287;
constexpr size_t kTopCount = 295;
constexpr size_t kFirstBlock = 299;

TEST(ModelFormat, NewConstructionIsExactly343KnownBytes) {
    CVelVorlaSystem s;
    const CVelCamera cam = NewCamera();
    const auto b = EncodeConstruction(CaptureCamera(cam), CaptureSettings(s), s.model);
    ASSERT_EQ(b.size(), 343u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 3), "VVL");

    // Camera at the starting view.
    for (int i = 0; i < 32; ++i)  // orientation and spinDelta: identity
        EXPECT_EQ(FloatAt(b, kCamera + 4 * i), (i % 16) % 5 == 0 ? 1.0f : 0.0f) << i;
    const float scalars[] = {5, 0, 0, 0};  // baseDistance, zoom, distanceOffset, spinDuration
    for (int i = 0; i < 4; ++i) EXPECT_EQ(FloatAt(b, kCamera + 128 + 4 * i), scalars[i]) << i;
    const int flags[] = {0, 0, 1, 1, 0};  // autoSpinTarget, autoSpinAround, orbit, stopped, axis
    for (int i = 0; i < 5; ++i) EXPECT_EQ(IntAt(b, kCamera + 144 + 4 * i), flags[i]) << i;
    const float vectors[] = {0, 0, -5, 0, 0, 0, 0, 1, 0,  0, 0, -5,  // ref, target, upRef, eyeBase
                             0, 0, 0,  0, 1, 0, 0, 0, -5, 0, 0, 0};  // lookAt, up, eye, axis
    for (int i = 0; i < 24; ++i) EXPECT_EQ(FloatAt(b, kCamera + 164 + 4 * i), vectors[i]) << i;

    const int settings[] = {1, 1, 1, 0, 0, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(IntAt(b, kSettings + 4 * i), settings[i]) << i;
    EXPECT_EQ(IntAt(b, kModelHeader), 1);
    EXPECT_EQ(IntAt(b, kModelHeader + 4), 1);
    EXPECT_EQ(IntAt(b, kTopCount), 1);
    EXPECT_EQ(IntAt(b, kFirstBlock + 0), 0);       // selfLit
    EXPECT_EQ(IntAt(b, kFirstBlock + 4), 1);       // visible
    EXPECT_EQ(FloatAt(b, kFirstBlock + 8), 0.0f);  // angle
    EXPECT_EQ(IntAt(b, kFirstBlock + 12), 2);      // green
    const float axisOffset[] = {0, 2, 0, 0, 0, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(FloatAt(b, kFirstBlock + 16 + 4 * i), axisOffset[i]);
    EXPECT_EQ(IntAt(b, kFirstBlock + 40), 0);  // no children
}

void ExpectSameTree(const BlockList& a, const BlockList& b, const BlockNode* parentB) {
    auto ia = a.begin();
    auto ib = b.begin();
    for (; ia != a.end() && ib != b.end(); ++ia, ++ib) {
        EXPECT_EQ(ia->colour, ib->colour);
        EXPECT_EQ(ia->offset, ib->offset);
        EXPECT_EQ(ia->axis, ib->axis);
        EXPECT_EQ(ia->angle, ib->angle);
        EXPECT_EQ(ia->visible, ib->visible);
        EXPECT_EQ(ia->selfLit, ib->selfLit);
        EXPECT_EQ(ib->parent, parentB);
        ExpectSameTree(ia->children, ib->children, &*ib);
    }
    EXPECT_TRUE(ia == a.end() && ib == b.end()) << "lists differ in length";
}

TEST_F(ModelFormatFiles, RandomConstructionRoundTripsThroughAFile) {
    std::mt19937 rng(11);
    CVelVorlaSystem s;
    auto randomTree = [](std::mt19937& r) {
        CVelVorlaModel m;
        testsupport::FillRandomTree(m, r, 500);
        m.gridSize = 3;
        m.gridShell = -7;
        return m;
    };
    testsupport::Adopt(s, randomTree(rng));
    s.randomColour = 0;
    s.currentColour = 4;
    s.detailLevel = 3;
    s.showAsCubes = 1;
    s.showGrid = 1;
    s.showAxes = 1;
    testsupport::MakeUnsaved(s);

    CVelCamera cam = NewCamera();
    std::uniform_real_distribution<float> u(-3, 3);
    for (auto& row : cam.orientation.m)
        for (float& f : row) f = u(rng);
    cam.spinDelta = math::MatrixRotationY(0.3f);
    cam.baseDistance = u(rng);
    cam.zoom = u(rng);
    cam.distanceOffset = u(rng);
    cam.spinDuration = u(rng);
    cam.autoSpinTarget = 1;
    cam.autoSpinAround = 0;
    cam.orbitMode = 0;
    cam.spinStopped = 0;
    cam.axisMode = 1;
    cam.referencePoint = {u(rng), u(rng), u(rng)};
    cam.target = {u(rng), u(rng), u(rng)};
    cam.upReference = {u(rng), u(rng), u(rng)};
    cam.eyeBase = {u(rng), u(rng), u(rng)};
    cam.lookAt = {u(rng), u(rng), u(rng)};
    cam.up = {u(rng), u(rng), u(rng)};
    cam.eye = {u(rng), u(rng), u(rng)};
    cam.rotationAxis = {u(rng), u(rng), u(rng)};

    const fs::path file = dir_ / "random.vvl";
    ASSERT_TRUE(interaction::SaveConstruction(s, cam, file));
    EXPECT_FALSE(s.document.Unsaved());
    // The in-memory encoding (autosave) makes the very bytes of the streamed file, also
    // when the block counter it sizes its buffer by is wrong.
    EXPECT_EQ(ReadFileBytes(file),
              EncodeConstruction(CaptureCamera(cam), CaptureSettings(s), s.model));
    std::mt19937 again(11);
    CVelVorlaModel miscounted = randomTree(again);
    miscounted.colourCounts[5] = 1;
    EXPECT_EQ(ReadFileBytes(file),
              EncodeConstruction(CaptureCamera(cam), CaptureSettings(s), miscounted));

    CVelVorlaSystem loaded;
    loaded.mode = ModeTwist;
    loaded.twistSelected = 1;
    loaded.pickHit = 1;
    loaded.pickedBlock = loaded.lastPainted = loaded.model.topBlocks.Front();
    testsupport::MakeUnsaved(loaded);
    CVelCamera cam2;
    cam2.axesOrientation = math::MatrixRotationX(1);
    cam2.axesDragRotation = math::MatrixRotationZ(1);
    ASSERT_TRUE(interaction::LoadConstruction(loaded, cam2, file));

    ExpectSameTree(s.model.topBlocks, loaded.model.topBlocks, nullptr);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(loaded.model.colourCounts[i], s.model.colourCounts[i]);
    EXPECT_EQ(loaded.model.gridSize, 3);
    EXPECT_EQ(loaded.model.gridShell, -7);
    EXPECT_EQ(loaded.randomColour, 0);
    EXPECT_EQ(loaded.currentColour, 4);
    EXPECT_EQ(loaded.detailLevel, 3);
    EXPECT_EQ(loaded.showAsCubes + loaded.showGrid + loaded.showAxes, 3);
    EXPECT_EQ(loaded.mode, ModeInspect);
    EXPECT_EQ(loaded.twistSelected, 0);
    EXPECT_EQ(loaded.pickHit, 0);
    EXPECT_EQ(loaded.pickedBlock, nullptr);
    EXPECT_EQ(loaded.lastPainted, nullptr);
    EXPECT_FALSE(loaded.document.Unsaved());  // it is what the file holds

    EXPECT_EQ(cam2.orientation, cam.orientation);
    EXPECT_EQ(cam2.spinDelta, cam.spinDelta);
    EXPECT_EQ(cam2.baseDistance, cam.baseDistance);
    EXPECT_EQ(cam2.zoom, cam.zoom);
    EXPECT_EQ(cam2.distanceOffset, cam.distanceOffset);
    EXPECT_EQ(cam2.spinDuration, cam.spinDuration);
    EXPECT_EQ(cam2.autoSpinTarget, 1);
    EXPECT_EQ(cam2.autoSpinAround, 0);
    EXPECT_EQ(cam2.orbitMode, 0);
    EXPECT_EQ(cam2.spinStopped, 0);
    EXPECT_EQ(cam2.axisMode, 1);
    EXPECT_EQ(cam2.referencePoint, cam.referencePoint);
    EXPECT_EQ(cam2.target, cam.target);
    EXPECT_EQ(cam2.upReference, cam.upReference);
    EXPECT_EQ(cam2.eyeBase, cam.eyeBase);
    EXPECT_EQ(cam2.lookAt, cam.lookAt);
    EXPECT_EQ(cam2.up, cam.up);
    EXPECT_EQ(cam2.eye, cam.eye);
    EXPECT_EQ(cam2.rotationAxis, cam.rotationAxis);
    EXPECT_EQ(cam2.axesOrientation, Mat4{});
    EXPECT_EQ(cam2.axesDragRotation, Mat4{});

    // Same bytes when written again.
    EXPECT_EQ(EncodeConstruction(CaptureCamera(cam2), CaptureSettings(loaded), loaded.model),
              ReadFileBytes(file));
}

// A small nested document with a placeholder, for the damage tests.
std::vector<uint8_t> SampleBytes() {
    CVelVorlaSystem s;
    CVelVorlaModel m;
    BlockNode& top = AddTop(m, MakeInitialBlock());
    BlockNode& hidden = AddChild(m, top, Block(0, {2, 0, 0}, {2, 0, 0}, 0.5f, 0));
    AddChild(m, hidden, Block(3, {0, 0, 2}, {0, 0, 2}));
    AddChild(m, top, Block(4, {0, 2, 0}));
    AddTop(m, Block(1, {6, 0, 0}));
    return EncodeConstruction(CaptureCamera(NewCamera()), CaptureSettings(s), m);
}

TEST(ModelFormat, EveryTruncationIsRefusedCleanly) {
    const auto full = SampleBytes();
    ASSERT_EQ(full.size(), kFirstBlock + 5 * kVvlBlockEntrySize);
    ConstructionDocument doc;
    ASSERT_TRUE(Decode(full, doc));
    EXPECT_EQ(doc.model.Total(), 5);
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(n));
        ConstructionDocument d;
        const FileResult r = Decode(cut, d);
        ASSERT_FALSE(r) << "prefix of " << n << " bytes accepted";
        if (n < 3) {
            EXPECT_EQ(r.message, kWrongFormatMessage);
        } else {
            EXPECT_NE(r.message.find("обрывается"), std::string::npos) << n << ": " << r.message;
        }
        EXPECT_TRUE(d.model.topBlocks.Empty());
        EXPECT_EQ(d.model.Total(), 0);
    }
}

TEST(ModelFormat, WrongSignaturesAreRefusedWithTheFormatMessage) {
    auto bytes = SampleBytes();
    for (const char* sig : {"vvl", "VVl", "XVL", "VV\0"}) {
        auto b = bytes;
        std::memcpy(b.data(), sig, 3);
        ConstructionDocument d;
        const FileResult r = Decode(b, d);
        EXPECT_FALSE(r);
        EXPECT_EQ(r.message, "Неправильный формат");
    }
    for (std::vector<uint8_t> tiny : {std::vector<uint8_t>{}, std::vector<uint8_t>{'V', 'V'}}) {
        ConstructionDocument d;
        EXPECT_EQ(Decode(tiny, d).message, "Неправильный формат");
    }
}

TEST(ModelFormat, BadValuesAreRefused) {
    const auto good = SampleBytes();
    struct Case {
        const char* what;
        size_t offset;
        int32_t value;
        bool isFloat;
        float f;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {"colour 5", kFirstBlock + 12, 5, false, 0},
        {"colour -1", kFirstBlock + 44 + 12, -1, false, 0},
        {"current colour 5", kSettings + 4, 5, false, 0},
        {"current colour -1", kSettings + 4, -1, false, 0},
        {"top count past the file", kTopCount, 6, false, 0},
        {"huge top count", kTopCount, std::numeric_limits<int32_t>::max(), false, 0},
        {"huge child count", kFirstBlock + 40, 1 << 30, false, 0},
        {"child count past the file", kFirstBlock + 40, 4, false, 0},
        {"NaN angle", kFirstBlock + 8, 0, true, nan},
        {"infinite offset", kFirstBlock + 44 + 28, 0, true, inf},
        {"NaN camera", kCamera + 4 * 45, 0, true, nan},
    };
    for (const Case& c : cases) {
        auto b = good;
        if (c.isFloat) {
            PutFloat(b, c.offset, c.f);
        } else {
            PutInt(b, c.offset, c.value);
        }
        ConstructionDocument d;
        const FileResult r = Decode(b, d);
        EXPECT_FALSE(r) << c.what;
        EXPECT_FALSE(r.message.empty()) << c.what;
        EXPECT_EQ(r.message.find('\n'), std::string::npos) << c.what;
        EXPECT_TRUE(d.model.topBlocks.Empty()) << c.what;
    }
}

// Every offset finite, but added up along a chain they pass the largest float: there is
// no place to draw such blocks at. Just below, the file is read.
TEST(ModelFormat, PlacesBeyondAnyNumberAreRefused) {
    for (const float step : {3e38f, 1e37f}) {
        CVelVorlaSystem s;
        CVelCamera cam;
        CVelVorlaModel m;
        BlockNode* tip = &testsupport::AddTop(m, testsupport::Block(1, {step, 0, 0}));
        for (int i = 0; i < 9; ++i)
            tip = &testsupport::AddChild(m, *tip, testsupport::Block(i % 5, {step, 0, 0}));
        testsupport::Adopt(s, std::move(m));
        ConstructionDocument d;
        const FileResult r =
            Decode(EncodeConstruction(CaptureCamera(cam), CaptureSettings(s), s.model), d);
        if (step > 1e38f) {
            EXPECT_FALSE(r);
            EXPECT_EQ(r.message, kPlaceNotFiniteMessage);
            EXPECT_TRUE(d.model.topBlocks.Empty());
        } else {
            EXPECT_TRUE(r) << r.message;
        }
    }
}

TEST(ModelFormat, NonPositiveCountsMeanNoBlocksAndTrailingBytesAreIgnored) {
    auto b = SampleBytes();
    // The first block's child count -3: its two children are no longer read, so their
    // bytes and the last top-level block become the end of a shorter document.
    PutInt(b, kTopCount, 1);
    PutInt(b, kFirstBlock + 40, -3);
    ConstructionDocument d;
    ASSERT_TRUE(Decode(b, d));
    EXPECT_EQ(d.model.Total(), 1);
    EXPECT_EQ(d.trailingBytes, 4 * kVvlBlockEntrySize);

    PutInt(b, kTopCount, std::numeric_limits<int32_t>::min());
    ConstructionDocument e;
    ASSERT_TRUE(Decode(b, e));
    EXPECT_TRUE(e.model.topBlocks.Empty());
    EXPECT_EQ(e.model.Total(), 0);
}

// Every block's parent link and the six counters agree with the tree.
void ExpectConsistent(const CVelVorlaModel& m) {
    int counts[6] = {};
    std::vector<std::pair<const BlockList*, const BlockNode*>> lists = {{&m.topBlocks, nullptr}};
    while (!lists.empty()) {
        auto [list, owner] = lists.back();
        lists.pop_back();
        for (const BlockNode& b : *list) {
            ASSERT_EQ(b.parent, owner);
            ASSERT_TRUE(IsColourIndex(b.colour));
            ++counts[b.colour];
            ++counts[5];
            lists.push_back({&b.children, &b});
        }
    }
    for (int i = 0; i < 6; ++i) EXPECT_EQ(m.colourCounts[i], counts[i]) << i;
}

TEST(ModelFormat, RandomlyDamagedFilesAreRefusedOrReadConsistently) {
    const auto good = SampleBytes();
    std::mt19937 rng(99);
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        auto b = good;
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int f = 0; f < flips; ++f) {
            const size_t at = kTopCount + rng() % (b.size() - kTopCount);
            b[at] = static_cast<uint8_t>(rng() % 3 == 0 ? 0xFF : rng());
        }
        if (rng() % 4 == 0) b.resize(rng() % b.size());
        ConstructionDocument d;
        const FileResult r = Decode(b, d);
        if (r) {
            ++accepted;
            ExpectConsistent(d.model);
        } else {
            EXPECT_FALSE(r.message.empty());
            EXPECT_TRUE(d.model.topBlocks.Empty());
        }
    }
    EXPECT_GT(accepted, 0);  // some damage (offsets, angles) leaves a valid document
}

TEST(ModelFormat, LoadRebuildsParentsAndCounters) {
    ConstructionDocument d;
    ASSERT_TRUE(Decode(SampleBytes(), d));
    const int expected[6] = {1, 1, 1, 1, 1, 5};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(d.model.colourCounts[i], expected[i]) << i;
    const BlockNode& top = *d.model.topBlocks.Front();
    const BlockNode& hidden = *top.children.Front();
    EXPECT_EQ(top.parent, nullptr);
    EXPECT_EQ(hidden.parent, &top);
    EXPECT_EQ(hidden.visible, 0);
    EXPECT_EQ(hidden.children.Front()->parent, &hidden);
    EXPECT_EQ(d.model.topBlocks.Back()->parent, nullptr);
}

TEST_F(ModelFormatFiles, FailedLoadLeavesConstructionAndCameraUntouched) {
    CVelVorlaSystem s;
    s.document.Add(s.model.topBlocks.Front(), Block(3, {2, 0, 0}));
    s.mode = ModePaint;
    s.currentColour = 0;
    CVelCamera cam = NewCamera();
    cam.zoom = 1.5f;
    const BlockNode* before = s.model.topBlocks.Front();

    auto bad = SampleBytes();
    bad.resize(bad.size() - 1);
    WriteFileBytes(dir_ / "cut.vvl", bad);
    auto lower = SampleBytes();
    lower[0] = 'v';
    WriteFileBytes(dir_ / "lower.vvl", lower);
    fs::create_directory(dir_ / "folder.vvl");

    const struct {
        fs::path path;
        const char* contains;
    } cases[] = {{dir_ / "cut.vvl", "обрывается"},
                 {dir_ / "lower.vvl", "Неправильный формат"},
                 {dir_ / "missing.vvl", "Не удалось открыть файл"},
                 {dir_ / "folder.vvl", "Не удалось открыть файл"}};
    for (const auto& c : cases) {
        const FileResult r = interaction::LoadConstruction(s, cam, c.path);
        EXPECT_FALSE(r) << c.path;
        EXPECT_NE(r.message.find(c.contains), std::string::npos) << r.message;
        EXPECT_EQ(s.model.topBlocks.Front(), before);
        EXPECT_EQ(s.model.Total(), 2);
        EXPECT_EQ(s.mode, ModePaint);
        EXPECT_EQ(s.currentColour, 0);
        EXPECT_EQ(cam.zoom, 1.5f);
    }
}

TEST_F(ModelFormatFiles, AMillionDeepChainSavesLoadsWalksAndDestroys) {
    CVelVorlaSystem s;
    CVelVorlaModel chain;
    testsupport::FillChain(chain, 1'000'000);
    testsupport::Adopt(s, std::move(chain));
    const CVelCamera cam = NewCamera();
    const fs::path file = dir_ / "deep.vvl";
    ASSERT_TRUE(interaction::SaveConstruction(s, cam, file));
    EXPECT_EQ(fs::file_size(file), kFirstBlock + 1'000'000 * kVvlBlockEntrySize);

    CVelVorlaSystem loaded;
    CVelCamera cam2;
    ASSERT_TRUE(interaction::LoadConstruction(loaded, cam2, file));
    EXPECT_EQ(loaded.model.Total(), 1'000'000);
    EXPECT_EQ(TreeDepth(loaded.model.topBlocks), 1'000'000);
    EXPECT_FALSE(loaded.IsPositionFree({0, 2.0f * 999'999, 0}));
}

TEST_F(ModelFormatFiles, SaveReplacesTheFileAtomicallyAndKeepsItsMode) {
    CVelVorlaSystem s;
    const CVelCamera cam = NewCamera();
    const fs::path file = dir_ / "doc.vvl";
    WriteFileBytes(file, {'o', 'l', 'd'});
    ::chmod(file.c_str(), 0640);
    fs::create_symlink("doc.vvl", dir_ / "link.vvl");

    testsupport::MakeUnsaved(s);
    ASSERT_TRUE(interaction::SaveConstruction(s, cam, dir_ / "link.vvl"));
    EXPECT_FALSE(s.document.Unsaved());
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.vvl"));  // the link stays, its file is replaced
    EXPECT_EQ(fs::file_size(file), 343u);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // Nothing else was left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

TEST_F(ModelFormatFiles, FailedSaveKeepsTheOldFileAndTheSavedFlag) {
    CVelVorlaSystem s;
    const CVelCamera cam = NewCamera();
    testsupport::MakeUnsaved(s);

    const FileResult missing =
        interaction::SaveConstruction(s, cam, dir_ / "no" / "such" / "dir.vvl");
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.message.find("Не удалось сохранить файл"), std::string::npos);
    EXPECT_TRUE(s.document.Unsaved());

    fs::create_directory(dir_ / "taken.vvl");  // a folder in the way
    EXPECT_FALSE(interaction::SaveConstruction(s, cam, dir_ / "taken.vvl"));
    EXPECT_TRUE(fs::is_directory(dir_ / "taken.vvl"));
    EXPECT_TRUE(s.document.Unsaved());

    // A write that fails part-way (file size limit): the old file is untouched and no
    // temporary file is left behind.
    const fs::path file = dir_ / "doc.vvl";
    const std::vector<uint8_t> old = SampleBytes();
    WriteFileBytes(file, old);
    CVelVorlaModel chain;
    testsupport::FillChain(chain, 10'000);  // about 440 kB
    testsupport::Adopt(s, std::move(chain));
    testsupport::MakeUnsaved(s);
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileResult r = interaction::SaveConstruction(s, cam, file);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(r);
    EXPECT_TRUE(s.document.Unsaved());
    EXPECT_EQ(ReadFileBytes(file), old);
    int entries = 0;
    for (const auto& e : fs::directory_iterator(dir_)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2);  // doc.vvl and the folder

    if (::geteuid() != 0) {  // permissions do not stop root
        fs::create_directory(dir_ / "ro");
        WriteFileBytes(dir_ / "ro" / "doc.vvl", old);
        fs::permissions(dir_ / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(SaveConstruction(s, cam, dir_ / "ro" / "doc.vvl"));
        EXPECT_EQ(ReadFileBytes(dir_ / "ro" / "doc.vvl"), old);
        fs::permissions(dir_ / "ro", fs::perms::owner_all);
    }
}

TEST_F(ModelFormatFiles, FileErrorsAreExplainedInRussian) {
    CVelVorlaSystem s;
    CVelCamera cam;
    EXPECT_EQ(interaction::LoadConstruction(s, cam, dir_ / "missing.vvl").message,
              "Не удалось открыть файл: нет такого файла или папки");
    fs::create_directory(dir_ / "folder.vvl");
    EXPECT_EQ(interaction::LoadConstruction(s, cam, dir_ / "folder.vvl").message,
              "Не удалось открыть файл: это папка, а не файл");
    EXPECT_EQ(interaction::SaveConstruction(s, cam, dir_ / "no" / "x.vvl").message,
              "Не удалось сохранить файл: нет такого файла или папки");
    EXPECT_EQ(interaction::SaveConstruction(s, cam, dir_ / "folder.vvl").message,
              "Не удалось сохранить файл: это папка, а не файл");
    EXPECT_EQ(
        interaction::SaveConstruction(s, cam, dir_ / (std::string(300, 'x') + ".vvl")).message,
        "Не удалось сохранить файл: слишком длинное имя файла");

    EXPECT_EQ(SystemErrorText(EACCES), "нет прав доступа");
    EXPECT_EQ(SystemErrorText(ENOSPC), "на диске нет места");
    EXPECT_EQ(SystemErrorText(EROFS), "файловая система доступна только для чтения");
    EXPECT_FALSE(SystemErrorText(EBADF).empty());  // rare cases: the system's text
}

TEST_F(ModelFormatFiles, NonRegularFilesAreRefusedBeforeTheyAreOpened) {
    CVelVorlaSystem s;
    CVelCamera cam;
    EXPECT_EQ(interaction::LoadConstruction(s, cam, "/dev/zero").message,
              "Не удалось открыть файл: это устройство, а не файл");
    // Opening a FIFO would wait for a writer for ever; neither read nor write touches it.
    ASSERT_EQ(::mkfifo((dir_ / "f.vvl").c_str(), 0600), 0);
    EXPECT_EQ(interaction::LoadConstruction(s, cam, dir_ / "f.vvl").message,
              "Не удалось открыть файл: это именованный канал (FIFO), а не файл");
    EXPECT_EQ(interaction::SaveConstruction(s, cam, dir_ / "f.vvl").message,
              "Не удалось сохранить файл: это именованный канал (FIFO), а не файл");
    EXPECT_TRUE(fs::is_fifo(dir_ / "f.vvl"));
    EXPECT_EQ(s.model.Total(), 1);
}

TEST_F(ModelFormatFiles, SavingThroughADanglingLinkCreatesItsTarget) {
    CVelVorlaSystem s;
    CVelCamera cam;
    fs::create_directory(dir_ / "sub");
    fs::create_symlink("sub/real.vvl", dir_ / "link.vvl");
    EXPECT_EQ(interaction::LoadConstruction(s, cam, dir_ / "link.vvl").message,
              "Не удалось открыть файл: ссылка указывает на несуществующий файл");
    ASSERT_TRUE(interaction::SaveConstruction(s, cam, dir_ / "link.vvl"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.vvl"));
    EXPECT_TRUE(fs::is_regular_file(dir_ / "sub" / "real.vvl"));
    EXPECT_TRUE(interaction::LoadConstruction(s, cam, dir_ / "link.vvl"));
}

TEST_F(ModelFormatFiles, AReadOnlyFileIsReplacedOnlyWhenTheUserSaidSo) {
    CVelVorlaSystem s;
    CVelCamera cam;
    const std::vector<uint8_t> old = {1, 2, 3};
    WriteFileBytes(dir_ / "ro.vvl", old);
    fs::permissions(dir_ / "ro.vvl", fs::perms::owner_read);
    EXPECT_FALSE(interaction::SaveConstruction(s, cam, dir_ / "ro.vvl"));
    EXPECT_EQ(ReadFileBytes(dir_ / "ro.vvl"), old);
    ASSERT_TRUE(interaction::SaveConstruction(s, cam, dir_ / "ro.vvl", ReadOnlyTarget::Replace));
    EXPECT_NE(ReadFileBytes(dir_ / "ro.vvl"), old);
}

}  // namespace
