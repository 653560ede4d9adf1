// Short names of cel layers: "-BG", then "A".."Z", then two letters like spreadsheet columns.
#include <cstring>

#include "ox.h"

extern "C" {

OX_API void oxGetCelLayerName(uint32_t index, char *name) {
    if (index == 0) {
        std::memcpy(name, "-BG", 4);
        return;
    }
    const uint32_t n = index - 1, q = n / 26, r = n % 26;
    const char last = static_cast<char>('A' + r);
    if (q == 0) {
        name[0] = last;
        name[1] = '\0';
        return;
    }
    // Past "ZZ" (index 702) the first character runs on through printable ASCII ('[', '\', ... '~');
    // after "~Z" (index 1638) there is no such character left and the name is "??".
    if ('A' + q - 1 > '~') {
        std::memcpy(name, "??", 3);
        return;
    }
    name[0] = static_cast<char>('A' + q - 1);
    name[1] = last;
    name[2] = '\0';
}

}  // extern "C"
