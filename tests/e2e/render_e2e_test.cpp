// The program run as a user would run it for a thumbnail: files in, PNG out, exit codes.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <set>

#include "camera/camera.h"
#include "interaction/document.h"
#include "model/construction.h"
#include "model/vvl_codec.h"
#include "support/construction_builders.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;

namespace {

struct Outcome {
    int exitCode = -1;
    QString errors;
};

// Runs vorla with no display at all: --render must not need one.
Outcome Vorla(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VORLA_BINARY), args);
    EXPECT_TRUE(p.waitForFinished(120000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError())};
}

enum class Hue { Background, Red, Yellow, Green, White, Other };

Hue Classify(QRgb p) {
    const int r = qRed(p), g = qGreen(p), b = qBlue(p);
    if (r < 40 && g < 40 && b > 100) return Hue::Background;  // dark blue
    if (r > g + 50 && r > b + 50) return Hue::Red;
    if (g > r + 40 && g > b + 40) return Hue::Green;
    if (r > 90 && g > 90 && b < std::min(r, g) - 50) return Hue::Yellow;
    if (r > 120 && g > 120 && b > 120 && std::abs(r - b) < 40) return Hue::White;
    return Hue::Other;
}

class RenderE2E : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString Path(const char* name) { return dir.filePath(QString::fromUtf8(name)); }

    void Save(CVelVorlaSystem& system, CVelCamera& camera, const QString& path) {
        FileResult r = SaveConstruction(system, camera, path.toStdString());
        ASSERT_TRUE(r) << r.message;
    }
};

TEST_F(RenderE2E, ANewConstructionShowsTheGreenBlockInTheMiddle) {
    CVelVorlaSystem system;
    CVelCamera camera;
    system.ResetConstruction();
    camera.ResetForNewConstruction(nullptr);
    Save(system, camera, Path("new.vvl"));

    Outcome run =
        Vorla({"--render", Path("new.png"), "--width", "320", "--height", "240", Path("new.vvl")});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    QImage image(Path("new.png"));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(320, 240));
    EXPECT_EQ(Classify(image.pixel(160, 120)), Hue::Green);
    EXPECT_EQ(Classify(image.pixel(3, 3)), Hue::Background);
    EXPECT_EQ(Classify(image.pixel(316, 236)), Hue::Background);
}

TEST_F(RenderE2E, ManyBlocksInEveryColourAppear) {
    CVelVorlaSystem system;
    CVelCamera camera;
    system.ResetConstruction();
    CVelVorlaModel m;
    // Three layers of 11 x 11 blocks (one in the middle), colours in diagonal bands.
    for (int z = 0; z < 3; ++z)
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 11; ++x) {
                auto b = std::make_unique<BlockNode>();
                b->colour = (x + y) % 5;
                b->offset = {static_cast<float>(2 * x - 10), static_cast<float>(2 * y - 10),
                             static_cast<float>(2 * z)};
                testsupport::AddTop(m, std::move(b));
            }
    testsupport::Adopt(system, std::move(m));
    ASSERT_EQ(system.model.Total(), 363);
    camera.ResetForNewConstruction(nullptr);
    camera.PlaceAndApply(nullptr, {0, 0, -40}, {0, 0, 0});
    Save(system, camera, Path("many.vvl"));

    Outcome run = Vorla({"--render", Path("many.png"), Path("many.vvl")});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    QImage image(Path("many.png"));
    ASSERT_EQ(image.size(), QSize(800, 600));
    std::set<Hue> seen;
    int blockPixels = 0;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) {
            const Hue h = Classify(image.pixel(x, y));
            if (h != Hue::Background) ++blockPixels;
            seen.insert(h);
        }
    EXPECT_EQ(Classify(image.pixel(400, 300)), Hue::Red) << "the middle block is red";
    int colours = 0;
    for (Hue h : {Hue::Red, Hue::Yellow, Hue::Green, Hue::White}) colours += seen.count(h) ? 1 : 0;
    EXPECT_GE(colours, 3) << "block colours missing from the picture";
    EXPECT_GT(blockPixels, (image.width() / 3) * (image.height() / 3) / 20);
}

// Files the editor copes with draw as it shows them: a stored detail level outside 1..3
// (clamped), blocks a billion units out framed by --fit. Blocks whose places add up past
// any number are refused, with no picture.
TEST_F(RenderE2E, OddFilesDrawTheConstructionOrAreRefused) {
    for (const int detail : {0, 7}) {
        CVelVorlaSystem system;
        CVelCamera camera;
        system.ResetConstruction();
        system.detailLevel = detail;
        camera.ResetForNewConstruction(nullptr);
        Save(system, camera, Path("detail.vvl"));
        Outcome run = Vorla({"--render", Path("detail.png"), "--width", "320", "--height", "240",
                             Path("detail.vvl")});
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
        EXPECT_EQ(Classify(QImage(Path("detail.png")).pixel(160, 120)), Hue::Green) << detail;
    }

    auto chain = [&](float step, const char* name) {
        CVelVorlaSystem system;
        CVelCamera camera;
        system.ResetConstruction();
        CVelVorlaModel m;
        BlockNode* tip = &testsupport::AddTop(m, testsupport::Block(2, {step, 0, 0}));
        for (int i = 0; i < 3; ++i)
            tip = &testsupport::AddChild(m, *tip,
                                         testsupport::Block(2, {step > 1e20f ? step : 2, 0, 0}));
        testsupport::Adopt(system, std::move(m));
        camera.ResetForNewConstruction(nullptr);
        Save(system, camera, Path(name));
    };
    chain(1e10f, "far.vvl");
    Outcome far = Vorla({"--render", Path("far.png"), "--fit", "--width", "320", "--height", "240",
                         Path("far.vvl")});
    ASSERT_EQ(far.exitCode, 0) << far.errors.toStdString();
    EXPECT_EQ(Classify(QImage(Path("far.png")).pixel(160, 120)), Hue::Green);

    chain(3e38f, "beyond.vvl");
    Outcome beyond = Vorla({"--render", Path("beyond.png"), Path("beyond.vvl")});
    EXPECT_EQ(beyond.exitCode, 1);
    EXPECT_TRUE(beyond.errors.contains(QString::fromUtf8(kPlaceNotFiniteMessage)))
        << beyond.errors.toStdString();
    EXPECT_FALSE(QFile::exists(Path("beyond.png")));
}

TEST_F(RenderE2E, BadFilesAndBadUsageExitWithAReason) {
    {
        std::ofstream out(Path("wrong.vvl").toStdString(), std::ios::binary);
        out << "vvl and then nothing sensible";
    }
    Outcome wrong = Vorla({"--render", Path("wrong.png"), Path("wrong.vvl")});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(wrong.errors.contains(QStringLiteral("Неправильный формат")))
        << wrong.errors.toStdString();
    EXPECT_FALSE(QFile::exists(Path("wrong.png")));

    Outcome missing = Vorla({"--render", Path("x.png"), Path("missing.vvl")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(missing.errors.isEmpty());

    Outcome usage = Vorla({"--render", Path("x.png")});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.errors.contains(QStringLiteral("usage")));

    // Without --render an unknown option is refused before any window is made.
    Outcome unknown = Vorla({"--bogus"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(Vorla({"--help"}).exitCode, 0);

    Outcome badSize = Vorla({"--render", "--width", "0", Path("x.png"), Path("wrong.vvl")});
    EXPECT_EQ(badSize.exitCode, 2);
}

}  // namespace
