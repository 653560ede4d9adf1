// The code page whose lead bytes the double-byte aware string functions use, and its lead-byte test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ox::core {

// Lead bytes of one code page as a 256-entry table. Look the table up once per call (active_lead_bytes)
// and keep it for the whole scan, so one call never mixes two pages.
class LeadBytes {
public:
    constexpr LeadBytes(uint8_t lo1, uint8_t hi1, uint8_t lo2, uint8_t hi2) : lead_{} {
        for (int b = 0; b < 256; ++b)
            lead_[b] = (b >= lo1 && b <= hi1 && lo1 != 0) || (b >= lo2 && b <= hi2 && lo2 != 0);
    }
    constexpr bool is_lead_byte(uint8_t b) const { return lead_[b]; }

private:
    bool lead_[256];
};

// The table of `code_page`: 932, the other double-byte pages (936, 949, 950), or no lead bytes at all.
const LeadBytes &lead_bytes_of(uint32_t code_page);

// The table of the page in force now (oxGetCodePage).
const LeadBytes &active_lead_bytes();

// The page for a locale codeset name as nl_langinfo(CODESET) gives it (case, '-' and '_' ignored):
// the Shift_JIS, GBK/GB2312/GB18030, EUC-KR/UHC and Big5 families give 932, 936, 949 and 950, UTF-8 gives
// 65001; anything else 1252.
uint32_t code_page_of_codeset(const char *codeset);

// True when the byte at `p` is a lead byte or, by a two-byte look-back, the trail byte of a double-byte
// character. Positions before `begin` count as bytes that are not lead bytes, so nothing before the
// start of the string is read.
bool is_double_byte_at(const LeadBytes &lead, const char *begin, const char *p);

// UTF-8: a page without lead bytes, for hosts that pass UTF-8 text.
inline constexpr uint32_t kCodePageUtf8 = 65001;

// Decodes `size` bytes of text in `code_page` (932, 936, 949, 950, 65001; any other page reads as 1252)
// into code points, replacing `out`. A sequence that does not decode becomes one U+FFFD: a lead byte
// with the byte after it, a lone byte, or for UTF-8 a bad byte with the continuation bytes after it.
// False only when the converter cannot be had (`out` then holds the bytes as Latin-1).
bool decode_text(uint32_t code_page, const char *text, std::size_t size, std::u32string &out);
// The length of the longest prefix of `s` (which starts on a character boundary) of at most `room` bytes
// that does not end inside a double-byte character. A lead byte at the very end stands alone.
std::size_t fit_prefix(const LeadBytes &lead, std::string_view s, std::size_t room);

}  // namespace ox::core
