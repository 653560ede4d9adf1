// Device-dependent bitmaps: blank and file-loaded bitmaps with their recorded size, copies in four cases,
// outlined and filled rectangles, masked transfer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/errors.h"
#include "platform/global_memory.h"
#include "win/dib.h"
#include "win/dib_convert.h"
#include "win/ddb.h"

namespace ox::win {
namespace {

using platform::GdiObject;

// The largest piece the file loader reads at once.
constexpr std::size_t kReadPiece = 32768;
constexpr std::size_t kFileHeaderSize = 14;

// A palette selected into the target context for a copy and put back afterwards.
class SelectedPalette {
public:
    SelectedPalette(OxwDC dc, GdiObject palette) : dc_(dc) {
        if (palette) {
            old_ = platform::select_palette(dc, palette, false);
            platform::realize_palette(dc);
        }
    }
    ~SelectedPalette() {
        if (old_) platform::select_palette(dc_, old_, false);
    }
    SelectedPalette(const SelectedPalette &) = delete;
    SelectedPalette &operator=(const SelectedPalette &) = delete;

private:
    OxwDC dc_;
    GdiObject old_ = 0;
};

// The size recorded on a bitmap; 0 x 0 for one without (or a refused handle).
void recorded_size(OxwBitmap bitmap, int32_t *cx, int32_t *cy) {
    *cx = *cy = 0;
    platform::get_bitmap_dimension(bitmap, cx, cy);
}

// The copy of both copy functions: `blit` takes the destination and source contexts. The four cases: to
// the target context from a source bitmap; from the target context into a destination bitmap; bitmap to
// bitmap; within one bitmap. Both bitmaps 0 copy within the target context.
template <class Blit>
void copy_between(OxwWindow window, OxwDC dc, OxwBitmap dst, OxwBitmap src, GdiObject palette, Blit blit) {
    TargetDC target(window, dc);
    SelectedPalette pal(target.get(), palette);
    if (dst == 0 && src == 0) {
        blit(target.get(), target.get());
    } else if (dst == 0) {
        BitmapDC s(target.get(), src);
        if (s.get()) blit(target.get(), s.get());
    } else if (src == 0) {
        BitmapDC d(target.get(), dst);
        if (d.get()) blit(d.get(), target.get());
    } else if (dst == src) {
        BitmapDC m(target.get(), dst);
        if (m.get()) blit(m.get(), m.get());
    } else {
        BitmapDC d(target.get(), dst), s(target.get(), src);
        if (d.get() && s.get()) blit(d.get(), s.get());
    }
}

// Rectangle(left, top, right, bottom) with the given brush and pen on the bitmap or the target context.
void draw_rectangle(OxwDC surface, GdiObject brush, GdiObject pen, int32_t left, int32_t top, int32_t right,
                    int32_t bottom) {
    if (!surface || !brush || !pen) return;
    const GdiObject old_brush = platform::select_object(surface, brush);
    const GdiObject old_pen = platform::select_object(surface, pen);
    platform::rectangle(surface, left, top, right, bottom);
    platform::select_object(surface, old_pen);
    platform::select_object(surface, old_brush);
}

// Reads `size` bytes from offset 14 of the file into the block, in pieces; false when the file ends
// sooner (it may have changed since its size was taken) or a read fails.
bool read_rest(int fd, OxwGlobal block, std::size_t size) {
    platform::GlobalLock mem(block);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, mem.data() + done, std::min(kReadPiece, size - done),
                                  static_cast<off_t>(kFileHeaderSize + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The file's bytes after its 14-byte header, in a global block; 0 with `err` set on failure.
OxwGlobal read_bitmap_file(const char *path, uint32_t *err) {
    if (path == nullptr) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return 0;
    }
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *err = core::win_error_for_path(errno, path);
        return 0;
    }
    struct stat st;
    uint8_t head[kFileHeaderSize];
    OxwGlobal block = 0;
    ssize_t got = 0;
    if (::fstat(fd, &st) != 0) {
        *err = core::win_error_from_errno(errno);
    } else if (!S_ISREG(st.st_mode)) {
        *err = OX_ERROR_ACCESS_DENIED;
    } else if ((got = ::pread(fd, head, kFileHeaderSize, 0)) != static_cast<ssize_t>(kFileHeaderSize) ||
               head[0] != 'B' || head[1] != 'M') {
        *err = got < 0 ? core::win_error_from_errno(errno) : OX_ERROR_INVALID_DATA;
    } else if (static_cast<uint64_t>(st.st_size) - kFileHeaderSize > platform::kGlobalMaxSize ||
               st.st_size == static_cast<off_t>(kFileHeaderSize)) {
        *err = OX_ERROR_INVALID_DATA;
    } else {
        const std::size_t rest = static_cast<std::size_t>(st.st_size) - kFileHeaderSize;
        block = platform::global_alloc(rest, err);
        if (block && !read_rest(fd, block, rest)) {
            *err = OX_ERROR_READ_FAULT;
            platform::global_free(block);
            block = 0;
        }
    }
    ::close(fd);
    return block;
}

}  // namespace
}  // namespace ox::win

using namespace ox::win;
using ox::platform::GdiObject;

