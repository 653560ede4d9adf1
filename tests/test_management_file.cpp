// The management file: entry layout, first-occurrence search, in-place and whole rewrites against a model of
// the entries, the "%d" reading, limits, damaged files, failures half-way and concurrent writers. (Writers
// killed half-way are tested for every whole-file writer together, in test_oxdoc_file_writes.)
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/files.h"
#include "document/management_file.h"
#include "file_bytes.h"
#include "support.h"

namespace {

using oxtest::TempDir;
using oxtest::Bytes;
using oxtest::folder_names;
using oxtest::read_bytes;
using oxtest::write_bytes;
using Entries = std::vector<std::pair<uint32_t, std::string>>;

constexpr uint32_t kGarbage = 0xDEADBEEFu;

Bytes serialize(const Entries &entries) {
    Bytes b;
    for (const auto &[tag, value] : entries) {
        for (uint32_t v : {tag, static_cast<uint32_t>(value.size())})
            for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
        b.insert(b.end(), value.begin(), value.end());
    }
    return b;
}

uint32_t add(const std::string &path, uint32_t tag, const std::string &value, uint32_t &err) {
    err = kGarbage;
    return oxManagementFileAddTagString(path.c_str(), tag, value.c_str(), &err);
}

std::string get(const std::string &path, uint32_t tag, uint32_t &err) {
    char buf[256];
    std::memset(buf, 'Q', sizeof buf);
    err = kGarbage;
    if (!oxManagementFileGetTagString(path.c_str(), tag, buf, &err)) return "<failed>";
    return buf;
}

// Each test starts with a new file: tag 0 = "0".
class ManagementFile : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(oxCreateManagementFile(path.c_str(), 0x4F585554, &err), 1u); }
    TempDir dir;
    std::string path = dir.file("studio.mgp");
    uint32_t err = 0;
};

