// Writes the seed corpora of the fuzz targets, made by the library itself and the tests' builders:
//   fuzz_make_seeds DIR   (one folder per target: DIR/fuzz_<target>/...)
// The decoder's seeds are encoded images (a leading byte picks the tag id, as the fuzzer reads it),
// trimmed behind their footer, plus a few hand-made streams that use the other origins and packets that
// run past a row's end. The reader's seeds are documents written by the tag writer in both modes, and
// files without a trailer. The wave opener's seeds are short tones in the kinds libsndfile writes.
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/memory.h"
#include "document/tag_codec.h"
#include "ox.h"
#include "oxw.h"
#include "tests/dib_blocks.h"
#include "tests/file_bytes.h"
#include "tests/version_files.h"

namespace {

using ox::core::OwnedHandle;
using oxtest::Bytes;
namespace fs = std::filesystem;

void write_file(const fs::path &dir, const std::string &name, const Bytes &bytes) {
    fs::create_directories(dir);
    oxtest::write_bytes((dir / name).string(), bytes);
    std::printf("%s: %zu bytes\n", (dir / name).c_str(), bytes.size());
}

// An image whose pixel bytes come from `pattern(x, y, byte)`.
template <class F>
OwnedHandle make_image(int32_t w, int32_t h, int32_t bits, bool gray, F pattern) {
    uint32_t err;
    OwnedHandle img(gray ? oxImageCreateGray(w, h, &err) : oxImageCreate(w, h, bits, &err));
    OxImageLockRec lock;
    oxImageLock(img.get(), &lock);
    const int bpp = bits / 8;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int b = 0; b < bpp; ++b)
                lock.pixels[static_cast<std::size_t>(y) * lock.rowBytes + static_cast<std::size_t>(x) * bpp + b] =
                    pattern(x, y, b);
    oxImageUnlock(&lock);
    return img;
}

// The decoder's input for an image: the byte that picks the tag id (1: the gray image tag), then the encoded
// block up to the end of its footer (the page-rounding zeros dropped).
Bytes decoder_input(OxHandle image, bool gray) {
    uint32_t err;
    const OwnedHandle block(ox::document::encode_tag_image(image, gray ? OX_TAG_GRAY_IMAGE : 0x1234, &err));
    const uint8_t *b = block.bytes();
    std::size_t end = oxGetHandleSize(block.get());
    while (end > 0 && b[end - 1] == 0) --end;
    Bytes out{gray};
    out.insert(out.end(), b, b + end + 1);
    return out;
}

void decoder_seeds(const fs::path &dir) {
    std::mt19937 rng(11);
    const struct {
        const char *name;
        int32_t w, h, bits;
        bool gray;
        int kind;  // 0 flat, 1 runs and lone pixels, 2 noise
    } seeds[] = {{"one_pixel_24", 1, 1, 24, false, 2},       {"flat_thumbnail_24", 64, 48, 24, false, 0},
                 {"run_split_130_24", 130, 2, 24, false, 0}, {"raw_split_129_24", 129, 2, 24, false, 2},
                 {"runs_40x6_24", 40, 6, 24, false, 1},      {"noise_7x5_32", 7, 5, 32, false, 2},
                 {"runs_33x4_32", 33, 4, 32, false, 1},      {"gray_6x4", 6, 4, 32, true, 1}};
    for (const auto &s : seeds) {
        const OwnedHandle img = make_image(s.w, s.h, s.bits, s.gray, [&](int32_t x, int32_t y, int b) {
            if (s.kind == 0) return static_cast<uint8_t>(0x40 + b);
            if (s.kind == 2) return static_cast<uint8_t>(rng());
            return static_cast<uint8_t>(((x / 3 + y) % 4 == 0 ? x : (x / 5) * 17) + b);
        });
        write_file(dir, s.name, decoder_input(img.get(), s.gray));
    }
    // 3x2 at 24 bits: a raw packet two pixels past the first row, a run past the second; then every origin.
    const Bytes packets = {4, 1, 0, 0, 2, 0, 0, 3, 0, 0, 98, 0, 0, 99, 0, 0, 0x85, 7, 0, 0};
    for (uint8_t origin : {0x00, 0x10, 0x20, 0x30}) {
        Bytes b = oxtest::cat({{0}, oxtest::tga_header(3, 2, 24, origin), packets});
        write_file(dir, "overrun_origin_" + std::to_string(origin >> 4), b);
    }
}

