// Files and folders over POSIX descriptors. A file handle is the descriptor itself; share modes are flock()
// locks on the open file description.
#include "core/files.h"

#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <string>

#include "core/errors.h"

namespace ox::core {
namespace {

constexpr uint32_t kMaxPosition = 0xFFFFFFFEu;  // 0xFFFFFFFF is the failure value of the position calls
constexpr uint32_t kFailedPosition = 0xFFFFFFFFu;
constexpr std::size_t kMaxChunk = 1u << 30;  // one read()/write() moves at most this much

template <class F>
auto retry_eintr(F call) {
    decltype(call()) r;
    do {
        r = call();
    } while (r == -1 && errno == EINTR);
    return r;
}

void close_keeping_errno(int fd) {
    int saved = errno;
    ::close(fd);
    errno = saved;
}

// A file that nobody may write: no write permission bit for anyone. Root could still write it, so the mode
// is checked by hand wherever a read-only file must be refused.
bool is_read_only(const struct stat &st) { return (st.st_mode & 0222) == 0; }

int access_mode(int fd) {
    int fl = fcntl(fd, F_GETFL);
    return fl < 0 ? -1 : (fl & O_ACCMODE);
}

// The code for a failed call on an open descriptor: a descriptor that is open but was not opened for this
// direction reads as denied access rather than as a bad handle.
uint32_t descriptor_error(int fd, int e, bool writing) {
    if (e == EBADF || (writing && e == EINVAL)) {
        int mode = access_mode(fd);
        if (mode >= 0 && mode != (writing ? O_WRONLY : O_RDONLY) && mode != O_RDWR) return OX_ERROR_ACCESS_DENIED;
        if (mode < 0) return OX_ERROR_INVALID_HANDLE;
    }
    return win_error_from_errno(e);
}

// Sets the thread's last error and returns `result`; the file calls without an error argument use it.
template <class T>
T fail(uint32_t code, T result) {
    set_last_error(code);
    return result;
}

// ---- opening

struct OpenRequest {
    const char *path;
    bool read;
    bool write;
    uint32_t share;
    uint32_t disposition;
    uint32_t attributes;
};

// Moves a descriptor away from 0 so that no open file has the handle value 0.
int move_off_zero(int fd) {
    if (fd != 0) return fd;
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close_keeping_errno(fd);
    return moved;
}

// Empties a file whose descriptor may be read-only: a second, write-only descriptor of the same file
// (reopened through /proc, not through the path, so it cannot reach another file) does the truncation.
int truncate_to_zero(int fd) {
    int mode = access_mode(fd);
    if (mode == O_WRONLY || mode == O_RDWR) return retry_eintr([&] { return ftruncate(fd, 0); });
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    int w = retry_eintr([&] { return ::open(self.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK); });
    if (w < 0) return -1;
    int r = retry_eintr([&] { return ftruncate(w, 0); });
    close_keeping_errno(w);
    return r;
}

// Opens per the request. On success stores the descriptor and returns the last-error value of a successful
// open (0, or 183 when dispositions 2 and 4 found the file); on failure returns the code, leaving nothing
// open and removing a file that this call created.
uint32_t open_descriptor(const OpenRequest &rq, int *out) {
    *out = -1;
    // O_NONBLOCK keeps an open of a FIFO from hanging; it is cleared again once the descriptor exists.
    int flags = (rq.read && rq.write ? O_RDWR : rq.write ? O_WRONLY : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    mode_t mode = (rq.attributes & OX_FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    const char *path = rq.path;
    bool created = false;
    int fd = -1;

    switch (rq.disposition) {
    case OX_CREATE_NEW:
        fd = retry_eintr([&] { return ::open(path, flags | O_CREAT | O_EXCL, mode); });
        if (fd < 0) return errno == EEXIST ? OX_ERROR_FILE_EXISTS : win_error_for_path(errno, path);
        created = true;
        break;
    case OX_OPEN_EXISTING:
    case OX_TRUNCATE_EXISTING:
        fd = retry_eintr([&] { return ::open(path, flags); });
        if (fd < 0) return win_error_for_path(errno, path);
        break;
    default:  // create always, open always: open what is there, else create, and know which happened
        for (int attempt = 0; fd < 0; ++attempt) {
            fd = retry_eintr([&] { return ::open(path, flags); });
            if (fd >= 0 || errno != ENOENT) break;
            // A dangling symbolic link makes O_EXCL fail for ever; after a few rounds create through it.
            int excl = attempt < 4 ? O_EXCL : 0;
            fd = retry_eintr([&] { return ::open(path, flags | O_CREAT | excl, mode); });
            if (fd >= 0) created = true;
            else if (errno != EEXIST) break;
        }
        if (fd < 0) return win_error_for_path(errno, path);
        break;
    }

    auto abandon = [&](uint32_t code) {
        if (fd >= 0) close_keeping_errno(fd);
        if (created) unlink(path);
        return code;
    };

    fd = move_off_zero(fd);
    if (fd < 0) return abandon(win_error_from_errno(errno));
    struct stat st;
    if (fstat(fd, &st) != 0) return abandon(win_error_from_errno(errno));
    if (S_ISDIR(st.st_mode)) return abandon(OX_ERROR_ACCESS_DENIED);
    bool empties = rq.disposition == OX_TRUNCATE_EXISTING || (rq.disposition == OX_CREATE_ALWAYS && !created);
    if (!created && (rq.write || empties) && is_read_only(st)) return abandon(OX_ERROR_ACCESS_DENIED);
    int fl = fcntl(fd, F_GETFL);
    if (fl < 0 || fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) < 0) return abandon(win_error_from_errno(errno));

    // flock rather than an OFD record lock (F_OFD_SETLK): an OFD write lock needs a descriptor opened for
    // writing, and an exclusive open may be read-only. flock locks belong to the open file description, so
    // two opens in one process conflict exactly like opens in two processes.
    int how = (rq.share == OX_FILE_SHARE_EXCLUSIVE ? LOCK_EX : LOCK_SH) | LOCK_NB;
    if (retry_eintr([&] { return flock(fd, how); }) != 0) return abandon(win_error_from_errno(errno));

    // Only now, holding the lock, may the file be emptied: a file held exclusively elsewhere stays intact.
    if (empties && !created && S_ISREG(st.st_mode)) {
        if (truncate_to_zero(fd) != 0) return abandon(win_error_from_errno(errno));
        if (rq.disposition == OX_CREATE_ALWAYS && (rq.attributes & OX_FILE_ATTRIBUTE_READONLY))
            fchmod(fd, st.st_mode & 07555);
    }
    *out = fd;
    bool found = !created && (rq.disposition == OX_CREATE_ALWAYS || rq.disposition == OX_OPEN_ALWAYS);
    return found ? OX_ERROR_ALREADY_EXISTS : OX_ERROR_SUCCESS;
}

// ---- exclusive holders

// Takes a shared lock on the regular file at `path` for the probe's life: 32 when an open of share mode 0 (in
// this process or another) holds the file, else 0. Holding the lock until the unlink or rename is done keeps
// an exclusive open from slipping in between. A path that is no regular file (a link is renamed or deleted
// itself), or that this process may not read, is not probed.
class ShareProbe {
public:
    ShareProbe() = default;
    ShareProbe(const ShareProbe &) = delete;
    ShareProbe &operator=(const ShareProbe &) = delete;
    ~ShareProbe() {
        if (fd_ >= 0) close_keeping_errno(fd_);
    }
    uint32_t take(const char *path) {
        struct stat st;
        if (lstat(path, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
        fd_ = retry_eintr([&] { return ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW); });
        if (fd_ < 0) return 0;
        if (retry_eintr([&] { return flock(fd_, LOCK_SH | LOCK_NB); }) == 0) return 0;
        return errno == EWOULDBLOCK ? OX_ERROR_SHARING_VIOLATION : 0;
    }

private:
    int fd_ = -1;
};

// ---- renaming

// The code for a failed rename: a missing piece is looked for on the old path first, then on the new one.
uint32_t rename_error(int e, const char *new_path, const char *old_path) {
    if (e == EEXIST || e == ENOTEMPTY) return OX_ERROR_ALREADY_EXISTS;
    if (e == ENOENT || e == ENOTDIR) {
        struct stat st;
        if (lstat(old_path, &st) != 0) return win_error_for_path(errno, old_path);
        return win_error_for_path(e, new_path);
    }
    return win_error_from_errno(e);
}

// Moves a regular file to another file system: copy (data, mode, times), flush, then remove the original.
// Any failure removes the copy and leaves the original in place.
uint32_t move_across_devices(const char *new_path, const char *old_path) {
    int in = retry_eintr([&] { return ::open(old_path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK); });
    if (in < 0) return errno == ELOOP ? OX_ERROR_NOT_SAME_DEVICE : win_error_for_path(errno, old_path);
    struct stat st;
    if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return OX_ERROR_NOT_SAME_DEVICE;  // folders, links and devices stay on their own file system
    }
    int out = retry_eintr([&] { return ::open(new_path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); });
    if (out < 0) {
        int e = errno;
        ::close(in);
        return e == EEXIST ? OX_ERROR_ALREADY_EXISTS : win_error_for_path(e, new_path);
    }
    uint32_t code = OX_ERROR_SUCCESS;
    char buffer[65536];
    for (;;) {
        ssize_t n = retry_eintr([&] { return ::read(in, buffer, sizeof buffer); });
        if (n < 0) code = win_error_from_errno(errno);
        if (n <= 0) break;
        for (ssize_t put = 0; put < n && code == 0;) {
            ssize_t w = retry_eintr([&] { return ::write(out, buffer + put, static_cast<std::size_t>(n - put)); });
            if (w <= 0) code = w < 0 ? win_error_from_errno(errno) : OX_ERROR_DISK_FULL;
            else put += w;
        }
        if (code) break;
    }
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (code == 0 && (fchmod(out, st.st_mode & 07777) != 0 || futimens(out, times) != 0 || fsync(out) != 0))
        code = win_error_from_errno(errno);
    ::close(in);
    if (::close(out) != 0 && code == 0) code = win_error_from_errno(errno);
    if (code == 0 && unlink(old_path) != 0) code = win_error_for_path(errno, old_path);
    if (code) unlink(new_path);
    return code;
}


}  // namespace

uint32_t rename_no_replace(const char *new_path, const char *old_path) {
    if (renameat2(AT_FDCWD, old_path, AT_FDCWD, new_path, RENAME_NOREPLACE) == 0) return 0;
    int e = errno;
    if (e == EINVAL || e == ENOSYS) {
        // The file system may not know RENAME_NOREPLACE. For a file, link + unlink refuses an existing target
        // atomically; where there are no hard links (or for a folder) check first, then rename.
        struct stat st;
        if (lstat(old_path, &st) != 0) return win_error_for_path(errno, old_path);
        if (!S_ISDIR(st.st_mode)) {
            if (link(old_path, new_path) == 0) {
                if (unlink(old_path) == 0) return 0;
                int u = errno;
                unlink(new_path);
                return win_error_for_path(u, old_path);
            }
            if (errno != EPERM && errno != ENOSYS && errno != EOPNOTSUPP) return rename_error(errno, new_path, old_path);
        }
        if (lstat(new_path, &st) == 0) return OX_ERROR_ALREADY_EXISTS;
        if (rename(old_path, new_path) == 0) return 0;
        e = errno;
    }
    if (e == EXDEV) return move_across_devices(new_path, old_path);
    return rename_error(e, new_path, old_path);
}

}  // namespace ox::core

using namespace ox::core;

extern "C" {

OX_API int32_t oxOpenFile(const char *path, OxFileHandle *file, uint32_t access, uint32_t shareMode,
                          uint32_t disposition, uint32_t attributes, uint32_t creator, uint32_t fileType,
                          uint32_t *err) {
    OpenRequest rq{path, (access & (OX_GENERIC_READ | OX_GENERIC_ALL)) != 0,
                   (access & (OX_GENERIC_WRITE | OX_GENERIC_ALL)) != 0, shareMode, disposition, attributes};
    uint32_t code;
    int fd = -1;
    if (!path || (!rq.read && !rq.write) || disposition < OX_CREATE_NEW || disposition > OX_TRUNCATE_EXISTING ||
        (disposition == OX_TRUNCATE_EXISTING && !rq.write))
        code = OX_ERROR_INVALID_PARAMETER;
    else if (*path == '\0')
        code = OX_ERROR_PATH_NOT_FOUND;
    else
        code = open_descriptor(rq, &fd);
    *file = fd >= 0 ? static_cast<OxFileHandle>(fd) : OX_INVALID_FILE;
    set_last_error(code);
    *err = code;
    return fd >= 0 ? 1 : 0;
}

OX_API int32_t oxReadFile(OxFileHandle file, void *buffer, uint32_t count, uint32_t *done, uint32_t *err) {
    *done = 0;
    int fd = fd_of(file);
    uint32_t code = OX_ERROR_SUCCESS;
    if (fd < 0) {
        code = OX_ERROR_INVALID_HANDLE;
    } else {
        auto *p = static_cast<unsigned char *>(buffer);
        uint64_t total = 0;
        // At least one call, so that a zero-byte read still reports a handle without read access.
        do {
            std::size_t chunk = std::min<uint64_t>(count - total, kMaxChunk);
            ssize_t n = retry_eintr([&] { return ::read(fd, p + total, chunk); });
            if (n < 0) {
                code = descriptor_error(fd, errno, false);
                break;
            }
            total += static_cast<uint64_t>(n);
            if (static_cast<std::size_t>(n) < chunk) break;  // end of file
        } while (total < count);
        *done = static_cast<uint32_t>(total);
    }
    set_last_error(code);
    *err = code;
    return code == OX_ERROR_SUCCESS ? 1 : 0;
}

OX_API int32_t oxWriteFile(OxFileHandle file, const void *buffer, uint32_t count, uint32_t *done,
                           uint32_t *err) {
    *done = 0;
    int fd = fd_of(file);
    uint32_t code = OX_ERROR_SUCCESS;
    if (fd < 0) {
        code = OX_ERROR_INVALID_HANDLE;
    } else {
        auto *p = static_cast<const unsigned char *>(buffer);
        uint64_t total = 0;
        do {
            std::size_t chunk = std::min<uint64_t>(count - total, kMaxChunk);
            ssize_t n = retry_eintr([&] { return ::write(fd, p + total, chunk); });
            if (n < 0) {
                code = descriptor_error(fd, errno, true);
                break;
            }
            if (n == 0 && chunk > 0) {  // no progress and no reason given: the device is full
                code = OX_ERROR_DISK_FULL;
                break;
            }
            total += static_cast<uint64_t>(n);
        } while (total < count);  // a short write is followed up; a full disk then fails with 112
        *done = static_cast<uint32_t>(total);
    }
    set_last_error(code);
    *err = code;
    return code == OX_ERROR_SUCCESS ? 1 : 0;
}

OX_API int32_t oxSeekFile(OxFileHandle file, int32_t distance, uint32_t origin, uint32_t *err) {
    auto failed = [&](uint32_t code) {
        *err = code;
        return fail(code, 0);
    };
    int fd = fd_of(file);
    if (fd < 0) return failed(OX_ERROR_INVALID_HANDLE);
    int64_t base = 0;
    if (origin == 1) {
        off_t cur = lseek(fd, 0, SEEK_CUR);
        if (cur < 0) return failed(win_error_from_errno(errno));
        base = cur;
    } else if (origin == 2) {
        struct stat st;
        if (fstat(fd, &st) != 0) return failed(win_error_from_errno(errno));
        base = st.st_size;
    } else if (origin != 0) {
        return failed(OX_ERROR_INVALID_PARAMETER);
    }
    int64_t target = base + distance;
    if (target < 0) return failed(OX_ERROR_NEGATIVE_SEEK);
    if (target > kMaxPosition) return failed(OX_ERROR_INVALID_PARAMETER);
    if (lseek(fd, target, SEEK_SET) < 0) return failed(win_error_from_errno(errno));
    return 1;
}

OX_API int32_t oxCloseFile(OxFileHandle file) {
    int fd = fd_of(file);
    if (fd < 0) return fail(OX_ERROR_INVALID_HANDLE, 0);
    // The descriptor is gone after close() whatever it reports, EINTR included; the share lock goes with it.
    if (::close(fd) != 0 && errno != EINTR) return fail(win_error_from_errno(errno), 0);
    return 1;
}

OX_API uint32_t oxGetFileSize(OxFileHandle file) {
    int fd = fd_of(file);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) return fail(OX_ERROR_INVALID_HANDLE, kFailedPosition);
    return static_cast<uint32_t>(static_cast<uint64_t>(st.st_size) & 0xFFFFFFFFu);
}

OX_API uint32_t oxGetFilePointer(OxFileHandle file) {
    int fd = fd_of(file);
    if (fd < 0) return fail(OX_ERROR_INVALID_HANDLE, kFailedPosition);
    off_t cur = lseek(fd, 0, SEEK_CUR);
    if (cur < 0) return fail(win_error_from_errno(errno), kFailedPosition);
    if (cur > static_cast<off_t>(kMaxPosition)) return fail(OX_ERROR_INVALID_PARAMETER, kFailedPosition);
    return static_cast<uint32_t>(cur);
}

OX_API int32_t oxSetEndOfFile(OxFileHandle file) {
    int fd = fd_of(file);
    if (fd < 0) return fail(OX_ERROR_INVALID_HANDLE, 0);
    off_t cur = lseek(fd, 0, SEEK_CUR);
    if (cur < 0) return fail(win_error_from_errno(errno), 0);
    if (retry_eintr([&] { return ftruncate(fd, cur); }) != 0) return fail(descriptor_error(fd, errno, true), 0);
    return 1;
}

OX_API int32_t oxChangeFileName(const char *newPath, const char *oldPath, uint32_t *err) {
    *err = 0;
    ShareProbe source, target;
    uint32_t code = !newPath || !oldPath ? OX_ERROR_INVALID_PARAMETER
                    : !*newPath || !*oldPath ? OX_ERROR_PATH_NOT_FOUND
                                             : 0;
    if (code == 0) code = source.take(oldPath);
    if (code == 0) code = target.take(newPath);
    if (code == 0) code = rename_no_replace(newPath, oldPath);
    if (code == 0) return 1;
    *err = code;
    return fail(code, 0);
}

OX_API int32_t oxDeleteFile(const char *path, uint32_t *err) {
    *err = 0;
    uint32_t code = 0;
    struct stat st;
    ShareProbe probe;
    if (!path) code = OX_ERROR_INVALID_PARAMETER;
    else if (!*path) code = OX_ERROR_PATH_NOT_FOUND;
    else if (lstat(path, &st) != 0) code = win_error_for_path(errno, path);
    else if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && is_read_only(st))) code = OX_ERROR_ACCESS_DENIED;
    else code = probe.take(path);
    if (code == 0 && unlink(path) != 0) code = win_error_for_path(errno, path);
    if (code == 0) return 1;
    *err = code;
    return fail(code, 0);
}

OX_API int32_t oxCheckFileReadOnlyAttribute(const char *path, uint32_t *err) {
    struct stat st;
    if (path && stat(path, &st) == 0 && is_read_only(st)) {
        *err = OX_ERROR_ACCESS_DENIED;
        return 1;
    }
    *err = 0;
    return 0;
}

OX_API int32_t oxCreateFolder(const char *path, uint32_t ignored, uint32_t *err) {
    *err = 0;
    uint32_t code = 0;
    if (!path) code = OX_ERROR_INVALID_PARAMETER;
    else if (!*path) code = OX_ERROR_PATH_NOT_FOUND;
    else if (mkdir(path, 0777) != 0) code = errno == EEXIST ? OX_ERROR_ALREADY_EXISTS : win_error_for_path(errno, path);
    if (code == 0) return 1;
    *err = code;
    return fail(code, 0);
}

}  // extern "C"
