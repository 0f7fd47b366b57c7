#include "ReferenceImage.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "gfx/Png.h"

namespace {

bool UpdateRequested() {
    const char* update = std::getenv("ORV_UPDATE_SCREENS");
    return update != nullptr && std::strcmp(update, "1") == 0;
}

bool MakeFolderFor(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return !ec;
}

// Differing pixels red on a light grey copy of the reference, so the
// difference shows where on the screen it lies.
CBitmap DiffPicture(const CBitmap& reference, const CBitmap& rendered, long* differing) {
    CBitmap diff(reference.Width(), reference.Height());
    *differing = 0;
    for (int y = 0; y < reference.Height(); ++y) {
        for (int x = 0; x < reference.Width(); ++x) {
            const COLORREF want = reference.GetPixel(x, y);
            if (rendered.GetPixel(x, y) != want) {
                ++*differing;
                diff.SetPixel(x, y, RGB(255, 0, 0));
                continue;
            }
            const int grey = 160 + (GetRValue(want) + GetGValue(want) + GetBValue(want)) / 8;
            diff.SetPixel(x, y, RGB(grey, grey, grey));
        }
    }
    return diff;
}

}  // namespace

std::string ReferenceImagePath(const std::string& name) {
    return std::string(ORV_TEST_DATA_DIR) + "/screens/" + name + ".png";
}

std::string ReferenceOutputDir() {
    return std::string(ORV_BINARY_DIR) + "/tests/screens";
}

::testing::AssertionResult MatchesReferenceImage(const CBitmap& rendered, const std::string& name) {
    const std::string reference = ReferenceImagePath(name);
    const std::string err = ReferenceOutputDir() + "/" + name + "_err.png";
    const std::string diffPath = ReferenceOutputDir() + "/" + name + "_diff.png";
    std::error_code ec;
    std::filesystem::remove(err, ec);
    std::filesystem::remove(diffPath, ec);

    if (UpdateRequested()) {
        if (!MakeFolderFor(reference) || WritePng(rendered, reference) != 0)
            return ::testing::AssertionFailure() << "cannot write " << reference;
        return ::testing::AssertionSuccess() << "rewrote " << reference;
    }

    const bool folder = MakeFolderFor(err);
    CBitmap want;
    if (ReadPng(reference, &want) != 0) {
        if (folder) WritePng(rendered, err);
        return ::testing::AssertionFailure()
               << "no readable reference " << reference << " (rendering in " << err
               << "; ORV_UPDATE_SCREENS=1 writes the reference)";
    }
    if (want.Width() != rendered.Width() || want.Height() != rendered.Height()) {
        if (folder) WritePng(rendered, err);
        return ::testing::AssertionFailure()
               << name << ": rendered " << rendered.Width() << " x " << rendered.Height()
               << ", reference " << want.Width() << " x " << want.Height() << " (rendering in "
               << err << ")";
    }
    long differing = 0;
    const CBitmap diff = DiffPicture(want, rendered, &differing);
    if (differing == 0) return ::testing::AssertionSuccess();
    if (folder) {
        WritePng(rendered, err);
        WritePng(diff, diffPath);
    }
    return ::testing::AssertionFailure()
           << name << ": " << differing << " pixels differ from " << reference << " (rendering "
           << err << ", differences " << diffPath
           << "; ORV_UPDATE_SCREENS=1 rewrites the reference)";
}
