#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "gfx/Canvas.h"
#include "gfx/Png.h"

namespace {

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() /
            (std::string("orv_png_") + std::to_string(::getpid()) + "_" + name))
        .string();
}

CBitmap Pattern(int w, int h) {
    CBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.SetPixel(x, y, RGB(x * 7, y * 3, (x ^ y) & 0xFF));
    return b;
}

TEST(Png, RoundTripKeepsEveryPixel) {
    const std::string path = TempPath("full.png");
    const CBitmap src = Pattern(240, 320);
    ASSERT_EQ(WritePng(src, path), 0);
    CBitmap back;
    ASSERT_EQ(ReadPng(path, &back), 0);
    EXPECT_EQ(back, src);
    std::remove(path.c_str());
}

TEST(Png, AreaIsClippedToTheBitmap) {
    const std::string path = TempPath("area.png");
    const CBitmap src = Pattern(50, 40);
    ASSERT_EQ(WritePng(src, CRect(40, 30, 80, 80), path), 0);
    CBitmap back;
    ASSERT_EQ(ReadPng(path, &back), 0);
    ASSERT_EQ(back.Width(), 10);
    ASSERT_EQ(back.Height(), 10);
    EXPECT_EQ(back.GetPixel(0, 0), src.GetPixel(40, 30));
    EXPECT_EQ(back.GetPixel(9, 9), src.GetPixel(49, 39));
    EXPECT_EQ(WritePng(src, CRect(60, 0, 70, 10), path), -1);
    std::remove(path.c_str());
}

TEST(Png, FailuresAreReportedNotThrown) {
    const CBitmap src = Pattern(4, 4);
    EXPECT_EQ(WritePng(src, "/nonexistent-dir/x.png"), -1);
    EXPECT_EQ(WritePng(CBitmap(), TempPath("empty.png")), -1);
    EXPECT_EQ(WritePng(nullptr, 4, 4, 12, TempPath("null.png")), -1);
    EXPECT_EQ(WritePng(src.Data(), 4, 4, 5, TempPath("stride.png")), -1);
    CBitmap out(3, 3, RGB(1, 2, 3));
    EXPECT_EQ(ReadPng("/nonexistent-dir/x.png", &out), -1);
    EXPECT_EQ(ReadPng(TempPath("full.png"), nullptr), -1);

    // Not a PNG, and a PNG cut short: both fail and leave the output alone.
    const std::string junk = TempPath("junk.png");
    std::ofstream(junk) << "this is not an image";
    EXPECT_EQ(ReadPng(junk, &out), -1);
    const std::string whole = TempPath("whole.png");
    ASSERT_EQ(WritePng(Pattern(64, 64), whole), 0);
    const auto size = std::filesystem::file_size(whole);
    std::filesystem::copy_file(whole, junk, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(junk, size / 2);
    EXPECT_EQ(ReadPng(junk, &out), -1);
    EXPECT_EQ(out.GetPixel(2, 2), RGB(1, 2, 3));
    std::remove(junk.c_str());
    std::remove(whole.c_str());
}

}  // namespace
