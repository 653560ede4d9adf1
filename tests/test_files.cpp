// Files and folders: open dispositions and their codes, share modes within a process and across processes,
// read-only files, positions, renames, deletes, folders, and that no path leaves a descriptor behind.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/files.h"
#include "support.h"

namespace {

using ox::core::FileGuard;
using oxtest::TempDir;

constexpr uint32_t kRead = OX_GENERIC_READ;
constexpr uint32_t kWrite = OX_GENERIC_WRITE;
constexpr uint32_t kReadWrite = OX_GENERIC_READ | OX_GENERIC_WRITE;
constexpr uint32_t kShared = OX_FILE_SHARE_READ | OX_FILE_SHARE_WRITE;
constexpr uint32_t kGarbage = 0xDEADBEEFu;

void write_bytes(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::vector<uint8_t> read_bytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> pattern(std::size_t n) {
    std::vector<uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + 3);
    return v;
}

// One open; returns the result and leaves the handle in `guard` and the code in `err`.
int32_t open_into(FileGuard &guard, const std::string &path, uint32_t access, uint32_t share, uint32_t disposition,
                  uint32_t &err, uint32_t attributes = OX_FILE_ATTRIBUTE_NORMAL) {
    err = kGarbage;
    return oxOpenFile(path.c_str(), guard.out(), access, share, disposition, attributes, 0, 0, &err);
}

// Opens and expects failure with `code`, an invalid handle in the out-argument, and nothing open.
void expect_open_fails(const std::string &path, uint32_t access, uint32_t share, uint32_t disposition, uint32_t code,
                       uint32_t attributes = OX_FILE_ATTRIBUTE_NORMAL) {
    OxFileHandle file = 0x1234;
    uint32_t err = kGarbage;
    EXPECT_EQ(oxOpenFile(path.c_str(), &file, access, share, disposition, attributes, 0, 0, &err), 0)
        << path << " disposition " << disposition;
    EXPECT_EQ(file, OX_INVALID_FILE);
    EXPECT_EQ(err, code) << path << " access " << std::hex << access << " disposition " << disposition;
    if (file != OX_INVALID_FILE && file != 0x1234) oxCloseFile(file);
}

std::size_t open_descriptor_count() {
    std::size_t n = 0;
    DIR *d = opendir("/proc/self/fd");
    if (!d) return 0;
    while (dirent *e = readdir(d))
        if (e->d_name[0] != '.') ++n;
    closedir(d);
    return n - 1;  // the listing's own descriptor
}

mode_t mode_of(const std::string &path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// ---- opening

TEST(FilesOpen, MissingFileFolderAndBadArguments) {
    TempDir dir;
    expect_open_fails(dir.file("missing.bin"), kRead, 0, OX_OPEN_EXISTING, OX_ERROR_FILE_NOT_FOUND);
    expect_open_fails(dir.file("missing.bin"), kReadWrite, 0, OX_TRUNCATE_EXISTING, OX_ERROR_FILE_NOT_FOUND);
    expect_open_fails(dir.file("no-folder/x.bin"), kRead, 0, OX_OPEN_EXISTING, OX_ERROR_PATH_NOT_FOUND);
    expect_open_fails(dir.file("no-folder/x.bin"), kWrite, 0, OX_CREATE_ALWAYS, OX_ERROR_PATH_NOT_FOUND);
    expect_open_fails(dir.file("no-folder/x.bin"), kWrite, 0, OX_CREATE_NEW, OX_ERROR_PATH_NOT_FOUND);
    // A file where a folder should be is a missing folder too.
    write_bytes(dir.file("plain"), {1});
    expect_open_fails(dir.file("plain/x.bin"), kRead, 0, OX_OPEN_EXISTING, OX_ERROR_PATH_NOT_FOUND);

    const std::string path = dir.file("a.bin");
    for (uint32_t disposition : {0u, 6u, 0xFFFFFFFFu})
        expect_open_fails(path, kReadWrite, 0, disposition, OX_ERROR_INVALID_PARAMETER);
    expect_open_fails(path, 0, 0, OX_CREATE_ALWAYS, OX_ERROR_INVALID_PARAMETER);  // neither read nor write
    expect_open_fails("", kRead, 0, OX_OPEN_EXISTING, OX_ERROR_PATH_NOT_FOUND);
    OxFileHandle file = 0;
    uint32_t err = 0;
    EXPECT_EQ(oxOpenFile(nullptr, &file, kRead, 0, OX_OPEN_EXISTING, 0, 0, 0, &err), 0);
    EXPECT_EQ(file, OX_INVALID_FILE);
    EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(std::filesystem::exists(path)) << "a refused open created the file";
}

TEST(FilesOpen, DispositionsAndTheirCodes) {
    TempDir dir;
    const std::string path = dir.file("d.bin");
    FileGuard f;
    uint32_t err;

    // Create new: only where nothing exists.
    ASSERT_EQ(open_into(f, path, kWrite, 0, OX_CREATE_NEW, err), 1);
    EXPECT_EQ(err, 0u);
    EXPECT_NE(f.get(), 0u);
    f.close();
    write_bytes(path, pattern(50));
    expect_open_fails(path, kWrite, 0, OX_CREATE_NEW, OX_ERROR_FILE_EXISTS);
    EXPECT_EQ(read_bytes(path), pattern(50));

    // Create always: empties an existing file and says so with 183; a new file gives 0.
    ASSERT_EQ(open_into(f, path, kWrite, 0, OX_CREATE_ALWAYS, err), 1);
    EXPECT_EQ(err, OX_ERROR_ALREADY_EXISTS);
    EXPECT_EQ(oxGetFileSize(f.get()), 0u);
    f.close();
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    ASSERT_EQ(open_into(f, dir.file("new1.bin"), kWrite, 0, OX_CREATE_ALWAYS, err), 1);
    EXPECT_EQ(err, 0u);
    f.close();

    // Create always with read access only still empties the file.
    write_bytes(path, pattern(50));
    ASSERT_EQ(open_into(f, path, kRead, 0, OX_CREATE_ALWAYS, err), 1);
    EXPECT_EQ(err, OX_ERROR_ALREADY_EXISTS);
    f.close();
    EXPECT_EQ(std::filesystem::file_size(path), 0u);

    // Open always: keeps the content of an existing file.
    write_bytes(path, pattern(50));
    ASSERT_EQ(open_into(f, path, kReadWrite, 0, OX_OPEN_ALWAYS, err), 1);
    EXPECT_EQ(err, OX_ERROR_ALREADY_EXISTS);
    EXPECT_EQ(oxGetFileSize(f.get()), 50u);
    f.close();
    ASSERT_EQ(open_into(f, dir.file("new2.bin"), kReadWrite, 0, OX_OPEN_ALWAYS, err), 1);
    EXPECT_EQ(err, 0u);
    f.close();
    EXPECT_TRUE(std::filesystem::exists(dir.file("new2.bin")));

    // Open existing: position 0, content kept.
    ASSERT_EQ(open_into(f, path, kRead, 0, OX_OPEN_EXISTING, err), 1);
    EXPECT_EQ(err, 0u);
    EXPECT_EQ(oxGetFilePointer(f.get()), 0u);
    f.close();

    // Truncate existing needs write access.
    expect_open_fails(path, kRead, 0, OX_TRUNCATE_EXISTING, OX_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(read_bytes(path), pattern(50));
    ASSERT_EQ(open_into(f, path, kWrite, 0, OX_TRUNCATE_EXISTING, err), 1);
    EXPECT_EQ(err, 0u);
    f.close();
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST(FilesOpen, FolderIsAccessDenied) {
    TempDir dir;
    const std::string folder = dir.file("sub");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    expect_open_fails(folder, kRead, 0, OX_OPEN_EXISTING, OX_ERROR_ACCESS_DENIED);
    expect_open_fails(folder, kReadWrite, 0, OX_OPEN_EXISTING, OX_ERROR_ACCESS_DENIED);
    expect_open_fails(folder, kRead, kShared, OX_OPEN_ALWAYS, OX_ERROR_ACCESS_DENIED);
    expect_open_fails(folder, kWrite, 0, OX_CREATE_ALWAYS, OX_ERROR_ACCESS_DENIED);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(FilesOpen, ReadOnlyFiles) {
    TempDir dir;
    const std::string path = dir.file("ro.bin");
    FileGuard f;
    uint32_t err;

    // The read-only attribute takes the write bits away, yet the creating handle may write.
    ASSERT_EQ(open_into(f, path, kWrite, 0, OX_CREATE_NEW, err, OX_FILE_ATTRIBUTE_READONLY), 1);
    uint32_t done = 0;
    EXPECT_EQ(oxWriteFile(f.get(), "abc", 3, &done, &err), 1);
    EXPECT_EQ(done, 3u);
    f.close();
    EXPECT_EQ(mode_of(path) & 0222, 0u);

    err = kGarbage;
    EXPECT_EQ(oxCheckFileReadOnlyAttribute(path.c_str(), &err), 1);
    EXPECT_EQ(err, OX_ERROR_ACCESS_DENIED);

    // Refused for writing and emptying even when the process could bypass permission bits.
    expect_open_fails(path, kWrite, 0, OX_OPEN_EXISTING, OX_ERROR_ACCESS_DENIED);
    expect_open_fails(path, kReadWrite, kShared, OX_OPEN_ALWAYS, OX_ERROR_ACCESS_DENIED);
    expect_open_fails(path, kWrite, 0, OX_CREATE_ALWAYS, OX_ERROR_ACCESS_DENIED);
    expect_open_fails(path, kRead, 0, OX_CREATE_ALWAYS, OX_ERROR_ACCESS_DENIED);
    expect_open_fails(path, kWrite, 0, OX_TRUNCATE_EXISTING, OX_ERROR_ACCESS_DENIED);
    EXPECT_EQ(read_bytes(path), (std::vector<uint8_t>{'a', 'b', 'c'}));
    ASSERT_EQ(open_into(f, path, kRead, 0, OX_OPEN_EXISTING, err), 1);
    f.close();

    err = kGarbage;
    EXPECT_EQ(oxDeleteFile(path.c_str(), &err), 0);
    EXPECT_EQ(err, OX_ERROR_ACCESS_DENIED);
    EXPECT_TRUE(std::filesystem::exists(path));

    // One write bit for anyone makes it writable again.
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    err = kGarbage;
    EXPECT_EQ(oxCheckFileReadOnlyAttribute(path.c_str(), &err), 0);
    EXPECT_EQ(err, 0u);
    EXPECT_EQ(oxDeleteFile(path.c_str(), &err), 1);
    EXPECT_EQ(err, 0u);

    err = kGarbage;
    EXPECT_EQ(oxCheckFileReadOnlyAttribute(path.c_str(), &err), 0);  // now missing
    EXPECT_EQ(err, 0u);

    // Create always with the attribute over an existing writable file makes it read-only.
    write_bytes(path, pattern(10));
    ASSERT_EQ(open_into(f, path, kWrite, 0, OX_CREATE_ALWAYS, err, OX_FILE_ATTRIBUTE_READONLY), 1);
    EXPECT_EQ(err, OX_ERROR_ALREADY_EXISTS);
    f.close();
    EXPECT_EQ(mode_of(path) & 0222, 0u);
}

TEST(FilesOpen, HandlesAreNeverZeroAndCloseOnExec) {
    TempDir dir;
    const std::string path = dir.file("z.bin");
    write_bytes(path, pattern(8));

    // With descriptor 0 free the system would hand it out first.
    int saved_stdin = fcntl(0, F_DUPFD_CLOEXEC, 3);
    ASSERT_GE(saved_stdin, 0);
    ASSERT_EQ(close(0), 0);
    OxFileHandle file = 0;
    uint32_t err = kGarbage;
    int32_t ok = oxOpenFile(path.c_str(), &file, kRead, 0, OX_OPEN_EXISTING, 0, 0, 0, &err);
    bool zero_free = fcntl(0, F_GETFD) == -1;
    uint8_t buf[8] = {};
    uint32_t done = 0;
    int32_t read_ok = ok ? oxReadFile(file, buf, 8, &done, &err) : 0;
    int fd_flags = ok ? fcntl(static_cast<int>(file), F_GETFD) : -1;
    if (ok) oxCloseFile(file);
    dup2(saved_stdin, 0);
    close(saved_stdin);

    ASSERT_EQ(ok, 1);
    EXPECT_NE(file, 0u);
    EXPECT_TRUE(zero_free) << "descriptor 0 was kept";
    EXPECT_EQ(read_ok, 1);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + done), pattern(8));
    EXPECT_TRUE(fd_flags >= 0 && (fd_flags & FD_CLOEXEC));
}

TEST(FilesOpen, NoDescriptorLeaks) {
    TempDir dir;
    const std::string path = dir.file("held.bin");
    const std::string ro = dir.file("ro.bin");
    write_bytes(path, pattern(20));
    write_bytes(ro, pattern(20));
    ASSERT_EQ(chmod(ro.c_str(), 0444), 0);
    ASSERT_TRUE(std::filesystem::create_directory(dir.file("sub")));

    FileGuard holder;
    uint32_t err;
    ASSERT_EQ(open_into(holder, path, kRead, 0, OX_OPEN_EXISTING, err), 1);
    std::size_t before = open_descriptor_count();
    ASSERT_GT(before, 0u);
    for (int round = 0; round < 10; ++round) {
        expect_open_fails(dir.file("missing"), kRead, 0, OX_OPEN_EXISTING, OX_ERROR_FILE_NOT_FOUND);
        expect_open_fails(dir.file("none/x"), kWrite, 0, OX_CREATE_ALWAYS, OX_ERROR_PATH_NOT_FOUND);
        expect_open_fails(dir.file("sub"), kRead, 0, OX_OPEN_EXISTING, OX_ERROR_ACCESS_DENIED);
        expect_open_fails(ro, kReadWrite, 0, OX_OPEN_EXISTING, OX_ERROR_ACCESS_DENIED);
        expect_open_fails(path, kWrite, 0, OX_CREATE_NEW, OX_ERROR_FILE_EXISTS);
        expect_open_fails(path, kRead, 0, OX_OPEN_EXISTING, OX_ERROR_SHARING_VIOLATION);
        expect_open_fails(path, kWrite, kShared, OX_CREATE_ALWAYS, OX_ERROR_SHARING_VIOLATION);
        expect_open_fails(path, kRead, 0, OX_TRUNCATE_EXISTING, OX_ERROR_INVALID_PARAMETER);
        FileGuard ok;
        ASSERT_EQ(open_into(ok, ro, kRead, kShared, OX_OPEN_EXISTING, err), 1);
    }
    EXPECT_EQ(open_descriptor_count(), before);
    EXPECT_EQ(read_bytes(path), pattern(20));
}

// ---- reading, writing, positions

TEST(FilesIO, WriteThenReadBackStoppingAtTheEnd) {
    TempDir dir;
    const std::string path = dir.file("w.bin");
    const auto data = pattern(70000);
    FileGuard f;
    uint32_t err, done = 0;
    ASSERT_EQ(open_into(f, path, kReadWrite, 0, OX_CREATE_ALWAYS, err), 1);
    err = kGarbage;
    ASSERT_EQ(oxWriteFile(f.get(), data.data(), static_cast<uint32_t>(data.size()), &done, &err), 1);
    EXPECT_EQ(done, data.size());
    EXPECT_EQ(err, 0u);
    EXPECT_EQ(oxGetFileSize(f.get()), data.size());
    EXPECT_EQ(oxGetFilePointer(f.get()), data.size());
    ASSERT_EQ(oxSeekFile(f.get(), 0, 0, &err), 1);
    std::vector<uint8_t> back(data.size());
    ASSERT_EQ(oxReadFile(f.get(), back.data(), static_cast<uint32_t>(back.size()), &done, &err), 1);
    EXPECT_EQ(done, data.size());
    EXPECT_EQ(back, data);

    // Ten bytes asked for four bytes before the end: four come back, and the call succeeds.
    ASSERT_EQ(oxSeekFile(f.get(), -4, 2, &err), 1);
    uint8_t buf[10];
    std::memset(buf, 0xEE, sizeof buf);
    done = 0xFFFF;
    err = kGarbage;
    EXPECT_EQ(oxReadFile(f.get(), buf, 10, &done, &err), 1);
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(err, 0u);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 4), std::vector<uint8_t>(data.end() - 4, data.end()));
    EXPECT_EQ(buf[4], 0xEE);

    done = 0xFFFF;
    EXPECT_EQ(oxReadFile(f.get(), buf, 10, &done, &err), 1);  // at the end: success with nothing
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(err, 0u);
    f.close();
    EXPECT_EQ(read_bytes(path), data);
}

TEST(FilesIO, DirectionAndHandleChecks) {
    TempDir dir;
    const std::string path = dir.file("dir.bin");
    write_bytes(path, pattern(16));
    FileGuard reader, writer;
    uint32_t err, done;
    uint8_t buf[16];

    ASSERT_EQ(open_into(reader, path, kRead, kShared, OX_OPEN_EXISTING, err), 1);
    done = 99;
    EXPECT_EQ(oxWriteFile(reader.get(), "xy", 2, &done, &err), 0);
    EXPECT_EQ(err, OX_ERROR_ACCESS_DENIED);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(oxSetEndOfFile(reader.get()), 0);

    ASSERT_EQ(open_into(writer, path, kWrite, kShared, OX_OPEN_EXISTING, err), 1);
    EXPECT_EQ(oxReadFile(writer.get(), buf, sizeof buf, &done, &err), 0);
    EXPECT_EQ(err, OX_ERROR_ACCESS_DENIED);
    EXPECT_EQ(oxReadFile(writer.get(), buf, 0, &done, &err), 0);  // even for nothing
    EXPECT_EQ(err, OX_ERROR_ACCESS_DENIED);
    EXPECT_EQ(read_bytes(path), pattern(16));

    // Handles that are not open: the invalid value, 0 (descriptor 0 must stay untouched), a closed one.
    FileGuard gone;
    ASSERT_EQ(open_into(gone, path, kRead, kShared, OX_OPEN_EXISTING, err), 1);
    OxFileHandle closed = gone.get();
    gone.close();
    int stdin_flags = fcntl(0, F_GETFD);
    for (OxFileHandle bad : {OX_INVALID_FILE, OxFileHandle{0}, closed}) {
        err = kGarbage;
        EXPECT_EQ(oxReadFile(bad, buf, 4, &done, &err), 0);
        EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
        err = kGarbage;
        EXPECT_EQ(oxWriteFile(bad, buf, 4, &done, &err), 0);
        EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
        err = kGarbage;
        EXPECT_EQ(oxSeekFile(bad, 0, 0, &err), 0);
        EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
        EXPECT_EQ(oxGetFileSize(bad), 0xFFFFFFFFu);
        EXPECT_EQ(oxGetFilePointer(bad), 0xFFFFFFFFu);
        EXPECT_EQ(oxSetEndOfFile(bad), 0);
        EXPECT_EQ(oxCloseFile(bad), 0);
    }
    EXPECT_EQ(fcntl(0, F_GETFD), stdin_flags);
}

TEST(FilesIO, FullDiskIs112) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    FileGuard f;
    uint32_t err, done = 99;
    ASSERT_EQ(open_into(f, "/dev/full", kWrite, kShared, OX_OPEN_EXISTING, err), 1);
    EXPECT_EQ(oxWriteFile(f.get(), "abcd", 4, &done, &err), 0);
    EXPECT_EQ(err, OX_ERROR_DISK_FULL);
    EXPECT_EQ(done, 0u);
}

