// Files and folders: refused opens and their codes, dispositions, read-only files, share modes across
// processes, reading, writing, positions, renames, deletes and folders.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>

#include "core/files.h"
#include "file_bytes.h"
#include "support.h"

namespace {

namespace fs = std::filesystem;
using ox::core::FileGuard;
using oxtest::Bytes;
using oxtest::pattern;
using oxtest::read_bytes;
using oxtest::TempDir;
using oxtest::write_bytes;

constexpr uint32_t kRead = OX_GENERIC_READ, kWrite = OX_GENERIC_WRITE, kRW = kRead | kWrite;
constexpr uint32_t kShared = OX_FILE_SHARE_READ | OX_FILE_SHARE_WRITE;
constexpr uint32_t kGarbage = 0xDEADBEEFu;
constexpr uint32_t kDone = 0xD0D0u;  // stands for "succeeded" where a call's code is compared

int32_t open_into(FileGuard &guard, const std::string &path, uint32_t access, uint32_t share, uint32_t disposition,
                  uint32_t &err, uint32_t attributes = OX_FILE_ATTRIBUTE_NORMAL) {
    err = kGarbage;
    return oxOpenFile(path.c_str(), guard.out(), access, share, disposition, attributes, 0, 0, &err);
}

// Expects the open to fail with `code`, an invalid handle in the out-argument, and nothing open.
void expect_open_fails(const std::string &path, uint32_t access, uint32_t share, uint32_t disposition, uint32_t code) {
    OxFileHandle file = 0x1234;
    uint32_t err = kGarbage;
    EXPECT_EQ(oxOpenFile(path.c_str(), &file, access, share, disposition, 0, 0, 0, &err), 0) << path;
    EXPECT_EQ(file, OX_INVALID_FILE) << path;
    EXPECT_EQ(err, code) << path << " access " << std::hex << access << " disposition " << disposition;
    if (file != OX_INVALID_FILE && file != 0x1234) oxCloseFile(file);
}

// The listing's own descriptor counts too, the same each time.
std::size_t open_descriptor_count() { return oxtest::folder_names("/proc/self/fd").size(); }

// What the tests start from: a fresh folder, a file name in it, a guard for an open file and an error code
// that holds garbage until a call sets it.
struct Files : testing::Test {
    TempDir dir;
    const std::string path = dir.file("f.bin");
    FileGuard f;
    uint32_t err = kGarbage;
};
using FilesOpen = Files;
using FilesIO = Files;
using FilesShare = Files;
using FilesNames = Files;

// Every refused open gives its code and creates, empties and leaves open nothing (repeated, to show leaks).
TEST_F(FilesOpen, RefusalsGiveTheirCodeAndLeaveNothingBehind) {
    const std::string plain = dir.file("plain"), ro = dir.file("ro"), held = dir.file("held"), sub = dir.file("sub");
    const std::string missing = dir.file("missing"), none = dir.file("none/x");
    for (const auto &p : {plain, ro, held}) write_bytes(p, pattern(20));
    ASSERT_EQ(chmod(ro.c_str(), 0444), 0);
    ASSERT_TRUE(fs::create_directory(sub));
    FileGuard holder;  // a read-only exclusive open keeps out every other open
    ASSERT_EQ(open_into(holder, held, kRead, 0, OX_OPEN_EXISTING, err), 1);
    const struct {
        std::string path;
        uint32_t access, share, disposition, code;
    } cases[] = {
        {missing, kRead, 0, OX_OPEN_EXISTING, OX_ERROR_FILE_NOT_FOUND},
        {none, kRead, 0, OX_OPEN_EXISTING, OX_ERROR_PATH_NOT_FOUND},
        {none, kWrite, 0, OX_CREATE_ALWAYS, OX_ERROR_PATH_NOT_FOUND},
        {none, kWrite, 0, OX_CREATE_NEW, OX_ERROR_PATH_NOT_FOUND},
        {plain + "/x", kRead, 0, OX_OPEN_EXISTING, OX_ERROR_PATH_NOT_FOUND},  // a file where a folder should be
        {"", kRead, 0, OX_OPEN_EXISTING, OX_ERROR_PATH_NOT_FOUND},
        {plain, kRW, 0, 0, OX_ERROR_INVALID_PARAMETER},
        {plain, kRW, 0, 6, OX_ERROR_INVALID_PARAMETER},
        {missing, 0, 0, OX_CREATE_ALWAYS, OX_ERROR_INVALID_PARAMETER},  // neither read nor write
        {plain, kRead, 0, OX_TRUNCATE_EXISTING, OX_ERROR_INVALID_PARAMETER},
        {plain, kWrite, 0, OX_CREATE_NEW, OX_ERROR_FILE_EXISTS},
        {sub, kRead, 0, OX_OPEN_EXISTING, OX_ERROR_ACCESS_DENIED},
        {sub, kWrite, 0, OX_CREATE_ALWAYS, OX_ERROR_ACCESS_DENIED},
        // Read-only files are refused for writing and emptying, although root could bypass the bits.
        {ro, kWrite, 0, OX_OPEN_EXISTING, OX_ERROR_ACCESS_DENIED},
        {ro, kRead, 0, OX_CREATE_ALWAYS, OX_ERROR_ACCESS_DENIED},
        {ro, kWrite, 0, OX_TRUNCATE_EXISTING, OX_ERROR_ACCESS_DENIED},
        {held, kRead, kShared, OX_OPEN_EXISTING, OX_ERROR_SHARING_VIOLATION},
        {held, kWrite, 0, OX_CREATE_ALWAYS, OX_ERROR_SHARING_VIOLATION},
        {held, kWrite, kShared, OX_TRUNCATE_EXISTING, OX_ERROR_SHARING_VIOLATION},
    };
    const std::size_t before = open_descriptor_count();
    for (int round = 0; round < 5; ++round)
        for (const auto &c : cases) expect_open_fails(c.path, c.access, c.share, c.disposition, c.code);
    OxFileHandle file = 0;
    EXPECT_EQ(oxOpenFile(nullptr, &file, kRead, 0, OX_OPEN_EXISTING, 0, 0, 0, &err), 0);
    EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(open_descriptor_count(), before);
    for (const auto &p : {plain, ro, held}) EXPECT_EQ(read_bytes(p), pattern(20)) << p;
    EXPECT_EQ(oxtest::folder_names(dir.path()), (std::vector<std::string>{"held", "plain", "ro", "sub"}));
    FileGuard ok;
    EXPECT_EQ(open_into(ok, ro, kRead, kShared, OX_OPEN_EXISTING, err), 1);
}

TEST_F(FilesOpen, DispositionsTheirCodesAndWhatTheyLeave) {
    const struct {
        bool exists;
        uint32_t access, disposition, code;
        std::size_t size;  // after the open: 50 kept, 0 emptied or new
    } cases[] = {
        {false, kWrite, OX_CREATE_NEW, 0, 0},   {false, kWrite, OX_CREATE_ALWAYS, 0, 0},
        {true, kWrite, OX_CREATE_ALWAYS, OX_ERROR_ALREADY_EXISTS, 0},
        {true, kRead, OX_CREATE_ALWAYS, OX_ERROR_ALREADY_EXISTS, 0},  // emptied without write access too
        {false, kRW, OX_OPEN_ALWAYS, 0, 0},     {true, kRW, OX_OPEN_ALWAYS, OX_ERROR_ALREADY_EXISTS, 50},
        {true, kRead, OX_OPEN_EXISTING, 0, 50}, {true, kWrite, OX_TRUNCATE_EXISTING, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "disposition " << c.disposition << " exists " << c.exists);
        fs::remove(path);
        if (c.exists) write_bytes(path, pattern(50));
        ASSERT_EQ(open_into(f, path, c.access, 0, c.disposition, err), 1);
        EXPECT_EQ(err, c.code);
        EXPECT_EQ(oxGetFileSize(f.get()), c.size);
        EXPECT_EQ(oxGetFilePointer(f.get()), 0u);
        f.close();
        EXPECT_EQ(read_bytes(path), pattern(c.size));
    }
}

TEST_F(FilesOpen, ReadOnlyAttributeCheckAndDelete) {
    uint32_t done = 0;
    // The attribute takes the write bits away, yet the creating handle may write.
    ASSERT_EQ(open_into(f, path, kWrite, 0, OX_CREATE_NEW, err, OX_FILE_ATTRIBUTE_READONLY), 1);
    EXPECT_EQ(oxWriteFile(f.get(), "abc", 3, &done, &err), 1);
    f.close();
    EXPECT_EQ(oxtest::file_mode(path) & 0222, 0u);  // no write bit (and the file is there)
    EXPECT_EQ(read_bytes(path), (Bytes{'a', 'b', 'c'}));
    EXPECT_EQ(oxCheckFileReadOnlyAttribute(path.c_str(), &err), 1);
    EXPECT_EQ(err, OX_ERROR_ACCESS_DENIED);
    EXPECT_EQ(oxDeleteFile(path.c_str(), &err), 0);
    EXPECT_EQ(err, OX_ERROR_ACCESS_DENIED);
    // One write bit for anyone makes it writable again; a missing file is not read-only either.
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    EXPECT_EQ(oxCheckFileReadOnlyAttribute(path.c_str(), &err), 0);
    EXPECT_EQ(oxDeleteFile(path.c_str(), &err), 1);
    err = kGarbage;
    EXPECT_EQ(oxCheckFileReadOnlyAttribute(path.c_str(), &err), 0);
    EXPECT_EQ(err, 0u);
    // Create always with the attribute over a writable file makes it read-only.
    write_bytes(path, pattern(10));
    ASSERT_EQ(open_into(f, path, kWrite, 0, OX_CREATE_ALWAYS, err, OX_FILE_ATTRIBUTE_READONLY), 1);
    f.close();
    EXPECT_EQ(oxtest::file_mode(path) & 0222, 0u);
}

TEST_F(FilesOpen, HandlesAreNeverZeroAndCloseOnExec) {
    write_bytes(path, pattern(8));
    // With descriptor 0 free the system would hand it out first.
    const int saved_stdin = fcntl(0, F_DUPFD_CLOEXEC, 3);
    ASSERT_TRUE(saved_stdin >= 0 && close(0) == 0);
    const int32_t ok = open_into(f, path, kRead, 0, OX_OPEN_EXISTING, err);
    const bool zero_free = fcntl(0, F_GETFD) == -1;
    const int fd_flags = fcntl(static_cast<int>(f.get()), F_GETFD);
    f.close();
    dup2(saved_stdin, 0);
    close(saved_stdin);
    ASSERT_EQ(ok, 1);
    EXPECT_TRUE(zero_free) << "descriptor 0 was handed out";
    EXPECT_TRUE(fd_flags >= 0 && (fd_flags & FD_CLOEXEC));
}

TEST_F(FilesIO, WrongDirectionBadHandlesAndFullDisk) {
    write_bytes(path, pattern(16));
    FileGuard reader, writer, gone, full;
    uint32_t done = 99;
    uint8_t buf[16];
    auto read = [&](OxFileHandle h, uint32_t n) { return oxReadFile(h, buf, n, &done, &err) ? kDone : err; };
    auto write = [&](OxFileHandle h, uint32_t n) { return oxWriteFile(h, buf, n, &done, &err) ? kDone : err; };
    ASSERT_EQ(open_into(reader, path, kRead, kShared, OX_OPEN_EXISTING, err), 1);
    ASSERT_EQ(open_into(writer, path, kWrite, kShared, OX_OPEN_EXISTING, err), 1);
    EXPECT_EQ(write(reader.get(), 2), OX_ERROR_ACCESS_DENIED);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(oxSetEndOfFile(reader.get()), 0);
    EXPECT_EQ(read(writer.get(), 0), OX_ERROR_ACCESS_DENIED);  // even for nothing
    EXPECT_EQ(read_bytes(path), pattern(16));

    // Not open: the invalid value, 0 (descriptor 0 must stay untouched) and a closed handle.
    ASSERT_EQ(open_into(gone, path, kRead, kShared, OX_OPEN_EXISTING, err), 1);
    const OxFileHandle closed = gone.get();
    gone.close();
    const int stdin_flags = fcntl(0, F_GETFD);
    for (OxFileHandle bad : {OX_INVALID_FILE, OxFileHandle{0}, closed}) {
        EXPECT_EQ(read(bad, 4), OX_ERROR_INVALID_HANDLE);
        EXPECT_EQ(write(bad, 4), OX_ERROR_INVALID_HANDLE);
        EXPECT_EQ(oxSeekFile(bad, 0, 0, &err), 0);
        EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
        EXPECT_EQ(oxSetEndOfFile(bad) + oxCloseFile(bad), 0);
        EXPECT_EQ((std::array{oxGetFileSize(bad), oxGetFilePointer(bad)}), (std::array{~0u, ~0u}));
    }
    EXPECT_EQ(fcntl(0, F_GETFD), stdin_flags);

    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    ASSERT_EQ(open_into(full, "/dev/full", kWrite, kShared, OX_OPEN_EXISTING, err), 1);
    EXPECT_EQ(write(full.get(), 4), OX_ERROR_DISK_FULL);
    EXPECT_EQ(done, 0u);
}

TEST_F(FilesIO, WriteSeekReadAndEndOfFile) {
    const Bytes data = pattern(3000);
    uint32_t done = 0;
    ASSERT_EQ(open_into(f, path, kRW, 0, OX_CREATE_ALWAYS, err), 1);
    ASSERT_EQ(oxWriteFile(f.get(), data.data(), 3000, &done, &err), 1);
    EXPECT_EQ(done, 3000u);
    // Steps in order; success leaves the code alone, failure leaves the position; the last is 0xFFFFFFFE.
    const struct {
        int32_t distance;
        uint32_t origin, code, position;  // code kGarbage: the step succeeds
    } steps[] = {
        {-2568, 2, kGarbage, 432},        {10, 1, kGarbage, 442},
        {5, 0, kGarbage, 5},              {-6, 1, OX_ERROR_NEGATIVE_SEEK, 5},
        {-3001, 2, OX_ERROR_NEGATIVE_SEEK, 5}, {0, 3, OX_ERROR_INVALID_PARAMETER, 5},
        {INT32_MAX, 0, kGarbage, 0x7FFFFFFFu}, {1, 1, kGarbage, 0x80000000u},
        {INT32_MAX - 1, 1, kGarbage, 0xFFFFFFFEu}, {1, 1, OX_ERROR_INVALID_PARAMETER, 0xFFFFFFFEu},
    };
    for (const auto &s : steps) {
        err = kGarbage;
        EXPECT_EQ(oxSeekFile(f.get(), s.distance, s.origin, &err), s.code == kGarbage) << s.distance;
        EXPECT_EQ(err, s.code) << s.distance;
        EXPECT_EQ(oxGetFilePointer(f.get()), s.position) << s.distance;
    }
    EXPECT_EQ(oxGetFileSize(f.get()), 3000u);  // seeking does not grow the file

    // Ten bytes asked for four before the end: four come back and the call succeeds; at the end, none.
    ASSERT_EQ(oxSeekFile(f.get(), -4, 2, &err), 1);
    Bytes buf(10, 0xEE);
    EXPECT_EQ(oxReadFile(f.get(), buf.data(), 10, &done, &err), 1);
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(Bytes(buf.begin(), buf.begin() + 5), (Bytes{data[2996], data[2997], data[2998], data[2999], 0xEE}));
    EXPECT_EQ(oxReadFile(f.get(), buf.data(), 10, &done, &err), 1);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(err, 0u);

    // The end of file moves to the position, down and then up (zero-filled).
    ASSERT_EQ(oxSeekFile(f.get(), 1000, 0, &err), 1);
    ASSERT_NE(oxSetEndOfFile(f.get()), 0);
    EXPECT_EQ(oxGetFileSize(f.get()), 1000u);
    ASSERT_EQ(oxSeekFile(f.get(), 500, 1, &err), 1);
    ASSERT_NE(oxSetEndOfFile(f.get()), 0);
    f.close();
    Bytes want = pattern(1000);
    want.resize(1500, 0);
    EXPECT_EQ(read_bytes(path), want);
}

// A child process that opens `path` with `share` and holds it until it is killed, so that the kernel's
// clean-up at exit must release the lock.
struct Holder {
    pid_t pid = -1;
    bool opened = false;
    Holder(const std::string &path, uint32_t share) {
        int ready[2];
        if (pipe(ready) != 0) return;
        pid = fork();
        if (pid == 0) {
            OxFileHandle file;
            uint32_t err;
            char r = oxOpenFile(path.c_str(), &file, kRead, share, OX_OPEN_EXISTING, 0, 0, 0, &err) ? 'r' : 'f';
            if (write(ready[1], &r, 1) == 1) pause();
            _exit(0);
        }
        close(ready[1]);
        char r = 0;
        opened = pid > 0 && read(ready[0], &r, 1) == 1 && r == 'r';
        close(ready[0]);
    }
    ~Holder() {
        if (pid > 0 && kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
    }
};

// An exclusive holder keeps every open, delete and rename (as the source or the target) away from its file;
// shared holders keep out only exclusive opens, as our own exclusive open keeps out a child in turn.
TEST_F(FilesShare, HoldersInOtherProcesses) {
    const std::string other = dir.file("o"), moved = dir.file("m");
    write_bytes(path, pattern(40));
    write_bytes(other, pattern(5));
    FileGuard g;
    {
        Holder child(path, OX_FILE_SHARE_EXCLUSIVE);
        ASSERT_TRUE(child.opened);
        expect_open_fails(path, kRead, kShared, OX_OPEN_EXISTING, OX_ERROR_SHARING_VIOLATION);
        expect_open_fails(path, kWrite, 0, OX_CREATE_ALWAYS, OX_ERROR_SHARING_VIOLATION);
        const std::pair<std::string, std::string> refused[] = {{"", path}, {moved, path}, {path, other}};
        for (const auto &[to, from] : refused) {  // no new name: a delete
            const int32_t r =
                to.empty() ? oxDeleteFile(from.c_str(), &err) : oxChangeFileName(to.c_str(), from.c_str(), &err);
            EXPECT_EQ(r, 0) << to << " <- " << from;
            EXPECT_EQ(err, OX_ERROR_SHARING_VIOLATION) << to << " <- " << from;
        }
        EXPECT_EQ(read_bytes(path), pattern(40));
    }
    ASSERT_EQ(open_into(f, path, kRW, 0, OX_OPEN_EXISTING, err), 1);  // the holder's exit let go of the file
    EXPECT_FALSE(Holder(path, kShared).opened);
    f.close();
    Holder child(path, kShared);
    ASSERT_TRUE(child.opened);
    ASSERT_EQ(open_into(f, path, kRead, OX_FILE_SHARE_READ, OX_OPEN_EXISTING, err), 1);
    ASSERT_EQ(open_into(g, path, kWrite, OX_FILE_SHARE_DELETE, OX_OPEN_ALWAYS, err), 1);
    f.close();
    g.close();
    expect_open_fails(path, kRead, 0, OX_OPEN_EXISTING, OX_ERROR_SHARING_VIOLATION);
    EXPECT_EQ(oxChangeFileName(moved.c_str(), path.c_str(), &err), 1);
    EXPECT_EQ(oxDeleteFile(moved.c_str(), &err), 1);
}

TEST_F(FilesNames, RenameDeleteAndCreateFolder) {
    const std::string a = dir.file("a"), b = dir.file("b"), c = dir.file("c"), d = dir.file("d"), sub = dir.file("sub");
    const std::string none = dir.file("none/x");
    write_bytes(a, pattern(30));
    write_bytes(c, {9, 9});
    // Each gives its code, or kDone when it succeeds and clears the code (the call before each success left
    // one). Rename takes the new name first and never replaces.
    auto rename = [this](const std::string &to, const std::string &from) {
        return oxChangeFileName(to.c_str(), from.c_str(), &err) && err == 0 ? kDone : err;
    };
    auto del = [this](const std::string &p) { return oxDeleteFile(p.c_str(), &err) && err == 0 ? kDone : err; };
    auto make = [this](const std::string &p) { return oxCreateFolder(p.c_str(), 0, &err) && err == 0 ? kDone : err; };
    EXPECT_EQ(rename(b, a), kDone);
    EXPECT_EQ(rename(c, b), OX_ERROR_ALREADY_EXISTS);
    EXPECT_EQ(rename(d, a), OX_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(rename(d, none), OX_ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(rename(none, b), OX_ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(fs::exists(a));
    EXPECT_EQ(read_bytes(b), pattern(30));
    EXPECT_EQ(read_bytes(c), (Bytes{9, 9}));

    EXPECT_EQ(del(c), kDone);
    EXPECT_EQ(del(c), OX_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(del(none), OX_ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(make(sub), kDone);
    EXPECT_EQ(del(sub), OX_ERROR_ACCESS_DENIED);  // a folder is not deleted as a file
    EXPECT_EQ(make(sub), OX_ERROR_ALREADY_EXISTS);
    EXPECT_EQ(make(b), OX_ERROR_ALREADY_EXISTS);
    EXPECT_EQ(make(none), OX_ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(fs::exists(dir.file("none")));
}

TEST_F(FilesNames, RenameToAnotherFileSystemMovesTheFile) {
    struct stat here {}, shm {};
    if (stat(dir.path().c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    const std::string from = dir.file("m.bin"), to = "/dev/shm/oxwutl-move-" + std::to_string(getpid());
    write_bytes(from, pattern(100000));
    ASSERT_EQ(chmod(from.c_str(), 0640), 0);
    int32_t ok = oxChangeFileName(to.c_str(), from.c_str(), &err);
    const unsigned mode = oxtest::file_mode(to);
    Bytes moved = read_bytes(to);
    unlink(to.c_str());
    ASSERT_NE(ok, 0);
    EXPECT_EQ(err, 0u);
    EXPECT_FALSE(fs::exists(from));
    EXPECT_EQ(moved, pattern(100000));
    EXPECT_EQ(mode, 0640u);
}

}  // namespace
