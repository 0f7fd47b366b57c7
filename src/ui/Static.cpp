#include "ui/Static.h"

#include "gfx/Canvas.h"

ORV_IMPLEMENT_DYNAMIC(CStatic, CControl)

void CStatic::SetIcon(const CBitmap* pIcon) {
    m_pIcon = pIcon;
    Invalidate(false);
}

void CStatic::Draw(CCanvas& dc) {
    const CRect r = GetWindowRect();
    if (m_bIcon) {
        if (m_pIcon != nullptr && !m_pIcon->IsEmpty()) {
            dc.BitBlt(r.left, r.top, m_pIcon->Width(), m_pIcon->Height(), *m_pIcon, 0, 0);
        }
        return;
    }
    unsigned format = DT_WORDBREAK;
    if (m_nStyle & kItemCenter) format |= DT_CENTER;
    if (m_nStyle & kItemRight) format |= DT_RIGHT;
    dc.SelectFont(m_font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(IsWindowEnabled() ? kTextColor : kGrayTextColor);
    dc.DrawText(GetWindowText(), r, format);
}
