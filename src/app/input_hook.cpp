#include "app/input_hook.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include "platform/ui/qt_input.h"

using namespace input;

namespace app {

InputHook::InputHook(QWidget* frame, QWidget* view, TargetFn target, MessageHandler onMessage,
                     ActivationHandler onActivation)
    : QObject(frame),
      frame_(frame),
      view_(view),
      target_(std::move(target)),
      onMessage_(std::move(onMessage)),
      onActivation_(std::move(onActivation)) {}

bool InputHook::IsKeyReceiver(QObject* watched) const {
    if (!frame_ || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != frame_) return false;  // dialogs and menus keep their keys
    // Qt offers an unhandled key to each parent in turn: take it at the first receiver.
    QWidget* focus = QApplication::focusWidget();
    return focus ? widget == focus : widget == frame_;
}

bool InputHook::eventFilter(QObject* watched, QEvent* event) {
    std::optional<InputMessage> msg;
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (IsKeyReceiver(watched))
                msg = ui::MessageFromKeyEvent(*static_cast<QKeyEvent*>(event), target_());
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            if (watched == view_)
                msg = ui::MessageFromMouseEvent(*static_cast<QMouseEvent*>(event), target_());
            break;
        case QEvent::Wheel:
            if (watched == view_)
                msg = ui::MessageFromWheelEvent(*static_cast<QWheelEvent*>(event), target_());
            break;
        case QEvent::Leave:
            if (watched == view_) {
                InputMessage leave;
                leave.kind = MessageKind::MouseLeave;
                leave.target = target_();
                msg = leave;
            }
            break;
        case QEvent::ActivationChange:
            if (watched == frame_ && frame_->isActiveWindow() != active_) {
                active_ = frame_->isActiveWindow();
                onActivation_(active_);
            }
            break;
        default:
            break;
    }
    if (!msg) return false;
    return onMessage_(*msg);
}

}  // namespace app
