// oxdoc's commands: each runs on its parsed command line (command_line.h) and returns the exit code.
#pragma once

#include <string>
#include <vector>

namespace oxdoc {

using Args = std::vector<std::string>;
struct Invocation;

// Exit codes shared by every command.
enum Exit : int {
    kOk = 0,
    kFailed = 1,  // the operation failed (bad document, I/O error, a check that did not hold)
    kUsage = 2,   // the command line was wrong
};

int cmd_version(const Invocation &inv);
int cmd_selfcheck(const Invocation &inv);
int cmd_demo(const Invocation &inv);
int cmd_mgmt(const Invocation &inv);   // management files
int cmd_chart(const Invocation &inv);  // colour charts
int cmd_ls(const Invocation &inv);
int cmd_get(const Invocation &inv);
int cmd_thumbs(const Invocation &inv);
int cmd_vector(const Invocation &inv);
int cmd_save(const Invocation &inv);
int cmd_check(const Invocation &inv);
int cmd_view(const Invocation &inv);  // a picture drawn by the display layer at a zoom
int cmd_text(const Invocation &inv);  // a text drawn into a picture in an edition's font
int cmd_settings(const Invocation &inv);  // the settings store

// The demo's text pictures: captions in the three editions (captions.png) and a status bar halfway
// through a counter bar (status-bar.png).
bool write_demo_text(const std::string &dir, std::string &error);

// The demo's window chrome: a splash made from `picture` (PNG) with the version and a message on it
// (splash.png), and a tool palette unrolled and rolled up (palette.png).
bool write_demo_chrome(const std::string &picture, const std::string &dir, std::string &error);

// The save road of a host application: `picture` (PNG) gets its two thumbnails and its vector tag stored
// into `doc_path`, which is created (holding the picture file as its content) when missing. The document is
// written anew beside the old one and renamed over it; it keeps its content and every other tag. A picture
// without ink has no outline: it gets no vector tag (an old one is dropped) and `vector_stored` is false.
bool save_document(const std::string &picture, const std::string &doc_path, bool &vector_stored,
                   std::string &error);

}  // namespace oxdoc
