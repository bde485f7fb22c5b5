#include "app/window_host.h"

#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include "app/gl_view.h"

namespace app {

gfx::Rect QtWindowHost::WindowRect(gfx::WindowHandle) const {
    if (!view_) return {};
    const QPoint topLeft = view_->mapToGlobal(QPoint(0, 0));
    return {topLeft.x(), topLeft.y(), topLeft.x() + view_->width(), topLeft.y() + view_->height()};
}

gfx::Rect QtWindowHost::ClientRect(gfx::WindowHandle) const {
    if (!view_ || !view_->isVisible()) return {};
    uint32_t w = 0, h = 0;
    ui::QtGlContextHost::DeviceSize(*view_, &w, &h);
    return {0, 0, static_cast<int>(w), static_cast<int>(h)};
}

void QtWindowHost::RestoreWindowRect(gfx::WindowHandle, const gfx::Rect&) {
    // The view sits in the frame's layout: restoring means the frame shown as a normal
    // window again, at the place it had.
    if (!frame_) return;
    if (frame_->isFullScreen())
        frame_->setWindowState(frame_->windowState() & ~Qt::WindowFullScreen);
    if (!frame_->isVisible()) frame_->show();
}

void QtWindowHost::SetFullScreenFrame(gfx::WindowHandle, bool fullScreen) {
    if (!frame_) return;
    if (fullScreen) {
        frame_->showFullScreen();
    } else if (frame_->isFullScreen()) {
        frame_->showNormal();
    }
}

void QtWindowHost::PostClose(d3dframework::CloseTarget) {
    // Both targets end in the main window's close path (save prompt included).
    if (!frame_) return;
    QPointer<QWidget> frame = frame_;
    QTimer::singleShot(0, frame, [frame] {
        if (frame) frame->close();
    });
}

void QtMessageBoxHost::ShowMessage(const std::string& text, const std::string& caption,
                                   d3dframework::MessageIcon icon) {
    QMessageBox box(
        icon == d3dframework::MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Warning,
        QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

}  // namespace app
