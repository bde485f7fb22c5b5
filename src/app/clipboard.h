#pragma once
// The desktop clipboard for branches of blocks: the program's own type (a .vvl
// construction holding just the branch) beside plain text for other programs.
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace app {

// The clipboard type of a copied branch.
inline const QString kBranchMimeType = QStringLiteral("application/x-vorla-branch");

// Puts `bytes` under the branch type and `text` as plain text; false without a clipboard.
bool PutBranchOnClipboard(const std::vector<uint8_t>& bytes, const std::string& text);
// The bytes under the branch type, whichever program put them there; empty when the
// clipboard holds something else or nothing.
std::optional<std::vector<uint8_t>> BranchOnClipboard();

}  // namespace app
