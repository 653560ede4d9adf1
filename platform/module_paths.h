// Where the loader looks for an optional library: among the objects already in the process (by file
// name), beside the executable, and in the system folder.
#pragma once

#include <string>

namespace ox::platform {

// The system folder unless the host names another: the Linux stand-in for the system's own library folder.
inline constexpr char kDefaultSystemDirectory[] = "/usr/lib/oxwUtl";

// The system folder in use.
std::string system_directory();
// Names the system folder; null or empty goes back to kDefaultSystemDirectory.
void set_system_directory(const char *folder);

// The path by which an object whose file name is `name` was loaded into the process; empty when none is.
std::string loaded_module_path(const std::string &name);

// The full path of the process's executable; empty when it cannot be read.
std::string executable_path();

}  // namespace ox::platform
