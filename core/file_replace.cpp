#include "core/file_replace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <ctime>
#include <vector>

#include "core/errors.h"

namespace ox::core {
namespace {

constexpr int kOpenRounds = 16;
constexpr int kMaxLinks = 40;  // as the kernel allows in one path walk
constexpr uint32_t kCopyChunk = 64 * 1024;
constexpr std::size_t kRandomChars = 8;
constexpr char kTempSuffix[] = ".tmp";

thread_local unsigned t_fail_write_countdown = 0;

bool same_file(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

std::string folder_of(const std::string &path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_of(const std::string &path) { return path.substr(path.find_last_of('/') + 1); }  // npos + 1 == 0

// The file a path names once its symbolic links are followed; a dangling link gives the missing file it
// names. A path that reaches something other than a regular file is kept as it is: it is written in place
// or refused, and the system's own links (/dev/stdout to a pipe) name nothing that readlink could follow.
// False with 123 for a chain of links that does not end.
bool follow_links(const char *path, std::string &out, uint32_t *err) {
    out = path;
    struct stat st;
    if (stat(path, &st) == 0 && !S_ISREG(st.st_mode)) return true;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        char link[PATH_MAX];
        ssize_t n = readlink(out.c_str(), link, sizeof link - 1);
        if (n < 0) return true;  // not a link, or missing: this is the file
        std::string to(link, static_cast<std::size_t>(n));
        out = to[0] == '/' ? to : folder_of(out) + "/" + to;
    }
    *err = OX_ERROR_INVALID_NAME;
    return false;
}

// Eight characters from the system's random source (from the clock and a counter if it has none).
std::string random_chars() {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<uint64_t> counter{0};
    unsigned char bytes[kRandomChars];
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        struct timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        uint64_t x = static_cast<uint64_t>(ts.tv_nsec) ^ counter.fetch_add(1) << 32 ^ static_cast<uint64_t>(getpid());
        for (auto &b : bytes) {
            x = x * 6364136223846793005u + 1442695040888963407u;
            b = static_cast<unsigned char>(x >> 56);
        }
    }
    std::string s;
    for (unsigned char b : bytes) s += kAlphabet[b % (sizeof kAlphabet - 1)];
    return s;
}

bool is_temp_name(const std::string &entry, const std::string &base) {
    if (entry.size() != 1 + base.size() + 1 + kRandomChars + sizeof kTempSuffix - 1) return false;
    if (entry[0] != '.' || entry.compare(1, base.size(), base) != 0 || entry[1 + base.size()] != '.') return false;
    if (entry.compare(entry.size() - (sizeof kTempSuffix - 1), std::string::npos, kTempSuffix) != 0) return false;
    const std::size_t first = base.size() + 2;
    return std::all_of(entry.begin() + first, entry.begin() + first + kRandomChars, [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    });
}

// A record lock over the whole file: a writer holds a write lock on its temporary file; a read lock
// that can be taken shows that no writer holds it any more. Locks of open file descriptions, so they
// conflict between two opens in one process too, and they leave the share locks of oxOpenFile alone.
bool lock_whole(int fd, short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

// Removes the temporary files of `base` in `folder` that no live writer holds: a writer that died left
// them. One that is still being created (opened but not yet locked) may be removed too; its creator
// notices and makes another.
void remove_stale(const std::string &folder, const std::string &base) {
    int dir_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd < 0) return;
    DIR *dir = fdopendir(dir_fd);
    if (!dir) {
        ::close(dir_fd);
        return;
    }
    std::vector<std::string> names;
    while (const struct dirent *e = readdir(dir))
        if (is_temp_name(e->d_name, base)) names.emplace_back(e->d_name);
    for (const std::string &name : names) {
        int fd = openat(dir_fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat held, named;
        if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && lock_whole(fd, F_RDLCK) &&
            fstatat(dir_fd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && same_file(held, named))
            unlinkat(dir_fd, name.c_str(), 0);
        ::close(fd);
    }
    closedir(dir);
}

// Refuses a target that exists and is not a regular file, or notes that it is written in place.
bool check_kind(const std::string &target, Special special, bool &in_place, uint32_t *err) {
    struct stat st;
    in_place = false;
    if (stat(target.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return true;  // a missing file is made
    if (S_ISDIR(st.st_mode)) {
        *err = OX_ERROR_ACCESS_DENIED;
        return false;
    }
    if (special == Special::refuse) {
        *err = OX_ERROR_NOT_SUPPORTED;
        return false;
    }
    in_place = true;
    return true;
}

// Makes a rename durable: the folder's entry is flushed too. A folder that cannot be flushed (some file
// systems refuse) does not undo a rename that has happened.
void flush_folder(const std::string &folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    ::close(fd);
}

// A descriptor as a file handle; descriptor 0 is moved off, as oxOpenFile never hands out 0.
int32_t adopt(int fd, FileGuard &file, uint32_t *err) {
    if (fd == 0) {
        int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        ::close(fd);
        fd = moved;
    }
    if (fd < 0) {
        *err = win_error_from_errno(errno);
        return 0;
    }
    *file.out() = static_cast<OxFileHandle>(fd);
    return 1;
}

}  // namespace

void fail_write_for_test(unsigned n) { t_fail_write_countdown = n; }

int32_t open_exclusive(const char *path, FileGuard &file, uint32_t access, uint32_t disposition, uint32_t *err) {
    for (int round = 0; round < kOpenRounds; ++round) {
        if (!oxOpenFile(path, file.out(), access, OX_FILE_SHARE_EXCLUSIVE, disposition, OX_FILE_ATTRIBUTE_NORMAL, 0,
                        0, err))
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
    if (committed_ || in_place_ || !file_) return;
    file_.close();
    unlink(temp_path_.c_str());
}

int32_t Replacement::begin(const char *target, Special special, uint32_t *err) {
    if (!target || !*target) {
        *err = target ? OX_ERROR_PATH_NOT_FOUND : OX_ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (!follow_links(target, target_, err) || !check_kind(target_, special, in_place_, err)) return 0;
    if (in_place_) {
        // Without blocking: a FIFO that nobody reads fails (ENXIO) instead of waiting for a reader.
        int fd = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            *err = win_error_for_path(errno, target_.c_str());
            return 0;
        }
        int fl = fcntl(fd, F_GETFL);
        if (fl >= 0) fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
        return adopt(fd, file_, err);
    }
    const std::string folder = folder_of(target_), base = name_of(target_);
    remove_stale(folder, base);
    for (int round = 0; round < 64; ++round) {
        temp_path_ = folder + "/." + base + "." + random_chars() + kTempSuffix;
        int fd = ::open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            *err = win_error_for_path(errno, temp_path_.c_str());
            return 0;
        }
        // Locked, the file must still be ours: a writer cleaning up stale files may have taken it between
        // the open and the lock. Then another name is tried.
        struct stat held, named;
        if (lock_whole(fd, F_WRLCK) && fstat(fd, &held) == 0 && lstat(temp_path_.c_str(), &named) == 0 &&
            same_file(held, named))
            return adopt(fd, file_, err);
        ::close(fd);
    }
    *err = OX_ERROR_FILE_EXISTS;
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
    if (in_place_) {
        committed_ = true;
        if (::close(fd_of(file_.release())) != 0 && errno != EINTR) {
            *err = win_error_from_errno(errno);
            return 0;
        }
        *err = OX_ERROR_SUCCESS;
        return 1;
    }
    int fd = fd_of(file_.get());
    struct stat st;
    const bool have_old = like != OX_INVALID_FILE ? fstat(fd_of(like), &st) == 0
                                                  : replace && stat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    if (have_old) {
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
            *err = win_error_for_path(errno, target_.c_str());
            return 0;
        }
    } else if (!oxChangeFileName(target_.c_str(), temp_path_.c_str(), err)) {
        return 0;
    }
    committed_ = true;
    // The new file stays locked until here, so that no other call works on it before this one is done.
    file_.close();
    flush_folder(folder_of(target_));
    *err = OX_ERROR_SUCCESS;
    return 1;
}

int32_t replace_file(const char *path, const void *data, uint32_t size, uint32_t *err) {
    // A missing target is created by a rename that refuses to replace one that turned up meanwhile, after
    // which the round is repeated against that file.
    for (int round = 0; round < 8; ++round) {
        std::string target;
        bool in_place = false;
        if (!path) {
            *err = OX_ERROR_INVALID_PARAMETER;
            return 0;
        }
        // Checked before the open, which would wait on nothing but could fail on a FIFO for its own reason.
        if (!follow_links(path, target, err) || !check_kind(target, Special::refuse, in_place, err)) return 0;
        FileGuard old;
        bool exists = open_exclusive(path, old, OX_GENERIC_WRITE, OX_OPEN_EXISTING, err);
        if (!exists && *err != OX_ERROR_FILE_NOT_FOUND) return 0;
        Replacement replacement;
        if (!replacement.begin(path, Special::refuse, err) || !replacement.write(data, size, err)) return 0;
        if (replacement.commit(old.get(), exists, err)) return 1;
        if (exists || *err != OX_ERROR_ALREADY_EXISTS) return 0;
    }
    return 0;
}

}  // namespace ox::core
