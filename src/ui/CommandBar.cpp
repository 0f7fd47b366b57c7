#include "ui/CommandBar.h"

#include <string>

#include "gfx/Canvas.h"
#include "ui/Control.h"

int CCommandBar::AddButton(unsigned nCmd, int nImage) {
    m_buttons.push_back(Button{nCmd, nImage, {}});
    return static_cast<int>(m_buttons.size()) - 1;
}

void CCommandBar::SetTooltip(int nIndex, std::string text) {
    if (nIndex < 0 || nIndex >= GetButtonCount()) return;
    m_buttons[static_cast<std::size_t>(nIndex)].tooltip = std::move(text);
}

unsigned CCommandBar::GetButtonCommand(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetButtonCount()) return 0;
    return m_buttons[static_cast<std::size_t>(nIndex)].nCmd;
}

const std::string& CCommandBar::GetTooltip(int nIndex) const {
    static const std::string kEmpty;
    if (nIndex < 0 || nIndex >= GetButtonCount()) return kEmpty;
    return m_buttons[static_cast<std::size_t>(nIndex)].tooltip;
}

CRect CCommandBar::GetButtonRect(int nIndex) const {
    const int left = kFirstButtonX + nIndex * kButtonWidth;
    const int top = (kHeight - kButtonHeight) / 2;
    return CRect(left, top, left + kButtonWidth, top + kButtonHeight);
}

CRect CCommandBar::GetCloseRect(int nBarWidth) const {
    const int top = (kHeight - kButtonHeight) / 2;
    return CRect(nBarWidth - 2 - kCloseWidth, top, nBarWidth - 2, top + kButtonHeight);
}

int CCommandBar::HitTest(int x, int y, int nBarWidth) const {
    if (m_bClose && GetCloseRect(nBarWidth).PtInRect(x, y)) return kHitClose;
    for (int i = 0; i < GetButtonCount(); ++i) {
        if (GetButtonRect(i).PtInRect(x, y)) return i;
    }
    return kHitNone;
}

void CCommandBar::Draw(CCanvas& dc, const CRect& rect,
                       const std::function<bool(unsigned)>& isEnabled) const {
    dc.FillSolidRect(rect, kFaceColor);
    dc.FillSolidRect(CRect(rect.left, rect.top, rect.right, rect.top + 1), kShadowColor);
    for (int i = 0; i < GetButtonCount(); ++i) {
        const Button& b = m_buttons[static_cast<std::size_t>(i)];
        const bool bEnabled = isEnabled ? isEnabled(b.nCmd) : true;
        const CRect br = GetButtonRect(i).Offset(rect.left, rect.top);
        const int ix = br.left + (br.Width() - kImageSize) / 2;
        const int iy = br.top + (br.Height() - kImageSize) / 2;
        const int sx = b.nImage * kImageSize;
        if (m_pImages != nullptr && sx + kImageSize <= m_pImages->Width()) {
            dc.BitBlt(ix, iy, kImageSize, kImageSize, *m_pImages, sx, 0);
        } else {
            dc.SelectFont(CFont(80, "System"));
            dc.SetBkMode(TRANSPARENT);
            dc.SetTextColor(kTextColor);
            dc.DrawText(std::to_string(i + 1), br, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        if (!bEnabled) {
            // Greyed: every pixel two thirds of the way to the face colour.
            for (int y = iy; y < iy + kImageSize; ++y) {
                for (int x = ix; x < ix + kImageSize; ++x) {
                    const COLORREF c = dc.GetPixel(x, y);
                    if (c == CLR_INVALID) continue;
                    auto mix = [](int v, int face) { return (v + 2 * face) / 3; };
                    dc.SetPixel(x, y,
                                RGB(mix(GetRValue(c), GetRValue(kFaceColor)),
                                    mix(GetGValue(c), GetGValue(kFaceColor)),
                                    mix(GetBValue(c), GetBValue(kFaceColor))));
                }
            }
        }
    }
    if (m_bClose) {
        const CRect cr = GetCloseRect(rect.Width()).Offset(rect.left, rect.top);
        dc.FillSolidRect(cr, kFaceColor);
        dc.FrameRect(cr, CBrush(kTextColor));
        dc.SelectPen(CPen(PS_SOLID, 2, kTextColor));
        dc.MoveTo(cr.left + 6, cr.top + 6);
        dc.LineTo(cr.right - 6, cr.bottom - 6);
        dc.MoveTo(cr.right - 7, cr.top + 6);
        dc.LineTo(cr.left + 5, cr.bottom - 6);
        dc.SelectPen(CPen());
    }
}
