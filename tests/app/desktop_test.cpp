// Full screen on a 1280 x 1024 screen as a desktop has it: with_display.sh runs this
// suite under openbox (which sizes the windows in its own time) and without a window
// manager (tests/app/CMakeLists.txt).
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "app/frame_window.h"
#include "app/gl_view.h"
#include "gui_fixture.h"

using namespace interaction;

namespace guitest {
namespace {

class DesktopTest : public GuiTest {
  protected:
    QSize View() { return App().View().size(); }
    bool DeviceFollowsTheView() {
        return Form().BackBufferDesc().width == uint32_t(View().width()) &&
               Form().BackBufferDesc().height == uint32_t(View().height());
    }
    // Where the green block is drawn: the mean of its pixels.
    static QPointF GreenCentre(const QImage& image) {
        QPointF sum;
        int n = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2) {
                const QColor c = image.pixelColor(x, y);
                if (c.green() > 60 && c.green() > c.red() + 30 && c.green() > c.blue() + 30) {
                    sum += QPointF(x, y);
                    ++n;
                }
            }
        return n ? sum / n : QPointF(-1, -1);
    }
    static bool Near(QPointF a, QPointF b, double d) { return (a - b).manhattanLength() <= d; }
};

TEST_F(DesktopTest, AltEnterFillsTheScreenAndGivesTheWindowBack) {
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    ASSERT_EQ(screen, QSize(1280, 1024)) << "runs on with_display.sh's screen";
    classicViewSize_ = false;
    onShown_ = [&] { App().Frame().FitViewTo(1024, 768); };
    Launch();
    ASSERT_TRUE(WaitUntil([&] { return View() == QSize(1024, 768) && DeviceFollowsTheView(); }));
    Key(Qt::Key_Slash);  // the about disc closes
    ASSERT_TRUE(WaitUntil([&] { return Form().screen.aboutShown == 0; }, 10000));
    const QImage windowed = Screenshot();
    const QPointF block = GreenCentre(windowed);
    const QRect place = App().Frame().geometry();
    ASSERT_TRUE(Near(block, QPointF(512, 384), 60)) << block.x() << "," << block.y();

    // The pointer rests where the exit button is about to appear.
    QCursor::setPos(1280 - 9, 9);
    Key(Qt::Key_Return, Qt::AltModifier);
    ASSERT_TRUE(WaitUntil([&] { return View() == screen && DeviceFollowsTheView(); }))
        << View().width() << "x" << View().height() << " device " << Form().BackBufferDesc().width
        << "x" << Form().BackBufferDesc().height << " frame " << App().Frame().geometry().width()
        << "x" << App().Frame().geometry().height();
    const QImage full = Screenshot();
    ASSERT_EQ(full.size(), screen);
    EXPECT_TRUE(Near(GreenCentre(full), QPointF(640, 512), 60));
    // The bottom strip's red button, the exit button at the top right, the camera page
    // at the lower right: each where a 1280 x 1024 layout puts it.
    const QColor red = full.pixelColor(90 + 3, 1024 - 4);  // beside its digit
    EXPECT_GT(red.red(), 150);
    EXPECT_LT(red.green(), 80);
    const QRgb topStrip = full.pixel(1230, 9), background = full.pixel(1000, 700);
    EXPECT_NE(full.pixel(1280 - 9, 9), topStrip) << "no exit button";
    EXPECT_EQ(full.pixel(1272, 812), topStrip) << "no camera page";  // pages as dark as strips
    EXPECT_NE(topStrip, background);

    // The tooltip names the button under the pointer now, though the pointer never moved.
    EXPECT_TRUE(WaitUntil([&] { return Form().screen.tooltipText == "Выход из программы"; }))
        << Form().screen.tooltipText;

    Key(Qt::Key_Return, Qt::AltModifier);
    ASSERT_TRUE(WaitUntil([&] { return View() == QSize(1024, 768) && DeviceFollowsTheView(); }))
        << View().width() << "x" << View().height() << " device " << Form().BackBufferDesc().width
        << "x" << Form().BackBufferDesc().height;
    const QImage back = Screenshot();
    EXPECT_TRUE(Near(GreenCentre(back), block, 4));
    EXPECT_TRUE(WaitUntil([&] { return App().Frame().geometry() == place; }, 5000));

    // A click on the exit button's pixels ends the program (nothing is unsaved).
    Key(Qt::Key_Return, Qt::AltModifier);
    ASSERT_TRUE(WaitUntil([&] { return View() == screen && DeviceFollowsTheView(); }));
    WaitFrames(2);
    Click({1280 - 9, 9});
    EXPECT_TRUE(WaitUntil([&] { return !App().Frame().isVisible(); }, 10000));
}

}  // namespace
}  // namespace guitest
