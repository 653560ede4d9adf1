// Tagged documents: the module-wide tag writer that appends tag records to a file and closes it with a
// trailer, and the two readers that fetch one tag or test for it.
#include "document/tag_trailer.h"

#include <cstring>

#include "core/byte_order.h"
#include "core/errors.h"
#include "core/file_replace.h"
#include "core/files.h"
#include "core/memory.h"
#include "document/tag_codec.h"

namespace ox::document {
namespace {

using core::read_exact;
using core::write_all;

constexpr char kMagic[5] = {'K', 'A', 'V', 'E', 'L'};
constexpr uint32_t kModeNew = 100;
constexpr uint32_t kModeAppend = 200;
constexpr uint64_t kMaxFileEnd = 0xFFFFFFFEu;  // positions are 32-bit and 0xFFFFFFFF means failure

using core::load_le16;
using core::load_le32;
using core::store_le32;

bool entry_is_empty(const TrailerBytes &trailer, int index) {
    const uint8_t *e = trailer + kTrailerHeaderSize + kEntrySize * index;
    for (uint32_t i = 0; i < kEntrySize; ++i)
        if (e[i]) return false;
    return true;
}

void clear_directory(TrailerBytes &trailer) {
    std::memset(trailer + kTrailerHeaderSize, 0, kTrailerSize - kTrailerHeaderSize);
}

// The tag writer: one per process, driven from one thread, no lock (as the host's save road uses it).
struct TagWriter {
    OxFileHandle file = 0;  // 0 while no file is being tagged
    TrailerBytes trailer{};
    uint32_t mode = 0;
    uint32_t tags_written = 0;
    uint32_t had_trailer = 0;
};
TagWriter g_writer;

// A start call while a file is being tagged closes that file first, without a trailer.
void drop_open_file() {
    if (g_writer.file != 0) oxCloseFile(g_writer.file);
    g_writer.file = 0;
}

// Opens a document for one of the readers (read access, exclusive, existing file only).
bool open_for_reading(const char *path, core::FileGuard &file, uint32_t *err) {
    return oxOpenFile(path, file.out(), OX_GENERIC_READ, OX_FILE_SHARE_EXCLUSIVE, OX_OPEN_EXISTING,
                      OX_FILE_ATTRIBUTE_NORMAL, 0, 0, err) != 0;
}

}  // namespace

TagEntry read_entry(const TrailerBytes &trailer, int index) {
    const uint8_t *e = trailer + kTrailerHeaderSize + kEntrySize * index;
    return {load_le16(e), load_le32(e + 2), load_le32(e + 6)};
}

void write_entry(TrailerBytes &trailer, int index, const TagEntry &entry) {
    uint8_t *e = trailer + kTrailerHeaderSize + kEntrySize * index;
    e[0] = static_cast<uint8_t>(entry.id);
    e[1] = static_cast<uint8_t>(entry.id >> 8);
    store_le32(e + 2, entry.size);
    store_le32(e + 6, entry.offset);
}

bool trailer_is_valid(const TrailerBytes &trailer) { return std::memcmp(trailer, kMagic, sizeof kMagic) == 0; }

int find_entry(const TrailerBytes &trailer, uint16_t id) {
    if (id == 0) return -1;
    for (int i = 0; i < kDirectoryEntries; ++i)
        if (read_entry(trailer, i).id == id) return i;
    return -1;
}

bool read_trailer(OxFileHandle file, TrailerBytes &trailer, uint32_t *err) {
    if (oxGetFileSize(file) <= kTrailerSize) {
        *err = OX_ERR_NOT_TAGGED_DOCUMENT;
        return false;
    }
    if (!oxSeekFile(file, -static_cast<int32_t>(kTrailerSize), 2, err)) return false;
    std::memset(trailer, 0, kTrailerSize);
    uint32_t done = 0;
    return oxReadFile(file, trailer, kTrailerSize, &done, err) != 0;
}

}  // namespace ox::document

using namespace ox::document;

