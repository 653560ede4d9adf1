// The settings store that stands in for the per-user registry: keys are folders under a root folder, and
// each key keeps its values in a text file of its own (settings_text.h) named ".values".
//
//   root   $XDG_CONFIG_HOME/oxwUtl/settings when that variable holds an absolute path, otherwise
//          $HOME/.config/oxwUtl/settings (the home folder from the password database when HOME is not
//          set), or whatever folder the host set.
//   keys   a path such as "Software/Studio/Paint/Canvas" ('/' or '\' between components) names the
//          folder root/software/studio/paint/canvas: components are folded to lower case on disk, so paths
//          compare without regard to ASCII case. A component is a valid value name (settings_text.h) that
//          contains no separator and does not start with '.', which keeps ".", "..", the store's own files
//          and every absolute path out. Components are opened without following symbolic links.
//
// Reads take no lock: a values file is only ever replaced whole (written to ".values.new", flushed, renamed
// over ".values", the folder flushed), so a reader sees the old or the new file. A write locks the key's
// folder (flock) for its read-modify-write, so writers in any process or thread lose no update.
//
// Failures report Win32-style codes: 87 a bad path or name, 6 a refused key handle, 2 a missing key or
// value, 1018 a key deleted while open, 13 a values file above 1 MiB (its values read as missing; writes
// are refused so that nothing in it is lost), or the code of the failing file operation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/settings_text.h"

namespace ox::platform {

// An open key; 0 stands for the root when a parent is asked for.
using SettingsKey = uintptr_t;

inline constexpr std::size_t kMaxValuesFile = std::size_t{1} << 20;

// Points the store at `folder` (created on the first write under it); null or "" goes back to the default
// root. Keys open already stay where they are.
void set_settings_root(const char *folder);
// The root folder in force; "" when no default can be found (no absolute XDG_CONFIG_HOME and no home).
std::string settings_root();

// Opens the key at `path` below `parent` (0: the root); "" or null opens `parent` again. With `create` the
// missing folders are made. Close every key returned with close_settings_key.
SettingsKey open_settings_key(SettingsKey parent, const char *path, bool create, uint32_t *err);
bool close_settings_key(SettingsKey key);
// Deletes the key at `path` below `parent` (not "") with its values. A key with subkeys is kept: 5.
bool delete_settings_key(SettingsKey parent, const char *path, uint32_t *err);

// The names of the key's subkeys (as stored: folded), sorted.
bool list_settings_subkeys(SettingsKey key, std::vector<std::string> *names, uint32_t *err);
// The value lines of the key in file order, readable or not, the first line of each name only.
bool list_settings_values(SettingsKey key, std::vector<settings::Line> *values, uint32_t *err);

// One 32-bit value. A line of the name whose number cannot be read is reported missing (2).
bool query_settings_value(SettingsKey key, const char *name, uint32_t *value, uint32_t *err);
bool set_settings_value(SettingsKey key, const char *name, uint32_t value, uint32_t *err);
bool delete_settings_value(SettingsKey key, const char *name, uint32_t *err);

}  // namespace ox::platform
