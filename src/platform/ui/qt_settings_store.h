#pragma once
// The per-user settings store over QSettings: an INI file under $XDG_CONFIG_HOME on Linux
// (Vel's/Kestrin/Vorla.conf, parsed by our own reader, settings_ini.h), the registry key
// Software\Vel's\Kestrin\Vorla on Windows.
// A missing, unreadable or damaged file only means that values are missing: the caller
// falls back to its defaults.
#include <QString>
#include <memory>

#include "services/services.h"

class QSettings;

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

    // Where the values live (file path, or registry path on Windows).
    QString Location() const;

  private:
    std::unique_ptr<QSettings> settings;
};

}  // namespace ui