extern "C" {

OX_API uint32_t oxSaveStartKavelFile(const char *path, uint32_t *err) {
    drop_open_file();
    OxFileHandle file = OX_INVALID_FILE;
    if (!oxOpenFile(path, &file, OX_GENERIC_WRITE, OX_FILE_SHARE_EXCLUSIVE, OX_OPEN_EXISTING, OX_FILE_ATTRIBUTE_NORMAL,
                    0, 0, err))
        return 0;
    g_writer.file = file;
    g_writer.mode = kModeNew;
    g_writer.tags_written = 0;
    g_writer.had_trailer = 0;
    clear_directory(g_writer.trailer);
    uint32_t ignored;
    oxSeekFile(file, 0, 2, &ignored);
    return 1;
}

OX_API uint32_t oxAddStartKavelFile(const char *path, uint32_t *err) {
    drop_open_file();
    ox::core::FileGuard file;
    if (!oxOpenFile(path, file.out(), OX_GENERIC_READ | OX_GENERIC_WRITE, OX_FILE_SHARE_EXCLUSIVE, OX_OPEN_EXISTING,
                    OX_FILE_ATTRIBUTE_NORMAL, 0, 0, err))
        return 0;
    TrailerBytes trailer;
    if (!read_trailer(file.get(), trailer, err)) return 0;  // the guard closes the file
    // A file without a valid trailer is untagged content: its tags will follow it.
    g_writer.had_trailer = trailer_is_valid(trailer) ? 1 : 0;
    if (!g_writer.had_trailer) clear_directory(trailer);
    std::memcpy(g_writer.trailer, trailer, kTrailerSize);
    g_writer.mode = kModeAppend;
    g_writer.tags_written = 0;
    g_writer.file = file.release();
    return 1;
}

OX_API int32_t oxSetKavelTag(OxHandle data, uint16_t id, uint32_t *err) {
    const OxFileHandle file = g_writer.file;
    if (file == 0) {
        *err = OX_ERROR_INVALID_HANDLE;
        return 0;
    }
    if (id == 0) {  // id 0 marks empty directory entries and names no tag
        *err = 0;
        return 0;
    }
    if (ox::core::handle_length(data) == 0) {
        *err = OX_ERROR_INVALID_HANDLE;
        return 0;
    }
    // The entry this tag will take: the one that holds the id, else the first empty one. A full
    // directory refuses the tag before anything is written.
    int slot = find_entry(g_writer.trailer, id);
    for (int i = 0; slot < 0 && i < kDirectoryEntries; ++i)
        if (entry_is_empty(g_writer.trailer, i)) slot = i;
    if (slot < 0) {
        *err = OX_ERROR_NO_MORE_ITEMS;
        return 0;
    }

    if (g_writer.mode == kModeAppend) {
        // The first record of a file that had a trailer goes over that trailer; the rest follow the end.
        const bool over_old_trailer = g_writer.had_trailer && g_writer.tags_written == 0;
        if (!oxSeekFile(file, over_old_trailer ? -static_cast<int32_t>(kTrailerSize) : 0, 2, err)) return 0;
    }
    const uint32_t position = oxGetFilePointer(file);
    if (position == 0xFFFFFFFFu) {
        *err = ox::core::last_error();
        return 0;
    }

    const uint8_t id_bytes[2] = {static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id)};
    uint64_t size = 0;
    const bool raw = is_raw_tag(id);
    const uint64_t bound = raw ? 0 : tag_image_bound(data, id);
    if (bound != 0 && position + 2ull + bound + kTrailerSize <= kMaxFileEnd) {
        // An image that fits whatever its encoding's length goes to the file as it is encoded, without a
        // block of its own; the id goes out with the first piece, once the codec has taken the image.
        bool id_written = false;
        size = write_tag_image(
            data, id,
            [&](const uint8_t *bytes, std::size_t count) {
                if (!id_written && !write_all(file, id_bytes, 2, err)) return false;
                id_written = true;
                return write_all(file, bytes, static_cast<uint32_t>(count), err) != 0;
            },
            err);
        if (size == 0) return 0;
    } else {
        // Otherwise the image is encoded before anything is written, so that an image the codec refuses, or
        // one too large for the file's 32-bit positions, leaves the file as it was.
        const ox::core::OwnedHandle encoded(raw ? 0 : encode_tag_image(data, id, err));
        const OxHandle block = raw ? data : encoded.get();
        if (block == 0) return 0;
        size = oxGetHandleSize(block);
        if (position + 2ull + size + kTrailerSize > kMaxFileEnd) {
            *err = OX_ERROR_FILE_TOO_LARGE;
            return 0;
        }
        if (!write_all(file, id_bytes, 2, err)) return 0;
        const void *body = oxLock(block);
        const bool written = write_all(file, body, static_cast<uint32_t>(size), err);
        oxUnlock(block);
        if (!written) return 0;
    }
    // In append mode the file ends behind the newest record, cutting off what is left of an old trailer.
    if (g_writer.mode == kModeAppend && !oxSetEndOfFile(file)) return 0;

    write_entry(g_writer.trailer, slot, {id, static_cast<uint32_t>(size), position});
    ++g_writer.tags_written;
    return 1;
}

