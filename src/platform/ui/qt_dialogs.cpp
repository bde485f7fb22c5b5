#include "platform/ui/qt_dialogs.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

using namespace services;

namespace ui {

QString DialogFolder(const std::string& startName) {
    QString name = QFile::decodeName(QByteArray::fromStdString(startName));
    // "folder/*.vvl" (either separator) names the folder and the pattern.
    for (const char* pattern : {"/*.vvl", "\\*.vvl"}) {
        if (name.endsWith(QLatin1String(pattern))) {
            name.chop(static_cast<int>(qstrlen(pattern)));
            break;
        }
    }
    return name.isEmpty() ? QDir::currentPath() : name;
}

bool InstallRussianTranslations(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

services::MsgResult QtDialogs::ShowMessage(const std::string& text, const std::string& caption,
                                           services::MsgButtons buttons, services::MsgIcon icon) {
    QMessageBox box(owner);
    box.setText(QString::fromStdString(text));
    box.setWindowTitle(QString::fromStdString(caption));
    switch (icon) {
        case services::MsgIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case services::MsgIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case services::MsgIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    if (buttons == services::MsgButtons::YesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    } else if (buttons == services::MsgButtons::YesNo) {
        // Asked before something is replaced: the safe answer is the default.
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int answer = box.exec();
    if (buttons == services::MsgButtons::Ok) return services::MsgResult::Ok;
    switch (answer) {
        case QMessageBox::Yes:
            return services::MsgResult::Yes;
        case QMessageBox::No:
            return services::MsgResult::No;
        default:
            return services::MsgResult::Cancel;  // closing the box is Cancel too
    }
}

namespace {

std::optional<std::string> RunFileDialog(QWidget* owner, const std::string& startName, bool save) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromUtf8(kVvlFilter));
    dialog.setDefaultSuffix(QStringLiteral("vvl"));
    dialog.setDirectory(DialogFolder(startName));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return QFile::encodeName(QDir::toNativeSeparators(files.first())).toStdString();
}

}  // namespace

std::optional<std::string> QtDialogs::AskOpenPath(const std::string& startName) {
    return RunFileDialog(owner, startName, false);
}

std::optional<std::string> QtDialogs::AskSavePath(const std::string& startName) {
    return RunFileDialog(owner, startName, true);
}

namespace {

// A Save dialog offering `types`; a name typed without an extension takes the one of the
// type chosen.
void SetUpSaveFile(QFileDialog& dialog, const std::string& startName,
                   const std::vector<services::SaveFileType>& types) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters, suffixes;
    for (const services::SaveFileType& t : types) {
        filters << QString::fromStdString(t.filter);
        suffixes << QString::fromStdString(t.suffix);
    }
    dialog.setNameFilters(filters);
    // A folder, or a file in it to suggest (whose type is then the one chosen at first).
    const QFileInfo start(DialogFolder(startName));
    qsizetype chosen = 0;
    if (start.isDir()) {
        dialog.setDirectory(start.filePath());
    } else {
        dialog.setDirectory(start.path());
        dialog.selectFile(start.fileName());
        chosen = std::max<qsizetype>(suffixes.indexOf(start.suffix().toLower()), 0);
        dialog.selectNameFilter(filters[chosen]);
    }
    dialog.setDefaultSuffix(suffixes[chosen]);
    // Choosing a type: a name typed without an extension takes its suffix, and a name
    // with the suffix of another type gets this type's instead.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, filters, suffixes](const QString& filter) {
                         const qsizetype i = filters.indexOf(filter);
                         if (i < 0) return;
                         dialog.setDefaultSuffix(suffixes[i]);
                         const QStringList selected = dialog.selectedFiles();
                         if (selected.isEmpty()) return;
                         const QFileInfo name(selected.first());
                         if (suffixes.contains(name.suffix().toLower()))
                             dialog.selectFile(name.completeBaseName() + '.' + suffixes[i]);
                     });
}

std::optional<std::string> ChosenFile(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return QFile::encodeName(QDir::toNativeSeparators(files.first())).toStdString();
}

}  // namespace

