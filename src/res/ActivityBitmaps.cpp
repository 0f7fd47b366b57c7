#include "gfx/Canvas.h"
#include "res/BitmapPainters.h"
#include "res/Resource.h"

// The activity strip: eight segments along the top of the screen, one lit
// bright yellow with a dim one trailing behind it. The fifteen frames, shown
// in order 153 .. 166 then 152, carry the light from the left end to the
// right and back. Screens show the 240 x 15 frames 14 pixels high, so they
// are composed at that height and scaled up.
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
    // Forward over the eight segments, then back over seven.
    const bool forward = f < kSegments;
    const int lit = forward ? f : 2 * (kSegments - 1) - f;
    const int trail = forward ? lit - 1 : lit + 1;

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
