#include "png_io.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "cli.h"

namespace oxdoc {
namespace {

struct FileCloser {
    void operator()(FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// libpng reports errors by longjmp; the handler keeps the message for the caller. Our own messages are
// whole sentences; libpng's own are named as what they are.
constexpr const char *kTruncated = "truncated PNG: the file ends before the picture does";
constexpr const char *kReadError = "the file cannot be read";

void on_png_error(png_structp png, png_const_charp msg) {
    auto *error = static_cast<std::string *>(png_get_error_ptr(png));
    const bool ours = std::strcmp(msg, kTruncated) == 0 || std::strcmp(msg, kReadError) == 0;
    if (error) *error = ours ? msg : std::string("damaged PNG: ") + msg;
    png_longjmp(png, 1);
}

// Reads for libpng, telling a file that ends early from one that cannot be read.
void read_exactly(png_structp png, png_bytep out, size_t n) {
    auto *f = static_cast<FILE *>(png_get_io_ptr(png));
    if (std::fread(out, 1, n, f) != n) png_error(png, std::ferror(f) ? kReadError : kTruncated);
}
void on_png_warning(png_structp, png_const_charp) {}

}  // namespace

OxHandle read_png(const std::string &path, std::string &error) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        error = std::string("cannot open: ") + std::strerror(errno);
        return 0;
    }
    png_byte signature[8];
    const size_t got = std::fread(signature, 1, sizeof signature, f.get());
    if (got < sizeof signature || png_sig_cmp(signature, 0, sizeof signature) != 0) {
        error = got == 0 && !std::ferror(f.get()) ? "empty file, not a PNG" : "not a PNG";
        return 0;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, on_png_error, on_png_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        error = "out of memory";
        return 0;
    }
    // Locals changed after setjmp must be volatile or live outside the frame to survive a longjmp.
    volatile OxHandle image = 0;
    auto rows = std::make_unique<std::vector<png_bytep>>();
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        oxFree(image);
        if (error.empty()) error = "not a readable PNG";
        return 0;
    }
    png_set_read_fn(png, f.get(), read_exactly);
    png_set_sig_bytes(png, sizeof signature);
    png_set_user_limits(png, 65535, 65535);
    png_read_info(png, info);
    // Normalise every PNG to 8-bit RGB: expand palettes and low depths, drop 16-bit precision, gray to RGB,
    // and compose any alpha over white as a cel would be seen on paper.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_color_16 white{};
    white.red = white.green = white.blue = white.gray = 255;
    png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    png_read_update_info(png, info);
    const auto width = static_cast<int32_t>(png_get_image_width(png, info));
    const auto height = static_cast<int32_t>(png_get_image_height(png, info));
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 3) png_error(png, "unexpected pixel format");
    uint32_t err = 0;
    image = oxImageCreate(width, height, 24, &err);
    if (!image) png_error(png, "image too large");
    OxImageLockRec lock;
    oxImageLock(image, &lock);
    rows->resize(static_cast<size_t>(height));
    // The image's 24-bit rows hold red, green, blue bytes, as PNG does.
    for (int32_t y = 0; y < height; ++y) (*rows)[y] = lock.pixels + static_cast<size_t>(y) * lock.rowBytes;
    png_read_image(png, rows->data());
    png_read_end(png, nullptr);
    oxImageUnlock(&lock);
    png_destroy_read_struct(&png, &info, nullptr);
    return image;
}

bool write_png(const std::string &path, OxHandle image, std::string &error) {
    OxImageLockRec lock;
    if (!oxImageLock(image, &lock)) {
        error = "no image";
        return false;
    }
    const OxImageHeader hdr = *lock.header;
    const bool rgb = (hdr.bitCount == 24 || hdr.bitCount == 32) && hdr.layer != OX_LAYER_GRAY;
    const int channels = rgb ? 3 : 1;
    std::vector<uint8_t> out(static_cast<size_t>(hdr.width) * channels * hdr.height);
    for (int32_t y = 0; y < hdr.height; ++y) {
        uint8_t *o = out.data() + static_cast<size_t>(y) * hdr.width * channels;
        const uint8_t *row = lock.pixels + static_cast<size_t>(y) * lock.rowBytes;
        for (int32_t x = 0; x < hdr.width; ++x) {
            switch (hdr.bitCount) {
            case 1: *o++ = (row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0; break;
            case 8: *o++ = row[x]; break;
            case 24: std::memcpy(o, row + 3 * x, 3), o += 3; break;
            default:
                if (rgb) {
                    std::memcpy(o, row + 4 * x + 1, 3), o += 3;
                } else {
                    *o++ = row[4 * x];
                }
            }
        }
    }
    oxImageUnlock(&lock);
    return write_pixels_png(path, hdr.width, hdr.height, channels, out.data(), error);
}

bool write_pixels_png(const std::string &path, int32_t width, int32_t height, int channels, const uint8_t *pixels,
                      std::string &error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = channels == 3 ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
    // Encoded in memory first, into room for the largest stream the pixels can give, then written through
    // a temporary file renamed over the target, so that a failure leaves no half-written picture.
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
    std::vector<uint8_t> encoded(size);
    if (!png_image_write_to_memory(&image, encoded.data(), &size, 0, pixels, 0, nullptr)) {
        error = path + ": " + (image.message[0] ? image.message : "the PNG could not be encoded");
        png_image_free(&image);
        return false;
    }
    return write_file_atomic(path, encoded.data(), size, error);
}

}  // namespace oxdoc
