// Document commands: ls, get, thumbs, vector, save, check.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "cli.h"
#include "command_line.h"
#include "commands.h"
#include "doc_file.h"
#include "ox.h"
#include "outline_svg.h"
#include "png_io.h"
#include "progress.h"
#include "store_cli.h"

namespace oxdoc {
namespace {

// Writes an image tag as PNG or a raw tag's bytes, whichever the id calls for.
bool export_tag(const std::string &doc, uint16_t id, const std::string &out, std::string &error) {
    uint32_t err = 0;
    OwnedHandle tag(oxGetKavelTag(doc.c_str(), id, &err));
    if (!tag) {
        error = doc + ": cannot read tag " + hex_id(id) + ": " + store::error_text(err);
        return false;
    }
    if (is_raw_tag(id)) {
        const void *bytes = oxLock(tag.get());
        const bool ok = write_file_atomic(out, bytes, oxGetHandleSize(tag.get()), error);
        oxUnlock(tag.get());
        return ok;
    }
    return write_png(out, tag.get(), error);
}

bool read_outline(const std::string &doc, Outline &outline, std::string &error) {
    uint32_t err = 0;
    OwnedHandle block(oxGetKavelTag(doc.c_str(), 0xFF05, &err));
    if (!block) {
        error = doc + ": cannot read the vector tag: " + store::error_text(err);
        return false;
    }
    const auto *bytes = static_cast<const uint8_t *>(oxLock(block.get()));
    const bool ok = parse_outline(bytes, oxGetHandleSize(block.get()), outline, error);
    oxUnlock(block.get());
    return ok;
}

bool file_exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
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
    std::printf("%s -> %s (%s)\n", hex_id(id).c_str(), a.value("-o").c_str(), is_raw_tag(id) ? "raw bytes" : "PNG");
    return kOk;
}

int cmd_thumbs(const Invocation &a) {
    std::string error;
    const std::string dir = a.value("-o");
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
    if (!write_file_atomic(a.value("-o"), svg.data(), svg.size(), error)) return fail("vector", error);
    const std::size_t n = outline.contours.size();
    std::printf("%zu contour%s on %ux%u (%s) -> %s\n", n, n == 1 ? "" : "s", width, height,
                sized ? "the picture's size" : "the extent of the vectors", a.value("-o").c_str());
    return kOk;
}

bool save_document(const std::string &picture, const std::string &doc_path, std::string &error) {
    OwnedHandle image(read_png(picture, error));
    if (!image) {
        error = picture + ": " + error;
        return false;
    }
    // A new document holds the picture file itself as its content, then the tags.
    if (!file_exists(doc_path)) {
        std::ifstream in(picture, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!write_file_atomic(doc_path, bytes.data(), bytes.size(), error)) return false;
    }
    DocFile existing;
    std::string ignored;
    const bool tagged = read_doc(doc_path, existing, ignored);
    uint32_t err = 0;
    // A tagged document keeps its directory (append mode); any other file gets a new one behind its content.
    const uint32_t started = tagged ? oxAddStartKavelFile(doc_path.c_str(), &err) : oxSaveStartKavelFile(doc_path.c_str(), &err);
    if (!started) {
        error = doc_path + ": cannot start tagging: " + store::error_text(err);
        return false;
    }
    const int32_t w = oxImageGetWidthDirect(image.get()), h = oxImageGetHeightDirect(image.get());
    bool ok = oxSetFileThumbnailTag(image.get(), &err) != 0;
    if (!ok) error = "cannot store the thumbnails: " + store::error_text(err);
    if (ok) {
        Progress progress("vectorizing " + std::to_string(w) + "x" + std::to_string(h));
        ok = oxSetFileVectorTag(image.get(), &err) != 0;
        progress.done();
        if (!ok) error = "cannot store the vector tag (a picture without ink has none): " + store::error_text(err);
    }
    // The trailer is written in every case, so the tags stored so far stay readable.
    if (!oxCloseKavelTag(1, &err)) {
        error = (ok ? "" : error + "; ") + "cannot close the document: " + store::error_text(err);
        return false;
    }
    return ok;
}

int cmd_save(const Invocation &a) {
    std::string error;
    if (!check_input(a.positional[0], error) || !save_document(a.positional[0], a.positional[1], error))
        return fail("save", error);
    std::printf("%s: thumbnails and vector tag stored\n", a.positional[1].c_str());
    return kOk;
}

int cmd_check(const Invocation &a) {
    std::string error;
    const std::string &path = a.positional[0];
    DocFile doc;
    if (!read_doc(path, doc, error)) return fail("check", error);
    const uint64_t body_end = doc.file_size - kTrailerSize;  // tag records lie in front of the trailer
    int problems = 0;
    auto problem = [&](const TagEntry &t, const std::string &what) {
        std::printf("  %s (slot %d): %s\n", hex_id(t.id).c_str(), t.slot, what.c_str());
        ++problems;
    };
    std::FILE *f = std::fopen(path.c_str(), "rb");
    for (const TagEntry &t : doc.tags) {
        for (const TagEntry &u : doc.tags)
            if (u.slot < t.slot && u.id == t.id) problem(t, "duplicate of slot " + std::to_string(u.slot) + ", never read");
        if (uint64_t{t.offset} + 2 + t.size > body_end) {
            problem(t, "record at " + std::to_string(t.offset) + " of " + std::to_string(t.size) +
                           " bytes runs past the tag area (" + std::to_string(body_end) + " bytes)");
            continue;
        }
        uint8_t id_bytes[2] = {0, 0};
        if (!f || std::fseek(f, static_cast<long>(t.offset), SEEK_SET) != 0 || std::fread(id_bytes, 1, 2, f) != 2) {
            problem(t, "cannot read its record");
            continue;
        }
        const unsigned stored = id_bytes[0] << 8 | id_bytes[1];
        if (stored != t.id) {
            problem(t, "record begins with id " + hex_id(stored));
            continue;
        }
        uint32_t err = 0;
        OwnedHandle body(oxGetKavelTag(path.c_str(), t.id, &err));
        if (!body) problem(t, is_raw_tag(t.id) ? "cannot be read: " + store::error_text(err) : "image does not decode: " + store::error_text(err));
        else if (t.id == 0xFF05) {
            Outline outline;
            std::string why;
            const auto *bytes = static_cast<const uint8_t *>(oxLock(body.get()));
            if (!parse_outline(bytes, oxGetHandleSize(body.get()), outline, why)) problem(t, why);
            oxUnlock(body.get());
        }
    }
    if (f) std::fclose(f);
    if (problems) {
        std::printf("%s: %d problem%s\n", path.c_str(), problems, problems == 1 ? "" : "s");
        return kFailed;
    }
    std::printf("%s: trailer and %zu tag%s ok\n", path.c_str(), doc.tags.size(), doc.tags.size() == 1 ? "" : "s");
    return kOk;
}

}  // namespace oxdoc
