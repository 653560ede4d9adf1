// Parsing and rewriting the values file of a settings key.
#include "platform/settings_text.h"

#include <algorithm>
#include <charconv>

#include "core/codepage.h"

namespace ox::platform::settings {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

// A line as stored (a CR before its LF kept, so that a rewrite gives back the same bytes); the CR is no
// part of its name or number.
Line parse_line(std::string_view stored) {
    Line line;
    line.text = stored;
    std::string_view text = stored;
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) return line;
    const std::string_view name = trim(text.substr(0, eq));
    if (!valid_value_name(name)) return line;
    line.name = name;
    line.readable = parse_number(trim(text.substr(eq + 1)), &line.value);
    return line;
}

std::string value_text(std::string_view name, uint32_t value) {
    return std::string(name) + " = " + std::to_string(static_cast<int32_t>(value));
}

}  // namespace

bool valid_value_name(std::string_view name) {
    if (name.empty() || name.size() > kMaxName || name.front() == '#' || is_blank(name.front()) ||
        is_blank(name.back()))
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7F || c == '=';
    });
}

std::string fold_name(std::string_view name) {
    const core::LeadBytes &lead = core::active_lead_bytes();
    std::string out(name);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto b = static_cast<unsigned char>(out[i]);
        if (lead.is_lead_byte(b))
            ++i;  // its trail byte may look like a letter
        else if (b >= 'A' && b <= 'Z')
            out[i] = static_cast<char>(b - 'A' + 'a');
    }
    return out;
}

bool same_name(std::string_view a, std::string_view b) { return a.size() == b.size() && fold_name(a) == fold_name(b); }

bool parse_number(std::string_view s, uint32_t *value) {
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        uint32_t v = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
        if (s.size() > 8 || ec != std::errc() || end != s.data() + s.size()) return false;
        *value = v;
        return true;
    }
    const bool negative = !s.empty() && s[0] == '-';
    if (negative) s.remove_prefix(1);
    if (s.empty() || s.size() > 10) return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > (negative ? uint64_t{0x80000000} : uint64_t{0xFFFFFFFF})) return false;
    *value = negative ? static_cast<uint32_t>(0 - v) : static_cast<uint32_t>(v);
    return true;
}

std::vector<Line> parse_values(std::string_view file) {
    std::vector<Line> lines;
    while (!file.empty()) {
        const std::size_t eol = file.find('\n');
        std::string_view text = file.substr(0, eol);
        file = eol == std::string_view::npos ? std::string_view() : file.substr(eol + 1);
        lines.push_back(parse_line(text));
    }
    return lines;
}

std::string format_values(const std::vector<Line> &lines) {
    std::string out;
    for (const Line &l : lines) {
        out += l.text;
        out += '\n';
    }
    return out;
}

const Line *find_value(const std::vector<Line> &lines, std::string_view name) {
    auto it = std::find_if(lines.begin(), lines.end(), [&](const Line &l) { return same_name(l.name, name); });
    return it == lines.end() ? nullptr : &*it;
}

void set_value(std::vector<Line> &lines, std::string_view name, uint32_t value) {
    auto first = std::find_if(lines.begin(), lines.end(), [&](const Line &l) { return same_name(l.name, name); });
    if (first == lines.end()) {
        lines.push_back(parse_line(value_text(name, value)));
        return;
    }
    // The stored spelling of the name is kept.
    *first = parse_line(value_text(first->name, value));
    lines.erase(std::remove_if(first + 1, lines.end(), [&](const Line &l) { return same_name(l.name, name); }),
                lines.end());
}

bool delete_value(std::vector<Line> &lines, std::string_view name) {
    const std::size_t before = lines.size();
    lines.erase(std::remove_if(lines.begin(), lines.end(), [&](const Line &l) { return same_name(l.name, name); }),
                lines.end());
    return lines.size() != before;
}

}  // namespace ox::platform::settings