TEST(FilesSeek, OriginsLimitsAndFailures) {
    TempDir dir;
    const std::string path = dir.file("s.bin");
    const auto data = pattern(3000);
    write_bytes(path, data);
    FileGuard f;
    uint32_t err;
    ASSERT_EQ(open_into(f, path, kRead, 0, OX_OPEN_EXISTING, err), 1);

    err = kGarbage;  // success leaves the code alone
    ASSERT_EQ(oxSeekFile(f.get(), -2568, 2, &err), 1);
    EXPECT_EQ(err, kGarbage);
    EXPECT_EQ(oxGetFilePointer(f.get()), 3000u - 2568u);
    uint8_t b = 0;
    uint32_t done = 0;
    ASSERT_EQ(oxReadFile(f.get(), &b, 1, &done, &err), 1);
    EXPECT_EQ(b, data[432]);
    ASSERT_EQ(oxSeekFile(f.get(), 10, 1, &err), 1);
    EXPECT_EQ(oxGetFilePointer(f.get()), 443u);
    ASSERT_EQ(oxSeekFile(f.get(), 5, 0, &err), 1);
    EXPECT_EQ(oxGetFilePointer(f.get()), 5u);

    // Failures leave the position where it was.
    err = kGarbage;
    EXPECT_EQ(oxSeekFile(f.get(), -6, 1, &err), 0);
    EXPECT_EQ(err, OX_ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(oxSeekFile(f.get(), -3001, 2, &err), 0);
    EXPECT_EQ(err, OX_ERROR_NEGATIVE_SEEK);
    err = kGarbage;
    EXPECT_EQ(oxSeekFile(f.get(), 0, 3, &err), 0);
    EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(oxGetFilePointer(f.get()), 5u);

    // The highest position is 0xFFFFFFFE; seeking does not grow the file.
    ASSERT_EQ(oxSeekFile(f.get(), INT32_MAX, 0, &err), 1);
    ASSERT_EQ(oxSeekFile(f.get(), 1, 1, &err), 1);
    EXPECT_EQ(oxGetFilePointer(f.get()), 0x80000000u);
    ASSERT_EQ(oxSeekFile(f.get(), INT32_MAX - 1, 1, &err), 1);
    EXPECT_EQ(oxGetFilePointer(f.get()), 0xFFFFFFFEu);
    err = kGarbage;
    EXPECT_EQ(oxSeekFile(f.get(), 1, 1, &err), 0);
    EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(oxGetFilePointer(f.get()), 0xFFFFFFFEu);
    EXPECT_EQ(oxGetFileSize(f.get()), 3000u);
}

TEST(FilesSeek, SetEndOfFileTruncatesAndExtends) {
    TempDir dir;
    const std::string path = dir.file("e.bin");
    const auto data = pattern(3000);
    write_bytes(path, data);
    FileGuard f;
    uint32_t err;
    ASSERT_EQ(open_into(f, path, kReadWrite, 0, OX_OPEN_EXISTING, err), 1);
    ASSERT_EQ(oxSeekFile(f.get(), 1000, 0, &err), 1);
    ASSERT_NE(oxSetEndOfFile(f.get()), 0);
    EXPECT_EQ(oxGetFileSize(f.get()), 1000u);
    EXPECT_EQ(oxGetFilePointer(f.get()), 1000u);
    ASSERT_EQ(oxSeekFile(f.get(), 500, 1, &err), 1);
    ASSERT_NE(oxSetEndOfFile(f.get()), 0);
    f.close();
    auto back = read_bytes(path);
    ASSERT_EQ(back.size(), 1500u);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 1000, data.begin()));
    EXPECT_TRUE(std::all_of(back.begin() + 1000, back.end(), [](uint8_t v) { return v == 0; }));
}

