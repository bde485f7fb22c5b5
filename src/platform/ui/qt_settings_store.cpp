#include "platform/ui/qt_settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <limits>

#include "model/file_system.h"
#include "model/vvl_file.h"
#include "platform/ui/settings_ini.h"

using namespace services;

namespace ui {

namespace {

// A settings file is a few hundred bytes; one of many megabytes is not ours to read (and
// is read anew at every write, to keep what another editor wrote).
constexpr qint64 kMaxFileSize = 16 << 20;

QString UserSettingsPath() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config + '/' + QString::fromUtf8(kSettingsOrganisation) + '/' +
           QString::fromUtf8(kSettingsApplication) + QStringLiteral(".conf");
}

}  // namespace

QtSettingsStore::QtSettingsStore() : QtSettingsStore(UserSettingsPath()) {}

QtSettingsStore::QtSettingsStore(const QString& iniPath) : path_(iniPath), values_(ReadFile()) {}

QtSettingsStore::~QtSettingsStore() = default;

QSettings::SettingsMap QtSettingsStore::ReadFile() const {
    // Only a regular file is opened: a FIFO in its place would block the start for ever.
    const QFileInfo info(path_);
    if (!info.isFile() || info.size() > kMaxFileSize) return {};
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return ParseSettingsIni(file.read(kMaxFileSize));
}

std::optional<uint32_t> QtSettingsStore::ReadDword(const std::string& name) {
    const QVariant v = values_.value(DecodeUtf8(name));
    if (!v.isValid() || v.typeId() != QMetaType::QString) return std::nullopt;
    // Decimal as written; a hand-edited "0xA0" is accepted too.
    bool ok = false;
    const qulonglong n = v.toString().trimmed().toULongLong(&ok, 0);
    if (!ok || n > std::numeric_limits<uint32_t>::max()) return std::nullopt;
    return static_cast<uint32_t>(n);
}

std::optional<std::string> QtSettingsStore::ReadString(const std::string& name) {
    const QVariant v = values_.value(DecodeUtf8(name));
    // An unquoted comma in a hand-edited file turns the value into a list: not a string.
    if (!v.isValid() || v.typeId() != QMetaType::QString) return std::nullopt;
    return v.toString().toStdString();
}

std::optional<std::vector<std::string>> QtSettingsStore::ReadStringList(const std::string& name) {
    const QVariant v = values_.value(DecodeUtf8(name));
    if (!v.isValid()) return std::nullopt;
    // One entry is stored as a plain string: a list of one.
    if (v.typeId() != QMetaType::QStringList && v.typeId() != QMetaType::QString)
        return std::nullopt;
    std::vector<std::string> values;
    for (const QString& s : v.toStringList()) values.push_back(s.toStdString());
    return values;
}

void QtSettingsStore::Set(const std::string& name, const QVariant& value) {
    const QString key = DecodeUtf8(name);
    auto it = values_.find(key);
    if (it != values_.end() && *it == value) return;
    values_.insert(key, value);
    changed_.insert(key);
}

bool QtSettingsStore::WriteDword(const std::string& name, uint32_t value) {
    // Kept as the text the file holds, so that an unchanged value compares equal.
    Set(name, QString::number(value));
    return true;
}

bool QtSettingsStore::WriteString(const std::string& name, const std::string& value) {
    Set(name, DecodeUtf8(value));
    return true;
}

bool QtSettingsStore::WriteStringList(const std::string& name,
                                      const std::vector<std::string>& values) {
    QStringList list;
    for (const std::string& s : values) list << DecodeUtf8(s);
    // A list of one reads back as a plain string.
    Set(name, list.size() == 1 ? QVariant(list.front()) : QVariant(list));
    return true;
}

bool QtSettingsStore::Flush() {
    if (changed_.isEmpty()) return true;
    // What is on disk now (another editor may have written since), with this editor's
    // changes over it.
    QSettings::SettingsMap merged = ReadFile();
    for (const QString& key : changed_) merged.insert(key, values_.value(key));
    const QByteArray text = FormatSettingsIni(merged);
    QDir().mkpath(QFileInfo(path_).absolutePath());
    const model::FileResult result = model::WriteFileAtomically(
        QFile::encodeName(path_).toStdString(), reinterpret_cast<const uint8_t*>(text.constData()),
        static_cast<size_t>(text.size()));
    if (!result) {
        // Kept as changed: the next Flush tries again. A file the user marked read-only
        // stays as it is.
        error_ =
            result.systemError != 0 ? model::SystemErrorText(result.systemError) : result.message;
        return false;
    }
    error_.clear();
    values_ = ParseSettingsIni(text);
    changed_.clear();
    return true;
}

}  // namespace ui
