#include "document/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "core/errors.h"

namespace ox::document {
namespace {

using core::fd_of;
using core::FileGuard;
using core::win_error_from_errno;

constexpr int kOpenRounds = 16;
constexpr uint32_t kCopyChunk = 64 * 1024;

thread_local unsigned t_fail_write_countdown = 0;

std::atomic<uint32_t> g_temp_counter{0};

bool same_file(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The file a path names, symbolic links followed; the path itself when it cannot be resolved (a file that
// does not exist yet).
std::string real_target(const char *path) {
    char *resolved = realpath(path, nullptr);
    if (!resolved) return path;
    std::string out = resolved;
    std::free(resolved);
    return out;
}

std::string folder_of(const std::string &path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes a rename durable: the folder's entry is flushed too. A folder that cannot be flushed (some file
// systems refuse) does not undo a rename that has happened.
void flush_folder(const std::string &folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    ::close(fd);
}

}  // namespace

void fail_write_for_test(unsigned n) { t_fail_write_countdown = n; }

int32_t open_exclusive(const char *path, FileGuard &file, uint32_t access, uint32_t disposition, uint32_t creator,
                       uint32_t file_type, uint32_t *err) {
    for (int round = 0; round < kOpenRounds; ++round) {
        if (!oxOpenFile(path, file.out(), access, OX_FILE_SHARE_EXCLUSIVE, disposition, OX_FILE_ATTRIBUTE_NORMAL,
                        creator, file_type, err))
            return 0;
        // Holding the lock, the path must still name the file we hold. If it does not, a replacement renamed
        // a new file over it between our open and our lock: ours is the old one and no longer in use.
        struct stat held, named;
        if (fstat(fd_of(file.get()), &held) == 0 && stat(path, &named) == 0 && same_file(held, named)) return 1;
        file.close();
        if (round > 0) sched_yield();
    }
    *err = OX_ERROR_SHARING_VIOLATION;
    return 0;
}

int32_t write_all(OxFileHandle file, const void *data, uint32_t count, uint32_t *err) {
    uint32_t done = 0;
    if (t_fail_write_countdown > 0 && --t_fail_write_countdown == 0) {
        oxWriteFile(file, data, count / 2, &done, err);
        *err = OX_ERROR_DISK_FULL;
        return 0;
    }
    if (!oxWriteFile(file, data, count, &done, err)) return 0;
    if (done != count) {
        *err = OX_ERROR_DISK_FULL;
        return 0;
    }
    return 1;
}

int32_t read_exact(OxFileHandle file, void *data, uint32_t count, uint32_t *err) {
    uint32_t done = 0;
    if (!oxReadFile(file, data, count, &done, err)) return 0;
    if (done != count) {
        *err = OX_ERROR_HANDLE_EOF;
        return 0;
    }
    return 1;
}

int32_t seek_to(OxFileHandle file, uint64_t position, uint32_t *err) {
    if (position > 0xFFFFFFFEu) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return 0;
    }
    uint64_t first = std::min<uint64_t>(position, INT32_MAX);
    if (!oxSeekFile(file, static_cast<int32_t>(first), 0, err)) return 0;
    if (position > first && !oxSeekFile(file, static_cast<int32_t>(position - first), 1, err)) return 0;
    return 1;
}

Replacement::~Replacement() {
    if (committed_ || !temp_) return;
    temp_.close();
    unlink(temp_path_.c_str());
}

int32_t Replacement::begin(const char *target, uint32_t creator, uint32_t file_type, uint32_t *err) {
    target_ = real_target(target);
    std::string folder = folder_of(target_);
    std::string base = target_.substr(target_.find_last_of('/') + 1);  // npos + 1 == 0: no folder part
    // A name that cannot collide with another replacement: process id and a counter; taken with
    // OX_CREATE_NEW, so a leftover of a crashed process with a recycled id only costs another round.
    for (int round = 0; round < 64; ++round) {
        uint32_t n = g_temp_counter.fetch_add(1, std::memory_order_relaxed);
        temp_path_ = folder + "/." + base + "." + std::to_string(getpid()) + "." + std::to_string(n) + ".tmp";
        if (oxOpenFile(temp_path_.c_str(), temp_.out(), OX_GENERIC_WRITE, OX_FILE_SHARE_EXCLUSIVE, OX_CREATE_NEW,
                       OX_FILE_ATTRIBUTE_NORMAL, creator, file_type, err))
            return 1;
        if (*err != OX_ERROR_FILE_EXISTS) return 0;
    }
    return 0;
}

int32_t Replacement::copy_from(OxFileHandle source, uint64_t offset, uint64_t count, uint32_t *err) {
    if (count == 0) return 1;
    if (!seek_to(source, offset, err)) return 0;
    std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min<uint64_t>(count, kCopyChunk)));
    while (count > 0) {
        uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(count, buffer.size()));
        if (!read_exact(source, buffer.data(), n, err) || !write(buffer.data(), n, err)) return 0;
        count -= n;
    }
    return 1;
}

int32_t Replacement::commit(OxFileHandle like, bool replace, uint32_t *err) {
    int fd = fd_of(temp_.get());
    struct stat st;
    if (like != OX_INVALID_FILE && fstat(fd_of(like), &st) == 0) {
        if (fchmod(fd, st.st_mode & 07777) != 0) {
            *err = win_error_from_errno(errno);
            return 0;
        }
        // Only a privileged process can give the file away; otherwise it is ours, as any new file would be.
        if (geteuid() == 0) (void)fchown(fd, st.st_uid, st.st_gid);
    }
    if (fsync(fd) != 0) {
        *err = win_error_from_errno(errno);
        return 0;
    }
    if (replace) {
        if (rename(temp_path_.c_str(), target_.c_str()) != 0) {
            *err = win_error_from_errno(errno);
            return 0;
        }
    } else if ((*err = core::rename_no_replace(target_.c_str(), temp_path_.c_str())) != 0) {
        return 0;  // the temporary file is ours, held exclusively: oxChangeFileName would refuse it
    }
    committed_ = true;
    // The new file stays locked until here, so that no other call works on it before this one is done.
    temp_.close();
    flush_folder(folder_of(target_));
    *err = OX_ERROR_SUCCESS;
    return 1;
}

}  // namespace ox::document
