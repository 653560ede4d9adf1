// oxdoc's commands: each takes its own arguments (after the command word) and returns the exit code.
#pragma once

#include <string>
#include <vector>

namespace oxdoc {

using Args = std::vector<std::string>;

// Exit codes shared by every command.
enum Exit : int {
    kOk = 0,
    kFailed = 1,  // the operation failed (bad document, I/O error, a check that did not hold)
    kUsage = 2,   // the command line was wrong
};

int cmd_version(const Args &args);
int cmd_selfcheck(const Args &args);
int cmd_demo(const Args &args);
int cmd_mgmt(const Args &args);   // management files
int cmd_chart(const Args &args);  // colour charts
int cmd_ls(const Args &args);
int cmd_get(const Args &args);
int cmd_thumbs(const Args &args);
int cmd_vector(const Args &args);
int cmd_save(const Args &args);
int cmd_check(const Args &args);
int cmd_view(const Args &args);  // a picture drawn by the display layer at a zoom

// The save road of a host application: `picture` (PNG) gets its two thumbnails and its vector tag stored
// into `doc_path`, which is created (holding the picture file as its content) when missing.
bool save_document(const std::string &picture, const std::string &doc_path, std::string &error);

}  // namespace oxdoc
