// The movie framework's loader and forwarding entries, and the exported calls a host makes to start and
// stop the framework.
#include "win/movie_binding.h"

#include <dlfcn.h>

#include <new>
#include <string>

#include "oxw.h"
#include "platform/module_paths.h"

namespace ox::win::movie {
namespace {

// The framework's entries all take a selector and the forwarded function's own arguments.
using Entry = int32_t (*)(uint32_t selector, ...);

int32_t stand_by(uint32_t, ...) { return OXW_QTML_NOT_BOUND; }

void rebind();

struct Binding {
    int32_t installed = 0;  // what oxwIsInstallQT reports
    void *library = nullptr;
    int32_t count = 0;
    Entry dispatcher = stand_by;
    Entry call_component = stand_by;
    Entry call_component_with_storage = stand_by;
    void (*bind_hook)() = rebind;  // run before each forwarded call while the entries are not bound
};

constinit Binding binding;

// Binds the three entries from the loaded library; false (nothing changed) when one is missing.
bool resolve() {
    void *with_storage = dlsym(binding.library, "_CallComponentFunctionWithStorage");
    void *call = dlsym(binding.library, "_CallComponent");
    void *dispatcher = dlsym(binding.library, "theQuickTimeDispatcher");
    if (!with_storage || !call || !dispatcher) return false;
    binding.call_component_with_storage = reinterpret_cast<Entry>(with_storage);
    binding.call_component = reinterpret_cast<Entry>(call);
    binding.dispatcher = reinterpret_cast<Entry>(dispatcher);
    return true;
}

void rebind() {
    if (binding.library && resolve()) binding.bind_hook = nullptr;
}

// Back to the stand-by state: entries at the stand-by routine, the hook set, the library unloaded.
void unbind() {
    binding.dispatcher = binding.call_component = binding.call_component_with_storage = stand_by;
    binding.bind_hook = rebind;
    if (binding.library) dlclose(binding.library);
    binding.library = nullptr;
}

template <class... Args>
int32_t forward(uint32_t selector, Args... args) {
    if (binding.bind_hook) binding.bind_hook();
    return binding.dispatcher(selector, args...);
}

void *open_library(const std::string &path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

// The first of: the library already in the process (loaded again, which only adds a reference), the one
// beside the executable, the one in the system folder.
void *load_library() {
    try {
        const std::string name = kLibraryName;
        if (const std::string loaded = platform::loaded_module_path(name); !loaded.empty()) {
            if (void *library = open_library(loaded)) return library;
        }
        std::string beside = platform::executable_path();
        if (const auto cut = beside.find_last_of("\\/"); cut != std::string::npos) {
            beside.replace(cut + 1, std::string::npos, name);
            if (void *library = open_library(beside)) return library;
        }
        return open_library(platform::system_directory() + "/" + name);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

}  // namespace

int16_t initialize(int32_t flags) {
    if (binding.count > 0) {
        ++binding.count;
        return 0;
    }
    int16_t result = OXW_QTML_LIBRARY_NOT_FOUND;
    binding.library = load_library();
    if (binding.library) {
        result = OXW_QTML_ENTRY_MISSING;
        if (resolve()) {
            binding.bind_hook = nullptr;
            result = static_cast<int16_t>(forward(kSelectorInitialize, flags));
            if (result == 0) {
                ++binding.count;
                return 0;
            }
        }
    }
    unbind();
    return result;
}

void terminate() {
    if (binding.count <= 0) {
        binding.count = 0;
        return;
    }
    if (--binding.count > 0) return;
    forward(kSelectorTerminate);
    unbind();
}

int16_t enter_movies() { return static_cast<int16_t>(forward(kSelectorEnterMovies)); }

void exit_movies() { forward(kSelectorExitMovies); }

int16_t version_query(uint32_t code, int32_t *answer) {
    return static_cast<int16_t>(forward(kSelectorVersionQuery, code, answer));
}

int32_t initialization_count() { return binding.count; }

}  // namespace ox::win::movie

using ox::win::movie::binding;

extern "C" {

OX_API int16_t oxwInitializeQTML(void) {
    const int16_t result = ox::win::movie::initialize(0);
    // Any other failure still counts as installed: the version check of oxwEnterMovies settles it.
    binding.installed = result != OXW_QTML_LIBRARY_NOT_FOUND;
    return result;
}

OX_API void oxwEnterMovies(void) {
    ox::win::movie::enter_movies();  // its result tells nothing the version query does not
    int32_t version = 0;
    const int16_t failed = ox::win::movie::version_query(ox::win::movie::kVersionCode, &version);
    if (failed != 0 || (static_cast<uint32_t>(version) >> 16) < 0x0300) {
        oxwExitMovies();
        oxwTerminateQTML();
        binding.installed = 0;
    }
}

OX_API void oxwExitMovies(void) {
    if (binding.installed) ox::win::movie::exit_movies();
}

OX_API void oxwTerminateQTML(void) {
    if (binding.installed) ox::win::movie::terminate();
}

OX_API int32_t oxwIsInstallQT(void) { return binding.installed; }

}  // extern "C"