// Layouts beyond the first entry are checked against serialize() in RewritesMatchModel.
TEST_F(ManagementFile, CreateMissingAndEmptyFiles) {
    EXPECT_EQ(read_bytes(path), (Bytes{0, 0, 0, 0, 1, 0, 0, 0, '0'}));
    ASSERT_EQ(add(path, 7, "abc", err), 1u);
    ASSERT_EQ(oxCreateManagementFile(path.c_str(), 0, &err), 1u);  // creating again replaces everything
    EXPECT_EQ(read_bytes(path), serialize({{0, "0"}}));

    const std::string missing = dir.file("none.mgp");
    EXPECT_EQ(add(missing, 1, "x", err), 0u);
    EXPECT_EQ(err, OX_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(get(missing, 1, err), "<failed>");
    EXPECT_EQ(err, OX_ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(oxCreateManagementFile(dir.file("no/such/folder.mgp").c_str(), 0, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_PATH_NOT_FOUND);

    write_bytes(path, {});
    EXPECT_EQ(get(path, 0, err), "<failed>");
    EXPECT_EQ(err, OX_ERR_TAG_NOT_FOUND);
    ASSERT_EQ(add(path, 3, "v", err), 1u);
    EXPECT_EQ(read_bytes(path), (Bytes{3, 0, 0, 0, 1, 0, 0, 0, 'v'}));
}

TEST_F(ManagementFile, IntegerReading) {
    struct Case {
        const char *text;
        bool number;
        int32_t value;
    };
    const Case cases[] = {
        {"12ab", true, 12},          {"ab", false, 0},       {"", false, 0},
        {" \t+7", true, 7},          {"-0", true, 0},        {"- 5", false, 0},
        {"-2147483648", true, INT32_MIN}, {"2147483647", true, INT32_MAX},
        {"4294967297", true, 1},     // wraps like a 32-bit accumulation
        {"0x1F", true, 0},           {"\n-31x", true, -31},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(add(path, 5, c.text, err), 1u) << c.text;
        int32_t value = 0x5A5A5A5A;
        EXPECT_EQ(oxManagementFileGetTagInt(path.c_str(), 5, &value, &err), 1) << c.text;
        EXPECT_EQ(value, c.number ? c.value : 0x5A5A5A5A) << c.text;
        // A number is stored as its decimal text, which reads back as above.
        ASSERT_EQ(oxManagementFileAddTagInt(path.c_str(), 6, value, &err), 1u);
        EXPECT_EQ(get(path, 6, err), std::to_string(value));
    }
}

TEST_F(ManagementFile, LengthLimits) {
    std::string longest(255, 'L');
    ASSERT_EQ(add(path, 1, longest, err), 1u);
    EXPECT_EQ(get(path, 1, err), longest);
    Bytes before = read_bytes(path);
    EXPECT_EQ(add(path, 1, longest + "L", err), 0u);
    EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(add(path, 2, std::string(100000, 'x'), err), 0u);
    EXPECT_EQ(read_bytes(path), before);

    // A stored value beyond 255 bytes (written by something else) is refused and the buffer left alone.
    Entries entries{{0, "0"}, {1, std::string(256, 'B')}, {2, std::string(99, '7')}, {3, "1" + std::string(99, '0')}};
    write_bytes(path, serialize(entries));
    char buf[300];
    std::memset(buf, 'Q', sizeof buf);
    EXPECT_EQ(oxManagementFileGetTagString(path.c_str(), 1, buf, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(buf[0], 'Q');
    int32_t value = 42;
    EXPECT_EQ(oxManagementFileGetTagInt(path.c_str(), 2, &value, &err), 1);  // 99 digits: read, wrapped
    EXPECT_NE(value, 42);
    value = 42;
    EXPECT_EQ(oxManagementFileGetTagInt(path.c_str(), 3, &value, &err), 0);  // 100 bytes
    EXPECT_EQ(err, OX_ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(get(path, 3, err), entries[3].second);  // still fine as a string
}

TEST_F(ManagementFile, FirstOccurrenceOnly) {
    write_bytes(path, serialize({{5, "first"}, {6, "x"}, {5, "second"}}));
    EXPECT_EQ(get(path, 5, err), "first");
    ASSERT_EQ(add(path, 5, "1st", err), 1u);
    EXPECT_EQ(read_bytes(path), serialize({{5, "1st"}, {6, "x"}, {5, "second"}}));
}

// Random adds against a model: appends, same-length rewrites, and length changes anywhere (first, middle,
// last entry, to and from empty) must leave exactly the modelled sequence.
TEST_F(ManagementFile, RewritesMatchModel) {
    Entries model{{0, "0"}};
    std::mt19937 rng(1234);
    for (int step = 0; step < 250; ++step) {
        uint32_t tag = rng() % 12 == 0 ? 0xFFFFFFFFu : rng() % 10;
        std::string value(rng() % 4 == 0 ? 0 : rng() % 40, 'a');
        for (char &ch : value) ch = static_cast<char>(' ' + rng() % 95);
        ASSERT_EQ(add(path, tag, value, err), 1u) << step;
        EXPECT_EQ(err, 0u);
        auto it = std::find_if(model.begin(), model.end(), [&](const auto &e) { return e.first == tag; });
        if (it == model.end()) model.emplace_back(tag, value);
        else it->second = value;
        ASSERT_EQ(read_bytes(path), serialize(model)) << "step " << step << " tag " << tag;
        ASSERT_EQ(get(path, tag, err), value) << "step " << step;
    }
    EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"studio.mgp"});
}

// Entries cut off by the end of the file (a huge length, a value or a length cut short): the cut tag reads
// as the end of the file, a tag behind it as missing. (Adds over the damage: the fuzz target's replay.)
TEST_F(ManagementFile, EntriesCutOffByTheEnd) {
    const Bytes good = serialize({{0, "0"}, {1, "one"}});
    const Bytes tails[] = {{2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 'x'}, {2, 0, 0, 0, 10, 0, 0, 0, 'a'}, {2, 0, 0, 0, 10}};
    for (const Bytes &tail : tails) {
        write_bytes(path, oxtest::cat({good, tail}));
        EXPECT_EQ(get(path, 2, err), "<failed>");
        EXPECT_EQ(err, OX_ERROR_HANDLE_EOF);
        EXPECT_EQ(get(path, 3, err), "<failed>");
        EXPECT_EQ(err, OX_ERR_TAG_NOT_FOUND);
    }
}

TEST_F(ManagementFile, ExclusiveWhileOpen) {
    ASSERT_EQ(add(path, 1, "v", err), 1u);
    const Bytes before = read_bytes(path);
    ox::core::FileGuard held;
    ASSERT_EQ(oxOpenFile(path.c_str(), held.out(), OX_GENERIC_READ, 0, OX_OPEN_EXISTING, 0x80, 0, 0, &err), 1);
    EXPECT_EQ(add(path, 1, "longer value", err), 0u);
    EXPECT_EQ(err, OX_ERROR_SHARING_VIOLATION);
    EXPECT_EQ(add(path, 2, "new", err), 0u);
    EXPECT_EQ(err, OX_ERROR_SHARING_VIOLATION);
    EXPECT_EQ(get(path, 1, err), "<failed>");
    EXPECT_EQ(err, OX_ERROR_SHARING_VIOLATION);
    EXPECT_EQ(oxCreateManagementFile(path.c_str(), 0, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_SHARING_VIOLATION);
    held.close();
    EXPECT_EQ(read_bytes(path), before);
    EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"studio.mgp"});
}

// Every write of an add failing half-way in turn (a disk that fills up), then real write failures (the file
// size limit of the process cuts a rewrite and an append off): the old file stays, byte for byte, and no
// temporary file is left.
TEST_F(ManagementFile, FailedWritesLeaveTheOldFile) {
    Entries entries{{0, "0"}};
    for (uint32_t t = 1; t < 3000; ++t) entries.emplace_back(t, std::string(t % 30, 'v'));
    write_bytes(path, serialize(entries));  // over 100 KB: the whole rewrite takes several writes
    const Bytes before = read_bytes(path);
    struct Add {
        uint32_t tag;
        const char *value;
    };
    const Add adds[] = {{5, "a different length"}, {5, ""}, {9999, "appended"}, {2999, "last grows"}};
    for (const Add &a : adds) {
        int failures = 0;
        for (unsigned n = 1; n < 10; ++n) {
            const uint32_t r = oxtest::with_failing_write(n, [&] { return add(path, a.tag, a.value, err); });
            if (r == 1) {  // fewer than n writes were needed: undo and go on with the next add
                write_bytes(path, before);
                break;
            }
            ++failures;
            EXPECT_EQ(err, OX_ERROR_DISK_FULL);
            ASSERT_EQ(read_bytes(path), before) << a.tag << " write " << n;
            EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"studio.mgp"});
        }
        EXPECT_GT(failures, 0) << a.tag;
    }
    EXPECT_TRUE(oxtest::child_succeeds([&] {
        oxtest::limit_file_size(before.size() / 2);
        uint32_t e = 0;
        const bool failed = oxManagementFileAddTagString(path.c_str(), 1, "a longer first value", &e) == 0;
        const bool appended = oxManagementFileAddTagString(path.c_str(), 9999, "x", &e) == 1;
        return failed && e == OX_ERROR_FILE_TOO_LARGE && !appended ? 0 : 1;
    }));
    EXPECT_EQ(read_bytes(path), before);
    EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"studio.mgp"});
}

