// Whole-file writes of the library and of oxdoc: writers killed at random moments and writers on a full disk
// leave the old file or the new one and at most one temporary file; links, devices and FIFOs are never
// replaced by a file; oxdoc refuses inputs that are not files; a huge tag costs oxdoc little more than its
// decoded picture.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <array>
#include <chrono>
#include <functional>
#include <memory>

#include "file_bytes.h"
#include "oxdoc_runner.h"

namespace {

using namespace oxtest;

// Random kills per writer; scripts/kill-campaign.sh asks for a few hundred.
int kills_per_writer() {
    const char *v = std::getenv("OXWUTL_KILLS");
    return v && std::atoi(v) > 0 ? std::atoi(v) : 20;
}

// The temporary files of "target" in `dir`.
int temp_files(const fs::path &dir) {
    int n = 0;
    for (const std::string &e : folder_names(dir)) n += e.rfind(".target.", 0) == 0 && e.ends_with(".tmp");
    return n;
}

// A management file of three entries: every writer starts from it (oxdoc save takes it as untagged content).
const Bytes kSeed = {0, 0, 0, 0, 1, 0, 0, 0, '0', 1, 0, 0, 0, 1, 0, 0, 0, 'x', 2, 0, 0, 0, 2, 0, 0, 0, 'o', 'k'};

// A whole-file writer makes version k (0 or 1) of its target: oxdoc run with the target after the words of
// `oxdoc`, in which '#' stands for k, or else a library call.
struct Writer {
    const char *name;
    const char *oxdoc;
    std::function<uint32_t(const char *target, unsigned k, uint32_t *err)> call = nullptr;
};

class FileWrites : public OxdocCommands {
protected:
    void SetUp() override {
        OxdocCommands::SetUp();
        fs::copy_file(std::string(OXDOC_TEST_ASSETS) + "/demo_cel.png", file("p0.png"));
        ASSERT_EQ(run({"view", "p0.png", "--zoom", "2", "-o", "p1.png"}).exit, 0);
        std::mt19937 rng(5);
        uint32_t err = 0;
        for (uint16_t k = 0; k < 2; ++k) {
            const std::string doc = file("d" + std::to_string(k) + ".doc");
            ASSERT_EQ(run({"save", "p" + std::to_string(k) + ".png", doc}).exit, 0);
            // A large image tag too, so that writing its PNG takes a while.
            Handle image(oxImageCreate(1024, 768, 24, &err));
            fill_random(image.get(), rng);
            ASSERT_EQ(oxAddStartKavelFile(doc.c_str(), &err) && oxSetKavelTag(image.get(), 0x0100, &err) &&
                          oxCloseKavelTag(1, &err),
                      true);
            charts_[k] = std::make_unique<OxColorChart>();
            for (auto &e : charts_[k]->entries) e = {static_cast<uint16_t>(rng() & 0xFF), 0, k, "c"};
        }
    }

    std::vector<Writer> writers() {
        return {
            {"management file created (or a tag appended)", nullptr,
             [](const char *t, unsigned k, uint32_t *e) {
                 return k ? oxCreateManagementFile(t, 0, e) : oxManagementFileAddTagString(t, 9, "appended", e);
             }},
            {"management value of another length", nullptr,
             [](const char *t, unsigned k, uint32_t *e) {
                 return oxManagementFileAddTagString(t, 1, k ? "a value grown long" : "short", e);
             }},
            {"colour chart saved", nullptr,
             [this](const char *t, unsigned k, uint32_t *e) { return oxColorChartSave(t, charts_[k].get(), 0, e); }},
            {"oxdoc save", "save p#.png"},
            {"oxdoc get, a PNG", "get d#.doc 0x0100 -o"},
            {"oxdoc vector, an SVG", "vector d#.doc -o"},
        };
    }

    // Starts oxdoc as the writer runs it, in the test's folder, with its output thrown away. The shell
    // replaces itself with oxdoc, so that the process id is oxdoc's.
    pid_t spawn(const Writer &w, const std::string &target, unsigned k) {
        std::string words = w.oxdoc;
        std::replace(words.begin(), words.end(), '#', static_cast<char>('0' + k));
        const std::string cmd = "cd " + quoted(dir_.path()) + " && exec " + quoted(tool_) + " " +
                                words + " " + quoted(target) + " >/dev/null 2>&1";
        const pid_t pid = fork();
        if (pid == 0) {
            execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        }
        return pid;
    }

