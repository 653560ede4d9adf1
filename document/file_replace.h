// The file work shared by the management file and the colour chart: exclusive opens that cannot land on a
// file another call has just replaced, whole writes, and the replacement of a whole file through a flushed
// temporary file that is renamed over the old one.
#pragma once

#include <cstdint>
#include <string>

#include "core/files.h"
#include "ox.h"

namespace ox::document {

// oxOpenFile with share mode 0 and normal attributes, made safe against a concurrent replacement: a
// replacement renames a new file over the path while it holds the old one locked, so an open that took the
// lock after that rename may hold the old, unlinked file. The open is then dropped and tried again; after
// a few rounds of losing that race the result is 0 with 32. The code follows oxOpenFile.
int32_t open_exclusive(const char *path, core::FileGuard &file, uint32_t access, uint32_t disposition,
                       uint32_t creator, uint32_t file_type, uint32_t *err);

// Writes all `count` bytes at the current position through oxWriteFile. A short write without a reason
// counts as a full disk (112). Returns 1 on success; the code follows oxWriteFile.
int32_t write_all(OxFileHandle file, const void *data, uint32_t count, uint32_t *err);

// Reads exactly `count` bytes at the current position; meeting the end of the file first fails with 38.
int32_t read_exact(OxFileHandle file, void *data, uint32_t count, uint32_t *err);

// Moves to an absolute position of up to 0xFFFFFFFE (oxSeekFile takes a signed 32-bit distance).
int32_t seek_to(OxFileHandle file, uint64_t position, uint32_t *err);

// A temporary file beside a target that takes the target's place on commit(). The temporary name holds
// the process id and a counter, so replacements by several processes and threads never share one. Until
// committed, the destructor closes and removes the temporary file: a failed call leaves the target as it
// was and nothing beside it.
class Replacement {
public:
    Replacement() = default;
    ~Replacement();
    Replacement(const Replacement &) = delete;
    Replacement &operator=(const Replacement &) = delete;

    // Creates the temporary file beside `target` (symbolic links are followed to the real file, so a link
    // stays a link). `creator` and `file_type` are handed to oxOpenFile.
    int32_t begin(const char *target, uint32_t creator, uint32_t file_type, uint32_t *err);

    int32_t write(const void *data, uint32_t count, uint32_t *err) { return write_all(temp_.get(), data, count, err); }

    // Copies `count` bytes of `source` from `offset` on to the end of the temporary file.
    int32_t copy_from(OxFileHandle source, uint64_t offset, uint64_t count, uint32_t *err);

    // Flushes the temporary file to the disk and renames it over the target. `like` (when not
    // OX_INVALID_FILE) is the open target, whose permissions and owner the new file takes. With
    // `replace` false the rename refuses a target that exists (183), for a target that was missing when
    // the call began. The rename is the one moment the target changes; the folder is flushed after it.
    int32_t commit(OxFileHandle like, bool replace, uint32_t *err);

    const std::string &temp_path() const { return temp_path_; }

private:
    std::string target_;
    std::string temp_path_;
    core::FileGuard temp_;
    bool committed_ = false;
};

// Test hook: the `n`th write made through write_all on the calling thread from now on (1 = the next one)
// writes half of its bytes and then fails with 112, as a disk that fills up half-way would. 0 turns it off.
void fail_write_for_test(unsigned n);

}  // namespace ox::document
