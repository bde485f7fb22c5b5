#pragma once
// What writing the program's files needs from the file system, shared by the document
// files and the exports: what a path to be read or written really names, and what the
// system's errors mean for the user.
#include <filesystem>
#include <string>

namespace model {

// What an errno value means, for the user: in Russian for the common cases (missing file,
// no permission, disk full, a folder in the way...), the system's text otherwise.
std::string SystemErrorText(int err);

// Why `path` (links followed) cannot be opened as a file, for the user ("это папка, а не
// файл", "это именованный канал (FIFO), а не файл", "ссылка указывает на несуществующий
// файл"...); empty for a regular file, or a path that is simply missing. Checked before
// anything opens the path: opening a FIFO would wait for a writer forever.
std::string NotAFileReason(const std::filesystem::path& path);

// What writing to a path would replace.
struct WriteTargetInfo {
    // The file to replace or create: the file at the end of a chain of symbolic links
    // (the links are kept, also one whose file does not exist yet), else the path itself.
    std::filesystem::path target;
    bool exists = false;
    // An existing file that its permissions mark as not to be written (no write bit, or
    // one the user may not write): replaced only when the user has said so.
    bool readOnly = false;
    // Not empty when nothing may be written there at all: what the path is instead of a
    // file (a folder, a FIFO, a device, a socket, a loop of links), for the user.
    std::string refusal;
};
WriteTargetInfo InspectWriteTarget(const std::filesystem::path& path);

// InspectWriteTarget(path).target.
std::filesystem::path WriteTarget(const std::filesystem::path& path);

// The folder `target` lies in ("." for a bare file name).
std::filesystem::path FolderOf(const std::filesystem::path& target);

}  // namespace model
