#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/BitmapResources.h"

// The program's icon as the About box shows it: a navy tile with a mast
// sending yellow waves to either side, 24 x 24.
const CBitmap& ProgramIcon() {
    static const CBitmap icon = [] {
        constexpr int kSize = 24;
        CCanvas c(kSize, kSize, Palette::kNavy);
        c.SetTextRecorder(nullptr);
        c.FrameRect(CRect(0, 0, kSize, kSize), CBrush(Palette::kYellow));
        c.SelectPen(CPen(PS_SOLID, 1, Palette::kYellow));
        // The mast and its foot.
        c.MoveTo(12, 9);
        c.LineTo(12, 20);
        c.MoveTo(8, 20);
        c.LineTo(17, 20);
        c.SelectBrush(CBrush(Palette::kYellow));
        c.Ellipse(10, 7, 15, 12);
        // Two waves on each side, drawn as short slanted strokes.
        for (int k = 0; k < 2; ++k) {
            const int d = 4 + 3 * k;
            c.MoveTo(12 - d, 6 - k);
            c.LineTo(12 - d - 1, 9);
            c.LineTo(12 - d, 13 + k);
            c.MoveTo(12 + d, 6 - k);
            c.LineTo(12 + d + 1, 9);
            c.LineTo(12 + d, 13 + k);
        }
        return c.Bitmap();
    }();
    return icon;
}
