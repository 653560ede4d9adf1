#include "png_io.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "cli.h"
#include "file_io.h"

namespace oxdoc {
namespace {

// libpng reports errors by longjmp; the handler keeps the message for the caller. Our own messages are
// whole sentences; libpng's own are named as what they are.
constexpr const char *kTruncated = "truncated PNG: the file ends before the picture does";
constexpr const char *kReadError = "the file cannot be read";

void on_png_error(png_structp png, png_const_charp msg) {
    auto *error = static_cast<std::string *>(png_get_error_ptr(png));
    const bool ours = std::strcmp(msg, kTruncated) == 0 || std::strcmp(msg, kReadError) == 0;
    if (error && error->empty()) *error = ours ? msg : std::string("damaged PNG: ") + msg;
    png_longjmp(png, 1);
}

// Reads for libpng, telling a file that ends early from one that cannot be read.
void read_exactly(png_structp png, png_bytep out, size_t n) {
    auto *f = static_cast<FILE *>(png_get_io_ptr(png));
    if (std::fread(out, 1, n, f) != n) png_error(png, std::ferror(f) ? kReadError : kTruncated);
}
void on_png_warning(png_structp, png_const_charp) {}

// Writing: libpng's own message is kept when no write failed first.
void on_png_write_error(png_structp png, png_const_charp msg) {
    auto *error = static_cast<std::string *>(png_get_error_ptr(png));
    if (error->empty()) *error = msg;
    png_longjmp(png, 1);
}

// Where the encoder's bytes go; a failed write keeps the Output's message and ends the encoding.
struct Sink {
    Output out;
    std::string error;
};
void sink_write(png_structp png, png_bytep data, png_size_t size) {
    auto *sink = static_cast<Sink *>(png_get_io_ptr(png));
    if (!sink->out.write(data, size, sink->error)) png_error(png, "write failed");
}
void sink_flush(png_structp) {}

// The bytes of row y: a row of the source itself, or `scratch` filled with it.
using RowSource = std::function<const uint8_t *(int32_t y, uint8_t *scratch)>;

// Encodes one row at a time, so that no more than a row is held besides the source.
bool write_png_rows(const std::string &path, int32_t width, int32_t height, int channels, const RowSource &row,
                    std::string &error) {
    // Kept outside the frame: what changes between setjmp and longjmp must not live in registers.
    auto sink = std::make_unique<Sink>();
    if (!sink->out.open(path, error)) return false;
    std::vector<uint8_t> scratch(static_cast<std::size_t>(width) * channels);
    error.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, on_png_write_error, on_png_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        error = path + ": out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = sink->error.empty() ? path + ": " + error : sink->error;
        return false;
    }
    png_set_write_fn(png, sink.get(), sink_write, sink_flush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < height; ++y) png_write_row(png, row(y, scratch.data()));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return sink->out.commit(error);
}

}  // namespace

OxHandle read_png(const std::string &path, std::string &error) {
    InputFile f = open_input(path, error);
    if (!f) return 0;
    png_byte signature[8];
    const size_t got = std::fread(signature, 1, sizeof signature, f.get());
    if (got < sizeof signature || png_sig_cmp(signature, 0, sizeof signature) != 0) {
        error = path + (got == 0 && !std::ferror(f.get()) ? ": empty file, not a PNG" : ": not a PNG");
        return 0;
    }
    error.clear();
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
        error = path + ": " + (error.empty() ? "not a readable PNG" : error);
        return 0;
    }
    png_set_read_fn(png, f.get(), read_exactly);
    png_set_sig_bytes(png, sizeof signature);
    png_set_user_limits(png, 65535, 65535);
    png_read_info(png, info);
    const uint64_t pixels = uint64_t{png_get_image_width(png, info)} * png_get_image_height(png, info);
    if (max_pixels() != 0 && pixels > max_pixels()) {
        error = std::to_string(png_get_image_width(png, info)) + "x" + std::to_string(png_get_image_height(png, info)) +
                " pixels (" + std::to_string(pixels) + "), more than --max-pixels " + std::to_string(max_pixels());
        png_error(png, "too large");
    }
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
        error = path + ": no image";
        return false;
    }
    const OxImageHeader hdr = *lock.header;
    const bool rgb = (hdr.bitCount == 24 || hdr.bitCount == 32) && hdr.layer != OX_LAYER_GRAY;
    const RowSource row = [&](int32_t y, uint8_t *o) -> const uint8_t * {
        const uint8_t *src = lock.pixels + static_cast<size_t>(y) * lock.rowBytes;
        if (hdr.bitCount == 24) return src;  // red, green, blue already
        for (int32_t x = 0; x < hdr.width; ++x) {
            switch (hdr.bitCount) {
            case 1: o[x] = (src[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0; break;
            case 8: o[x] = src[x]; break;
            default:
                if (rgb) std::memcpy(o + 3 * x, src + 4 * x + 1, 3);
                else o[x] = src[4 * x];
            }
        }
        return o;
    };
    const bool ok = write_png_rows(path, hdr.width, hdr.height, rgb ? 3 : 1, row, error);
    oxImageUnlock(&lock);
    return ok;
}

bool write_pixels_png(const std::string &path, int32_t width, int32_t height, int channels, const uint8_t *pixels,
                      std::string &error) {
    const std::size_t stride = static_cast<std::size_t>(width) * channels;
    return write_png_rows(path, width, height, channels,
                          [&](int32_t y, uint8_t *) { return pixels + static_cast<std::size_t>(y) * stride; }, error);
}

bool write_colors_png(const std::string &path, int32_t width, int32_t height, const uint32_t *colors,
                      std::string &error) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    for (size_t i = 0; i < rgb.size() / 3; ++i) {  // red in the low byte
        rgb[3 * i] = static_cast<uint8_t>(colors[i]);
        rgb[3 * i + 1] = static_cast<uint8_t>(colors[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(colors[i] >> 16);
    }
    return write_pixels_png(path, width, height, 3, rgb.data(), error);
}

}  // namespace oxdoc
