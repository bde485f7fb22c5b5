#include <QAction>
#include <QMenuBar>

#include "app/frame_window.h"
#include "app/gl_view.h"
#include "gui_fixture.h"

namespace guitest {
namespace {

using namespace app::core;
using namespace camera;
using namespace input;
using namespace interaction::cmd;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

// 0xAARRGGBB channels of a grabbed pixel.
struct Rgb {
    int r, g, b;
};
Rgb At(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p)};
}

int GreenPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const Rgb c = At(image, x, y);
            if (c.g > 60 && c.g > c.r + 30 && c.g > c.b + 30) ++n;
        }
    return n;
}

TEST_F(GuiTest, StartsAsANewUserSeesIt) {
    Launch();
    auto& frame = App().Frame();
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("ТОР-ВИН"));
    QStringList titles;
    for (QAction* a : frame.menuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles, (QStringList{"Файл", "Действия", "Дисплей", "Помощь"}));
    EXPECT_EQ(App().View().size(), QSize(520, 350));
    // Key labels are shown as text only: no Qt shortcut may fire before the dispatcher.
    EXPECT_EQ(Action(kNew)->text(), QStringLiteral("&Создать\tCtrl+N"));
    EXPECT_TRUE(Action(kNew)->shortcut().isEmpty());

    EXPECT_EQ(Total(), 1);
    EXPECT_EQ(Form().system.model.colourCounts[2], 1);  // one green block
    EXPECT_EQ(Form().system.backgroundColour, 0x000000A0u);
    EXPECT_TRUE(Checked(kInspectMode));
    EXPECT_TRUE(Checked(kDetailHigh));
    EXPECT_TRUE(Checked(kShowButtons));
    EXPECT_TRUE(Checked(kShowHints));
    EXPECT_EQ(Checked(kRandomColour), Form().system.randomColour != 0);

    // The picture: background at the left edge (between the strips, left of the help
    // page), the green block in the middle.
    const QImage shot = Screenshot();
    ASSERT_FALSE(shot.isNull());
    const Rgb corner = At(shot, 2, shot.height() / 2);
    EXPECT_LT(corner.r, 40);
    EXPECT_LT(corner.g, 40);
    EXPECT_GT(corner.b, 100);
    EXPECT_GT(GreenPixels(shot), 100) << "no green block on screen";
    // What the window shows, composed by Qt: the scene must be opaque there too.
    const QImage window = App().View().grab().toImage();
    const Rgb shown = At(window, 2, window.height() / 2);
    EXPECT_LT(shown.r, 40);
    EXPECT_GT(shown.b, 100);
}

TEST_F(GuiTest, SettingsAreWrittenAtExitAndReadAtTheNextStart) {
    Launch();
    dialogs_.colours.push_back(0x000000FFu);  // pure red, as the chooser reports it
    Key(Qt::Key_F9);
    EXPECT_EQ(Form().system.backgroundColour, 0x00FF0000u);
    Key(Qt::Key_F2);  // buttons off
    EXPECT_FALSE(Checked(kShowButtons));
    CloseWindow();
    EXPECT_TRUE(dialogs_.messages.empty()) << "nothing was edited: no save prompt";
    Destroy();

    {
        ui::QtSettingsStore written(QString::fromStdString(SettingsPath()));
        EXPECT_EQ(written.ReadDword("Background"), 0x00FF0000u);
        EXPECT_EQ(written.ReadDword("Grid"), 0x00FFFFFFu);
        EXPECT_EQ(written.ReadDword("Help"), 1u);
        EXPECT_EQ(written.ReadDword("Buttons"), 0u);
        EXPECT_EQ(written.ReadString("LastDir"), "");
    }

    settings_ = std::make_unique<ui::QtSettingsStore>(QString::fromStdString(SettingsPath()));
    // The very first paint, before the device is up, already shows the stored colour.
    QImage first;
    onShown_ = [&] {
        ASSERT_FALSE(App().IsStarted());
        first = App().View().grabFramebuffer();
    };
    Launch();
    ASSERT_FALSE(first.isNull());
    EXPECT_GT(At(first, 2, 2).r, 150);
    EXPECT_LT(At(first, 2, 2).b, 60);
    EXPECT_EQ(Form().system.backgroundColour, 0x00FF0000u);
    EXPECT_EQ(Form().system.showButtons, 0);
    EXPECT_FALSE(Checked(kShowButtons));
    const QImage shot = Screenshot();
    const Rgb corner = At(shot, 2, shot.height() / 2);
    EXPECT_GT(corner.r, 150);
    EXPECT_LT(corner.b, 60);
}

TEST_F(GuiTest, ADamagedSettingsFileFallsBackToTheDefaults) {
    QFile junk(QString::fromStdString(SettingsPath()));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("\x00\xff[General\nBackground=blue\nGrid=\x01\x02\nLastDir=a,b,c\n\xfe\xfe", 52);
    junk.close();
    settings_ = std::make_unique<ui::QtSettingsStore>(QString::fromStdString(SettingsPath()));
    Launch();
    EXPECT_EQ(Form().system.backgroundColour, 0x000000A0u);
    EXPECT_EQ(Form().system.gridColour, 0x00FFFFFFu);
    EXPECT_EQ(Form().lastDir, "");
    EXPECT_EQ(Total(), 1);
}

}  // namespace
}  // namespace guitest
