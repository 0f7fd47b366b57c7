#include <algorithm>
#include <cmath>

#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/BitmapResources.h"

namespace {

// The icon is designed on a 24 x 24 grid; other sizes draw the same strokes
// scaled and, when not 24, at several times the size and then averaged down,
// so that the slanted waves come out smooth instead of stair-stepped.
constexpr int kDesignSize = 24;
constexpr int kSmallSupersample = 4;
constexpr int kLargeSupersample = 2;  // from 128 up the strokes are wide enough
constexpr int kLargeFrom = 128;

void DrawIcon(CCanvas& c, double scale) {
    // A grid pixel's centre, for the ends of strokes, and a grid line, for
    // the edges of shapes.
    auto at = [scale](int v) { return static_cast<int>(std::floor((v + 0.5) * scale)); };
    auto edge = [scale](int v) { return static_cast<int>(std::lround(v * scale)); };
    const int stroke = std::max(1, static_cast<int>(std::lround(scale)));

    // The frame, one grid pixel wide.
    const int side = edge(kDesignSize);
    const CBrush yellow(Palette::kYellow);
    c.FillRect(CRect(0, 0, side, stroke), yellow);
    c.FillRect(CRect(0, side - stroke, side, side), yellow);
    c.FillRect(CRect(0, 0, stroke, side), yellow);
    c.FillRect(CRect(side - stroke, 0, side, side), yellow);

    c.SelectPen(CPen(PS_SOLID, stroke, Palette::kYellow));
    // The mast and its foot.
    c.MoveTo(at(12), at(9));
    c.LineTo(at(12), at(20));
    c.MoveTo(at(8), at(20));
    c.LineTo(at(17), at(20));
    c.SelectBrush(yellow);
    c.Ellipse(edge(10), edge(7), edge(15), edge(12));
    // Two waves on each side, drawn as short slanted strokes.
    for (int k = 0; k < 2; ++k) {
        const int d = 4 + 3 * k;
        c.MoveTo(at(12 - d), at(6 - k));
        c.LineTo(at(12 - d - 1), at(9));
        c.LineTo(at(12 - d), at(13 + k));
        c.MoveTo(at(12 + d), at(6 - k));
        c.LineTo(at(12 + d + 1), at(9));
        c.LineTo(at(12 + d), at(13 + k));
    }
}

// Each output pixel is the mean of a factor x factor block of `big`.
CBitmap AverageDown(const CBitmap& big, int factor) {
    const int w = big.Width() / factor;
    const int h = big.Height() / factor;
    CBitmap out(w, h);
    const int area = factor * factor;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* dst = out.Row(y);
        for (int x = 0; x < w; ++x) {
            int sum[3] = {0, 0, 0};
            for (int sy = 0; sy < factor; ++sy) {
                const std::uint8_t* src = big.Row(y * factor + sy) + 3 * x * factor;
                for (int sx = 0; sx < factor; ++sx)
                    for (int ch = 0; ch < 3; ++ch) sum[ch] += src[3 * sx + ch];
            }
            for (int ch = 0; ch < 3; ++ch)
                dst[3 * x + ch] = static_cast<std::uint8_t>((sum[ch] + area / 2) / area);
        }
    }
    return out;
}

}  // namespace

CBitmap PaintProgramIcon(int size) {
    if (size < 1 || size > CBitmap::kMaxDimension / kSmallSupersample) return CBitmap();
    const int factor = size == kDesignSize  ? 1
                       : size >= kLargeFrom ? kLargeSupersample
                                            : kSmallSupersample;
    const int drawn = size * factor;
    CCanvas c(drawn, drawn, Palette::kNavy);
    c.SetTextRecorder(nullptr);
    DrawIcon(c, static_cast<double>(drawn) / kDesignSize);
    return factor == 1 ? c.TakeBitmap() : AverageDown(c.Bitmap(), factor);
}

const CBitmap& ProgramIcon() {
    static const CBitmap icon = PaintProgramIcon(kDesignSize);
    return icon;
}
