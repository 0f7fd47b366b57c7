#include "gfx/Canvas.h"
#include "res/BitmapPainters.h"
#include "res/Resource.h"

// The activity strip: eight segments along the top of the screen, one lit
// bright yellow with a dim one trailing behind it. The fifteen frames, shown
// in order 153 .. 166 then 152, carry the light from the left end to the
// right and back, one segment a frame. Fifteen is odd, so the light rests one
// frame at the right end: it turns there, and the left end, where the cycle
// starts again, never shows the same frame twice in a row. Screens show the
// 240 x 15 frames 14 pixels high, so they are composed at that height and
// scaled up.
namespace {

constexpr int kSegments = 8;
constexpr int kFrames = 15;

// Place of the frame in the sequence: 153 is the first shown, 152 the last.
int SequenceIndex(int id) {
    return id == IDB_ACTIVITY_FIRST ? kFrames - 1 : id - 153;
}

}  // namespace

CBitmap PaintActivityFrame(int id) {
    const int f = SequenceIndex(id);
    // Frames 0..7 go right over the eight segments, frame 8 rests on the last
    // one, frames 9..14 come back over segments 6..1; frame 0 arrives at
    // segment 0 from segment 1.
    int lit = 0;
    int trail = 1;
    if (f >= 1 && f < kSegments) {
        lit = f;
        trail = f - 1;
    } else if (f == kSegments) {
        lit = kSegments - 1;
        trail = kSegments - 2;
    } else if (f > kSegments) {
        lit = kFrames - f;
        trail = lit + 1;
    }

    CCanvas c(240, 14, RGB(0, 0, 0));
    c.SetTextRecorder(nullptr);
    for (int s = 0; s < kSegments; ++s) {
        COLORREF color = RGB(48, 48, 16);
        if (s == lit)
            color = RGB(255, 255, 0);
        else if (s == trail)
            color = RGB(120, 120, 0);
        const CRect seg(30 * s + 2, 3, 30 * s + 28, 11);
        c.FillSolidRect(seg, color);
        // A one-pixel darker rim gives the segments an LED look.
        c.FrameRect(seg, CBrush(RGB(GetRValue(color) / 2, GetGValue(color) / 2, 0)));
    }
    return ScaleForStretch(c.Bitmap(), 240, 15);
}