// ---- share modes

TEST(FilesShare, ExclusiveWithinOneProcess) {
    TempDir dir;
    const std::string path = dir.file("x.bin");
    write_bytes(path, pattern(40));
    FileGuard a, b, c;
    uint32_t err;

    // A read-only exclusive open keeps out every other open, and nothing empties the file meanwhile.
    ASSERT_EQ(open_into(a, path, kRead, 0, OX_OPEN_EXISTING, err), 1);
    expect_open_fails(path, kRead, 0, OX_OPEN_EXISTING, OX_ERROR_SHARING_VIOLATION);
    expect_open_fails(path, kRead, kShared, OX_OPEN_EXISTING, OX_ERROR_SHARING_VIOLATION);
    expect_open_fails(path, kWrite, 0, OX_CREATE_ALWAYS, OX_ERROR_SHARING_VIOLATION);
    expect_open_fails(path, kWrite, kShared, OX_TRUNCATE_EXISTING, OX_ERROR_SHARING_VIOLATION);
    expect_open_fails(path, kReadWrite, kShared, OX_OPEN_ALWAYS, OX_ERROR_SHARING_VIOLATION);
    EXPECT_EQ(read_bytes(path), pattern(40));
    a.close();
    ASSERT_EQ(open_into(a, path, kReadWrite, 0, OX_OPEN_EXISTING, err), 1);
    a.close();

    // Shared opens coexist; any one of them keeps an exclusive open out until all are closed.
    ASSERT_EQ(open_into(a, path, kRead, OX_FILE_SHARE_READ, OX_OPEN_EXISTING, err), 1);
    ASSERT_EQ(open_into(b, path, kReadWrite, kShared, OX_OPEN_EXISTING, err), 1);
    ASSERT_EQ(open_into(c, path, kWrite, OX_FILE_SHARE_DELETE, OX_OPEN_ALWAYS, err), 1);
    expect_open_fails(path, kRead, 0, OX_OPEN_EXISTING, OX_ERROR_SHARING_VIOLATION);
    a.close();
    b.close();
    expect_open_fails(path, kRead, 0, OX_OPEN_EXISTING, OX_ERROR_SHARING_VIOLATION);
    c.close();
    ASSERT_EQ(open_into(a, path, kRead, 0, OX_OPEN_EXISTING, err), 1);
}