// Several processes add their own tags and rewrite one shared tag with changing lengths: every call
// either works or meets the sharing violation, and every value reported written is in the file.
TEST_F(ManagementFile, ConcurrentWriters) {
    constexpr int kChildren = 6, kTags = 60;
    auto value = [](int c, int t) { return "child " + std::to_string(c) + " tag " + std::to_string(t); };
    std::vector<pid_t> children;
    for (int c = 0; c < kChildren; ++c) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid > 0) {
            children.push_back(pid);
            continue;
        }
        // Tries an add until it works; false on any code other than the sharing violation.
        auto add_retrying = [&](uint32_t tag, const std::string &v) {
            uint32_t e;
            for (int attempt = 0; attempt < 100000; ++attempt) {
                if (oxManagementFileAddTagString(path.c_str(), tag, v.c_str(), &e)) return true;
                if (e != OX_ERROR_SHARING_VIOLATION) return false;
                sched_yield();
            }
            return false;
        };
        bool ok = true;
        for (int t = 0; t < kTags && ok; ++t)
            ok = add_retrying(1000u * (c + 1) + t, value(c, t)) &&
                 add_retrying(1, std::string(1 + (c * kTags + t) % 17, static_cast<char>('a' + c)));
        _exit(ok ? 0 : 1);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    // Every entry once: tag 0, the shared tag and the children's tags, nothing lost or doubled.
    std::size_t size = 9 + 8 + get(path, 1, err).size();
    for (int c = 0; c < kChildren; ++c)
        for (int t = 0; t < kTags; ++t) {
            EXPECT_EQ(get(path, 1000u * (c + 1) + t, err), value(c, t));
            size += 8 + value(c, t).size();
        }
    EXPECT_EQ(read_bytes(path).size(), size);
    EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"studio.mgp"});
}

}  // namespace
