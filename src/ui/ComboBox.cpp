#include "ui/ComboBox.h"

#include "gfx/Canvas.h"

ORV_IMPLEMENT_DYNAMIC(CComboBox, CControl)

void CComboBox::SetWindowText(std::string_view text) {
    CWnd::SetWindowText(text.substr(0, kMaxText));
}

void CComboBox::OnSetFocus() {
    m_bFocus = true;
    Invalidate(false);
}

void CComboBox::OnKillFocus() {
    m_bFocus = false;
    Invalidate(false);
}

bool CComboBox::OnChar(unsigned ch) {
    if (!IsWindowEnabled()) return false;
    // Printable 8-bit characters only; control characters are keys.
    if (ch < 0x20 || ch == 0x7F || ch > 0xFF) return false;
    if (m_strText.size() >= kMaxText) return true;
    m_strText.push_back(static_cast<char>(ch));
    Invalidate(false);
    NotifyParent(CBN_EDITCHANGE);
    return true;
}

bool CComboBox::OnKeyDown(int nKey) {
    if (!IsWindowEnabled()) return false;
    if (nKey == VK_BACK) {
        if (!m_strText.empty()) {
            m_strText.pop_back();
            Invalidate(false);
            NotifyParent(CBN_EDITCHANGE);
        }
        return true;
    }
    return false;
}

void CComboBox::Draw(CCanvas& dc) {
    const CRect r = GetWindowRect();
    dc.FillSolidRect(r, IsWindowEnabled() ? kWindowColor : kFaceColor);
    dc.FrameRect(r, CBrush(kTextColor));
    const CRect button(r.right - kButtonWidth, r.top, r.right, r.bottom);
    dc.FillSolidRect(button, kFaceColor);
    dc.FrameRect(button, CBrush(kTextColor));
    const int cx = button.left + kButtonWidth / 2;
    const int cy = button.top + button.Height() / 2 - 1;
    for (int i = 0; i < 3; ++i) {
        dc.FillSolidRect(CRect(cx - 2 + i, cy + i, cx + 3 - i, cy + i + 1), kTextColor);
    }
    const CRect field(r.left + 2, r.top + 1, button.left - 1, r.bottom - 1);
    dc.SelectFont(m_font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(IsWindowEnabled() ? kTextColor : kGrayTextColor);
    // When the text is wider than the field, its end (where typing happens)
    // stays in view.
    std::string_view shown = m_strText;
    const int room = field.Width() - 2;
    while (!shown.empty() && dc.GetTextExtent(shown).cx > room) shown.remove_prefix(1);
    dc.DrawText(shown, field, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (m_bFocus) {
        const int caretX = field.left + dc.GetTextExtent(shown).cx;
        const int h = m_font.Metrics().height;
        const int top = field.top + (field.Height() - h) / 2;
        dc.FillSolidRect(CRect(caretX, top, caretX + 1, top + h), kTextColor);
    }
}
