// An editor in a process of its own, for the tests that kill it (recovery_test.cpp):
//   vorla_recovery_child FOLDER BLOCKS still|churn|settings
// It starts in FOLDER (settings FOLDER/Vorla.conf with an autosave every second, recovery
// files in FOLDER/recovery), adds BLOCKS blocks as unsaved work and writes what it then
// holds to FOLDER/expected.vvl. With "churn" it twists a block twice a second, so that
// every autosave writes the file anew. With "settings" it then saves the work as
// FOLDER/robot.vvl and makes the background 0x123456 through the commands, and writes
// FOLDER/settings-done.
#include <QApplication>
#include <QTimer>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/core/app_form.h"
#include "interaction/command_ids.h"
#include "interaction/document.h"
#include "platform/ui/qt_settings_store.h"
#include "support/construction_builders.h"
#include "support/scripted_services.h"

using namespace app::core;
using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const std::string folder = argv[1];
    const int blocks = std::atoi(argv[2]);
    const bool churn = std::string(argv[3]) == "churn";
    const bool settingsChanges = std::string(argv[3]) == "settings";
    testsupport::ScriptedDialogs dialogs;
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    ui::QtSettingsStore settings(QString::fromStdString(folder + "/Vorla.conf"));
    settings.WriteDword("AutosaveSeconds", 1);
    app::StartOptions options;
    options.startFolder = folder;
    options.recoveryFolder = folder + "/recovery";
    options.settings = &settings;
    if (settingsChanges) options.dialogs = &dialogs;
    app::CApp vorla(options);
    QTimer churnTimer;
    std::vector<const BlockNode*> all;
    QObject::connect(&vorla, &app::CApp::Started, [&] {
        CVelVorlaSystem& system = vorla.Form().system;
        // Hidden blocks: the file holds every one, the frames stay cheap.
        std::mt19937 rng(11);
        all.push_back(system.model.topBlocks.Front());
        for (int i = 0; i < blocks; ++i) {
            auto b = testsupport::Block(i % 5, {2, 0, 0}, {0, 2, 0},
                                        0.01f * static_cast<float>(i % 600), 0);
            all.push_back(&system.document.Add(all[rng() % all.size()], std::move(b)));
        }
        (void)WriteConstructionFile(folder + "/expected.vvl", CaptureCamera(vorla.Form().camera),
                                    CaptureSettings(system), system.model);
        if (settingsChanges) {
            dialogs.savePaths.push_back(folder + "/robot.vvl");
            vorla.RunCommand(cmd::kSave);
            dialogs.colours.push_back(0x563412);  // the chooser's 0x00BBGGRR
            vorla.RunCommand(cmd::kBackgroundColour);
            (void)WriteFileAtomically(folder + "/settings-done", nullptr, 0);
        }
        if (!churn) return;
        QObject::connect(&churnTimer, &QTimer::timeout, [&] {
            system.document.Twist(*all.back(), all.back()->axis, all.back()->angle + 0.1f);
        });
        churnTimer.start(500);
    });
    vorla.InitInstance();
    return QApplication::exec();
}
