// The branch commands: the selected branch (Shift+click) copied to the desktop clipboard,
// deleted or painted in one undo step, and a branch from the clipboard pasted where the
// next click puts it. What each did, or why it could not, shows in the status line.
#include <memory>
#include <string>

#include "app/core/app_form.h"
#include "interaction/document.h"
#include "model/block_listing.h"
#include "model/edit/branches.h"
#include "model/vvl_codec.h"

using namespace interaction;
using namespace model::edit;
using namespace model;

namespace app::core {
namespace {

constexpr char kNoSelection[] = "Сначала выберите ветку: Shift + щелчок по Торвину";

}  // namespace

void CAppForm::Tell(const std::string& text, bool warning) {
    screen.editNotice = text;
    screen.editNoticeIsWarning = warning;
}

void CAppForm::CopyBranch() {
    ClearKeys();
    if (!system.selectedBranch) return Tell(kNoSelection, true);
    const CVelVorlaModel branch = model::edit::CopyBranch(*system.selectedBranch);
    const std::vector<uint8_t> bytes =
        EncodeConstruction(CaptureCamera(camera), CaptureSettings(system), branch);
    if (!services_.shell ||
        !services_.shell->PutBranchOnClipboard(bytes, BlockListing(branch.topBlocks)))
        return Tell("Буфер обмена не принял ветку", true);
    Tell("Скопировано Торвинов: " + std::to_string(BranchSize(*system.selectedBranch)), false);
}

void CAppForm::PasteBranch() {
    ClearKeys();
    const std::optional<std::vector<uint8_t>> bytes =
        services_.shell ? services_.shell->BranchOnClipboard() : std::nullopt;
    if (!bytes) return Tell("В буфере обмена нет ветки Торвинов", true);
    ConstructionDocument doc;
    if (const FileResult read = DecodeConstruction(bytes->data(), bytes->size(), doc); !read)
        return Tell("Ветку из буфера обмена не прочесть: " + read.message, true);
    std::string why;
    if (!BranchRoot(doc.model, &why)) return Tell("В буфере обмена " + why, true);
    camera.StopMotion();
    dispatcher_->ReturnToInspect();  // also ends a paste under way
    system.pasting = std::make_shared<const CVelVorlaModel>(std::move(doc.model));
}

void CAppForm::DeleteBranch() {
    ClearKeys();
    if (!system.selectedBranch) return Tell(kNoSelection, true);
    camera.StopMotion();
    const size_t n = BranchSize(*system.selectedBranch);
    // The selection lets go of the branch as it leaves the tree.
    system.document.DeleteBranch(*system.selectedBranch);
    Tell("Удалено Торвинов: " + std::to_string(n), false);
}

void CAppForm::PaintBranch() {
    ClearKeys();
    if (!system.selectedBranch) return Tell(kNoSelection, true);
    const size_t n = system.document.PaintBranch(*system.selectedBranch, system.currentColour);
    if (n == 0) return Tell("Ветка уже этого цвета", false);
    if (system.randomColour == 1) system.PickRandomColour();
    RefreshCheckMarks();
    Tell("Покрашено Торвинов: " + std::to_string(n), false);
}

}  // namespace app::core
