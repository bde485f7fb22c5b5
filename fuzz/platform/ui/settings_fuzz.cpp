// The settings store over a settings file of any content (hand-edited, damaged, or left
// by another program): reading never crashes, and whatever it reads is written back and
// read again unchanged, so a value survives the next run.
//
// The program reads its settings with a QGuiApplication running, and Qt then also
// decodes the Gui types a settings file may name (@Variant images, colours...): so does
// the harness, on the offscreen platform.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtGlobal>
#include <optional>
#include <string>

#include "fuzz_check.h"
#include "platform/ui/qt_settings_store.h"

namespace {

QTemporaryDir* dir = nullptr;

struct Values {
    std::optional<uint32_t> background, grid, help, buttons;
    std::optional<std::string> lastDir;
    bool operator==(const Values&) const = default;
};

// In the program's order.
Values ReadAll(ui::QtSettingsStore& store) {
    Values v;
    v.background = store.ReadDword("Background");
    v.grid = store.ReadDword("Grid");
    v.help = store.ReadDword("Help");
    v.buttons = store.ReadDword("Buttons");
    v.lastDir = store.ReadString("LastDir");
    return v;
}

void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "settings_fuzz";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
    qInstallMessageHandler(Quiet);  // Qt's warnings about the file's content are expected
    // Qt syncs settings files to disk on every write; in memory that costs nothing.
    const QString base = QFile::exists("/dev/shm") ? "/dev/shm" : QDir::tempPath();
    dir = new QTemporaryDir(base + "/vorla-settings-fuzz-XXXXXX");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = dir->filePath("input.conf");
    const QString copy = dir->filePath("copy.conf");
    {
        QFile f(input);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
                   static_cast<qint64>(size));
    }
    QFile::remove(copy);

    Values read;
    {
        ui::QtSettingsStore store(input);
        read = ReadAll(store);
    }
    {
        ui::QtSettingsStore store(copy);
        if (read.background) store.WriteDword("Background", *read.background);
        if (read.grid) store.WriteDword("Grid", *read.grid);
        if (read.help) store.WriteDword("Help", *read.help);
        if (read.buttons) store.WriteDword("Buttons", *read.buttons);
        if (read.lastDir) store.WriteString("LastDir", *read.lastDir);
        FUZZ_CHECK(store.Flush());
    }
    ui::QtSettingsStore again(copy);
    FUZZ_CHECK(ReadAll(again) == read);
    return 0;
}
