#include "ui/ComboBox.h"

#include <algorithm>

#include "gfx/Canvas.h"
#include "ui/UiLoop.h"

ORV_IMPLEMENT_DYNAMIC(CComboBox, CControl)

namespace {

constexpr unsigned kListId = 1000;
// Where the text starts inside the control.
constexpr int kFieldInset = 2;

bool ShiftHeld() {
    const CUiLoop* loop = CUiLoop::Get();
    return loop != nullptr && loop->IsShiftHeld();
}

bool CtrlHeld() {
    const CUiLoop* loop = CUiLoop::Get();
    return loop != nullptr && loop->IsCtrlHeld();
}

}  // namespace

void CComboBox::SetWindowText(std::string_view text) {
    CWnd::SetWindowText(text.substr(0, kMaxText));
    m_nCaret = m_nAnchor = m_strText.size();
    m_nFirstShown = 0;
}

void CComboBox::SetSel(int nStart, int nEnd) {
    const std::size_t size = m_strText.size();
    const std::size_t end =
        nEnd < 0 ? size : std::min<std::size_t>(static_cast<std::size_t>(nEnd), size);
    const std::size_t start =
        nStart < 0 ? end : std::min<std::size_t>(static_cast<std::size_t>(nStart), size);
    m_nAnchor = start;
    m_nCaret = end;
    Invalidate(false);
}

void CComboBox::GetSel(int& nStart, int& nEnd) const {
    nStart = static_cast<int>(SelStart());
    nEnd = static_cast<int>(SelEnd());
}

void CComboBox::ResetContent() {
    ShowDropDown(false);
    m_list.ResetContent();
}

void CComboBox::PlaceList() {
    m_list.SetParent(this);
    m_list.SetDlgCtrlID(kListId);
    m_list.SetFont(m_font);
    m_list.SetStyle(kItemBorder | kItemVScroll);
    const CRect r = GetWindowRect();
    const int lines = std::clamp(m_list.GetCount(), 1, kDropLines);
    m_list.MoveWindow(
        CRect(r.left, r.bottom, r.right, r.bottom + 2 + lines * m_list.GetItemHeight()));
}

void CComboBox::ShowDropDown(bool bShow) {
    if (bShow && m_list.GetCount() == 0) bShow = false;
    if (bShow == m_bDropped) return;
    m_bDropped = bShow;
    if (bShow) {
        PlaceList();
        // The line matching the field is offered first.
        int match = CListBox::LB_ERR;
        for (int i = 0; i < m_list.GetCount() && match == CListBox::LB_ERR; ++i) {
            std::string line;
            if (m_list.GetText(i, line) >= 0 && line == m_strText) match = i;
        }
        m_list.SetCurSel(match);
    }
    Invalidate(false);
}

CRect CComboBox::GetDroppedControlRect() const {
    return m_bDropped ? m_list.GetWindowRect() : CRect();
}

CRect CComboBox::GetHitRect() const {
    const CRect r = GetWindowRect();
    if (!m_bDropped) return r;
    const CRect list = m_list.GetWindowRect();
    return CRect(r.left, r.top, r.right, list.bottom);
}

void CComboBox::OnSetFocus() {
    m_bFocus = true;
    Invalidate(false);
}

void CComboBox::OnKillFocus() {
    m_bFocus = false;
    ShowDropDown(false);
    Invalidate(false);
}

void CComboBox::OnLButtonDown(int x, int y) {
    if (!IsWindowEnabled()) return;
    const CRect r = GetWindowRect();
    if (m_bDropped && y >= r.Height()) {
        const CRect list = m_list.GetWindowRect();
        const int lx = x + r.left - list.left;
        const int ly = y + r.top - list.top;
        m_list.OnLButtonDown(lx, ly);
        // A tap on a line (not on the scroll bar) picks it, even when it was
        // the line already offered.
        const int lines =
            list.Width() - 1 - (m_list.HasScrollBar() ? CListBox::kScrollBarWidth : 0);
        const int row = (ly - 1) / m_list.GetItemHeight();
        if (lx < lines && ly >= 1 && m_list.GetTopIndex() + row == m_list.GetCurSel()) {
            PickLine(m_list.GetCurSel());
        }
        return;
    }
    if (x >= r.Width() - kButtonWidth) {
        ShowDropDown(!m_bDropped);
        return;
    }
    // A tap in the field puts the caret at the nearest character boundary.
    ShowDropDown(false);
    CCanvas measure(1, 1);
    measure.SelectFont(m_font);
    const int tapX = x - kFieldInset;
    std::size_t pos = m_nFirstShown;
    int prev = 0;
    while (pos < m_strText.size()) {
        const int next = measure
                             .GetTextExtent(std::string_view(m_strText).substr(
                                 m_nFirstShown, pos + 1 - m_nFirstShown))
                             .cx;
        if (tapX < (prev + next) / 2) break;
        prev = next;
        ++pos;
    }
    MoveCaret(pos, false);
}

void CComboBox::PickLine(int nIndex) {
    std::string line;
    if (m_list.GetText(nIndex, line) < 0) return;
    ShowDropDown(false);
    SetWindowText(line);
    SetSel(0, -1);
    NotifyParent(CBN_EDITCHANGE);
}

void CComboBox::MoveCaret(std::size_t pos, bool bExtend) {
    m_nCaret = std::min(pos, m_strText.size());
    if (!bExtend) m_nAnchor = m_nCaret;
    Invalidate(false);
}

void CComboBox::ReplaceSelection(std::string_view text) {
    const std::size_t start = SelStart();
    const std::size_t removed = SelEnd() - start;
    const std::size_t room = kMaxText - (m_strText.size() - removed);
    text = text.substr(0, std::min(text.size(), room));
    if (removed == 0 && text.empty()) return;
    m_strText.replace(start, removed, text);
    m_nCaret = m_nAnchor = start + text.size();
    Invalidate(false);
    NotifyParent(CBN_EDITCHANGE);
}

