// The loader's three places. The system folder is a setting under a lock, never destroyed, so that a
// framework can still be looked for during exit.
#include "platform/module_paths.h"

#include <link.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

namespace ox::platform {
namespace {

struct SystemDirectory {
    std::mutex mutex;
    std::string folder = kDefaultSystemDirectory;
};

SystemDirectory &system_folder() {
    static SystemDirectory *s = new SystemDirectory;
    return *s;
}

struct ModuleSearch {
    const char *name;
    const char *found;
};

// No allocation here: this runs inside the C library's walk over the loaded objects.
int match_module(struct dl_phdr_info *info, size_t, void *data) {
    auto *search = static_cast<ModuleSearch *>(data);
    const char *path = info->dlpi_name;
    if (!path) return 0;
    const char *slash = std::strrchr(path, '/');
    if (std::strcmp(slash ? slash + 1 : path, search->name) != 0) return 0;
    search->found = path;
    return 1;
}

}  // namespace

std::string system_directory() {
    SystemDirectory &s = system_folder();
    std::lock_guard<std::mutex> g(s.mutex);
    return s.folder;
}

void set_system_directory(const char *folder) {
    std::string chosen = folder && *folder ? folder : kDefaultSystemDirectory;
    SystemDirectory &s = system_folder();
    std::lock_guard<std::mutex> g(s.mutex);
    s.folder.swap(chosen);
}

std::string loaded_module_path(const std::string &name) {
    ModuleSearch search{name.c_str(), nullptr};
    dl_iterate_phdr(match_module, &search);
    return search.found ? search.found : std::string();
}

std::string executable_path() {
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) return {};
    path.resize(static_cast<std::size_t>(n));
    return path;
}

}  // namespace ox::platform
