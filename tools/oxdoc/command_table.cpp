// Every oxdoc command: its forms, options and help. A new command is one row here and its run function;
// the man page (oxdoc.1) carries the same texts, which a test holds it to.
#include "command_line.h"

namespace oxdoc {

const std::vector<Command> &command_table() {
    static const std::vector<Command> table = {
        {"ls", "DOC [--json]", "list the tags of a document (id, name, size, offset)",
         {{"--json", nullptr, "print JSON instead of a table"}}, nullptr, 1, 1, cmd_ls},
        {"get", "DOC ID -o OUT", "write one tag: an image tag as PNG, a raw tag as its bytes",
         {{"-o", "OUT", "the file to write; - for standard output", true}}, "ID is decimal or 0x hex (0xFF02).", 2,
         2, cmd_get},
        {"thumbs", "DOC -o DIR", "write both thumbnails as PNG",
         {{"-o", "DIR", "the folder for thumb-small.png and thumb-large.png, made when missing", true}}, nullptr, 1,
         1, cmd_thumbs},
        {"vector", "DOC -o OUT.svg", "draw the outline vectors as SVG",
         {{"-o", "OUT.svg", "the file to write; - for standard output", true}},
         "The canvas has the picture's size when the document's content is a PNG picture, as oxdoc save makes "
         "it; otherwise it spans the vectors. A contour of fewer than three distinct points (a dot or a line one "
         "pixel wide) is drawn as the box of its pixels.",
         1, 1, cmd_vector},
        {"save", "PICTURE.png DOC", "store thumbnails and vectors into DOC (created when new)", {},
         "A new DOC holds the picture file as its content, then the tags. An existing DOC is written anew beside "
         "itself and renamed over it, so that a crash or a full disk leaves it as it was: it keeps its content and "
         "every other tag, and the thumbnails and vector tag are replaced. A picture without ink gets no vector "
         "tag.",
         2, 2, cmd_save},
        {"check", "DOC", "verify the trailer and every tag record; exit 1 on a problem", {}, nullptr, 1, 1,
         cmd_check},
        {"view", "PICTURE.png -o OUT.png [--zoom Z | --size WxH]",
         "draw a picture as a host's canvas view does and write the view as PNG",
         {{"-o", "OUT.png", "the file to write; - for standard output", true},
          {"--zoom", "Z", "a zoom: 3, 1/4, 2/3 or 1.5 (default 1)"},
          {"--size", "WxH", "the window's size instead of a zoom"}},
         nullptr, 1, 1, cmd_view},
        {"text", "TEXT -o OUT.png [--edition j|e|c] [--points N] [--style S] [--color RRGGBB]",
         "draw a UTF-8 text in an edition's font into a white picture and write it as PNG",
         {{"-o", "OUT.png", "the file to write", true},
          {"--edition", "j|e|c", "the Japanese, English or Chinese edition's font (default e)"},
          {"--points", "N", "the size in points, 1 to 200, snapped to the edition's ladder (default 12)"},
          {"--style", "S", "a comma list of bold, italic, underline, strike"},
          {"--color", "RRGGBB", "the text colour in hex (default black)"}},
         nullptr, 1, 1, cmd_text},
        {"mgmt", "FILE create [--force]\nFILE ls\nFILE get TAG [--int]\nFILE set TAG VALUE [--int]",
         "read and write management files",
         {{"--force", nullptr, "create: replace an existing FILE"},
          {"--int", nullptr, "get, set: the value is a signed 32-bit number"}},
         "create makes a file holding tag 0 with the value \"0\"; ls lists every entry; get prints the value of "
         "TAG; set stores VALUE under TAG, added when new. TAG is decimal or 0x hex, 0 to 0xFFFFFFFF. Values are "
         "at most 255 bytes. \"--\" ends the options, for a VALUE that begins with \"-\".",
         2, 4, cmd_mgmt},
        {"chart", "FILE dump [--json | --csv]\nFILE load FROM.csv|FROM.json\nFILE png OUT.png",
         "print, load and draw colour charts",
         {{"--json", nullptr, "dump: print JSON instead of a table"}, {"--csv", nullptr, "dump: print CSV"}},
         "load writes FILE from a CSV or JSON chart: CSV rows are index,red,green,blue,name (a header row is "
         "allowed), JSON is what dump --json prints; entries not given are white with no name. Channels are 0 to "
         "255, names at most 15 bytes. png draws the 1280 colours with their names as a 3072x2560 picture.",
         2, 3, cmd_chart},
        {"settings", "ls [KEY]\nget KEY NAME\nset KEY NAME VALUE\ndelete KEY [NAME]",
         "look at and repair the settings the library keeps for hosts (window placements)",
         {{"--root", "DIR", "the store's folder instead of the user's one"}},
         "KEY is a path such as Software/Studio/Paint/Canvas; keys and value names ignore ASCII case. ls lists "
         "the subkeys (ending in /) and values of KEY, or of the top of the store; a value whose stored number "
         "cannot be read shows as ?. set makes KEY when it is missing. delete removes one value, or KEY itself "
         "when it has no subkeys. VALUE is a 32-bit number: decimal from -2147483648 to 4294967295, or 0x hex. "
         "The store is $XDG_CONFIG_HOME/oxwUtl/settings, else ~/.config/oxwUtl/settings: a folder for each key, "
         "its values in a text file .values of Name = number lines.",
         1, 4, cmd_settings},
        {"demo", "[DIR]", "run the save-and-browse road on the bundled picture, into DIR (default demo-out)", {},
         nullptr, 0, 1, cmd_demo},
        {"selfcheck", "", "exercise the library quickly and report", {}, nullptr, 0, 0, cmd_selfcheck},
        {"version", "", "print the versions of oxdoc and of the library it runs on (also oxdoc --version)", {},
         nullptr, 0, 0, cmd_version},
    };
    return table;
}

}  // namespace oxdoc