bool CComboBox::OnChar(unsigned ch) {
    if (!IsWindowEnabled()) return false;
    // Printable 8-bit characters only; control characters are keys.
    if (ch < 0x20 || ch == 0x7F || ch > 0xFF) return false;
    const char c = static_cast<char>(ch);
    ReplaceSelection(std::string_view(&c, 1));
    return true;
}

bool CComboBox::OnKeyDown(int nKey) {
    if (!IsWindowEnabled()) return false;
    if (m_bDropped) {
        switch (nKey) {
            case VK_UP:
            case VK_DOWN:
                if (m_list.GetCurSel() == CListBox::LB_ERR) {
                    m_list.SetCurSel(0);
                } else {
                    const int step = nKey == VK_DOWN ? 1 : -1;
                    m_list.SetCurSel(
                        std::clamp(m_list.GetCurSel() + step, 0, m_list.GetCount() - 1));
                }
                return true;
            case VK_RETURN:
                if (m_list.GetCurSel() == CListBox::LB_ERR) {
                    ShowDropDown(false);
                } else {
                    PickLine(m_list.GetCurSel());
                }
                return true;
            case VK_ESCAPE:
                ShowDropDown(false);
                return true;
            default:
                break;
        }
    }
    const bool bShift = ShiftHeld();
    const bool bCtrl = CtrlHeld();
    const bool bSelection = SelStart() != SelEnd();
    switch (nKey) {
        case VK_LEFT:
            if (bSelection && !bShift) {
                MoveCaret(SelStart(), false);
            } else {
                MoveCaret(m_nCaret == 0 ? 0 : m_nCaret - 1, bShift);
            }
            return true;
        case VK_RIGHT:
            if (bSelection && !bShift) {
                MoveCaret(SelEnd(), false);
            } else {
                MoveCaret(m_nCaret + 1, bShift);
            }
            return true;
        case VK_HOME:
            MoveCaret(0, bShift);
            return true;
        case VK_END:
            MoveCaret(m_strText.size(), bShift);
            return true;
        case VK_BACK:
            if (!bSelection && m_nCaret > 0) m_nAnchor = m_nCaret - 1;
            ReplaceSelection({});
            return true;
        case VK_DELETE:
            if (!bSelection && m_nCaret < m_strText.size()) m_nAnchor = m_nCaret + 1;
            ReplaceSelection({});
            return true;
        case VK_DOWN:
            if (m_list.GetCount() == 0) return false;
            ShowDropDown(true);
            return true;
        case 'A':
            if (!bCtrl) return false;
            SetSel(0, -1);
            return true;
        default:
            return false;
    }
}

void CComboBox::Draw(CCanvas& dc) {
    const CRect r = GetWindowRect();
    dc.FillSolidRect(r, IsWindowEnabled() ? kWindowColor : kFaceColor);
    dc.FrameRect(r, CBrush(kTextColor));
    const CRect button(r.right - kButtonWidth, r.top, r.right, r.bottom);
    dc.FillSolidRect(button, m_bDropped ? kShadowColor : kFaceColor);
    dc.FrameRect(button, CBrush(kTextColor));
    const int cx = button.left + kButtonWidth / 2;
    const int cy = button.top + button.Height() / 2 - 1;
    for (int i = 0; i < 3; ++i) {
        dc.FillSolidRect(CRect(cx - 2 + i, cy + i, cx + 3 - i, cy + i + 1), kTextColor);
    }
    const CRect field(r.left + kFieldInset, r.top + 1, button.left - 1, r.bottom - 1);
    dc.SelectFont(m_font);
    dc.SetBkMode(TRANSPARENT);
    const int room = field.Width() - 2;
    // The field scrolls just enough to keep the caret in view.
    const std::string_view text = m_strText;
    m_nFirstShown = std::min(m_nFirstShown, m_nCaret);
    while (m_nFirstShown < m_nCaret &&
           dc.GetTextExtent(text.substr(m_nFirstShown, m_nCaret - m_nFirstShown)).cx > room) {
        ++m_nFirstShown;
    }
    const std::string_view shown = text.substr(m_nFirstShown);
    auto xOf = [&](std::size_t pos) {
        const std::size_t n = pos > m_nFirstShown ? pos - m_nFirstShown : 0;
        return field.left + dc.GetTextExtent(shown.substr(0, n)).cx;
    };
    const int h = m_font.Metrics().height;
    const int top = field.top + (field.Height() - h) / 2;
    const bool bSelection = m_bFocus && SelStart() != SelEnd();
    const CRect oldClip = dc.GetClipRect();
    dc.SetClipRect(field);
    dc.SetTextColor(IsWindowEnabled() ? kTextColor : kGrayTextColor);
    dc.DrawText(shown, field, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (bSelection) {
        // The selected characters again, white on the highlight.
        const std::size_t from = std::max(SelStart(), m_nFirstShown);
        const int x0 = xOf(from);
        const int x1 = xOf(SelEnd());
        dc.FillSolidRect(CRect(x0, top, x1, top + h), kHighlightColor);
        dc.SetTextColor(kHighlightTextColor);
        dc.DrawText(text.substr(from, SelEnd() - from),
                    CRect(x0, field.top, field.right, field.bottom),
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
    if (m_bFocus) {
        const int caretX = xOf(m_nCaret);
        dc.FillSolidRect(CRect(caretX, top, caretX + 1, top + h), kTextColor);
    }
    dc.SetClipRect(oldClip);
    if (m_bDropped) m_list.Draw(dc);
}
