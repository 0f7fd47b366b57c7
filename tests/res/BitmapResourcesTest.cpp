#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <set>
#include <thread>
#include <vector>

#include "gfx/Canvas.h"
#include "res/BitmapPainters.h"
#include "res/BitmapResources.h"
#include "res/Resource.h"

namespace {

constexpr COLORREF kLit = RGB(255, 255, 0);

TEST(BitmapResources, KnownIdsHaveTheirSizesAndOthersAreAbsent) {
    const CBitmap* bar = LoadBitmapResource(IDR_MAINFRAME);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->Width(), 144);
    EXPECT_EQ(bar->Height(), 16);
    const CBitmap* splash = LoadBitmapResource(134);
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->Width(), 240);
    EXPECT_EQ(splash->Height(), 320);
    for (int id = 152; id <= 166; ++id) {
        const CBitmap* frame = LoadBitmapResource(id);
        ASSERT_NE(frame, nullptr) << id;
        EXPECT_EQ(frame->Width(), 240);
        EXPECT_EQ(frame->Height(), 15);
    }
    for (int id : {INT_MIN, -1, 0, 1, 127, 100000, INT_MAX})
        EXPECT_EQ(LoadBitmapResource(id), nullptr) << id;
    // Every listed id loads, and the list holds the ones above.
    const std::vector<int> ids = BitmapResourceIds();
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    for (int id : ids) EXPECT_NE(LoadBitmapResource(id), nullptr) << id;
    for (int id : {128, 134, 152, 160, 166})
        EXPECT_TRUE(std::binary_search(ids.begin(), ids.end(), id)) << id;
}

TEST(BitmapResources, LoadedOnceAndSharedAcrossThreads) {
    const CBitmap* seen[4] = {};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&seen, i] { seen[i] = LoadBitmapResource(160); });
    for (auto& t : threads) t.join();
    for (const CBitmap* p : seen) EXPECT_EQ(p, seen[0]);
    EXPECT_EQ(LoadBitmapResource(160), seen[0]);
}

// The lit segment of a frame as the banner shows it (stretched to 14 rows),
// found at the middle of each of the eight segments.
std::vector<COLORREF> SegmentColours(int id) {
    const CBitmap* frame = LoadBitmapResource(id);
    CCanvas strip(240, 14);
    strip.StretchBlt(0, 0, 240, 14, *frame, 0, 0, frame->Width(), frame->Height());
    std::vector<COLORREF> colours;
    for (int s = 0; s < 8; ++s) colours.push_back(strip.GetPixel(30 * s + 15, 7));
    return colours;
}

TEST(ActivityFrames, OneBrightSegmentSweepsWithADimOneTrailing) {
    // Shown in the order 153 .. 166 and then 152.
    std::vector<int> order;
    for (int id = 153; id <= 166; ++id) order.push_back(id);
    order.push_back(152);
    std::vector<int> lit;
    for (int id : order) {
        const std::vector<COLORREF> c = SegmentColours(id);
        int bright = -1, brights = 0;
        for (int s = 0; s < 8; ++s)
            if (c[s] == kLit) bright = s, ++brights;
        ASSERT_EQ(brights, 1) << id;
        lit.push_back(bright);
        // Exactly one other segment is dimly lit, next to the bright one.
        int dims = 0;
        for (int s = 0; s < 8; ++s) {
            if (s == bright) continue;
            const int level = GetRValue(c[s]);
            if (level > 90) {
                ++dims;
                EXPECT_EQ(std::abs(s - bright), 1) << id;
                EXPECT_LT(level, 255);
            }
        }
        EXPECT_EQ(dims, 1) << id;
    }
    // The light moves one segment per frame and reaches both ends.
    for (std::size_t i = 1; i < lit.size(); ++i) EXPECT_LE(std::abs(lit[i] - lit[i - 1]), 1);
    EXPECT_EQ(std::set<int>(lit.begin(), lit.end()).size(), 8u);
    // From the last frame back to the first the sweep carries on smoothly,
    // and the left end is never lit two frames in a row.
    EXPECT_LE(std::abs(lit.front() - lit.back()), 1);
    for (std::size_t i = 0; i < lit.size(); ++i)
        EXPECT_FALSE(lit[i] == 0 && lit[(i + 1) % lit.size()] == 0) << order[i];
    // The trailing segment lies behind the direction of travel.
    for (std::size_t i = 1; i < lit.size(); ++i) {
        if (lit[i] == lit[i - 1]) continue;
        const std::vector<COLORREF> c = SegmentColours(order[i]);
        const int behind = lit[i] + (lit[i] > lit[i - 1] ? -1 : 1);
        EXPECT_GT(GetRValue(c[behind]), 90) << order[i];
    }
}

TEST(StretchedPictures, ScreensGetBackTheComposedPixels) {
    // Pictures are composed at the size screens show them; the resource is
    // scaled up so that the screens' stretch down is exact.
    for (auto [w, h, W, H] : {std::array{240, 270, 240, 320}, std::array{240, 14, 240, 15},
                              std::array{35, 17, 35, 18}, std::array{240, 254, 240, 320}}) {
        CBitmap shown(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) shown.SetPixel(x, y, RGB(x, y, (x * 7 + y) & 0xFF));
        const CBitmap resource = ScaleForStretch(shown, W, H);
        CCanvas screen(w, h);
        screen.StretchBlt(0, 0, w, h, resource, 0, 0, W, H);
        EXPECT_EQ(screen.Bitmap(), shown) << w << "x" << h;
    }
}

TEST(Splash, ProductNameOnTopAndDarkBehindTheMenuBoxes) {
    const CBitmap* splash = LoadBitmapResource(134);
    CCanvas screen(240, 320);
    screen.StretchBlt(0, 0, 240, 270, *splash, 0, 0, 240, 320);
    int yellowish = 0;
    for (int y = 0; y < 46; ++y)
        for (int x = 0; x < 240; ++x) {
            const COLORREF c = screen.GetPixel(x, y);
            if (GetRValue(c) > 200 && GetGValue(c) > 180 && GetBValue(c) < 100) ++yellowish;
        }
    EXPECT_GT(yellowish, 100);
    // Yellow labels on the menu's boxes and the white start-up prompt need a
    // dark ground: nothing bright between y 50 and 165.
    for (int y = 50; y < 166; ++y)
        for (int x = 0; x < 240; ++x) {
            const COLORREF c = screen.GetPixel(x, y);
            ASSERT_LT(GetRValue(c) + GetGValue(c) + GetBValue(c), 200) << x << "," << y;
        }
}

TEST(CommandBar, NineDistinctImagesOnTheBarFace) {
    const CBitmap* bar = LoadBitmapResource(IDR_MAINFRAME);
    std::vector<std::vector<COLORREF>> cells;
    for (int i = 0; i < 9; ++i) {
        std::vector<COLORREF> cell;
        int drawn = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                cell.push_back(bar->GetPixel(16 * i + x, y));
                if (cell.back() != RGB(192, 192, 192)) ++drawn;
            }
        EXPECT_GT(drawn, 20) << "image " << i;
        for (const auto& other : cells) EXPECT_NE(cell, other) << "image " << i;
        cells.push_back(cell);
    }
    // The up and down arrows mirror each other.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(bar->GetPixel(16 * 4 + x, y), bar->GetPixel(16 * 5 + x, 15 - y));
}

}  // namespace
