// The host-side calls of oxw.h for the settings store, forwarded to platform/settings.h.
#include <cstring>
#include <string>
#include <vector>

#include "oxw.h"
#include "platform/settings.h"

using namespace ox::platform;

namespace {

int32_t done(bool ok) { return ok ? 1 : 0; }

// Entry `index` of a listing: its name with the terminator into `name`; 259 past the end, 234 when it does
// not fit.
bool name_out(const std::string &s, char *name, uint32_t size, uint32_t *err) {
    if (s.size() >= size || !name) {
        *err = OX_ERROR_MORE_DATA;
        return false;
    }
    std::memcpy(name, s.c_str(), s.size() + 1);
    return true;
}

}  // namespace

extern "C" {

OX_API int32_t oxwHostSetSettingsRoot(const char *folder) {
    set_settings_root(folder);
    return 1;
}

OX_API OxwSettingsKey oxwHostOpenSettingsKey(OxwSettingsKey parent, const char *path, int32_t create, uint32_t *err) {
    return open_settings_key(parent, path, create != 0, err);
}

OX_API int32_t oxwHostCloseSettingsKey(OxwSettingsKey key) { return done(close_settings_key(key)); }

OX_API int32_t oxwHostDeleteSettingsKey(OxwSettingsKey parent, const char *path, uint32_t *err) {
    return done(delete_settings_key(parent, path, err));
}

OX_API int32_t oxwHostEnumSettingsKey(OxwSettingsKey key, uint32_t index, char *name, uint32_t size, uint32_t *err) {
    std::vector<std::string> names;
    if (!list_settings_subkeys(key, &names, err)) return 0;
    if (index >= names.size()) {
        *err = OX_ERROR_NO_MORE_ITEMS;
        return 0;
    }
    return done(name_out(names[index], name, size, err));
}

OX_API int32_t oxwHostEnumSettingsValue(OxwSettingsKey key, uint32_t index, char *name, uint32_t size, uint32_t *type,
                                        uint32_t *value, uint32_t *err) {
    std::vector<settings::Line> values;
    if (!list_settings_values(key, &values, err)) return 0;
    if (index >= values.size()) {
        *err = OX_ERROR_NO_MORE_ITEMS;
        return 0;
    }
    const settings::Line &v = values[index];
    if (!name_out(v.name, name, size, err)) return 0;
    if (type) *type = v.readable ? 4 : 0;
    if (value && v.readable) *value = v.value;
    return 1;
}

OX_API int32_t oxwHostGetSettingsValue(OxwSettingsKey key, const char *name, uint32_t *value, uint32_t *err) {
    uint32_t v = 0;
    if (!query_settings_value(key, name, &v, err)) return 0;
    if (value) *value = v;
    return 1;
}

OX_API int32_t oxwHostSetSettingsValue(OxwSettingsKey key, const char *name, uint32_t value, uint32_t *err) {
    return done(set_settings_value(key, name, value, err));
}

OX_API int32_t oxwHostDeleteSettingsValue(OxwSettingsKey key, const char *name, uint32_t *err) {
    return done(delete_settings_value(key, name, err));
}

}  // extern "C"
