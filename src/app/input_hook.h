#pragma once
// The application-wide input hook: every key event of the main window and every mouse
// and wheel event of the 3D view is turned into an InputMessage and offered to the
// handler before any widget sees it; the handler says whether the event is eaten. The
// hook also reports the main window's activation changes.
#include <QObject>
#include <QPointer>
#include <functional>

#include "input/input_message.h"

class QWidget;

namespace app {

class InputHook : public QObject {
    Q_OBJECT
  public:
    using MessageHandler = std::function<bool(const input::InputMessage&)>;
    using ActivationHandler = std::function<void(bool active)>;
    using TargetFn = std::function<input::WindowId()>;

    // `frame` is the main window, `view` the 3D view; `target` names the window the
    // messages count as sent to (the view, or the full-screen window).
    InputHook(QWidget* frame, QWidget* view, TargetFn target, MessageHandler onMessage,
              ActivationHandler onActivation);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool IsKeyReceiver(QObject* watched) const;

    QPointer<QWidget> frame_;
    QPointer<QWidget> view_;
    TargetFn target_;
    MessageHandler onMessage_;
    ActivationHandler onActivation_;
    bool active_ = true;
};

}  // namespace app
