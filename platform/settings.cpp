// The settings store: key folders, open key handles, and atomic locked rewrites of the values files.
#include "platform/settings.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "core/errors.h"
#include "oxw.h"

namespace ox::platform {
namespace {

using settings::Line;

constexpr const char *kValuesFile = ".values";
constexpr const char *kValuesNew = ".values.new";

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    UniqueFd(UniqueFd &&o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
    UniqueFd &operator=(UniqueFd &&o) noexcept {
        std::swap(fd_, o.fd_);
        return *this;
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes now; false (errno set) when the close reports an error.
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

bool fail(uint32_t *err, uint32_t code) {
    *err = code;
    return false;
}
bool fail_errno(uint32_t *err) { return fail(err, core::win_error_from_errno(errno)); }

// ---- Root and open keys ----------------------------------------------------------------------------------

struct Key {
    UniqueFd dir;
};

struct Store {
    std::mutex mutex;
    std::string root;  // "" = the default
    uint32_t serial = 0;
    std::unordered_map<uintptr_t, std::shared_ptr<Key>> keys;
};
Store &store() {
    static Store *s = new Store;  // never destroyed: keys may be closed during static teardown
    return *s;
}
constexpr uintptr_t kKeyTag = uintptr_t{0x5E7} << 32;

std::string default_root() {
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/oxwUtl/settings";
    std::string home;
    if (const char *h = std::getenv("HOME"); h && h[0] == '/') {
        home = h;
    } else {
        struct passwd pw, *found = nullptr;
        char buf[4096];
        if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_dir[0] == '/')
            home = found->pw_dir;
    }
    return home.empty() ? std::string() : home + "/.config/oxwUtl/settings";
}

std::shared_ptr<Key> find_key(SettingsKey h) {
    Store &s = store();
    std::lock_guard g(s.mutex);
    auto it = s.keys.find(h);
    return it == s.keys.end() ? nullptr : it->second;
}

// A new descriptor of the root folder (made with its parents when `create`), or of an open key.
UniqueFd open_base(SettingsKey parent, bool create, uint32_t *err) {
    if (parent != 0) {
        auto key = find_key(parent);
        if (!key) {
            *err = OX_ERROR_INVALID_HANDLE;
            return UniqueFd();
        }
        UniqueFd fd(openat(key->dir.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!fd) fail_errno(err);
        return fd;
    }
    const std::string root = settings_root();
    if (root.empty()) {
        *err = OX_ERROR_PATH_NOT_FOUND;
        return UniqueFd();
    }
    if (create) {
        // Each missing folder of the root, outermost first.
        for (std::size_t slash = root.find('/', 1);; slash = root.find('/', slash + 1)) {
            const std::string part = root.substr(0, slash);
            if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
                fail_errno(err);
                return UniqueFd();
            }
            if (slash == std::string::npos) break;
        }
    }
    UniqueFd fd(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) *err = errno == ENOENT ? OX_ERROR_FILE_NOT_FOUND : core::win_error_from_errno(errno);  // no key yet
    return fd;
}

// The path's components, folded; false for a path that names no key below its parent.
bool split_key_path(const char *path, std::vector<std::string> *parts) {
    std::string_view rest = path ? path : "";
    if (rest.empty()) return true;
    for (;;) {
        const std::size_t sep = rest.find_first_of("/\\");
        const std::string_view part = rest.substr(0, sep);
        if (!settings::valid_value_name(part) || part.front() == '.') return false;
        parts->push_back(settings::fold_name(part));
        if (sep == std::string_view::npos) return true;
        rest.remove_prefix(sep + 1);
    }
}

// Opens (with `create`, makes) one folder below `dir`, never through a symbolic link.
UniqueFd open_child(int dir, const std::string &name, bool create, uint32_t *err) {
    UniqueFd fd(openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd && errno == ENOENT && create) {
        if (mkdirat(dir, name.c_str(), 0777) != 0 && errno != EEXIST) {
            fail_errno(err);
            return UniqueFd();
        }
        fsync(dir);
        fd = UniqueFd(openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    if (!fd) *err = errno == ENOENT || errno == ENOTDIR ? OX_ERROR_FILE_NOT_FOUND : core::win_error_from_errno(errno);
    return fd;
}

UniqueFd walk(UniqueFd dir, const std::vector<std::string> &parts, std::size_t count, bool create, uint32_t *err) {
    for (std::size_t i = 0; i < count && dir; ++i) dir = open_child(dir.get(), parts[i], create, err);
    return dir;
}

// A removed folder keeps no links; its descriptor still works, so writes must check.
bool is_deleted(int dir) {
    struct stat st;
    return fstat(dir, &st) != 0 || st.st_nlink == 0;
}

// The folders below `dir` that are keys (not links, names as a component may have), sorted.
bool read_subkeys(int dir, std::vector<std::string> *names, uint32_t *err) {
    names->clear();
    const int fd = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *d = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!d) {
        const uint32_t code = core::win_error_from_errno(errno);
        if (fd >= 0) ::close(fd);
        return fail(err, code);
    }
    std::unique_ptr<DIR, int (*)(DIR *)> guard(d, closedir);
    while (const dirent *e = readdir(d)) {
        struct stat st;
        const std::string_view name = e->d_name;
        if (name.front() != '.' && settings::valid_value_name(name) &&
            fstatat(dir, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
            names->emplace_back(name);
    }
    std::sort(names->begin(), names->end());
    return true;
}

// ---- Values files ----------------------------------------------------------------------------------------

// The lines of the key's values file (none when it does not exist). A file above kMaxValuesFile gives
// false with 13.
bool read_values(int dir, std::vector<Line> *lines, uint32_t *err) {
    lines->clear();
    UniqueFd fd(openat(dir, kValuesFile, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) return errno == ENOENT ? true : fail_errno(err);
    struct stat st;
    if (fstat(fd.get(), &st) != 0) return fail_errno(err);
    if (!S_ISREG(st.st_mode) || st.st_size > static_cast<off_t>(kMaxValuesFile))
        return fail(err, OX_ERROR_INVALID_DATA);
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = read(fd.get(), text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail_errno(err);
        if (n == 0) break;  // shrank meanwhile: a file only ever replaced whole does not, but take what is there
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    *lines = settings::parse_values(text);
    return true;
}

bool write_all(int fd, const std::string &text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Replaces the values file: a new file written and flushed, renamed over the old one, the folder flushed.
bool replace_values(int dir, const std::vector<Line> &lines, uint32_t *err) {
    const std::string text = settings::format_values(lines);
    UniqueFd fd(openat(dir, kValuesNew, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd) return fail_errno(err);
    if (!write_all(fd.get(), text) || fsync(fd.get()) != 0) {
        const uint32_t code = core::win_error_from_errno(errno);
        unlinkat(dir, kValuesNew, 0);
        return fail(err, code);
    }
    if (!fd.close()) return fail_errno(err);
    if (renameat(dir, kValuesNew, dir, kValuesFile) != 0) return fail_errno(err);
    if (fsync(dir) != 0) return fail_errno(err);
    return true;
}

// Holds a key folder's lock for a read-modify-write. The lock belongs to a descriptor of its own, so two
// threads of one process exclude each other as two processes do.
class FolderLock {
public:
    FolderLock(int key_dir, uint32_t *err) : fd_(openat(key_dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (!fd_) {
            fail_errno(err);
            return;
        }
        int r;
        while ((r = flock(fd_.get(), LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (r != 0) {
            fail_errno(err);
            fd_ = UniqueFd();
        } else if (is_deleted(fd_.get())) {
            *err = OX_ERROR_KEY_DELETED;
            fd_ = UniqueFd();
        }
    }
    ~FolderLock() {
        if (fd_) flock(fd_.get(), LOCK_UN);
    }
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;
    int get() const { return fd_.get(); }
    explicit operator bool() const { return static_cast<bool>(fd_); }

private:
    UniqueFd fd_;
};

// Locks the key, reads its lines, lets `edit` change them (false: nothing to do, with *err set), and
// writes them back.
template <class Edit>
bool rewrite(SettingsKey key, const char *name, uint32_t *err, Edit edit) {
    if (!name || !settings::valid_value_name(name)) return fail(err, OX_ERROR_INVALID_PARAMETER);
    const auto k = find_key(key);
    if (!k) return fail(err, OX_ERROR_INVALID_HANDLE);
    FolderLock lock(k->dir.get(), err);
    if (!lock) return false;
    std::vector<Line> lines;
    if (!read_values(lock.get(), &lines, err) || !edit(lines)) return false;
    return replace_values(lock.get(), lines, err);
}

template <class F>
bool guarded(uint32_t *err, F f) {
    try {
        return f();
    } catch (const std::bad_alloc &) {
        return fail(err, OX_ERROR_NOT_ENOUGH_MEMORY);
    }
}

}  // namespace

void set_settings_root(const char *folder) {
    Store &s = store();
    std::lock_guard g(s.mutex);
    s.root = folder ? folder : "";
}

std::string settings_root() {
    Store &s = store();
    {
        std::lock_guard g(s.mutex);
        if (!s.root.empty()) return s.root;
    }
    return default_root();
}

SettingsKey open_settings_key(SettingsKey parent, const char *path, bool create, uint32_t *err) {
    SettingsKey h = 0;
    guarded(err, [&] {
        std::vector<std::string> parts;
        if (!split_key_path(path, &parts)) return fail(err, OX_ERROR_INVALID_PARAMETER);
        UniqueFd dir = walk(open_base(parent, create, err), parts, parts.size(), create, err);
        if (!dir) return false;
        auto key = std::make_shared<Key>();
        key->dir = std::move(dir);
        Store &s = store();
        std::lock_guard g(s.mutex);
        h = kKeyTag | ++s.serial;
        s.keys.emplace(h, std::move(key));
        return true;
    });
    return h;
}

bool close_settings_key(SettingsKey key) {
    Store &s = store();
    std::lock_guard g(s.mutex);
    return s.keys.erase(key) != 0;
}

bool delete_settings_key(SettingsKey parent, const char *path, uint32_t *err) {
    return guarded(err, [&] {
        std::vector<std::string> parts;
        if (!split_key_path(path, &parts) || parts.empty()) return fail(err, OX_ERROR_INVALID_PARAMETER);
        UniqueFd above = walk(open_base(parent, false, err), parts, parts.size() - 1, false, err);
        if (!above) return false;
        UniqueFd target = open_child(above.get(), parts.back(), false, err);
        if (!target) return false;
        FolderLock lock(target.get(), err);
        if (!lock) return false;
        std::vector<std::string> subkeys;
        if (!read_subkeys(lock.get(), &subkeys, err)) return false;
        if (!subkeys.empty()) return fail(err, OX_ERROR_ACCESS_DENIED);
        for (const char *f : {kValuesFile, kValuesNew})
            if (unlinkat(lock.get(), f, 0) != 0 && errno != ENOENT) return fail_errno(err);
        if (unlinkat(above.get(), parts.back().c_str(), AT_REMOVEDIR) != 0) return fail_errno(err);
        fsync(above.get());
        return true;
    });
}

bool list_settings_subkeys(SettingsKey key, std::vector<std::string> *names, uint32_t *err) {
    return guarded(err, [&] {
        const auto k = find_key(key);
        if (!k) return fail(err, OX_ERROR_INVALID_HANDLE);
        return read_subkeys(k->dir.get(), names, err);
    });
}

bool list_settings_values(SettingsKey key, std::vector<Line> *values, uint32_t *err) {
    return guarded(err, [&] {
        values->clear();
        const auto k = find_key(key);
        if (!k) return fail(err, OX_ERROR_INVALID_HANDLE);
        std::vector<Line> lines;
        if (!read_values(k->dir.get(), &lines, err)) return false;
        for (Line &l : lines)
            if (!l.name.empty() && settings::find_value(*values, l.name) == nullptr) values->push_back(std::move(l));
        return true;
    });
}

bool query_settings_value(SettingsKey key, const char *name, uint32_t *value, uint32_t *err) {
    return guarded(err, [&] {
        if (!name || !settings::valid_value_name(name)) return fail(err, OX_ERROR_INVALID_PARAMETER);
        const auto k = find_key(key);
        if (!k) return fail(err, OX_ERROR_INVALID_HANDLE);
        std::vector<Line> lines;
        if (!read_values(k->dir.get(), &lines, err)) return false;
        const Line *l = settings::find_value(lines, name);
        if (!l || !l->readable) return fail(err, OX_ERROR_FILE_NOT_FOUND);
        *value = l->value;
        return true;
    });
}

bool set_settings_value(SettingsKey key, const char *name, uint32_t value, uint32_t *err) {
    return guarded(err, [&] {
        return rewrite(key, name, err, [&](std::vector<Line> &lines) {
            settings::set_value(lines, name, value);
            return true;
        });
    });
}

bool delete_settings_value(SettingsKey key, const char *name, uint32_t *err) {
    return guarded(err, [&] {
        return rewrite(key, name, err, [&](std::vector<Line> &lines) {
            return settings::delete_value(lines, name) || fail(err, OX_ERROR_FILE_NOT_FOUND);
        });
    });
}

}  // namespace ox::platform
