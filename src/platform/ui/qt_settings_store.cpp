#include "platform/ui/qt_settings_store.h"

#include <QSettings>
#include <limits>

#include "platform/ui/settings_ini.h"

using namespace services;

namespace ui {

namespace {

// Our own INI reader and writer on Linux (see settings_ini.h); the registry on Windows.
QSettings::Format StoreFormat() {
#ifdef Q_OS_WIN
    return QSettings::NativeFormat;
#else
    return SettingsIniFormat();
#endif
}

}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings(std::make_unique<QSettings>(StoreFormat(), QSettings::UserScope,
                                           QString::fromUtf8(kSettingsOrganisation),
                                           QString::fromUtf8(kSettingsApplication))) {}

QtSettingsStore::QtSettingsStore(const QString& iniPath)
    : settings(std::make_unique<QSettings>(iniPath, SettingsIniFormat())) {}

QtSettingsStore::~QtSettingsStore() = default;

QString QtSettingsStore::Location() const {
    return settings->fileName();
}

std::optional<uint32_t> QtSettingsStore::ReadDword(const std::string& name) {
    const QVariant v = settings->value(DecodeUtf8(name));
    if (!v.isValid()) return std::nullopt;
    bool ok = false;
    qulonglong n = 0;
    if (v.typeId() == QMetaType::QString) {
        // Decimal as written; a hand-edited "0xA0" is accepted too.
        n = v.toString().trimmed().toULongLong(&ok, 0);
    } else {
        // The registry hands DWORDs over as integers (negative when the top bit is set).
        const qlonglong s = v.toLongLong(&ok);
        if (ok && s < 0 && s >= std::numeric_limits<int32_t>::min()) {
            n = static_cast<uint32_t>(static_cast<int32_t>(s));
        } else {
            n = static_cast<qulonglong>(s);
            ok = ok && s >= 0;
        }
    }
    if (!ok || n > std::numeric_limits<uint32_t>::max()) return std::nullopt;
    return static_cast<uint32_t>(n);
}

std::optional<std::string> QtSettingsStore::ReadString(const std::string& name) {
    const QVariant v = settings->value(DecodeUtf8(name));
    // An unquoted comma in a hand-edited file turns the value into a list: not a string.
    if (!v.isValid() || v.typeId() != QMetaType::QString) return std::nullopt;
    return v.toString().toStdString();
}

bool QtSettingsStore::WriteDword(const std::string& name, uint32_t value) {
    settings->setValue(DecodeUtf8(name), static_cast<quint32>(value));
    return settings->isWritable();
}

bool QtSettingsStore::WriteString(const std::string& name, const std::string& value) {
    settings->setValue(DecodeUtf8(name), DecodeUtf8(value));
    return settings->isWritable();
}

std::optional<std::vector<std::string>> QtSettingsStore::ReadStringList(const std::string& name) {
    const QVariant v = settings->value(DecodeUtf8(name));
    if (!v.isValid()) return std::nullopt;
    // One entry is stored as a plain string: a list of one.
    if (v.typeId() != QMetaType::QStringList && v.typeId() != QMetaType::QString)
        return std::nullopt;
    std::vector<std::string> values;
    for (const QString& s : v.toStringList()) values.push_back(s.toStdString());
    return values;
}

bool QtSettingsStore::WriteStringList(const std::string& name,
                                      const std::vector<std::string>& values) {
    QStringList list;
    for (const std::string& s : values) list << DecodeUtf8(s);
    settings->setValue(DecodeUtf8(name), list);
    return settings->isWritable();
}

bool QtSettingsStore::Flush() {
    settings->sync();
    return settings->status() == QSettings::NoError;
}

}  // namespace ui
