#include "app/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace app {

bool PutBranchOnClipboard(const std::vector<uint8_t>& bytes, const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    auto* data = new QMimeData;
    data->setData(kBranchMimeType, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size())));
    data->setText(QString::fromStdString(text));
    clipboard->setMimeData(data);  // the clipboard owns it now
    return true;
}

std::optional<std::vector<uint8_t>> BranchOnClipboard() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data || !data->hasFormat(kBranchMimeType)) return std::nullopt;
    const QByteArray bytes = data->data(kBranchMimeType);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace app
