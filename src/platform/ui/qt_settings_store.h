#pragma once
// The per-user settings store: an INI file (Vel's/Kestrin/Vorla.conf in the user's
// configuration folder, $XDG_CONFIG_HOME on Linux), parsed by our own reader
// (settings_ini.h). Values are kept in memory; Flush writes the ones that changed to disk
// at once, through the same crash-safe write as documents (a temporary beside the file,
// flushed, renamed over it), so that a crash or a kill at any moment leaves the settings
// last written whole. A value another editor wrote meanwhile is kept unless this one
// changed it too.
// A missing, unreadable or damaged file only means that values are missing: the caller
// falls back to its defaults.
#include <QSet>
#include <QSettings>
#include <QString>

#include "services/services.h"

namespace ui {

inline constexpr const char* kSettingsOrganisation = "Vel's/Kestrin";
inline constexpr const char* kSettingsApplication = "Vorla";

class QtSettingsStore : public services::SettingsStore {
  public:
    // The user's own store.
    QtSettingsStore();
    // An INI file at a given path (tests, portable use).
    explicit QtSettingsStore(const QString& iniPath);
    ~QtSettingsStore() override;

    std::optional<uint32_t> ReadDword(const std::string& name) override;
    std::optional<std::string> ReadString(const std::string& name) override;
    bool WriteDword(const std::string& name, uint32_t value) override;
    bool WriteString(const std::string& name, const std::string& value) override;
    std::optional<std::vector<std::string>> ReadStringList(const std::string& name) override;
    bool WriteStringList(const std::string& name, const std::vector<std::string>& values) override;
    bool Flush() override;
    std::string LastError() const override { return error_; }

    // The file the values live in.
    QString Location() const { return path_; }

  private:
    QSettings::SettingsMap ReadFile() const;
    void Set(const std::string& name, const QVariant& value);

    QString path_;
    QSettings::SettingsMap values_;
    QSet<QString> changed_;  // written since the last successful Flush
    std::string error_;
};

}  // namespace ui