// Management files written by the library: a fresh one, one with strings, numbers, an empty and a longest
// value, and copies cut off inside an entry and with a length that runs past the end.
void management_seeds(const fs::path &dir) {
    fs::create_directories(dir);
    uint32_t err;
    const std::string fresh = (dir / "fresh").string(), full = (dir / "entries").string();
    oxCreateManagementFile(fresh.c_str(), 0, &err);
    oxCreateManagementFile(full.c_str(), 0, &err);
    oxManagementFileAddTagString(full.c_str(), 7, "abc", &err);
    oxManagementFileAddTagInt(full.c_str(), 0x10000, -12, &err);
    oxManagementFileAddTagString(full.c_str(), 0xFFFFFFFFu, "", &err);
    oxManagementFileAddTagString(full.c_str(), 3, std::string(255, 'v').c_str(), &err);
    oxManagementFileAddTagString(full.c_str(), 8, " 42 apples", &err);
    oxManagementFileAddTagString(full.c_str(), 7, "a longer value", &err);
    const Bytes b = oxtest::read_bytes(full);
    write_file(dir, "cut_in_value", Bytes(b.begin(), b.end() - 5));
    write_file(dir, "cut_in_head", Bytes(b.begin(), b.begin() + 14));
    Bytes huge = b;
    huge[16] = 0xFF;  // the second entry's length gains a high byte of 0xFF
    write_file(dir, "huge_length", huge);
}

// Colour charts saved by the library (cleared, a palette of random colours and names), and a hand-made
// low-byte file whose channels sit in the second byte.
void chart_seeds(const fs::path &dir) {
    fs::create_directories(dir);
    auto chart = std::make_unique<OxColorChart>();  // zeroed
    chart->header = 100;
    oxColorChartClear(chart.get());
    uint32_t err;
    oxColorChartSave((dir / "cleared").string().c_str(), chart.get(), 0, &err);
    std::mt19937 rng(5);
    for (auto &e : chart->entries) {
        e.red = rng() & 0xFF, e.green = rng() & 0xFF, e.blue = rng() & 0xFF;
        std::snprintf(e.name, sizeof e.name, "c%u", static_cast<unsigned>(rng() % 100000));
    }
    oxColorChartSave((dir / "palette").string().c_str(), chart.get(), 0, &err);
    Bytes low = oxtest::read_bytes((dir / "palette").string());
    for (std::size_t i = 2; i < low.size(); i += 22)
        for (int c = 0; c < 6; c += 2) low[i + c] = 0;
    write_file(dir, "low_byte", low);
}

// Bitmap files around DIB blocks: ones the library made from small images of every depth, one of its own with
// the fixed palette, and ones built byte by byte at depth 4 with a short table, at depth 32 (which only the
// display layer takes), stored top-down and with a header longer than 40 bytes. Header bytes 6-13, which
// the loader skips, carry the fuzzer's drawing rectangle.
void dib_seeds(const fs::path &dir) {
    std::mt19937 rng(1);
    auto noise = [&](std::size_t n) {
        Bytes b(n);
        for (uint8_t &v : b) v = static_cast<uint8_t>(rng());
        return b;
    };
    auto save = [&](const std::string &name, const Bytes &dib) {
        Bytes file = oxtest::bmp_file(dib);
        const Bytes rect = noise(8);
        std::copy(rect.begin(), rect.end(), file.begin() + 6);
        write_file(dir, name + ".bmp", file);
    };
    uint32_t err;
    for (int32_t bits : {1, 8, 24, 32}) {
        const OwnedHandle img = make_image(13, 5, bits, false, [](int32_t x, int32_t y, int b) {
            return static_cast<uint8_t>(x * 37 + y * 101 + b * 59);
        });
        const oxtest::Global dib(oxwImageToDib(img.get(), &err));
        save("image_" + std::to_string(bits), oxtest::block_bytes(dib.get()));
    }
    save("fixed_palette_8", oxtest::block_bytes(oxtest::Global(oxwCreateDIB(6, 3, 8, 0, &err)).get()));
    save("four_bit_short_table", oxtest::dib_bytes(7, 2, 4, {0x102030, 0x405060, 0x708090}, noise(8), 3));
    save("depth_32", oxtest::dib_bytes(4, 2, 32, {}, noise(32)));
    save("top_down", oxtest::dib_bytes(3, -2, 24, {}, noise(24)));
    Bytes longer = oxtest::dib_bytes(3, 3, 24, {}, noise(36 + 4));
    longer[0] = 44;  // the rows start 4 bytes later
    save("header_44", longer);
}

// Starts a document with `own` bytes of application content, in new mode.
void start_document(const fs::path &file, std::size_t own) {
    Bytes content(own);
    for (std::size_t i = 0; i < own; ++i) content[i] = static_cast<uint8_t>(i * 13);
    write_file(file.parent_path(), file.filename().string(), content);
    uint32_t err;
    oxSaveStartKavelFile(file.c_str(), &err);
}

