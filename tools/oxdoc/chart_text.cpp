#include "chart_text.h"

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "store_cli.h"

namespace oxdoc::chart {
namespace {

constexpr std::size_t kNameMax = 15;

void clear(OxColorChart &chart) {
    std::memset(&chart, 0, sizeof chart);
    chart.header = 100;
    oxColorChartClear(&chart);
}

// Sets one entry after checking every field; `where` names it in messages.
bool set_entry(OxColorChart &chart, std::vector<bool> &seen, long long index, const long long rgb[3],
               const std::string &name, const std::string &where, std::string &error) {
    if (index < 0 || index >= static_cast<long long>(OX_COLOR_CHART_ENTRIES)) {
        error = where + ": index " + std::to_string(index) + " is outside 0..1279";
        return false;
    }
    if (seen[static_cast<std::size_t>(index)]) {
        error = where + ": index " + std::to_string(index) + " is given twice";
        return false;
    }
    for (int c = 0; c < 3; ++c) {
        if (rgb[c] < 0 || rgb[c] > 255) {
            error = where + ": channel value " + std::to_string(rgb[c]) + " is outside 0..255";
            return false;
        }
    }
    if (name.size() > kNameMax || name.find('\0') != std::string::npos) {
        error = where + ": the name \"" + store::escaped(name.data(), name.size()) + "\" " +
                (name.size() > kNameMax ? "is longer than 15 bytes" : "holds a NUL byte, which would end it early");
        return false;
    }
    seen[static_cast<std::size_t>(index)] = true;
    OxColorChartEntry &e = chart.entries[index];
    e.red = static_cast<uint16_t>(rgb[0]);
    e.green = static_cast<uint16_t>(rgb[1]);
    e.blue = static_cast<uint16_t>(rgb[2]);
    std::memset(e.name, 0, sizeof e.name);
    std::memcpy(e.name, name.data(), name.size());
    return true;
}

bool parse_integer(const std::string &text, long long &v) {
    if (text.empty() || text.size() > 12) return false;
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    if (text[0] == '-') v = -v;
    return true;
}

// ---- CSV

// Splits CSV text into records of fields (RFC 4180: quoted fields may hold commas, quotes and line
// breaks). Returns false for a quote left open; `lines` gets each record's first line number.
bool split_csv(const std::string &text, std::vector<std::vector<std::string>> &records, std::vector<int> &lines,
               std::string &error) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false, any = false;
    int line = 1, record_line = 1;
    auto end_record = [&] {
        if (any || !field.empty() || !fields.empty()) {
            fields.push_back(field);
            records.push_back(fields);
            lines.push_back(record_line);
        }
        fields.clear();
        field.clear();
        any = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += text[++i];
            else if (c == '"') quoted = false;
            else {
                if (c == '\n') ++line;
                field += c;
            }
        } else if (c == '"') {
            quoted = any = true;
        } else if (c == ',') {
            fields.push_back(field);
            field.clear();
            any = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            end_record();
            record_line = ++line;
        } else {
            field += c;
            any = true;
        }
    }
    if (quoted) {
        error = "line " + std::to_string(record_line) + ": a quoted field is not closed";
        return false;
    }
    end_record();
    return true;
}

// ---- JSON: just enough of it for charts (objects, arrays, strings, integers, true/false/null).

struct Json {
    enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
    std::string text;  // string value, or the number's digits
    std::vector<std::unique_ptr<Json>> items;
    std::vector<std::pair<std::string, std::unique_ptr<Json>>> members;
};

class JsonParser {
public:
    explicit JsonParser(const std::string &t) : t_(t) {}

