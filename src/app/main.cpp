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
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << usage;
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
