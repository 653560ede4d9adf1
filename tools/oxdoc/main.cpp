// oxdoc: inspect and make tagged documents with the oxwUtl library.
#include "command_line.h"

int main(int argc, char **argv) { return oxdoc::run_main(argc, argv); }