    bool parse(Json &out, std::string &error) {
        if (!value(out, 0) || (skip(), pos_ != t_.size())) {
            error = "JSON: " + (error_.empty() ? std::string("unexpected text") : error_) + " at byte " +
                    std::to_string(pos_);
            return false;
        }
        return true;
    }

private:
    void skip() {
        while (pos_ < t_.size() && (t_[pos_] == ' ' || t_[pos_] == '\t' || t_[pos_] == '\n' || t_[pos_] == '\r')) ++pos_;
    }
    bool fail(const char *why) {
        if (error_.empty()) error_ = why;
        return false;
    }
    bool literal(const char *word) {
        std::size_t n = std::strlen(word);
        if (t_.compare(pos_, n, word) != 0) return fail("unknown word");
        pos_ += n;
        return true;
    }
    static void put_utf8(std::string &s, uint32_t cp) {
        if (cp < 0x100) {  // \u0000-\u00FF stand for single bytes
            s += static_cast<char>(cp);
        } else if (cp < 0x800) {
            s += static_cast<char>(0xC0 | cp >> 6);
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            s += static_cast<char>(0xE0 | cp >> 12);
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    bool string(std::string &s) {
        ++pos_;  // the opening quote
        while (pos_ < t_.size() && t_[pos_] != '"') {
            char c = t_[pos_++];
            if (static_cast<unsigned char>(c) < 0x20) return fail("control character in a string");
            if (c != '\\') {
                s += c;
                continue;
            }
            if (pos_ >= t_.size()) break;
            char e = t_[pos_++];
            switch (e) {
            case '"': case '\\': case '/': s += e; break;
            case 'b': s += '\b'; break;
            case 'f': s += '\f'; break;
            case 'n': s += '\n'; break;
            case 'r': s += '\r'; break;
            case 't': s += '\t'; break;
            case 'u': {
                if (pos_ + 4 > t_.size()) return fail("short \\u escape");
                uint32_t cp = 0;
                for (int k = 0; k < 4; ++k) {
                    char h = t_[pos_++];
                    cp <<= 4;
                    if (h >= '0' && h <= '9') cp |= static_cast<uint32_t>(h - '0');
                    else if (h >= 'a' && h <= 'f') cp |= static_cast<uint32_t>(h - 'a' + 10);
                    else if (h >= 'A' && h <= 'F') cp |= static_cast<uint32_t>(h - 'A' + 10);
                    else return fail("bad \\u escape");
                }
                put_utf8(s, cp);
                break;
            }
            default: return fail("bad escape");
            }
        }
        if (pos_ >= t_.size()) return fail("string not closed");
        ++pos_;
        return true;
    }
    bool value(Json &v, int depth) {
        if (depth > 16) return fail("nested too deeply");
        skip();
        if (pos_ >= t_.size()) return fail("unexpected end");
        char c = t_[pos_];
        if (c == '"') {
            v.kind = Json::kString;
            return string(v.text);
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            v.kind = Json::kNumber;
            std::size_t start = pos_;
            while (pos_ < t_.size() && std::strchr("+-0123456789.eE", t_[pos_])) ++pos_;
            v.text = t_.substr(start, pos_ - start);
            return true;
        }
        if (c == 't' || c == 'f') {
            v.kind = Json::kBool;
            return literal(c == 't' ? "true" : "false");
        }
        if (c == 'n') return literal("null");
        if (c == '[' || c == '{') {
            bool object = c == '{';
            v.kind = object ? Json::kObject : Json::kArray;
            ++pos_;
            skip();
            if (pos_ < t_.size() && t_[pos_] == (object ? '}' : ']')) {
                ++pos_;
                return true;
            }
            for (;;) {
                auto item = std::make_unique<Json>();
                std::string key;
                if (object) {
                    skip();
                    if (pos_ >= t_.size() || t_[pos_] != '"' || !string(key)) return fail("expected a key");
                    skip();
                    if (pos_ >= t_.size() || t_[pos_] != ':') return fail("expected ':'");
                    ++pos_;
                }
                if (!value(*item, depth + 1)) return false;
                if (object) v.members.emplace_back(key, std::move(item));
                else v.items.push_back(std::move(item));
                skip();
                if (pos_ < t_.size() && t_[pos_] == ',') {
                    ++pos_;
                    continue;
                }
                if (pos_ < t_.size() && t_[pos_] == (object ? '}' : ']')) {
                    ++pos_;
                    return true;
                }
                return fail(object ? "expected ',' or '}'" : "expected ',' or ']'");
            }
        }
        return fail("unexpected character");
    }

    const std::string &t_;
    std::size_t pos_ = 0;
    std::string error_;
};

void json_string(FILE *out, const std::string &s) {
    std::fputc('"', out);
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') std::fprintf(out, "\\%c", c);
        else if (c >= 0x20 && c < 0x7F) std::fputc(c, out);
        else std::fprintf(out, "\\u%04X", c);
    }
    std::fputc('"', out);
}

}  // namespace

std::string name_of(const OxColorChartEntry &e) { return std::string(e.name, strnlen(e.name, kNameMax)); }

void write_table(FILE *out, const OxColorChart &chart) {
    std::fprintf(out, "header %u\nindex  red green blue  colour   name\n", chart.header);
    for (uint32_t i = 0; i < OX_COLOR_CHART_ENTRIES; ++i) {
        const OxColorChartEntry &e = chart.entries[i];
        std::string name = name_of(e);
        std::fprintf(out, "%5u  %3u %5u %4u  #%02X%02X%02X  \"%s\"\n", i, e.red, e.green, e.blue, e.red & 0xFF,
                     e.green & 0xFF, e.blue & 0xFF, store::escaped(name.data(), name.size()).c_str());
    }
}

