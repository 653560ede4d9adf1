// The process-wide code page: set by the host, or taken from the codeset of the current locale each time
// it is asked for (nothing is done at load time, and a later setlocale is followed).
#include "core/codepage.h"

#include <langinfo.h>

#include <atomic>
#include <cstddef>
#include <cstring>

#include "ox.h"

namespace ox::core {
namespace {

constexpr LeadBytes kNoLeadBytes{0, 0, 0, 0};
constexpr LeadBytes kLeadBytes932{0x81, 0x9F, 0xE0, 0xFC};
constexpr LeadBytes kLeadBytesWide{0x81, 0xFE, 0, 0};  // 936, 949, 950

// 0 = follow the locale.
std::atomic<uint32_t> g_code_page{0};

uint32_t locale_code_page() { return code_page_of_codeset(nl_langinfo(CODESET)); }

}  // namespace

const LeadBytes &lead_bytes_of(uint32_t code_page) {
    switch (code_page) {
    case 932: return kLeadBytes932;
    case 936:
    case 949:
    case 950: return kLeadBytesWide;
    default: return kNoLeadBytes;
    }
}

const LeadBytes &active_lead_bytes() { return lead_bytes_of(oxGetCodePage()); }

uint32_t code_page_of_codeset(const char *codeset) {
    if (!codeset) return 1252;
    // Upper case without '-' and '_', so "Shift_JIS", "SHIFT-JIS" and "shiftjis" compare alike.
    char name[32];
    std::size_t n = 0;
    for (const char *c = codeset; *c && n + 1 < sizeof name; ++c) {
        if (*c == '-' || *c == '_') continue;
        name[n++] = (*c >= 'a' && *c <= 'z') ? static_cast<char>(*c - 'a' + 'A') : *c;
    }
    name[n] = '\0';
    static constexpr struct {
        const char *name;
        uint32_t page;
    } kCodesets[] = {
        {"SHIFTJIS", 932}, {"SJIS", 932},  {"CP932", 932},   {"WINDOWS31J", 932}, {"GBK", 936},
        {"GB2312", 936},   {"GB18030", 936}, {"CP936", 936}, {"EUCCN", 936},      {"EUCKR", 949},
        {"CP949", 949},    {"UHC", 949},   {"BIG5", 950},    {"BIG5HKSCS", 950},  {"CP950", 950},
    };
    for (const auto &c : kCodesets)
        if (std::strcmp(name, c.name) == 0) return c.page;
    return 1252;
}

bool is_double_byte_at(const LeadBytes &lead, const char *begin, const char *p) {
    // Offsets rather than pointers: a pointer before `begin` must not even be formed.
    const std::ptrdiff_t pos = p - begin;
    auto lead_at = [&](std::ptrdiff_t back) {
        return pos >= back && lead.is_lead_byte(static_cast<uint8_t>(p[-back]));
    };
    if (lead_at(0)) return true;
    if (!lead_at(1)) return false;
    return !lead_at(2);
}

}  // namespace ox::core

extern "C" {

OX_API uint32_t oxSetCodePage(uint32_t codePage) {
    uint32_t before = ox::core::g_code_page.exchange(codePage);
    return before ? before : ox::core::locale_code_page();
}

OX_API uint32_t oxGetCodePage(void) {
    uint32_t page = ox::core::g_code_page.load();
    return page ? page : ox::core::locale_code_page();
}

}  // extern "C"
