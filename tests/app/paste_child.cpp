// A second editor in a process of its own, for the clipboard test (editing_gui_test.cpp):
//   vorla_paste_child OUT
// It closes its about page, pastes the branch on the desktop clipboard (Ctrl+V), places it
// with a click on its one block's front face, and writes the block listing of what it
// then holds to OUT. Exit status 3: there was no branch to paste.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/application.h"
#include "app/core/app_form.h"
#include "app/gl_view.h"
#include "model/block_listing.h"
#include "platform/ui/qt_settings_store.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const QString out = QString::fromLocal8Bit(argv[1]);
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    QTemporaryDir dir;
    ui::QtSettingsStore settings(dir.path() + "/Vorla.conf");
    app::StartOptions options;
    options.startFolder = dir.path().toStdString();
    options.recoveryFolder = dir.path().toStdString() + "/recovery";
    options.settings = &settings;
    app::CApp vorla(options);
    QTimer poll;
    QObject::connect(&vorla, &app::CApp::Started, [&] {
        QTest::keyClick(&vorla.View(), Qt::Key_Slash);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (vorla.Form().screen.aboutShown != 0) return;
            poll.stop();
            auto& view = vorla.View();
            QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
            if (!vorla.Form().system.pasting) {
                QApplication::exit(3);
                return;
            }
            const QPoint at = view.rect().center() + QPoint(20, 12);
            QTest::mouseMove(&view, at);
            QTest::mousePress(&view, Qt::LeftButton, {}, at);
            QTest::mouseRelease(&view, Qt::LeftButton, {}, at, 30);
            QFile file(out);
            if (!file.open(QIODevice::WriteOnly)) {
                QApplication::exit(1);
                return;
            }
            file.write(QByteArray::fromStdString(
                model::BlockListing(vorla.Form().system.model.topBlocks)));
            file.close();
            QApplication::exit(0);
        });
        poll.start(50);
    });
    vorla.InitInstance();
    return QApplication::exec();
}