void write_csv(FILE *out, const OxColorChart &chart) {
    std::fprintf(out, "index,red,green,blue,name\n");
    for (uint32_t i = 0; i < OX_COLOR_CHART_ENTRIES; ++i) {
        const OxColorChartEntry &e = chart.entries[i];
        std::fprintf(out, "%u,%u,%u,%u,\"", i, e.red, e.green, e.blue);
        for (char c : name_of(e)) {
            if (c == '"') std::fputc('"', out);
            std::fputc(c, out);
        }
        std::fprintf(out, "\"\n");
    }
}

void write_json(FILE *out, const OxColorChart &chart) {
    std::fprintf(out, "{\n  \"header\": %u,\n  \"entries\": [\n", chart.header);
    for (uint32_t i = 0; i < OX_COLOR_CHART_ENTRIES; ++i) {
        const OxColorChartEntry &e = chart.entries[i];
        std::fprintf(out, "    {\"index\": %u, \"red\": %u, \"green\": %u, \"blue\": %u, \"name\": ", i, e.red, e.green,
                     e.blue);
        json_string(out, name_of(e));
        std::fprintf(out, "}%s\n", i + 1 < OX_COLOR_CHART_ENTRIES ? "," : "");
    }
    std::fprintf(out, "  ]\n}\n");
}

bool read_csv(const std::string &text, OxColorChart &chart, std::string &error) {
    std::vector<std::vector<std::string>> records;
    std::vector<int> lines;
    if (!split_csv(text, records, lines, error)) return false;
    clear(chart);
    std::vector<bool> seen(OX_COLOR_CHART_ENTRIES);
    for (std::size_t r = 0; r < records.size(); ++r) {
        const auto &f = records[r];
        const std::string where = "line " + std::to_string(lines[r]);
        if (r == 0 && !f.empty() && f[0] == "index") continue;  // the header row
        if (f.size() != 5) {
            error = where + ": " + std::to_string(f.size()) + " fields, expected index,red,green,blue,name";
            return false;
        }
        long long index, rgb[3];
        if (!parse_integer(f[0], index) || !parse_integer(f[1], rgb[0]) || !parse_integer(f[2], rgb[1]) ||
            !parse_integer(f[3], rgb[2])) {
            error = where + ": index and channels must be whole numbers";
            return false;
        }
        if (!set_entry(chart, seen, index, rgb, f[4], where, error)) return false;
    }
    return true;
}

bool read_json(const std::string &text, OxColorChart &chart, std::string &error) {
    Json root;
    if (!JsonParser(text).parse(root, error)) return false;
    if (root.kind != Json::kObject) {
        error = "JSON: the top level must be an object with \"entries\"";
        return false;
    }
    clear(chart);
    const Json *entries = nullptr;
    for (const auto &[key, v] : root.members) {
        long long header;
        if (key == "entries" && v->kind == Json::kArray) {
            entries = v.get();
        } else if (key == "header" && v->kind == Json::kNumber && parse_integer(v->text, header) && header >= 0 &&
                   header <= 0xFFFF) {
            chart.header = static_cast<uint16_t>(header);
        } else {
            error = "JSON: unexpected member \"" + key + "\" (or a value of the wrong kind)";
            return false;
        }
    }
    if (!entries) {
        error = "JSON: no \"entries\" array";
        return false;
    }
    std::vector<bool> seen(OX_COLOR_CHART_ENTRIES);
    for (std::size_t i = 0; i < entries->items.size(); ++i) {
        const Json &item = *entries->items[i];
        const std::string where = "entry " + std::to_string(i);
        if (item.kind != Json::kObject) {
            error = where + ": not an object";
            return false;
        }
        long long index = static_cast<long long>(i), rgb[3] = {-1, -1, -1};
        std::string name;
        for (const auto &[key, v] : item.members) {
            const char *channels[3] = {"red", "green", "blue"};
            long long *slot = key == "index" ? &index : nullptr;
            for (int c = 0; c < 3; ++c)
                if (key == channels[c]) slot = &rgb[c];
            if (slot && v->kind == Json::kNumber && parse_integer(v->text, *slot)) continue;
            if (key == "name" && v->kind == Json::kString) {
                name = v->text;
                continue;
            }
            error = where + ": unexpected member \"" + key + "\" (or a value of the wrong kind)";
            return false;
        }
        if (rgb[0] < 0 || rgb[1] < 0 || rgb[2] < 0) {
            error = where + ": red, green and blue are all needed (0..255)";
            return false;
        }
        if (!set_entry(chart, seen, index, rgb, name, where, error)) return false;
    }
    return true;
}

}  // namespace oxdoc::chart
