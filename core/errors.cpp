#include "core/errors.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

namespace ox::core {
namespace {
thread_local uint32_t t_last_error = 0;
}

uint32_t win_error_from_errno(int e) {
    switch (e) {
    case 0: return OX_ERROR_SUCCESS;
    case ENOENT: return OX_ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return OX_ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:  // opening a folder as a file is an access fault on the original system
        return OX_ERROR_ACCESS_DENIED;
    case EBADF: return OX_ERROR_INVALID_HANDLE;
    case ENOMEM: return OX_ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE: return OX_ERROR_TOO_MANY_OPEN_FILES;
    case EXDEV: return OX_ERROR_NOT_SAME_DEVICE;
    case EWOULDBLOCK: return OX_ERROR_SHARING_VIOLATION;  // a share lock held by another open
    case EBUSY:
    case ETXTBSY: return OX_ERROR_BUSY;
    case EEXIST: return OX_ERROR_ALREADY_EXISTS;
    case EINVAL: return OX_ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT: return OX_ERROR_DISK_FULL;
    case ENAMETOOLONG: return OX_ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY: return OX_ERROR_DIR_NOT_EMPTY;
    case EFBIG:
    case EOVERFLOW: return OX_ERROR_FILE_TOO_LARGE;
    case ELOOP: return OX_ERROR_INVALID_NAME;
    case ENOTSUP: return OX_ERROR_NOT_SUPPORTED;
    case EFAULT: return OX_ERROR_NOACCESS;
    case ENXIO: return OX_ERROR_NOT_READY;  // a FIFO that nobody reads, a device that is not there
    case EPIPE: return OX_ERROR_BROKEN_PIPE;
    default: return OX_ERROR_GEN_FAILURE;
    }
}

uint32_t win_error_for_path(int e, const char *path) {
    if ((e == ENOENT || e == ENOTDIR) && path && *path) {
        std::string folder(path);
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        auto slash = folder.find_last_of('/');
        if (slash == std::string::npos) return OX_ERROR_FILE_NOT_FOUND;  // relative name in the current folder
        folder.resize(slash == 0 ? 1 : slash);
        struct stat st;
        if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return OX_ERROR_PATH_NOT_FOUND;
        return OX_ERROR_FILE_NOT_FOUND;
    }
    return win_error_from_errno(e);
}

uint32_t last_error() { return t_last_error; }
void set_last_error(uint32_t code) { t_last_error = code; }

}  // namespace ox::core
