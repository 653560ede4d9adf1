// Colour charts: the file layout written, both channel variants read back, the size-then-header checks,
// names at their limits, read-only and held files. (That a saved chart loads back unchanged is checked by
// the fuzz target's replay on charts the library saved.) (Saves that fail or are killed half-way are tested for
// every whole-file writer together, in test_oxdoc_file_writes.)
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/files.h"
#include "file_bytes.h"
#include "support.h"

namespace {

using oxtest::Bytes;
using oxtest::folder_names;
using oxtest::read_bytes;
using oxtest::TempDir;
using oxtest::write_bytes;

constexpr uint32_t kGarbage = 0xDEADBEEFu;
constexpr std::size_t kFileSize = 28162;

std::unique_ptr<OxColorChart> new_chart(uint8_t fill) {
    auto chart = std::make_unique<OxColorChart>();
    std::memset(chart.get(), fill, sizeof(OxColorChart));
    return chart;
}

uint32_t save(const std::string &path, const OxColorChart &chart, uint32_t &err) {
    err = kGarbage;
    return oxColorChartSave(path.c_str(), &chart, 0x4F585554, &err);
}

uint32_t load(const std::string &path, OxColorChart &chart, uint32_t &err) {
    err = kGarbage;
    return oxColorChartLoad(path.c_str(), &chart, &err);
}

class ColorChart : public testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("sky.pmcc");
    uint32_t err = 0;
};

// A file of 1280 records built by `record(i, bytes)`.
template <class F>
Bytes chart_file(F record) {
    Bytes b(kFileSize, 0);
    b[1] = 0x64;
    for (uint32_t i = 0; i < OX_COLOR_CHART_ENTRIES; ++i) record(i, &b[2 + 22 * i]);
    return b;
}

TEST_F(ColorChart, ClearAndFileLayout) {
    auto chart = new_chart(0x41);
    chart->header = 100;
    oxColorChartClear(chart.get());
    EXPECT_EQ(chart->header, 100);
    EXPECT_EQ(chart->entries[7].name[1], 0x41);  // only the first name byte is cleared
    for (const auto &e : chart->entries) ASSERT_TRUE(e.red == 255 && e.green == 255 && e.blue == 255 && !e.name[0]);
    auto &sky = chart->entries[3];
    sky.red = 0x12;
    sky.green = 0x34;
    sky.blue = 0x56;
    std::strcpy(sky.name, "Sky");
    chart->entries[4].red = 0x1AB;  // out of range: only the low byte is written
    std::memcpy(chart->entries[5].name, "ABCDEFGHIJKLMNOP", 16);  // no terminator in the field
    ASSERT_EQ(save(path, *chart, err), 1u);
    EXPECT_EQ(err, 0u);
    Bytes b = read_bytes(path);
    ASSERT_EQ(b.size(), kFileSize);
    Bytes head{0x00, 0x64, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0};  // the header, then a cleared record
    head.insert(head.end(), 14, 0x41);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 24), head);
    EXPECT_EQ(Bytes(b.begin() + 2 + 22 * 3, b.begin() + 2 + 22 * 3 + 10),
              (Bytes{0x12, 0x12, 0x34, 0x34, 0x56, 0x56, 3, 'S', 'k', 'y'}));
    EXPECT_EQ(Bytes(b.begin() + 2 + 22 * 4, b.begin() + 2 + 22 * 4 + 2), (Bytes{0xAB, 0xAB}));
    EXPECT_EQ(b[2 + 22 * 5 + 6], 15);
    EXPECT_EQ(Bytes(b.begin() + 2 + 22 * 5 + 7, b.begin() + 2 + 22 * 6),
              Bytes(chart->entries[5].name, chart->entries[5].name + 15));
}

