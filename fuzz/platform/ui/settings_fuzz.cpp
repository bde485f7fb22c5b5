// The settings file reader, over a file of any content (hand-edited, damaged, or left by
// another program). Reading never crashes; what it reads survives being written back:
//   - the whole file: parsed, written and parsed again, every key keeps its value;
//   - through the store: the program's settings read, written to a new file and read
//     again are the same.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "platform/ui/qt_settings_store.h"
#include "platform/ui/settings_ini.h"

using namespace services;

namespace {

QTemporaryDir* dir = nullptr;

struct Values {
    std::optional<uint32_t> background, grid, help, buttons, autosave;
    std::optional<std::string> lastDir;
    std::optional<std::vector<std::string>> recent;
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
    v.autosave = store.ReadDword("AutosaveSeconds");
    v.recent = store.ReadStringList("Recent");
    return v;
}

void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler(Quiet);
    // The store flushes the settings file to disk on every write; in memory that costs
    // nothing.
    const QString base = QFile::exists("/dev/shm") ? "/dev/shm" : QDir::tempPath();
    dir = new QTemporaryDir(base + "/vorla-settings-fuzz-XXXXXX");
    std::atexit([] { delete dir; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QSettings::SettingsMap map = ui::ParseSettingsIni(bytes);
    FUZZ_CHECK(ui::ParseSettingsIni(ui::FormatSettingsIni(map)) == map);

    const QString input = dir->filePath("input.conf");
    const QString copy = dir->filePath("copy.conf");
    {
        QFile f(input);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(f.write(bytes) == bytes.size());
    }
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
        if (read.autosave) store.WriteDword("AutosaveSeconds", *read.autosave);
        if (read.recent) store.WriteStringList("Recent", *read.recent);
        FUZZ_CHECK(store.Flush());
    }
    {
        ui::QtSettingsStore again(copy);
        FUZZ_CHECK(ReadAll(again) == read);
    }
    QFile::remove(copy);
    return 0;
}
