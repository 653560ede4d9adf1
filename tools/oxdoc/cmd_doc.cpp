// Document commands: ls, get, thumbs, vector, check.
#include <cstdio>
#include <string>

#include "cli.h"
#include "command_line.h"
#include "commands.h"
#include "doc_file.h"
#include "file_io.h"
#include "ox.h"
#include "outline_svg.h"
#include "png_io.h"
#include "store_cli.h"

namespace oxdoc {
namespace {

// Why the library refused a tag whose record is in place: an image too large for --max-pixels, memory, or
// a body that does not decode.
std::string refusal(std::FILE *f, const TagEntry &t, uint32_t err) {
    uint32_t w = 0, h = 0;
    if (!is_raw_tag(t.id) && image_tag_size(f, t, w, h)) {
        const uint64_t pixels = uint64_t{w} * h;
        const std::string size =
            std::to_string(w) + "x" + std::to_string(h) + " image (" + std::to_string(pixels) + " pixels)";
        if (max_pixels() != 0 && pixels > max_pixels())
            return "a " + size + ", more than --max-pixels " + std::to_string(max_pixels());
        if (err == OX_ERROR_NOT_ENOUGH_MEMORY) return "not enough memory to decode a " + size;
    }
    if (err == OX_ERR_NOT_TAGGED_DOCUMENT)
        return "the image does not decode (damaged, or not this run-length encoding)";
    return "cannot be read: " + store::error_text(err);
}

// The library answers most refusals with one code ("not a tagged document, or the tag is not in it"); the
// document itself says which it is.
std::string explain(const std::string &doc_path, uint16_t id, uint32_t err) {
    std::string error;
    InputFile f = open_input(doc_path, error);
    if (!f) return doc_path + ": " + error;
    DocFile doc;
    if (!read_doc(f.get(), doc_path, doc, error)) return error;
    for (const TagEntry &t : doc.tags) {
        if (t.id != id) continue;
        std::string why = record_problem(f.get(), doc, t);
        return doc_path + ": tag " + hex_id(id) + ": " + (why.empty() ? refusal(f.get(), t, err) : why);
    }
    return doc_path + ": no tag " + hex_id(id) + " in it";
}

// Writes an image tag as PNG or a raw tag's bytes, whichever the id calls for.
bool export_tag(const std::string &doc, uint16_t id, const std::string &out, std::string &error) {
    uint32_t err = 0;
    OwnedHandle tag(oxGetKavelTag(doc.c_str(), id, &err));
    if (!tag) {
        error = explain(doc, id, err);
        return false;
    }
    if (is_raw_tag(id)) {
        const void *bytes = oxLock(tag.get());
        const bool ok = write_output(out, bytes, oxGetHandleSize(tag.get()), error);
        oxUnlock(tag.get());
        return ok;
    }
    return write_png(out, tag.get(), error);
}

bool read_outline(const std::string &doc, Outline &outline, std::string &error) {
    uint32_t err = 0;
    OwnedHandle block(oxGetKavelTag(doc.c_str(), 0xFF05, &err));
    if (!block) {
        error = explain(doc, 0xFF05, err);
        return false;
    }
    const auto *bytes = static_cast<const uint8_t *>(oxLock(block.get()));
    const bool ok = parse_outline(bytes, oxGetHandleSize(block.get()), outline, error);
    oxUnlock(block.get());
    if (!ok) error = doc + ": vector tag: " + error;
    return ok;
}

}  // namespace

int cmd_ls(const Invocation &a) {
    std::string error;
    DocFile doc;
    if (!read_doc(a.positional[0], doc, error)) return fail("ls", error);
    if (a.has("--json")) {
        std::printf("{\"file_size\": %llu, \"version\": %u, \"tags\": [", static_cast<unsigned long long>(doc.file_size),
                    doc.version);
        for (size_t i = 0; i < doc.tags.size(); ++i) {
            const TagEntry &t = doc.tags[i];
            const char *name = tag_name(t.id);
            std::printf("%s\n  {\"slot\": %d, \"id\": %u, \"id_hex\": \"%s\", \"name\": %s%s%s, \"size\": %u, "
                        "\"offset\": %u}",
                        i ? "," : "", t.slot, t.id, hex_id(t.id).c_str(), name ? "\"" : "", name ? name : "null",
                        name ? "\"" : "", t.size, t.offset);
        }
        std::printf("%s]}\n", doc.tags.empty() ? "" : "\n");
        return kOk;
    }
    std::printf("%s: %llu bytes, trailer version %u, %zu tag%s\n", a.positional[0].c_str(),
                static_cast<unsigned long long>(doc.file_size), doc.version, doc.tags.size(),
                doc.tags.size() == 1 ? "" : "s");
    std::printf("  %-6s  %-16s  %10s  %10s\n", "id", "name", "size", "offset");
    for (const TagEntry &t : doc.tags) {
        const char *name = tag_name(t.id);
        std::printf("  %-6s  %-16s  %10u  %10u\n", hex_id(t.id).c_str(), name ? name : "image", t.size, t.offset);
    }
    return kOk;
}

int cmd_get(const Invocation &a) {
    std::string error;
    uint16_t id = 0;
    if (!parse_tag_id(a.positional[1], id))
        return a.usage_error("'" + a.positional[1] + "' is not a tag id (1 to 0xFFFF)");
    if (!check_input(a.positional[0], error) || !export_tag(a.positional[0], id, a.value("-o"), error))
        return fail("get", error);
    if (!is_stdout(a.value("-o")))
        std::printf("%s -> %s (%s)\n", hex_id(id).c_str(), a.value("-o").c_str(), is_raw_tag(id) ? "raw bytes" : "PNG");
    return kOk;
}

int cmd_thumbs(const Invocation &a) {
    std::string error;
    const std::string dir = a.value("-o");
    if (dir == "-") return a.usage_error("-o names a folder for two files; standard output cannot hold them");
    if (!check_input(a.positional[0], error) || !ensure_dir(dir, error)) return fail("thumbs", error);
    const struct {
        uint16_t id;
        const char *file;
    } thumbs[] = {{0xFF00, "thumb-small.png"}, {0xFF02, "thumb-large.png"}};
    for (const auto &t : thumbs) {
        const std::string out = dir + "/" + t.file;
        if (!export_tag(a.positional[0], t.id, out, error)) return fail("thumbs", error);
        std::printf("%s -> %s\n", hex_id(t.id).c_str(), out.c_str());
    }
    return kOk;
}

int cmd_vector(const Invocation &a) {
    std::string error;
    const std::string &doc = a.positional[0];
    Outline outline;
    if (!check_input(doc, error) || !read_outline(doc, outline, error)) return fail("vector", error);
    // The canvas is the picture's size when the document's content is a PNG picture that the vectors fit
    // (the picture they were traced from, as oxdoc save stores it); else the extent of the vectors.
    uint32_t extent_w, extent_h, width = 0, height = 0;
    outline_extent(outline, extent_w, extent_h);
    const bool sized = content_png_size(doc, width, height) && extent_w <= width && extent_h <= height;
    if (!sized) width = extent_w, height = extent_h;
    const std::string svg = outline_to_svg(outline, width, height);
    if (!write_output(a.value("-o"), svg.data(), svg.size(), error)) return fail("vector", error);
    const std::size_t n = outline.contours.size();
    if (!is_stdout(a.value("-o")))
        std::printf("%zu contour%s on %ux%u (%s) -> %s\n", n, n == 1 ? "" : "s", width, height,
                    sized ? "the picture's size" : "the extent of the vectors", a.value("-o").c_str());
    return kOk;
}

int cmd_check(const Invocation &a) {
    std::string error;
    const std::string &path = a.positional[0];
    InputFile f = open_input(path, error);
    if (!f) return fail("check", error);
    DocFile doc;
    if (!read_doc(f.get(), path, doc, error)) return fail("check", error);
    int problems = 0;
    auto problem = [&](const TagEntry &t, const std::string &what) {
        std::printf("  %s (slot %d): %s\n", hex_id(t.id).c_str(), t.slot, what.c_str());
        ++problems;
    };
    for (const TagEntry &t : doc.tags) {
        for (const TagEntry &u : doc.tags)
            if (u.slot < t.slot && u.id == t.id) problem(t, "duplicate of slot " + std::to_string(u.slot) + ", never read");
        const std::string why = record_problem(f.get(), doc, t);
        if (!why.empty()) {
            problem(t, why);
            continue;
        }
        uint32_t err = 0;
        OwnedHandle body(oxGetKavelTag(path.c_str(), t.id, &err));
        if (!body) {
            problem(t, refusal(f.get(), t, err));
        } else if (t.id == 0xFF05) {
            Outline outline;
            const auto *bytes = static_cast<const uint8_t *>(oxLock(body.get()));
            if (!parse_outline(bytes, oxGetHandleSize(body.get()), outline, error)) problem(t, error);
            oxUnlock(body.get());
        }
    }
    if (problems) {
        std::printf("%s: %d problem%s\n", path.c_str(), problems, problems == 1 ? "" : "s");
        return kFailed;
    }
    std::printf("%s: trailer and %zu tag%s ok\n", path.c_str(), doc.tags.size(), doc.tags.size() == 1 ? "" : "s");
    return kOk;
}

}  // namespace oxdoc
