// `oxdoc settings [--root DIR] ls [KEY] | get KEY NAME | set KEY NAME VALUE | delete KEY [NAME]`: look at
// and repair what the library keeps in its settings store (window placements and the like).
#include <cinttypes>
#include <cstdio>
#include <string>

#include "command_line.h"
#include "commands.h"
#include "oxw.h"
#include "store_cli.h"

namespace oxdoc {
namespace {

std::string reason(uint32_t err) {
    switch (err) {
    case OX_ERROR_FILE_NOT_FOUND: return "no such key or value";
    case OX_ERROR_INVALID_PARAMETER: return "not a valid key path or value name";
    case OX_ERROR_KEY_DELETED: return "the key was deleted meanwhile";
    case OX_ERROR_INVALID_DATA: return "the key's values file is larger than 1 MiB; edit it by hand";
    case OX_ERROR_ACCESS_DENIED: return "access denied, or the key still has subkeys";
    default: return store::error_text(err);
    }
}

// An open key, closed at the end of scope.
class Key {
public:
    Key(const std::string &path, bool create) : key_(oxwHostOpenSettingsKey(0, path.c_str(), create, &err_)) {}
    ~Key() {
        if (key_) oxwHostCloseSettingsKey(key_);
    }
    Key(const Key &) = delete;
    Key &operator=(const Key &) = delete;
    OxwSettingsKey get() const { return key_; }
    uint32_t err() const { return err_; }

private:
    uint32_t err_ = 0;
    OxwSettingsKey key_;
};

int list(const std::string &path) {
    Key key(path, false);
    if (!key.get()) return store::report("settings", path, reason(key.err()), kFailed);
    char name[256];
    uint32_t err = 0, type, value;
    for (uint32_t i = 0; oxwHostEnumSettingsKey(key.get(), i, name, sizeof name, &err); ++i) std::printf("%s/\n", name);
    if (err != OX_ERROR_NO_MORE_ITEMS) return store::report("settings", path, reason(err), kFailed);
    for (uint32_t i = 0; oxwHostEnumSettingsValue(key.get(), i, name, sizeof name, &type, &value, &err); ++i) {
        if (type == 4) {
            std::printf("%s = %" PRId32 "\n", name, static_cast<int32_t>(value));
        } else {
            std::printf("%s = ?  (the stored number cannot be read: set or delete it)\n", name);
        }
    }
    if (err != OX_ERROR_NO_MORE_ITEMS) return store::report("settings", path, reason(err), kFailed);
    return kOk;
}

}  // namespace

int cmd_settings(const Invocation &inv) {
    const std::vector<std::string> &p = inv.positional;
    const std::string &verb = p[0];
    if (inv.has("--root")) oxwHostSetSettingsRoot(inv.value("--root").c_str());
    if (verb == "ls" && p.size() <= 2) return list(p.size() == 2 ? p[1] : "");
    if (verb == "get" && p.size() == 3) {
        Key key(p[1], false);
        uint32_t value, err = key.err();
        if (!key.get() || !oxwHostGetSettingsValue(key.get(), p[2].c_str(), &value, &err))
            return store::report("settings", p[1] + " " + p[2], reason(err), kFailed);
        std::printf("%" PRId32 "\n", static_cast<int32_t>(value));
        return kOk;
    }
    if (verb == "set" && p.size() == 4) {
        uint32_t value;
        int32_t negative;
        if (!store::parse_u32(p[3], value)) {
            if (!store::parse_i32(p[3], negative)) return inv.usage_error("'" + p[3] + "' is not a 32-bit number");
            value = static_cast<uint32_t>(negative);
        }
        Key key(p[1], true);
        uint32_t err = key.err();
        if (!key.get() || !oxwHostSetSettingsValue(key.get(), p[2].c_str(), value, &err))
            return store::report("settings", p[1] + " " + p[2], reason(err), kFailed);
        return kOk;
    }
    if (verb == "delete" && p.size() == 2) {
        uint32_t err = 0;
        if (!oxwHostDeleteSettingsKey(0, p[1].c_str(), &err))
            return store::report("settings", p[1], reason(err), kFailed);
        return kOk;
    }
    if (verb == "delete" && p.size() == 3) {
        Key key(p[1], false);
        uint32_t err = key.err();
        if (!key.get() || !oxwHostDeleteSettingsValue(key.get(), p[2].c_str(), &err))
            return store::report("settings", p[1] + " " + p[2], reason(err), kFailed);
        return kOk;
    }
    if (verb != "ls" && verb != "get" && verb != "set" && verb != "delete")
        return inv.usage_error("unknown action '" + verb + "'");
    return inv.usage_error("wrong number of arguments for " + verb);
}

}  // namespace oxdoc