// Sets tag `id` of the open document: with `w` 0, `n` raw bytes; else an image of w x h, gray for the gray
// image tag.
void add_tag(uint16_t id, uint32_t n, int32_t w = 0, int32_t h = 0) {
    uint32_t err;
    const bool gray = id == OX_TAG_GRAY_IMAGE;
    auto pixel = [](int32_t x, int32_t y, int b) { return static_cast<uint8_t>((x / 4) * 40 + y + b); };
    const OwnedHandle tag = w ? make_image(w, h, gray ? 32 : 24, gray, pixel) : OwnedHandle(oxAlloc(n, 0, &err));
    uint8_t *raw = tag.bytes();
    for (uint32_t i = 0; i < n; ++i) raw[i] = static_cast<uint8_t>(i + id);
    oxSetKavelTag(tag.get(), id, &err);
}

void reader_seeds(const fs::path &dir) {
    fs::create_directories(dir);
    uint32_t err;
    start_document(dir / "raw_tag", 40);
    add_tag(OX_TAG_RAW, 100);
    oxCloseKavelTag(1, &err);

    start_document(dir / "small_thumbnail", 16);
    add_tag(OX_TAG_SMALL_THUMBNAIL, 0, 16, 12);
    oxCloseKavelTag(1, &err);

    start_document(dir / "gray_and_vector", 8);
    add_tag(OX_TAG_GRAY_IMAGE, 0, 9, 5);
    add_tag(OX_TAG_VECTOR, 60);
    oxCloseKavelTag(1, &err);

    // A tag replaced in new mode, then one added in append mode over the old trailer.
    start_document(dir / "replaced_and_appended", 4);
    add_tag(OX_TAG_RAW, 10);
    add_tag(OX_TAG_RAW, 20);
    oxCloseKavelTag(1, &err);
    oxAddStartKavelFile((dir / "replaced_and_appended").c_str(), &err);
    add_tag(0x0123, 0, 7, 3);
    oxCloseKavelTag(1, &err);

    // Content without a trailer, just long enough to be read as a document, and a file too short.
    Bytes untagged(2600);
    for (std::size_t i = 0; i < untagged.size(); ++i) untagged[i] = static_cast<uint8_t>(i);
    write_file(dir, "untagged", untagged);
    write_file(dir, "short", Bytes(untagged.begin(), untagged.begin() + 100));
}

}  // namespace

// A 600-sample tone in each wave kind (sample values decide nothing the opener checks).
void wave_seeds(const fs::path &dir) {
    fs::create_directories(dir);
    const struct {
        const char *name;
        int format, channels;
    } kinds[] = {
        {"pcm16_stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2},
        {"pcm8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1},
        {"ima_adpcm.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 1},
        {"ms_adpcm.wav", SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 2},
        {"gsm.wav", SF_FORMAT_WAV | SF_FORMAT_GSM610, 1},
        {"ulaw.wav", SF_FORMAT_WAV | SF_FORMAT_ULAW, 1},
        {"wavex24.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 1},
        {"rifx16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16 | SF_ENDIAN_BIG, 1},
    };
    short tone[600];
    for (int i = 0; i < 600; ++i) tone[i] = static_cast<short>(8000 * std::sin(i * 0.2));
    for (const auto &k : kinds) {
        SF_INFO info{};
        info.samplerate = 8000;
        info.channels = k.channels;
        info.format = k.format;
        const std::string path = (dir / k.name).string();
        SNDFILE *sf = sf_open(path.c_str(), SFM_WRITE, &info);
        if (!sf) continue;
        sf_writef_short(sf, tone, 600 / k.channels);
        sf_close(sf);
        std::printf("%s\n", path.c_str());
    }
}

// Program files with version records, made as the file-version tests make them.
void version_seeds(const fs::path &dir) {
    using oxtest::Note;
    const std::string record = "\\VarFileInfo\\Translation=040904b0 041104b0\n"
                               "\\StringFileInfo\\040904b0\\FileVersion=1.2.3.4\n";
    write_file(dir, "elf64_le", oxtest::elf_file({{"oxwUtl", 1, record}}));
    write_file(dir, "elf32_be_two_notes",
               oxtest::elf_file({{"GNU", 3, "abcdefgh"}, {"oxwUtl", 1, record}}, false, true));
    write_file(dir, "pe32_two_tables",
               oxtest::pe_file(oxtest::version_resource({{"040904b0", "1.0"}, {"041104b0", "2.5.0.7"}},
                                                        {0x04B00411, 0x04B00409})));
    write_file(dir, "pe32_no_translation", oxtest::pe_file(oxtest::version_resource({{"040904b0", "1.0"}}, {})));
}

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    decoder_seeds(root / "fuzz_tag_decoder");
    management_seeds(root / "fuzz_management");
    chart_seeds(root / "fuzz_chart");
    reader_seeds(root / "fuzz_tag_reader");
    dib_seeds(root / "fuzz_dib");
    wave_seeds(root / "fuzz_wave_file");
    version_seeds(root / "fuzz_version");
    return 0;
}