TEST_F(ColorChart, ChannelVariantsAndNameLengths) {
    auto chart = new_chart(0x5A);
    // Low-byte file: every first byte zero, the channel in the second. Name lengths 0..255: above 15 is 15.
    write_bytes(path, chart_file([](uint32_t i, uint8_t *r) {
        r[1] = 0x12, r[3] = 0x34, r[5] = static_cast<uint8_t>(i);
        r[6] = static_cast<uint8_t>(i % 256);
        for (int k = 0; k < 15; ++k) r[7 + k] = static_cast<uint8_t>('a' + k);
    }));
    ASSERT_EQ(load(path, *chart, err), 1u);
    EXPECT_EQ(chart->entries[0].red, 0x12);
    EXPECT_EQ(chart->entries[0].green, 0x34);
    EXPECT_EQ(chart->entries[200].blue, 200);
    for (uint32_t i = 0; i < OX_COLOR_CHART_ENTRIES; ++i) {
        std::size_t n = std::min<uint32_t>(i % 256, 15);
        ASSERT_EQ(std::string(chart->entries[i].name), std::string("abcdefghijklmno", n)) << i;
    }
    // The 16th byte of a name field is left alone unless the name is 15 long.
    EXPECT_EQ(chart->entries[3].name[15], 0x5A);
    EXPECT_EQ(chart->entries[300].name[15], 0);

    // One non-zero first byte anywhere makes a high-byte file: the second bytes are then ignored.
    for (int channel = 0; channel < 3; ++channel) {
        write_bytes(path, chart_file([&](uint32_t i, uint8_t *r) {
            r[1] = r[3] = r[5] = 0x99;
            if (i == 1279) r[2 * channel] = 1;
        }));
        ASSERT_EQ(load(path, *chart, err), 1u);
        const auto &last = chart->entries[1279];
        EXPECT_EQ(last.red + last.green + last.blue, 1) << channel;
        EXPECT_EQ((&last.red)[channel], 1);
        EXPECT_EQ(chart->entries[0].red + chart->entries[0].green + chart->entries[0].blue, 0);
    }
}

TEST_F(ColorChart, SizeIsCheckedBeforeHeader) {
    auto chart = new_chart(0x33);
    auto untouched = new_chart(0x33);
    const Bytes good = chart_file([](uint32_t, uint8_t *) {});
    struct Case {
        const char *what;
        Bytes file;
        uint32_t code;
    };
    Bytes bad_header = good;
    bad_header[1] = 0x65;
    const Case cases[] = {
        {"one byte short", Bytes(good.begin(), good.end() - 1), OX_ERR_CHART_SIZE},
        {"one byte long", [&] { Bytes b = good; b.push_back(0); return b; }(), OX_ERR_CHART_SIZE},
        {"empty", {}, OX_ERR_CHART_SIZE},
        {"bad header, short", Bytes(bad_header.begin(), bad_header.begin() + 100), OX_ERR_CHART_SIZE},
        {"header 00 65", bad_header, OX_ERR_CHART_HEADER},
        {"header 64 00", [&] { Bytes b = good; b[0] = 0x64, b[1] = 0; return b; }(), OX_ERR_CHART_HEADER},
    };
    for (const Case &c : cases) {
        write_bytes(path, c.file);
        EXPECT_EQ(load(path, *chart, err), 0u) << c.what;
        EXPECT_EQ(err, c.code) << c.what;
        EXPECT_EQ(std::memcmp(chart.get(), untouched.get(), sizeof(OxColorChart)), 0) << c.what;
    }
    EXPECT_EQ(load(dir.file("missing.pmcc"), *chart, err), 0u);
    EXPECT_EQ(err, OX_ERROR_FILE_NOT_FOUND);

    // The header value is saved as it is: a zeroed chart saves into a file that loading refuses.
    auto zero = new_chart(0);
    ASSERT_EQ(save(path, *zero, err), 1u);
    EXPECT_EQ(load(path, *chart, err), 0u);
    EXPECT_EQ(err, OX_ERR_CHART_HEADER);
}

TEST_F(ColorChart, ReadOnlyAndHeldFiles) {
    auto a = new_chart(1), b = new_chart(2);
    ASSERT_EQ(save(path, *a, err), 1u);
    const Bytes before = read_bytes(path);

    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(save(path, *b, err), 0u);
    EXPECT_EQ(err, OX_ERROR_ACCESS_DENIED);
    EXPECT_EQ(read_bytes(path), before);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);

    ox::core::FileGuard held;
    ASSERT_EQ(oxOpenFile(path.c_str(), held.out(), OX_GENERIC_READ, 0, OX_OPEN_EXISTING, 0x80, 0, 0, &err), 1);
    EXPECT_EQ(save(path, *b, err), 0u);
    EXPECT_EQ(err, OX_ERROR_SHARING_VIOLATION);
    EXPECT_EQ(load(path, *b, err), 0u);
    EXPECT_EQ(err, OX_ERROR_SHARING_VIOLATION);
    held.close();
    EXPECT_EQ(read_bytes(path), before);
    EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"sky.pmcc"});

    EXPECT_EQ(save(dir.file("no/folder.pmcc"), *b, err), 0u);
    EXPECT_EQ(err, OX_ERROR_PATH_NOT_FOUND);
}

}  // namespace
