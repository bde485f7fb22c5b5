// Pictures for other places: the framing render, the background option, the file manager
// thumbnailer and the sample constructions, run as users and file managers run them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <fstream>
#include <random>

#include "camera/camera.h"
#include "interaction/document.h"
#include "model/construction.h"
#include "model/placement.h"
#include "support/construction_builders.h"
#include "support/files.h"
#include "support/process.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;

namespace {

struct Outcome {
    int exitCode = -1;
    QString errors;
};

// Runs a program with no display at all, as a file manager's thumbnailer service may.
Outcome Launch(const QString& program, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    p.setProcessEnvironment(env);
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(120000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError())};
}

// Pixels that differ from the background colour, and those on the picture's border.
struct Coverage {
    int inside = 0;
    int onBorder = 0;
};

Coverage Cover(const QImage& image, QRgb background) {
    Coverage c;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (background & 0xFFFFFF)) continue;
            ++c.inside;
            if (x == 0 || y == 0 || x == image.width() - 1 || y == image.height() - 1) ++c.onBorder;
        }
    return c;
}

class ShareE2E : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString Path(const QString& name) { return dir.filePath(name); }
};

TEST_F(ShareE2E, FitShowsEveryBlockOfRandomConstructionsOnTheChosenBackground) {
    std::mt19937 rng(11);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        CVelVorlaModel model;
        testsupport::FillRandomTree(model, rng, 40 + 60 * round);
        // The file's camera looks far away from the construction.
        CVelCamera camera;
        camera.PlaceAndApply(nullptr, {500, 500, 500}, {900, 900, 900});
        const QString file = Path(QString("random%1.vvl").arg(round));
        ASSERT_TRUE(WriteConstructionFile(file.toStdString(), CaptureCamera(camera), {}, model));

        const QString png = Path(QString("random%1.png").arg(round));
        Outcome run = Launch(VORLA_BINARY, {"--render", png, "--fit", "--background", "ff8000",
                                            "--width", "300", "--height", "200", file});
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
        const QImage image(png);
        ASSERT_EQ(image.size(), QSize(300, 200));
        const Coverage c = Cover(image, qRgb(0xFF, 0x80, 0x00));
        EXPECT_EQ(c.onBorder, 0) << "a block reaches past the picture's edge";
        EXPECT_GT(c.inside, 300 * 200 / 20) << "the construction is hardly there";
    }
}

TEST_F(ShareE2E, TheThumbnailerCommandWritesAPictureOfTheRequestedSize) {
    // The installed entry, with the program it names replaced by the one just built.
    QFile entry(QStringLiteral(VORLA_THUMBNAILER));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    QString exec, mime;
    for (const QString& line : QTextStream(&entry).readAll().split('\n')) {
        if (line.startsWith("Exec=")) exec = line.mid(5);
        if (line.startsWith("MimeType=")) mime = line.mid(9);
    }
    EXPECT_EQ(mime, QStringLiteral("application/x-vorla;"));
    QStringList command = exec.split(' ', Qt::SkipEmptyParts);
    ASSERT_FALSE(command.isEmpty());
    EXPECT_TRUE(command[0].endsWith("/vorla")) << command[0].toStdString();
    command.removeFirst();

    CVelVorlaSystem system;
    CVelCamera camera;
    system.ResetConstruction();
    camera.Apply(nullptr);
    ASSERT_TRUE(SaveConstruction(system, camera, Path("one block.vvl").toStdString()));
    { std::ofstream(Path("damaged.vvl").toStdString(), std::ios::binary) << "VVL\x01\x02"; }

    auto thumbnail = [&](const QString& input, const QString& output, int size) {
        QStringList args;
        for (QString a : command) {
            a.replace("%i", input).replace("%o", output).replace("%s", QString::number(size));
            a.replace("%u", "file://" + input);
            args << a;
        }
        return Launch(VORLA_BINARY, args);
    };
    Outcome ok = thumbnail(Path("one block.vvl"), Path("thumb.png"), 128);
    ASSERT_EQ(ok.exitCode, 0) << ok.errors.toStdString();
    const QImage image(Path("thumb.png"));
    EXPECT_EQ(image.size(), QSize(128, 128));
    EXPECT_GT(Cover(image, image.pixel(0, 0)).inside, 128 * 128 / 20);

    Outcome bad = thumbnail(Path("damaged.vvl"), Path("bad.png"), 128);
    EXPECT_NE(bad.exitCode, 0);
    EXPECT_FALSE(QFile::exists(Path("bad.png")));

    // A disk that fills up while the picture is written: the old one stays as it was.
    const std::vector<uint8_t> old = testsupport::ReadFileBytes(Path("thumb.png").toStdString());
    testsupport::RunOptions full;
    full.fileSize = 64;  // less than any picture
    const testsupport::ProgramRun cut = testsupport::RunProgram(
        {VORLA_BINARY, "--render", Path("thumb.png").toStdString(), "--width", "256", "--height",
         "256", Path("one block.vvl").toStdString()},
        full);
    EXPECT_NE(cut.status, 0);
    EXPECT_NE(cut.err.find("thumb.png"), std::string::npos) << cut.err;
    EXPECT_EQ(testsupport::ReadFileBytes(Path("thumb.png").toStdString()), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"damaged.vvl", "one block.vvl", "thumb.png"}));
}

TEST_F(ShareE2E, SampleConstructionsShowOffTheEditorAndRenderWhole) {
    const QStringList samples =
        QDir(QStringLiteral(VORLA_SAMPLES_DIR)).entryList({"*.vvl"}, QDir::Files);
    ASSERT_GE(samples.size(), 6);
    int colourSeen[ColourCount] = {};
    int selfLit = 0, largest = 0;
    for (const QString& name : samples) {
        SCOPED_TRACE(name.toStdString());
        const QString file = QDir(QStringLiteral(VORLA_SAMPLES_DIR)).filePath(name);
        ConstructionDocument doc;
        ASSERT_TRUE(ReadConstructionFile(file.toStdString(), doc));
        for (int c = 0; c < ColourCount; ++c) colourSeen[c] += doc.model.colourCounts[c];
        largest = std::max(largest, doc.model.Total());
        WalkBlocks(doc.model.topBlocks, math::Mat4{},
                   [&](const BlockNode& b, const math::Mat4&, const math::Mat4&) {
                       selfLit += b.selfLit != 0;
                   });

        const QString png = Path(name + ".png");
        Outcome run = Launch(VORLA_BINARY,
                             {"--render", png, "--fit", "--width", "320", "--height", "240", file});
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
        const QImage image(png);
        const Coverage c = Cover(image, image.pixel(0, 0));
        EXPECT_EQ(c.onBorder, 0);
        EXPECT_GT(c.inside, 320 * 240 / 12) << "too small in its own thumbnail";
    }
    for (int c = 0; c < ColourCount; ++c) EXPECT_GT(colourSeen[c], 0) << "colour " << c;
    EXPECT_GT(selfLit, 0);
    EXPECT_GE(largest, 300) << "a solid construction of several hundred blocks";
}

}  // namespace
