#include "d3dframework/d3d_application.h"

namespace d3dframework {

std::string ErrorMessageText(HRESULT code) {
    switch (static_cast<uint32_t>(code)) {
        case 0x82000001:
            return "Could not initialize Direct3D. You may\nwant to check that the latest version "
                   "of\n"
                   "DirectX is correctly installed on your\nsystem.  Also make sure that this "
                   "program\n"
                   "was compiled with header files that match\nthe installed DirectX DLLs.";
        case 0x82000003:
            return "Could not find any compatible Direct3D\ndevices.";
        case 0x82000004:
            return "This sample cannot run in a desktop\nwindow with the current display "
                   "settings.\n"
                   "Please change your desktop settings to a\n16- or 32-bit display mode and "
                   "re-run this\n"
                   "sample.";
        case 0x82000005:
            return "No hardware-accelerated Direct3D devices\nwere found.";
        case 0x82000006:
            return "This sample requires functionality that is\nnot available on your Direct3D "
                   "hardware\n"
                   "accelerator.";
        case 0x82000007:
            return "Your Direct3D hardware accelerator cannot\nrender into a window.\n"
                   "Press F2 while the app is running to see a\nlist of available devices and "
                   "modes.";
        case 0x82000008:
            return "Your Direct3D hardware accelerator cannot\nrender into a window with the "
                   "current\n"
                   "desktop display settings.\n"
                   "Press F2 while the app is running to see a\nlist of available devices and "
                   "modes.";
        case 0x82000009:
            return "This sample requires functionality that is\nnot available on your Direct3D "
                   "hardware\n"
                   "accelerator with the current desktop display\nsettings.\n"
                   "Press F2 while the app is running to see a\nlist of available devices and "
                   "modes.";
        case 0x8200000A:
            return "A D3D object has a non-zero reference\ncount (meaning things were not "
                   "properly\n"
                   "cleaned up).";
        case 0x8200000B:
        case 0x80070002:
            return "Could not load required media.";
        case 0x8200000C:
            return "Could not reset the Direct3D device.";
        case 0x8200000D:
            return "Warning: Nothing will be rendered.\nThe reference rendering device was "
                   "selected, but your\n"
                   "computer only has a reduced-functionality reference device\ninstalled.  "
                   "Install the "
                   "DirectX SDK to get the full\nreference device.\n";
        case 0x8007000E:
            return "Not enough memory.";
        case 0x8876017C:
            return "Not enough video memory.";
        default:
            return "Generic application error. Enable\ndebug output for detailed information.";
    }
}

HRESULT CD3DApplication::ShowError(HRESULT code, ErrorKind kind) {
    // After a fatal message the program is closing; whatever fails on the way out must
    // not pile further boxes on the user.
    if (fatalErrorShown) return code;

    std::string text = ErrorMessageText(code);
    MessageIcon icon = MessageIcon::Warning;
    switch (kind) {
        case ErrorKind::Fatal:
            text += kFatalSuffix;
            icon = MessageIcon::Error;
            break;
        case ErrorKind::SwitchingToReference:
            text += kSwitchingToReferenceSuffix;
            break;
        case ErrorKind::Warning:
            break;
    }
    if (kind == ErrorKind::Fatal) fatalErrorShown = true;

    // No frames while the box is up, even if the window system keeps the loop going.
    Pause(true);
    if (messageBoxHost) messageBoxHost->ShowMessage(text, windowTitle, icon);
    Pause(false);

    if (kind == ErrorKind::Fatal && windowHost)
        windowHost->PostClose(windowed ? CloseTarget::MainWindow : CloseTarget::FullScreenWindow);
    return code;
}

}  // namespace d3dframework
