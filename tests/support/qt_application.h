#pragma once
// The one Qt application object of a test or benchmark run.
#include <QApplication>
#include <memory>

namespace testsupport {

enum class QtDisplay {
    Offscreen,  // input events, dialogs' helpers, settings: no display needed
    X11,        // real windows with OpenGL views: needs DISPLAY (xvfb-run)
};

// Null for X11 when there is no DISPLAY.
std::unique_ptr<QApplication> MakeQtApplication(QtDisplay display);

// Holds one application for the whole gtest run and ends it before exit (which frees Qt's
// registries before the leak checker looks). Call from a namespace-scope initialiser:
//   const auto* const kQt = testsupport::AddQtApplicationEnvironment(QtDisplay::X11);
const void* AddQtApplicationEnvironment(QtDisplay display);

// Whether the X11 application exists (false without a display); see environment.h.
bool HasQtDisplay();

}  // namespace testsupport
