// `oxdoc demo [DIR]`: the save-and-browse road on the bundled cel drawing.
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "cli.h"
#include "command_line.h"
#include "commands.h"

namespace oxdoc {
namespace {

// The bundled picture: installed beside the tool (../share/oxwUtl), else in the source tree it was built from.
std::string find_demo_picture() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const auto installed = exe.parent_path().parent_path() / "share" / "oxwUtl" / "demo_cel.png";
        if (std::filesystem::exists(installed, ec)) return installed.string();
    }
    const std::filesystem::path source = OXDOC_SOURCE_ASSETS "/demo_cel.png";
    if (std::filesystem::exists(source, ec)) return source.string();
    return {};
}

}  // namespace

int cmd_demo(const Invocation &inv) {
    const std::string dir = inv.positional.empty() ? "demo-out" : inv.positional[0];
    std::string error;
    const std::string picture = find_demo_picture();
    if (picture.empty()) return fail("demo", "the bundled picture demo_cel.png is missing from this installation");
    if (!ensure_dir(dir, error)) return fail("demo", error);

    const std::string doc = dir + "/demo-cel.doc";
    std::filesystem::remove(doc);  // each run makes the document anew
    std::printf("== saving %s as a tagged document\n", picture.c_str());
    bool vector_stored = false;
    if (!save_document(picture, doc, vector_stored, error)) return fail("demo", error);
    std::printf("\n== oxdoc ls %s\n", doc.c_str());
    if (run_command("ls", {doc}) != kOk) return kFailed;
    std::printf("\n== oxdoc check %s\n", doc.c_str());
    if (run_command("check", {doc}) != kOk) return kFailed;
    std::printf("\n== the browser's side: reading the thumbnails and vectors back\n");
    if (run_command("thumbs", {doc, "-o", dir}) != kOk) return kFailed;
    if (run_command("vector", {doc, "-o", dir + "/vectors.svg"}) != kOk) return kFailed;
    std::printf("\n== the canvas view: the picture drawn by the display layer at 1/2 and at 2\n");
    if (run_command("view", {picture, "--zoom", "1/2", "-o", dir + "/view-half.png"}) != kOk) return kFailed;
    if (run_command("view", {picture, "--zoom", "2", "-o", dir + "/view-double.png"}) != kOk) return kFailed;
    std::printf("\n== text: captions in the three editions, and a status bar halfway through a counter bar\n");
    if (!write_demo_text(dir, error)) return fail("demo", error);
    std::printf("\n== windows: a splash while the host starts, and a tool palette unrolled and rolled up\n");
    if (!write_demo_chrome(picture, dir, error)) return fail("demo", error);
    std::printf("\nwrote %s/: demo-cel.doc, thumb-small.png, thumb-large.png, vectors.svg, view-half.png, "
                "view-double.png, captions.png, status-bar.png, splash.png, palette.png\n",
                dir.c_str());
    return kOk;
}

}  // namespace oxdoc
