#pragma once
// Message boxes, file dialogs, the colour chooser and the browser, with Qt.
#include <QCoreApplication>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "services/services.h"

namespace ui {

// Splits a dialog start name ("folder/*.vvl" or a folder) into the folder to open in.
QString DialogFolder(const std::string& startName);

// Qt's own texts (the standard buttons of message boxes, the file and colour dialogs) in
// Russian, whatever the user's locale: the whole program speaks Russian. False when Qt's
// Russian translation is not installed (the texts then stay English).
bool InstallRussianTranslations(QCoreApplication& application);

// The filter the file dialogs show.
inline constexpr const char* kVvlFilter = "Vel's Vorla (*.vvl)";

class QtDialogs : public services::Dialogs {
  public:
    // Dialogs are centred on and modal to `owner` (the main window); may be null.
    explicit QtDialogs(QWidget* owner = nullptr) : owner(owner) {}
    void SetOwner(QWidget* w) { owner = w; }

    services::MsgResult ShowMessage(const std::string& text, const std::string& caption,
                                    services::MsgButtons buttons, services::MsgIcon icon) override;
    std::optional<std::string> AskOpenPath(const std::string& startName) override;
    std::optional<std::string> AskSavePath(const std::string& startName) override;
    std::optional<std::string> AskSaveFile(
        const std::string& title, const std::string& startName,
        const std::vector<services::SaveFileType>& types) override;
    std::optional<services::ExportChoices> AskExportOptions(
        const services::ExportChoices& initial) override;
    std::optional<std::string> AskPictureFile(const std::string& title,
                                              const std::string& startName,
                                              const std::vector<services::SaveFileType>& types,
                                              services::PictureOptions& options) override;
    std::optional<uint32_t> ChooseColour(uint32_t initialColorRef) override;
    void OpenUrl(const std::string& url) override;

  private:
    QPointer<QWidget> owner;
};

}  // namespace ui
