// orvalis-docgen: writes a program's manual page or bash completion script
// from the help table the program prints its --help from. Run by the build.
//
//   orvalis-docgen man|completion PROGRAM OUTFILE

#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "OrvVersion.h"
#include "tools/docs/Completion.h"
#include "tools/docs/ManPage.h"
#include "tools/docs/Programs.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: orvalis-docgen man|completion PROGRAM OUTFILE\n", stderr);
        return 2;
    }
    const std::string_view kind = argv[1];
    const CommandHelp* help = FindDocumentedProgram(argv[2]);
    if (help == nullptr || (kind != "man" && kind != "completion")) {
        std::fprintf(stderr, "orvalis-docgen: nothing known about '%s %s'\n", argv[1], argv[2]);
        return 2;
    }
    const std::string text = kind == "man" ? ManPage(*help, ORV_VERSION) : BashCompletion(*help);
    std::ofstream file(argv[3], std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        std::fprintf(stderr, "orvalis-docgen: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