std::optional<std::string> QtDialogs::AskSaveFile(
    const std::string& title, const std::string& startName,
    const std::vector<services::SaveFileType>& types) {
    if (types.empty()) return std::nullopt;
    QFileDialog dialog(owner, QString::fromStdString(title));
    SetUpSaveFile(dialog, startName, types);
    return ChosenFile(dialog);
}

std::optional<std::string> QtDialogs::AskPictureFile(
    const std::string& title, const std::string& startName,
    const std::vector<services::SaveFileType>& types, services::PictureOptions& options) {
    if (types.empty()) return std::nullopt;
    QFileDialog dialog(owner, QString::fromStdString(title));
    // Qt's own dialog (not the desktop's), so that the options can sit in it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    SetUpSaveFile(dialog, startName, types);
    // The options, in a row under the dialog's own controls.
    auto* overlays = new QCheckBox(QStringLiteral("Кнопки, подсказки и строка состояния"));
    overlays->setChecked(options.overlays);
    auto* size = new QComboBox;
    for (int scale : {1, 2, 4}) size->addItem(QStringLiteral("%1×").arg(scale), scale);
    size->setCurrentIndex(std::max(0, size->findData(options.scale)));
    auto* transparent = new QCheckBox(QStringLiteral("Прозрачный фон (PNG)"));
    transparent->setChecked(options.transparent);
    auto* row = new QHBoxLayout;
    row->addWidget(overlays);
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("Размер:")));
    row->addWidget(size);
    row->addSpacing(12);
    row->addWidget(transparent);
    row->addStretch();
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addLayout(row, grid->rowCount(), 0, 1, grid->columnCount());
    std::optional<std::string> path = ChosenFile(dialog);
    if (path) {
        options.overlays = overlays->isChecked();
        options.scale = size->currentData().toInt();
        options.transparent = transparent->isChecked();
    }
    return path;
}

std::optional<services::ExportChoices> QtDialogs::AskExportOptions(
    const services::ExportChoices& initial) {
    QDialog dialog(owner);
    dialog.setWindowTitle(QStringLiteral("Параметры экспорта"));
    auto* form = new QFormLayout;
    auto* detail = new QComboBox;
    detail->addItems(
        {QStringLiteral("Высокая"), QStringLiteral("Средняя"), QStringLiteral("Низкая")});
    detail->setCurrentIndex(std::clamp(initial.detailLevel, 1, 3) - 1);
    form->addRow(QStringLiteral("Детализация:"), detail);
    auto* cubes = new QCheckBox(QStringLiteral("В виде кубов"));
    cubes->setChecked(initial.cubes);
    form->addRow(cubes);
    QDoubleSpinBox* size = nullptr;
    if (initial.printFormat) {
        size = new QDoubleSpinBox;
        size->setDecimals(2);
        size->setRange(0.01, 10000);
        size->setValue(initial.blockSizeMm);
        size->setSuffix(QStringLiteral(" мм"));
        form->addRow(QStringLiteral("Размер блока:"), size);
    }
    auto* enclosed = new QCheckBox(
        initial.printFormat ? QStringLiteral("Полая модель: без блоков, закрытых со всех сторон")
                            : QStringLiteral("С блоками, закрытыми со всех сторон"));
    enclosed->setChecked(initial.printFormat ? initial.hollow : initial.keepHidden);
    form->addRow(enclosed);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    services::ExportChoices chosen = initial;
    chosen.detailLevel = detail->currentIndex() + 1;
    chosen.cubes = cubes->isChecked();
    if (size) chosen.blockSizeMm = static_cast<float>(size->value());
    (initial.printFormat ? chosen.hollow : chosen.keepHidden) = enclosed->isChecked();
    return chosen;
}

std::optional<uint32_t> QtDialogs::ChooseColour(uint32_t initialColorRef) {
    const QColor initial(static_cast<int>(initialColorRef & 0xFF),
                         static_cast<int>((initialColorRef >> 8) & 0xFF),
                         static_cast<int>((initialColorRef >> 16) & 0xFF));
    const QColor chosen = QColorDialog::getColor(initial, owner);
    if (!chosen.isValid()) return std::nullopt;
    return static_cast<uint32_t>(chosen.red()) | (static_cast<uint32_t>(chosen.green()) << 8) |
           (static_cast<uint32_t>(chosen.blue()) << 16);
}

void QtDialogs::OpenUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(url)));
}

}  // namespace ui
