// A settings key's values file on arbitrary bytes. Beyond not crashing: writing the parsed lines back and
// parsing again gives the same lines; setting a name found in the input makes it read back as the number
// given, replaces that name's lines only, and deleting it leaves no line of it.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_text.h"
#include "fuzz_support.h"

namespace {

using ox::platform::settings::Line;
namespace st = ox::platform::settings;

bool same(const std::vector<Line> &a, const std::vector<Line> &b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Line &x, const Line &y) {
        return x.text == y.text && x.name == y.name && x.readable == y.readable && (!x.readable || x.value == y.value);
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::vector<Line> lines = st::parse_values(text);
    FUZZ_CHECK(same(st::parse_values(st::format_values(lines)), lines));

    std::string name;
    for (const Line &l : lines)
        if (!l.name.empty()) name = l.name;  // the last value name of the input
    if (name.empty()) name = "Fresh";
    const uint32_t value = size >= 4 ? ox::core::load_le32(data) : 7;

    std::vector<Line> edited = lines;
    st::set_value(edited, name, value);
    const std::vector<Line> reread = st::parse_values(st::format_values(edited));
    const Line *found = st::find_value(reread, name);
    FUZZ_CHECK(found && found->readable && found->value == value);
    // Every other line stays, in its order.
    const auto others = [&](std::vector<Line> v) {
        std::erase_if(v, [&](const Line &l) { return st::same_name(l.name, name); });
        return v;
    };
    FUZZ_CHECK(same(others(lines), others(reread)));

    FUZZ_CHECK(st::delete_value(edited, name));
    FUZZ_CHECK(st::find_value(st::parse_values(st::format_values(edited)), name) == nullptr);
    return 0;
}