extern "C" {

OX_API OxwBitmap oxwCreateDDB(OxwWindow window, OxwDC dc, int32_t width, int32_t height, int32_t depth, uint32_t *err) {
    // The description the bitmap is made from: a 40-byte header and a colour table for the palette depths.
    const uint32_t entries = depth == 1 ? 2 : depth == 4 ? 16 : depth == 8 ? 256 : 0;
    OxHandle header = oxAlloc(kDibHeaderSize + 4 * entries, 0, err);
    if (header == 0) return 0;
    const uint32_t image_size =
        width > 0 && height > 0 && depth > 0
            ? static_cast<uint32_t>(dib_row_bytes(static_cast<uint32_t>(width), static_cast<uint32_t>(depth)) *
                                    static_cast<uint32_t>(height))
            : 0;
    const OxwBitmapInfoHeader h = dib_info_header(width, height, depth, image_size);
    std::memcpy(oxLock(header), &h, sizeof h);
    oxUnlock(header);

    OxwBitmap bitmap = 0;
    {
        TargetDC target(window, dc);
        ox::platform::BitmapSize described;
        // The description gives the size only; the pixels take the display's format.
        if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32) {
            *err = OX_ERROR_INVALID_PARAMETER;
        } else if ((bitmap = ox::platform::create_compatible_bitmap(target.get(), width, height)) == 0) {
            *err = ox::core::last_error();
        } else if (!ox::platform::get_bitmap_size(bitmap, &described)) {
            *err = ox::core::last_error();
            ox::platform::delete_object(bitmap);
            bitmap = 0;
        } else {
            BitmapDC mem(target.get(), bitmap);
            const OxRect all{0, 0, width, height};
            ox::platform::fill_rect(mem.get(), all, ox::platform::get_stock_object(ox::platform::kWhiteBrush));
        }
    }
    oxFree(header);
    if (bitmap) ox::platform::set_bitmap_dimension(bitmap, width, height);
    return bitmap;
}

OX_API OxwBitmap oxwOpenFileDDB(OxwWindow window, OxwDC dc, const char *path, uint32_t *err) {
    ox::platform::GlobalOwner block(read_bitmap_file(path, err));
    if (block.get() == 0) return 0;
    ox::platform::GlobalLock mem(block.get());
    DibLayout d;
    if (!mem) {
        *err = ox::core::last_error();
        return 0;
    }
    if (!read_dib_layout(mem.data(), mem.size(), &d)) {
        *err = OX_ERROR_INVALID_DATA;
        return 0;
    }
    const ox::platform::DibView view = dib_view(d);
    TargetDC target(window, dc);
    const OxwBitmap bitmap = ox::platform::create_bitmap_from_dib(view);
    if (bitmap == 0) {
        *err = ox::core::last_error();
        return 0;
    }
    ox::platform::set_bitmap_dimension(bitmap, d.width, d.height);
    return bitmap;
}

OX_API void oxwCopyDDB(OxwWindow window, OxwDC dc, OxwBitmap dst, int32_t x, int32_t y, int32_t width, int32_t height,
                       OxwBitmap src, int32_t sx, int32_t sy, uintptr_t palette) {
    if (width == 0 && height == 0) recorded_size(src, &width, &height);
    copy_between(window, dc, dst, src, palette, [&](OxwDC to, OxwDC from) {
        ox::platform::bit_blt(to, x, y, width, height, from, sx, sy, ox::platform::kSrcCopy);
    });
}

OX_API void oxwCopyDDBEx(OxwWindow window, OxwDC dc, OxwBitmap dst, int32_t x, int32_t y, int32_t width, int32_t height,
                         OxwBitmap src, int32_t sx, int32_t sy, int32_t sw, int32_t sh, uintptr_t palette) {
    if (sw == 0 && sh == 0) recorded_size(src, &sw, &sh);
    copy_between(window, dc, dst, src, palette, [&](OxwDC to, OxwDC from) {
        ox::platform::stretch_blt(to, x, y, width, height, from, sx, sy, sw, sh, ox::platform::kSrcCopy);
    });
}

OX_API void oxwDrawBoxDDB(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t left, int32_t top, int32_t right,
                          int32_t bottom, int32_t penWidth, OxColorRef color) {
    TargetDC target(window, dc);
    DrawSurface surface(target.get(), bitmap, target.get());
    const GdiObject pen = ox::platform::create_pen(ox::platform::kPenSolid, penWidth, color);
    draw_rectangle(surface.get(), ox::platform::get_stock_object(ox::platform::kNullBrush), pen, left, top, right,
                   bottom);
    if (pen) ox::platform::delete_object(pen);
}

OX_API void oxwDrawFillDDB(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t left, int32_t top, int32_t right,
                           int32_t bottom, OxColorRef color) {
    TargetDC target(window, dc);
    // With both a bitmap and a context given, the memory context is made like the screen's.
    DrawSurface surface(target.get(), bitmap, dc ? 0 : target.get());
    const GdiObject brush = ox::platform::create_solid_brush(color);
    draw_rectangle(surface.get(), brush, ox::platform::get_stock_object(ox::platform::kNullPen), left, top, right,
                   bottom);
    if (brush) ox::platform::delete_object(brush);
}

OX_API int32_t oxwTransparentBlt(OxwDC dst, int32_t x, int32_t y, int32_t width, int32_t height, OxwDC src, int32_t sx,
                                 int32_t sy, OxwBitmap mask) {
    const OxwDC mem = ox::platform::create_compatible_dc(dst);
    if (mem == 0) return 0;
    const GdiObject old = ox::platform::select_object(mem, mask);
    // The mask lies over the source: white where the destination shows through, black under the picture.
    ox::platform::bit_blt(dst, x, y, width, height, mem, sx, sy, ox::platform::kSrcAnd);
    ox::platform::bit_blt(dst, x, y, width, height, src, sx, sy, ox::platform::kSrcPaint);
    if (old) ox::platform::select_object(mem, old);
    return ox::platform::delete_dc(mem) ? 1 : 0;
}

OX_API OxRect *oxGetPictRect(OxwBitmap bitmap, OxRect *rect) {
    int32_t cx, cy;
    recorded_size(bitmap, &cx, &cy);
    *rect = OxRect{0, 0, cx, cy};
    return rect;
}

}  // extern "C"
