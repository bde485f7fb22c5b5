#include "support/qt_application.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace testsupport {

namespace {

int argc = 1;
char name[] = "vorla-tests";
char* argv[] = {name, nullptr};

class QtEnvironment : public ::testing::Environment {
  public:
    explicit QtEnvironment(QtDisplay display) : display_(display) {}
    void SetUp() override { app_ = MakeQtApplication(display_); }
    void TearDown() override { app_.reset(); }

  private:
    QtDisplay display_;
    std::unique_ptr<QApplication> app_;
};

}  // namespace

std::unique_ptr<QApplication> MakeQtApplication(QtDisplay display) {
    if (display == QtDisplay::Offscreen) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) return nullptr;
        qputenv("QT_QPA_PLATFORM", "xcb");
        // Mesa unloads its driver when the last context goes; the leak checker then cannot
        // tell the driver's own allocations from ours. Keep it loaded.
        for (const char* driver : {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
                                   "/usr/lib/x86_64-linux-gnu/dri/kms_swrast_dri.so"})
            dlopen(driver, RTLD_NOW | RTLD_NODELETE);
    }
    return std::make_unique<QApplication>(argc, argv);
}

const void* AddQtApplicationEnvironment(QtDisplay display) {
    return ::testing::AddGlobalTestEnvironment(new QtEnvironment(display));
}

bool HasQtDisplay() {
    return qApp && QGuiApplication::platformName() == QStringLiteral("xcb");
}

}  // namespace testsupport
