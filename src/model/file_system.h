#pragma once
// What writing the program's files needs from the file system, shared by the document
// files and the exports.
#include <filesystem>
#include <string>

namespace model {

// What an errno value means, for the user: in Russian for the common cases (missing file,
// no permission, disk full, a folder in the way...), the system's text otherwise.
std::string SystemErrorText(int err);

// The file that writing to `path` should replace: the file a symbolic link names (the
// link is kept), else `path` itself.
std::filesystem::path WriteTarget(const std::filesystem::path& path);

// The folder `target` lies in ("." for a bare file name).
std::filesystem::path FolderOf(const std::filesystem::path& target);

}  // namespace model
