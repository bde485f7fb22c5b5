#include "model/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace model {

namespace fs = std::filesystem;

namespace {

// As many links as the system itself follows before it gives up (ELOOP).
constexpr int kMaxLinks = 40;

// The end of a chain of symbolic links; ELOOP in *err for a chain that never ends.
fs::path FollowLinks(const fs::path& path, int* err) {
    fs::path p = path;
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(p, ec)) return p;
        const fs::path to = fs::read_symlink(p, ec);
        if (ec) return p;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    *err = ELOOP;
    return p;
}

// What a file that is not a regular file is, for the user.
std::string NotRegularText(fs::file_type type) {
    switch (type) {
        case fs::file_type::directory:
            return "это папка, а не файл";
        case fs::file_type::fifo:
            return "это именованный канал (FIFO), а не файл";
        case fs::file_type::socket:
            return "это сокет, а не файл";
        case fs::file_type::block:
        case fs::file_type::character:
            return "это устройство, а не файл";
        default:
            return "это не обычный файл";
    }
}

}  // namespace

std::string SystemErrorText(int err) {
    // The common cases in the program's own language; the system's text for the rest.
    switch (err) {
        case ENOENT:
            return "нет такого файла или папки";
        case EACCES:
        case EPERM:
            return "нет прав доступа";
        case ENOSPC:
            return "на диске нет места";
        case EDQUOT:
            return "превышена дисковая квота";
        case EFBIG:
            return "файл слишком велик";
        case EISDIR:
            return "это папка, а не файл";
        case ENOTDIR:
            return "часть пути не является папкой";
        case EROFS:
            return "файловая система доступна только для чтения";
        case ENAMETOOLONG:
            return "слишком длинное имя файла";
        case EIO:
            return "ошибка ввода-вывода";
        case ELOOP:
            return "слишком много символических ссылок подряд";
        default:
            return std::generic_category().message(err);
    }
}

std::string NotAFileReason(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        // A link to nothing is worth naming: the file "is there" in a listing.
        std::error_code linkError;
        if (fs::is_symlink(path, linkError)) return "ссылка указывает на несуществующий файл";
        return {};
    }
    if (ec) return ec.value() == ELOOP ? SystemErrorText(ELOOP) : std::string();
    if (status.type() == fs::file_type::regular) return {};
    return NotRegularText(status.type());
}

WriteTargetInfo InspectWriteTarget(const fs::path& path) {
    WriteTargetInfo info;
    int err = 0;
    info.target = FollowLinks(path, &err).lexically_normal();
    if (err != 0) {
        info.refusal = SystemErrorText(err);
        return info;
    }
    struct stat st {};
    if (::stat(info.target.c_str(), &st) != 0) return info;  // missing: created
    info.exists = true;
    if (!S_ISREG(st.st_mode)) {
        info.refusal = NotRegularText(fs::status(info.target).type());
        return info;
    }
    // The permission bits, not only access(): the superuser may write anything, yet a
    // file marked 0444 was meant to stay as it is.
    info.readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                    (::access(info.target.c_str(), W_OK) != 0 && errno == EACCES);
    return info;
}

fs::path WriteTarget(const fs::path& path) {
    return InspectWriteTarget(path).target;
}

fs::path FolderOf(const fs::path& target) {
    fs::path dir = target.parent_path();
    return dir.empty() ? fs::path(".") : dir;
}

}  // namespace model