OX_API int32_t oxCloseKavelTag(uint8_t version, uint32_t *err) {
    const OxFileHandle file = g_writer.file;
    if (file == 0) {
        *err = OX_ERROR_INVALID_HANDLE;
        return 0;
    }
    uint8_t *header = g_writer.trailer;
    std::memcpy(header, kMagic, sizeof kMagic);
    header[5] = 0;
    header[6] = version;
    header[7] = 0;
    if (!write_all(file, g_writer.trailer, kTrailerSize, err)) return 0;
    if (!oxSetEndOfFile(file)) return 0;
    oxCloseFile(file);
    g_writer.file = 0;
    return 1;
}

OX_API OxHandle oxGetKavelTag(const char *path, uint32_t id, uint32_t *err) {
    const uint16_t wanted = static_cast<uint16_t>(id);
    ox::core::FileGuard file;
    if (!open_for_reading(path, file, err)) return 0;
    TrailerBytes trailer;
    if (!read_trailer(file.get(), trailer, err)) return 0;
    const int index = trailer_is_valid(trailer) ? find_entry(trailer, wanted) : -1;
    if (index < 0) {
        *err = OX_ERR_NOT_TAGGED_DOCUMENT;
        return 0;
    }
    // The record must lie wholly in front of the trailer; its size is what we are about to allocate.
    const TagEntry entry = read_entry(trailer, index);
    const uint64_t records_end = oxGetFileSize(file.get()) - kTrailerSize;
    if (entry.size == 0 || uint64_t{entry.offset} + 2 + entry.size > records_end) {
        *err = OX_ERR_NOT_TAGGED_DOCUMENT;
        return 0;
    }
    if (!oxSeekFile(file.get(), static_cast<int32_t>(entry.offset), 0, err)) return 0;
    uint8_t id_bytes[2];
    if (!read_exact(file.get(), id_bytes, 2, err)) return 0;
    if ((id_bytes[0] << 8 | id_bytes[1]) != wanted) {
        *err = OX_ERR_NOT_TAGGED_DOCUMENT;
        return 0;
    }
    ox::core::OwnedHandle block(oxAlloc(entry.size, 0, err));
    if (!block) return 0;
    const bool read = read_exact(file.get(), block.bytes(), entry.size, err);
    file.close();
    if (!read) return 0;
    if (is_raw_tag(wanted)) return block.release();
    return decode_tag_image(block.bytes(), entry.size, wanted, err);
}

OX_API uint32_t oxCheckKavelTag(const char *path, uint16_t id) {
    uint32_t err = 0;
    ox::core::FileGuard file;
    TrailerBytes trailer;
    if (!open_for_reading(path, file, &err) || !read_trailer(file.get(), trailer, &err)) return 0;
    return trailer_is_valid(trailer) && find_entry(trailer, id) >= 0 ? 1 : 0;
}

}  // extern "C"
