// vorla [file.vvl]                 the editor
// vorla --render out.png [...]     one frame offscreen, written as a PNG (no display needed)
// vorla --export-worker ARGS...    the editor's mesh export in a process of its own: the
//                                  arguments of `vorla-tool export` (not for users)
#include <QApplication>
#include <QIcon>
#include <cstring>
#include <iostream>
#include <string>

#include "app/application.h"
#include "app/render_command.h"
#include "export/export_command.h"
#include "platform/ui/qt_dialogs.h"

using namespace input;
using namespace services;

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--render") == 0) {
        // Headless: no GUI application object, so no display connection is attempted.
        return app::RenderCommand(std::vector<std::string>(argv + 2, argv + argc), std::cerr);
    }
    if (argc >= 2 && std::strcmp(argv[1], "--export-worker") == 0)
        return exporter::RunExportCommand(std::vector<std::string>(argv + 2, argv + argc), "vorla");
    const std::string usage =
        std::string("usage: vorla [file.vvl]\n       ") + app::kRenderSynopsis + "\n";
    // The editor's own keys are in its menus and hint pages; these came later.
    const std::string keys =
        "\nEditor keys for branches and views (the menus show them too):\n"
        "  Shift+click on a block   select its branch (the block and all that hangs on it);\n"
        "                           on the background: select nothing (inspect mode)\n"
        "  Ctrl+C, Ctrl+V           copy the selected branch; paste a branch: the next click\n"
        "                           on a block's face places it, Esc cancels\n"
        "  Delete, Ctrl+P           delete the selected branch; paint it in the current colour\n"
        "  Ctrl+1 ... Ctrl+7        front, back, left, right, top, bottom, isometric view\n"
        "  Ctrl+H                   level the horizon\n"
        "  Ctrl+Z, Ctrl+Y           undo, redo\n";
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << usage << keys;
        return 0;
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-' && argv[1][1] == '-')) {
        std::cerr << usage;
        return 2;
    }

    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vel's/Kestrin"));
    QApplication::setApplicationName(QStringLiteral("Vorla"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vorla/vorla.svg")));
    QApplication::setDesktopFileName(QStringLiteral("vorla"));
    ui::InstallRussianTranslations(application);

    app::StartOptions options;
    if (argc == 2) options.file = argv[1];
    app::CApp vorla(std::move(options));
    QObject::connect(
        &vorla, &app::CApp::StartFailed, &application, [] { QApplication::exit(1); },
        Qt::QueuedConnection);
    vorla.InitInstance();
    return QApplication::exec();
}
