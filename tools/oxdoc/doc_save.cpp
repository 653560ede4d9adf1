// `oxdoc save PICTURE.png DOC`: the host's save road, worked on a copy. The new document is written whole
// beside the old one (its content, the tags it keeps, then the new thumbnails and vector tag through the
// library's tag writer) and renamed over it, so a crash or a full disk leaves the old document as it was,
// and saving again does not make the document grow.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli.h"
#include "command_line.h"
#include "commands.h"
#include "core/file_replace.h"
#include "doc_file.h"
#include "file_io.h"
#include "ox.h"
#include "png_io.h"
#include "progress.h"
#include "store_cli.h"

namespace oxdoc {
namespace {

// What a save writes anew; every other tag of the document is kept as it is.
bool is_saved_tag(uint16_t id) { return id == 0xFF00 || id == 0xFF02 || id == 0xFF05; }

// A picture has ink when some pixel is not white (the vectorizer's background).
bool has_ink(OxHandle image) {
    OxImageLockRec lock;
    if (!oxImageLock(image, &lock)) return false;
    bool ink = false;
    for (uint32_t i = 0; i < lock.header->imageSize && !ink; ++i) ink = lock.pixels[i] != 0xFF;
    oxImageUnlock(&lock);
    return ink;
}

// What the new document takes over from the old one.
struct Kept {
    uint64_t content = 0;       // the application's own bytes, in front of the earliest record
    std::vector<TagEntry> tags; // records copied as they are
};

// A tagged document keeps its content and every tag a save does not write; any other file is all content.
// A damaged directory is not saved over: its records could not be copied faithfully.
bool find_kept(OxFileHandle old, const std::string &path, Kept &kept, std::string &error) {
    const int fd = dup(ox::core::fd_of(old));
    InputFile f(fd < 0 ? nullptr : fdopen(fd, "rb"));
    if (!f) {
        if (fd >= 0) ::close(fd);
        error = path + ": cannot read it: " + std::strerror(errno);
        return false;
    }
    DocFile doc;
    std::string untagged;
    if (!read_doc(f.get(), path, doc, untagged)) {
        kept.content = oxGetFileSize(old);
        return true;
    }
    kept.content = doc.file_size - kTrailerSize;
    for (const TagEntry &t : doc.tags) {
        const std::string why = record_problem(f.get(), doc, t);
        if (!why.empty()) {
            error = path + ": tag " + hex_id(t.id) + ": " + why +
                    "; a damaged document is not saved over (see oxdoc check)";
            return false;
        }
        kept.content = std::min<uint64_t>(kept.content, t.offset);
        if (!is_saved_tag(t.id)) kept.tags.push_back(t);
    }
    return true;
}

// Writes the content and the kept records into the copy, and a trailer listing them at their new places.
bool copy_kept(ox::core::Replacement &copy, OxFileHandle source, const Kept &kept, uint32_t *err) {
    if (!copy.copy_from(source, 0, kept.content, err)) return false;
    if (kept.tags.empty()) return true;
    std::vector<TagEntry> moved;
    uint64_t at = kept.content;
    for (const TagEntry &t : kept.tags) {
        if (!copy.copy_from(source, t.offset, 2ull + t.size, err)) return false;
        moved.push_back({0, t.id, t.size, static_cast<uint32_t>(at)});
        at += 2ull + t.size;
    }
    const std::vector<uint8_t> trailer = make_trailer(1, moved);
    return copy.write(trailer.data(), kTrailerSize, err) != 0;
}

// Stores the thumbnails and, when the picture has ink, the vector tag into the copy.
bool store_tags(const std::string &copy_path, bool append, OxHandle image, bool ink, std::string &error) {
    uint32_t err = 0;
    if (!(append ? oxAddStartKavelFile(copy_path.c_str(), &err) : oxSaveStartKavelFile(copy_path.c_str(), &err))) {
        error = "cannot start tagging the copy: " + store::error_text(err);
        return false;
    }
    bool ok = oxSetFileThumbnailTag(image, &err) != 0;
    if (!ok) error = "cannot store the thumbnails: " + store::error_text(err);
    if (ok && ink) {
        const int32_t w = oxImageGetWidthDirect(image), h = oxImageGetHeightDirect(image);
        Progress progress("vectorizing " + std::to_string(w) + "x" + std::to_string(h));
        ok = oxSetFileVectorTag(image, &err) != 0;
        progress.done();
        if (!ok)
            error = err == OX_ERROR_INVALID_PARAMETER
                        ? "the outline does not fit a vector tag (more than 65535 contours, or a contour of more "
                          "than 65535 points)"
                        : "cannot store the vector tag: " + store::error_text(err);
    }
    // Closed in every case, so that the tag writer lets go of the copy.
    if (!oxCloseKavelTag(1, &err) && ok) {
        error = "cannot close the copy: " + store::error_text(err);
        ok = false;
    }
    return ok;
}

}  // namespace

bool save_document(const std::string &picture, const std::string &doc_path, bool &vector_stored,
                   std::string &error) {
    OwnedHandle image(read_png(picture, error));
    if (!image) return false;
    vector_stored = has_ink(image.get());
    // The old document stays held exclusively until the copy has replaced it: a second save of it meanwhile
    // fails (in use) instead of losing one of the two. Opened for writing too, so a read-only one is refused.
    ox::core::FileGuard old;
    uint32_t err = 0;
    const bool exists = ox::core::open_exclusive(doc_path.c_str(), old, OX_GENERIC_READ | OX_GENERIC_WRITE,
                                                 OX_OPEN_EXISTING, &err);
    if (!exists && err != OX_ERROR_FILE_NOT_FOUND) {
        error = file_error(doc_path, err);
        return false;
    }
    ox::core::Replacement copy;
    if (!copy.begin(doc_path.c_str(), ox::core::Special::refuse, &err)) {
        error = file_error(doc_path, err);
        return false;
    }
    // A new document holds the picture file itself as its content.
    InputFile source_picture;
    Kept kept;
    if (exists) {
        if (!find_kept(old.get(), doc_path, kept, error)) return false;
    } else {
        source_picture = open_input(picture, error);  // the message names the picture
        if (!source_picture) return false;
        kept.content = oxGetFileSize(fileno(source_picture.get()));
    }
    const OxFileHandle source = exists ? old.get() : static_cast<OxFileHandle>(fileno(source_picture.get()));
    if (!copy_kept(copy, source, kept, &err)) {
        error = file_error(copy.path(), err);
        return false;
    }
    if (!store_tags(copy.path(), !kept.tags.empty(), image.get(), vector_stored, error)) {
        error = doc_path + ": " + error + "; the document is unchanged";
        return false;
    }
    if (!copy.commit(old.get(), exists, &err)) {
        error = file_error(doc_path, err);
        return false;
    }
    return true;
}

int cmd_save(const Invocation &a) {
    std::string error;
    const std::string &doc = a.positional[1];
    if (doc == "-") return a.usage_error("DOC must be a file; a document cannot go to standard output");
    bool vector_stored = false;
    if (!save_document(a.positional[0], doc, vector_stored, error)) return fail("save", error);
    if (vector_stored) std::printf("%s: thumbnails and vector tag stored\n", doc.c_str());
    else std::printf("%s: thumbnails stored; the picture has no ink, so it has no vector tag\n", doc.c_str());
    return kOk;
}

}  // namespace oxdoc