    bool write_version(const Writer &w, const std::string &target, unsigned k) {
        uint32_t err = 0;
        if (w.call) return w.call(target.c_str(), k, &err) != 0;
        int status = 0;
        return waitpid(spawn(w, target, k), &status, 0) > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    // Versions 0 and 1 of "target": from the seed, version 0, then 1, then 0 again, after which each is what
    // the writer makes of the other.
    std::array<Bytes, 2> versions(const Writer &w) {
        write_bytes(file("target"), kSeed);
        std::array<Bytes, 2> v;
        for (unsigned k : {0u, 1u, 0u}) {
            EXPECT_TRUE(write_version(w, file("target"), k));
            v[k] = read_bytes(file("target"));
        }
        EXPECT_NE(v[0], v[1]);
        return v;
    }

    std::unique_ptr<OxColorChart> charts_[2];
};

TEST_F(FileWrites, KilledWritersLeaveTheOldOrTheNewFileAndAtMostOneTemporaryFile) {
    std::mt19937 rng(2024);
    const std::string target = file("target");
    for (const Writer &w : writers()) {
        SCOPED_TRACE(w.name);
        const auto start = std::chrono::steady_clock::now();
        const auto v = versions(w);
        // Kills land within the time one write takes; a library writer writes in a loop until killed.
        const std::chrono::duration<double, std::micro> taken = std::chrono::steady_clock::now() - start;
        const auto span_us = static_cast<unsigned>(std::max(2000.0, taken.count() / 3));
        for (int round = 0; round < kills_per_writer(); ++round) {
            write_bytes(target, v[round % 2]);
            const unsigned next = (round + 1) % 2;
            const pid_t child = w.call ? fork() : spawn(w, target, next);
            uint32_t err;
            if (child == 0)
                for (unsigned i = next;; ++i) w.call(target.c_str(), i % 2, &err);
            usleep(rng() % span_us);
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
            const Bytes now = read_bytes(target);
            ASSERT_TRUE(now == v[0] || now == v[1]) << "round " << round << ": " << now.size() << " bytes";
            ASSERT_LE(temp_files(dir_.path()), 1) << "round " << round;
        }
        // Each writer removes the stale files it finds; one of these two writes replaces the file whole.
        ASSERT_TRUE(write_version(w, target, 0) && write_version(w, target, 1));
        EXPECT_EQ(temp_files(dir_.path()), 0);
    }
}

TEST_F(FileWrites, AFullDiskLeavesTheOldFileAndNothingBesideIt) {
    const fs::path full = dir_.path() / "full";
    fs::create_directory(full);
    const std::string target = (full / "target").string();
    for (const Writer &w : writers()) {
        SCOPED_TRACE(w.name);
        const auto v = versions(w);
        const pid_t child = fork();
        if (child == 0) {
            // A small file system of our own, filled up once the old file is on it.
            const std::string size = "size=" + std::to_string(v[0].size() + 65536);
            if (unshare(CLONE_NEWNS | (geteuid() == 0 ? 0 : CLONE_NEWUSER)) != 0 ||
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                mount("tmpfs", full.c_str(), "tmpfs", 0, size.c_str()) != 0)
                _exit(77);
            write_bytes(target, v[0]);
            const int fill = open((full / "filler").c_str(), O_WRONLY | O_CREAT, 0600);
            static const char block[4096] = {};
            for (std::size_t n = sizeof block; n > 0;)
                if (write(fill, block, n) <= 0) n /= 2;
            const bool wrote = write_version(w, target, 1);
            _exit(wrote ? 1 : read_bytes(target) != v[0] ? 2 : temp_files(full) != 0 ? 3 : 0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no private mount of a small file system here";
        EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the write succeeded, 2: the old file changed, 3: a temporary was left";
    }
}

TEST_F(FileWrites, LinksDevicesAndFifosAreNeverReplacedByAFile) {
    uint32_t err = 0;
    // A dangling link gets its file, and stays a link; replacing the file through it keeps its permissions.
    ASSERT_EQ(symlink("real.pmcc", file("link.pmcc").c_str()), 0);
    EXPECT_EQ(oxColorChartSave(file("link.pmcc").c_str(), charts_[0].get(), 0, &err), 1u) << err;
    ASSERT_EQ(chmod(file("real.pmcc").c_str(), 0640), 0);
    EXPECT_EQ(oxColorChartSave(file("link.pmcc").c_str(), charts_[1].get(), 0, &err), 1u) << err;
    EXPECT_TRUE(fs::is_symlink(file("link.pmcc")) && fs::is_regular_file(file("real.pmcc")));
    EXPECT_EQ(file_mode(file("real.pmcc")), 0640u);
    // A link planted under a temporary file's name is neither written through nor taken for a stale file.
    write_bytes(file("victim"), {1, 2, 3});
    ASSERT_EQ(symlink("victim", file(".out.png.AAAAAAAA.tmp").c_str()), 0);
    EXPECT_EQ(run({"get", "d0.doc", "0xFF02", "-o", "out.png"}).exit, 0);
    EXPECT_EQ(read_bytes(file("victim")), (Bytes{1, 2, 3}));
    EXPECT_TRUE(fs::is_symlink(file(".out.png.AAAAAAAA.tmp")));

    // The library refuses a FIFO and a device (a null device node, where we may make one); oxdoc writes a
    // device in place and refuses a FIFO that nobody reads.
    ASSERT_EQ(mkfifo(file("fifo").c_str(), 0600), 0);
    const bool device = mknod(file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    for (const char *name : {"fifo", "null"}) {
        if (!device && *name == 'n') continue;
        EXPECT_EQ(oxColorChartSave(file(name).c_str(), charts_[0].get(), 0, &err), 0u) << name;
        EXPECT_EQ(err, OX_ERROR_NOT_SUPPORTED) << name;
    }
    // As inputs, FIFOs are refused at once instead of waited on.
    const std::string fifo = "fifo: not a regular file (a FIFO)";
    expect_runs({{{"get", "d0.doc", "0xFF02", "-o", "null"}, 0},
                 {{"get", "d0.doc", "0xFF02", "-o", "fifo"}, 1, "fifo: nobody reads"},
                 {{"ls", "fifo"}, 1, fifo},
                 {{"check", "fifo"}, 1, fifo},
                 {{"save", "fifo", "x.doc"}, 1, fifo},
                 {{"chart", "c.pmcc", "load", "fifo"}, 1, fifo}});
    EXPECT_EQ(fs::status(file("fifo")).type(), fs::file_type::fifo);
    EXPECT_TRUE(!device || fs::is_character_file(file("null")));
}

// "-o -" puts the one stream on standard output, byte for byte what a file gets and nothing else, and so does
// /dev/stdout when it is a pipe; where the output is not one stream, "-" is a usage error, not a file "-".
TEST_F(FileWrites, DashIsStandardOutputForOneStreamOnly) {
    ASSERT_EQ(run({"get", "d0.doc", "0x0100", "-o", "t.png"}).exit, 0);
    const Outcome dashed = run({"get", "d0.doc", "0x0100", "-o", "-"});
    EXPECT_EQ(dashed.exit, 0);
    EXPECT_TRUE(dashed.out == slurp(file("t.png")));
    const std::string piped = "cd " + quoted(dir_.path()) + " && " + quoted(tool_) +
                              " get d0.doc 0x0100 -o /dev/stdout | cat >piped.png";
    ASSERT_EQ(std::system(piped.c_str()), 0);
    EXPECT_TRUE(slurp(file("piped.png")) == slurp(file("t.png")));
    EXPECT_EQ(run({"thumbs", "d0.doc", "-o", "-"}).exit, 2);
    EXPECT_EQ(run({"save", "p0.png", "-"}).exit, 2);
    EXPECT_FALSE(fs::exists(file("-")));
}

// A tag of 8192 x 8192 pixels in runs (2 MB expanding to 201 MB): oxdoc get writes it within an address
// space of the decoded picture and 80 MB, where holding the whole PNG stream besides needs twice that; and
// --max-pixels refuses it before decoding, naming its size.
TEST_F(FileWrites, AHugeTagCostsLittleMoreThanItsPicture) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory does not fit an address-space limit";
#endif
    constexpr int32_t kSide = 8192;
    uint32_t err = 0;
    write_bytes(file("huge.doc"), Bytes(3000, 'c'));
    {
        Handle image(oxImageCreate(kSide, kSide, 24, &err));
        ASSERT_EQ(oxSaveStartKavelFile(file("huge.doc").c_str(), &err) && oxSetKavelTag(image.get(), 0x0100, &err) &&
                      oxCloseKavelTag(1, &err),
                  true);
    }
    const std::string limit = "ulimit -v " + std::to_string((3L * kSide * kSide >> 10) + (80L << 10)) + " && ";
    ASSERT_EQ(run({"get", "huge.doc", "0x0100", "-o", "huge.png"}, limit).exit, 0);
    EXPECT_EQ(slurp(file("huge.png")).substr(16, 8), std::string("\0\0\x20\0\0\0\x20\0", 8));  // 8192 x 8192

    const Outcome refused = run({"--max-pixels", "1000000", "get", "huge.doc", "0x0100", "-o", "small.png"});
    EXPECT_NE(refused.err.find("8192x8192 image (67108864 pixels), more than --max-pixels 1000000"), std::string::npos)
        << refused.err;
}

}  // namespace
