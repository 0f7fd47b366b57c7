#include "ui/Button.h"

#include "gfx/Canvas.h"

ORV_IMPLEMENT_DYNAMIC(CButton, CControl)

namespace {
constexpr int kCheckBoxSize = 11;
}

void CButton::SetCheck(int nCheck) {
    if (m_kind != Kind::AutoCheckBox) return;
    const int n = nCheck != 0 ? 1 : 0;
    if (n == m_nCheck) return;
    m_nCheck = n;
    Invalidate(false);
}

int CButton::Click() {
    if (!IsWindowEnabled() || !IsWindowVisible()) return -1;
    if (m_kind == Kind::AutoCheckBox) SetCheck(m_nCheck ? 0 : 1);
    NotifyParent(BN_CLICKED);
    return 0;
}

void CButton::OnLButtonDown(int, int) {
    Click();
}

void CButton::Draw(CCanvas& dc) {
    const CRect r = GetWindowRect();
    dc.SelectFont(m_font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(IsWindowEnabled() ? kTextColor : kGrayTextColor);
    if (m_kind == Kind::PushButton) {
        dc.FillSolidRect(r, kFaceColor);
        dc.FrameRect(r, CBrush(kTextColor));
        // A one-pixel shadow inside the bottom and right edges gives depth.
        dc.FillSolidRect(CRect(r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1), kShadowColor);
        dc.FillSolidRect(CRect(r.right - 2, r.top + 1, r.right - 1, r.bottom - 1), kShadowColor);
        const CRect inner(r.left + 2, r.top + 1, r.right - 2, r.bottom - 2);
        if (m_nStyle & kItemMultiLine) {
            // Wrapped lines, centred as a block.
            const CRect need = dc.CalcTextRect(GetWindowText(), inner, DT_CENTER | DT_WORDBREAK);
            const int top = inner.top + (inner.Height() - need.Height()) / 2;
            dc.DrawText(GetWindowText(), CRect(inner.left, top, inner.right, inner.bottom),
                        DT_CENTER | DT_WORDBREAK);
        } else {
            dc.DrawText(GetWindowText(), inner, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        return;
    }
    const int boxTop = r.top + (r.Height() - kCheckBoxSize) / 2;
    const CRect box(r.left, boxTop, r.left + kCheckBoxSize, boxTop + kCheckBoxSize);
    dc.FillSolidRect(box, IsWindowEnabled() ? kWindowColor : kFaceColor);
    dc.FrameRect(box, CBrush(kTextColor));
    if (m_nCheck) {
        // A tick: down-stroke then up-stroke, two pixels thick.
        dc.SelectPen(CPen(PS_SOLID, 2, kTextColor));
        dc.MoveTo(box.left + 3, box.top + 5);
        dc.LineTo(box.left + 5, box.top + 8);
        dc.LineTo(box.left + 9, box.top + 2);
        dc.SelectPen(CPen());
    }
    dc.DrawText(GetWindowText(), CRect(box.right + 4, r.top, r.right, r.bottom),
                DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}
