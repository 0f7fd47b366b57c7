// Build-time tool: writes the program's icon as PNG files in the desktop's
// icon theme layout, DIR/NxN/apps/orvalis.png for each size N given.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "gfx/Png.h"
#include "platform/GuardedMain.h"
#include "res/BitmapResources.h"

namespace {

int Export(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: orvalis-icon-export DIR SIZE...\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    for (int i = 2; i < argc; ++i) {
        char* end = nullptr;
        const long size = std::strtol(argv[i], &end, 10);
        const CBitmap icon = (*end == '\0' && size > 0 && size <= 1024)
                                 ? PaintProgramIcon(static_cast<int>(size))
                                 : CBitmap();
        if (icon.IsEmpty()) {
            std::fprintf(stderr, "orvalis-icon-export: cannot draw the icon at size %s\n", argv[i]);
            return 2;
        }
        const std::string n = std::to_string(size);
        const std::filesystem::path dir = root / (n + "x" + n) / "apps";
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        const std::string file = (dir / "orvalis.png").string();
        if (ec || WritePng(icon, file) < 0) {
            std::fprintf(stderr, "orvalis-icon-export: cannot write %s\n", file.c_str());
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return RunGuardedMain("orvalis-icon-export", [&] { return Export(argc, argv); });
}