// A child process that opens `path` with `share` and holds it until told to go. The child exits without
// closing, so the kernel's clean-up at exit must release the lock.
class Holder {
public:
    Holder(const std::string &path, uint32_t share) {
        int ready[2], go[2];
        if (pipe(ready) != 0 || pipe(go) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(go[1]);
            OxFileHandle file;
            uint32_t err;
            char r = oxOpenFile(path.c_str(), &file, OX_GENERIC_READ, share, OX_OPEN_EXISTING, 0, 0, 0, &err) ? 'r' : 'f';
            if (write(ready[1], &r, 1) != 1) _exit(3);
            char g;
            if (read(go[0], &g, 1) != 1) _exit(4);
            _exit(r == 'r' ? 0 : 2);
        }
        close(ready[1]);
        close(go[0]);
        go_ = go[1];
        char r = 0;
        opened_ = pid_ > 0 && read(ready[0], &r, 1) == 1 && r == 'r';
        close(ready[0]);
    }
    ~Holder() { finish(); }
    bool opened() const { return opened_; }
    // Lets the child exit and returns its exit status.
    int finish() {
        if (pid_ <= 0) return -1;
        char g = 'g';
        (void)!write(go_, &g, 1);
        close(go_);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int go_ = -1;
    bool opened_ = false;
};

TEST(FilesShare, AcrossProcesses) {
    TempDir dir;
    const std::string path = dir.file("p.bin");
    write_bytes(path, pattern(40));
    FileGuard f;
    uint32_t err;

    {
        Holder child(path, OX_FILE_SHARE_EXCLUSIVE);
        ASSERT_TRUE(child.opened());
        expect_open_fails(path, kRead, 0, OX_OPEN_EXISTING, OX_ERROR_SHARING_VIOLATION);
        expect_open_fails(path, kRead, kShared, OX_OPEN_EXISTING, OX_ERROR_SHARING_VIOLATION);
        expect_open_fails(path, kWrite, 0, OX_CREATE_ALWAYS, OX_ERROR_SHARING_VIOLATION);
        EXPECT_EQ(read_bytes(path), pattern(40));
        EXPECT_EQ(child.finish(), 0);
    }
    ASSERT_EQ(open_into(f, path, kReadWrite, 0, OX_OPEN_EXISTING, err), 1);

    // Our exclusive open keeps a child out in turn.
    {
        Holder child(path, kShared);
        EXPECT_FALSE(child.opened());
        EXPECT_EQ(child.finish(), 2);
    }
    f.close();

    {
        Holder child(path, kShared);
        ASSERT_TRUE(child.opened());
        ASSERT_EQ(open_into(f, path, kRead, kShared, OX_OPEN_EXISTING, err), 1);
        f.close();
        expect_open_fails(path, kRead, 0, OX_OPEN_EXISTING, OX_ERROR_SHARING_VIOLATION);
        EXPECT_EQ(child.finish(), 0);
    }
    ASSERT_EQ(open_into(f, path, kRead, 0, OX_OPEN_EXISTING, err), 1);
}

// ---- renames, deletes, folders

TEST(FilesNames, RenameTakesTheNewNameFirstAndNeverReplaces) {
    TempDir dir;
    const std::string a = dir.file("a.bin"), b = dir.file("b.bin"), c = dir.file("c.bin");
    write_bytes(a, pattern(30));
    uint32_t err = kGarbage;
    ASSERT_NE(oxChangeFileName(b.c_str(), a.c_str(), &err), 0);
    EXPECT_EQ(err, 0u);
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_EQ(read_bytes(b), pattern(30));

    write_bytes(c, {9, 9});
    err = kGarbage;
    EXPECT_EQ(oxChangeFileName(c.c_str(), b.c_str(), &err), 0);
    EXPECT_EQ(err, OX_ERROR_ALREADY_EXISTS);
    EXPECT_EQ(read_bytes(b), pattern(30));
    EXPECT_EQ(read_bytes(c), (std::vector<uint8_t>{9, 9}));

    EXPECT_EQ(oxChangeFileName(dir.file("d.bin").c_str(), a.c_str(), &err), 0);
    EXPECT_EQ(err, OX_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(oxChangeFileName(dir.file("d.bin").c_str(), dir.file("none/a.bin").c_str(), &err), 0);
    EXPECT_EQ(err, OX_ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(oxChangeFileName(dir.file("none/d.bin").c_str(), b.c_str(), &err), 0);
    EXPECT_EQ(err, OX_ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(std::filesystem::exists(b));

    // Folders move too, with what they hold.
    ASSERT_TRUE(std::filesystem::create_directory(dir.file("f1")));
    write_bytes(dir.file("f1/in.bin"), {1});
    ASSERT_NE(oxChangeFileName(dir.file("f2").c_str(), dir.file("f1").c_str(), &err), 0);
    EXPECT_EQ(read_bytes(dir.file("f2/in.bin")), (std::vector<uint8_t>{1}));
}

TEST(FilesNames, RenameToAnotherFileSystemMovesTheFile) {
    TempDir dir;
    struct stat here {}, shm {};
    if (stat(dir.path().c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    const std::string from = dir.file("m.bin");
    const std::string to = "/dev/shm/oxwutl-move-" + std::to_string(getpid());
    write_bytes(from, pattern(100000));
    ASSERT_EQ(chmod(from.c_str(), 0640), 0);
    uint32_t err = kGarbage;
    int32_t ok = oxChangeFileName(to.c_str(), from.c_str(), &err);
    auto moved = read_bytes(to);
    mode_t mode = ok ? mode_of(to) : 0;
    unlink(to.c_str());
    ASSERT_NE(ok, 0);
    EXPECT_EQ(err, 0u);
    EXPECT_FALSE(std::filesystem::exists(from));
    EXPECT_EQ(moved, pattern(100000));
    EXPECT_EQ(mode, 0640u);
}

TEST(FilesNames, DeleteAndCreateFolder) {
    TempDir dir;
    const std::string file = dir.file("f.bin"), folder = dir.file("sub");
    write_bytes(file, {1, 2});
    uint32_t err = kGarbage;
    ASSERT_NE(oxDeleteFile(file.c_str(), &err), 0);
    EXPECT_EQ(err, 0u);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(oxDeleteFile(file.c_str(), &err), 0);
    EXPECT_EQ(err, OX_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(oxDeleteFile(dir.file("none/f.bin").c_str(), &err), 0);
    EXPECT_EQ(err, OX_ERROR_PATH_NOT_FOUND);

    err = kGarbage;
    ASSERT_EQ(oxCreateFolder(folder.c_str(), 0, &err), 1);
    EXPECT_EQ(err, 0u);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(oxCreateFolder(folder.c_str(), 0, &err), 0);
    EXPECT_EQ(err, OX_ERROR_ALREADY_EXISTS);
    write_bytes(file, {1});
    EXPECT_EQ(oxCreateFolder(file.c_str(), 0, &err), 0);
    EXPECT_EQ(err, OX_ERROR_ALREADY_EXISTS);
    EXPECT_EQ(oxCreateFolder(dir.file("none/sub").c_str(), 0, &err), 0);
    EXPECT_EQ(err, OX_ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none")));

    // A folder is not deleted as a file.
    EXPECT_EQ(oxDeleteFile(folder.c_str(), &err), 0);
    EXPECT_EQ(err, OX_ERROR_ACCESS_DENIED);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

}  // namespace
