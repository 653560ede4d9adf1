// Whole-file work shared by the library's writers and by oxdoc: exclusive opens that cannot land on a file
// another call has just replaced, whole reads and writes, and the replacement of a whole file through a
// flushed temporary file that is renamed over the old one. oxdoc builds this file in (with core/errors.cpp),
// so it uses nothing of the library but its exported file calls.
#pragma once

#include <cstdint>
#include <string>

#include "core/files.h"
#include "ox.h"

namespace ox::core {

// oxOpenFile with share mode 0 and normal attributes, made safe against a concurrent replacement: a
// replacement renames a new file over the path while it holds the old one locked, so an open that took the
// lock after that rename may hold the old, unlinked file. The open is then dropped and tried again; after
// a few rounds of losing that race the result is 0 with 32. The code follows oxOpenFile.
int32_t open_exclusive(const char *path, FileGuard &file, uint32_t access, uint32_t disposition, uint32_t *err);

// Writes all `count` bytes at the current position through oxWriteFile. A short write without a reason
// counts as a full disk (112). Returns 1 on success; the code follows oxWriteFile.
int32_t write_all(OxFileHandle file, const void *data, uint32_t count, uint32_t *err);

// Reads exactly `count` bytes at the current position; meeting the end of the file first fails with 38.
int32_t read_exact(OxFileHandle file, void *data, uint32_t count, uint32_t *err);

// Moves to an absolute position of up to 0xFFFFFFFE (oxSeekFile takes a signed 32-bit distance).
int32_t seek_to(OxFileHandle file, uint64_t position, uint32_t *err);

// What Replacement::begin does with a target that exists and is not a regular file. A folder is always
// refused (5); a device, FIFO or socket is refused with 50 (OX_ERROR_NOT_SUPPORTED) or written in place.
// Either way it is never replaced by a regular file.
enum class Special { refuse, in_place };

// A whole file written beside its target, taking the target's place on commit().
//
// The temporary file is ".NAME.XXXXXXXX.tmp" in the target's folder (NAME the target's name, X eight
// random letters and digits), created with O_EXCL and O_NOFOLLOW, so nothing planted under a name can be
// written through. Its writer holds a record lock on it for as long as the object lives; begin() first
// removes every temporary file of the same target that no live writer holds (left by a writer that died),
// so crashes leave at most one behind. Until committed, the destructor removes the temporary file: a
// failed write leaves the target as it was and nothing beside it.
//
// The target is the file a symbolic link (or chain of links) names, so a link stays a link; a dangling
// link gets its file created. A device or FIFO written in place (Special::in_place) is opened without
// blocking: a FIFO that nobody reads fails with 21 (OX_ERROR_NOT_READY) instead of waiting.
class Replacement {
public:
    Replacement() = default;
    ~Replacement();
    Replacement(const Replacement &) = delete;
    Replacement &operator=(const Replacement &) = delete;

    int32_t begin(const char *target, Special special, uint32_t *err);

    int32_t write(const void *data, uint32_t count, uint32_t *err) { return write_all(file_.get(), data, count, err); }

    // Copies `count` bytes of `source` from `offset` on to the end of what is written.
    int32_t copy_from(OxFileHandle source, uint64_t offset, uint64_t count, uint32_t *err);

    // Flushes the temporary file to the disk and renames it over the target. The new file takes the
    // permissions and owner of `like`, the open target, or (OX_INVALID_FILE) of the target the path names
    // now, when there is one. With `replace` false the rename refuses a target that exists (183), for a
    // target that was missing when the call began. The rename is the one moment the target changes; the
    // folder is flushed after it. In place, commit only closes the target.
    int32_t commit(OxFileHandle like, bool replace, uint32_t *err);

    // The file being written: the temporary file, or the target itself when written in place.
    const std::string &path() const { return in_place_ ? target_ : temp_path_; }
    bool in_place() const { return in_place_; }

private:
    std::string target_;
    std::string temp_path_;
    FileGuard file_;
    bool in_place_ = false;
    bool committed_ = false;
};

// Makes `data` the whole content of `path` through a Replacement, holding an existing file exclusively
// meanwhile (a concurrent call of this library fails with 32 rather than losing an update). An existing
// non-regular target is refused (Special::refuse). Returns 1; 0 with the code of the step that failed.
int32_t replace_file(const char *path, const void *data, uint32_t size, uint32_t *err);

// Test hook: the `n`th write made through write_all on the calling thread from now on (1 = the next one)
// writes half of its bytes and then fails with 112, as a disk that fills up half-way would. 0 turns it off.
void fail_write_for_test(unsigned n);

}  // namespace ox::core
