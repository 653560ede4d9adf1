// The process-wide code page: set by the host, or taken from the codeset of the current locale each time
// it is asked for (nothing is done at load time, and a later setlocale is followed).
#include "core/codepage.h"

#include <iconv.h>
#include <langinfo.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <mutex>

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
        {"UTF8", kCodePageUtf8},
    };
    for (const auto &c : kCodesets)
        if (std::strcmp(name, c.name) == 0) return c.page;
    return 1252;
}

std::size_t fit_prefix(const LeadBytes &lead, std::string_view s, std::size_t room) {
    std::size_t n = 0;
    while (n < s.size()) {
        const std::size_t step = lead.is_lead_byte(static_cast<uint8_t>(s[n])) && n + 1 < s.size() ? 2 : 1;
        if (n + step > room) break;
        n += step;
    }
    return n;
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

namespace {

// One converter per page, opened on first use and kept: opening one costs far more than a caption.
struct Converter {
    Converter(uint32_t p, const char *n) : page(p), name(n) {}
    uint32_t page;
    const char *name;
    std::once_flag opened;
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    std::mutex mutex;
};

Converter &converter_of(uint32_t code_page) {
    static Converter converters[] = {{932, "CP932"}, {936, "CP936"}, {949, "CP949"},
                                     {950, "CP950"}, {kCodePageUtf8, "UTF-8"}, {1252, "CP1252"}};
    for (Converter &c : converters)
        if (c.page == code_page) return c;
    return converters[5];
}

// Bytes that one undecodable sequence at `p` spans.
std::size_t bad_sequence_length(uint32_t code_page, const unsigned char *p, std::size_t left) {
    if (code_page == kCodePageUtf8) {
        std::size_t n = 1;
        while (n < left && (p[n] & 0xC0) == 0x80) ++n;
        return n;
    }
    return left >= 2 && lead_bytes_of(code_page).is_lead_byte(p[0]) ? 2 : 1;
}

}  // namespace

bool decode_text(uint32_t code_page, const char *text, std::size_t size, std::u32string &out) {
    out.clear();
    Converter &c = converter_of(code_page);
    std::call_once(c.opened, [&] { c.cd = iconv_open("UTF-32LE", c.name); });
    if (c.cd == reinterpret_cast<iconv_t>(-1)) {
        out.assign(reinterpret_cast<const unsigned char *>(text), reinterpret_cast<const unsigned char *>(text) + size);
        return false;
    }
    // Every input byte gives at most one code point, so the output never runs short.
    out.resize(size);
    std::lock_guard g(c.mutex);
    iconv(c.cd, nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(text);
    std::size_t in_left = size;
    char *dst = reinterpret_cast<char *>(out.data());
    std::size_t dst_left = size * sizeof(char32_t);
    while (in_left > 0) {
        if (iconv(c.cd, &in, &in_left, &dst, &dst_left) != static_cast<std::size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) break;
        const std::size_t skip = bad_sequence_length(code_page, reinterpret_cast<unsigned char *>(in), in_left);
        const char32_t replacement = 0xFFFD;
        std::memcpy(dst, &replacement, sizeof replacement);
        dst += sizeof replacement;
        dst_left -= sizeof replacement;
        in += skip;
        in_left -= skip;
        iconv(c.cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(out.size() - dst_left / sizeof(char32_t));
    return true;
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
