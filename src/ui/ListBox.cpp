#include "ui/ListBox.h"

#include <algorithm>

#include "gfx/Canvas.h"

ORV_IMPLEMENT_DYNAMIC(CListBox, CControl)

int CListBox::AddString(std::string_view text) {
    if (m_lines.size() >= kMaxLines) return LB_ERR;
    if (m_nStyle & kItemSort) {
        auto it = std::upper_bound(m_lines.begin(), m_lines.end(), text,
                                   [](std::string_view a, const std::string& b) { return a < b; });
        const int idx = static_cast<int>(it - m_lines.begin());
        m_lines.insert(it, std::string(text));
        if (m_nCurSel >= idx) ++m_nCurSel;
        Invalidate(false);
        return idx;
    }
    m_lines.emplace_back(text);
    Invalidate(false);
    return static_cast<int>(m_lines.size()) - 1;
}

int CListBox::InsertString(int nIndex, std::string_view text) {
    if (m_lines.size() >= kMaxLines) return LB_ERR;
    if (nIndex == -1) nIndex = GetCount();
    if (nIndex < 0 || nIndex > GetCount()) return LB_ERR;
    m_lines.insert(m_lines.begin() + nIndex, std::string(text));
    if (m_nCurSel >= nIndex) ++m_nCurSel;
    Invalidate(false);
    return nIndex;
}

int CListBox::DeleteString(int nIndex) {
    if (nIndex < 0 || nIndex >= GetCount()) return LB_ERR;
    m_lines.erase(m_lines.begin() + nIndex);
    if (m_nCurSel == nIndex) {
        m_nCurSel = LB_ERR;
    } else if (m_nCurSel > nIndex) {
        --m_nCurSel;
    }
    ClampTop();
    Invalidate(false);
    return GetCount();
}

void CListBox::ResetContent() {
    m_lines.clear();
    m_nCurSel = LB_ERR;
    m_nTopIndex = 0;
    Invalidate(false);
}

int CListBox::InitStorage(int nItems, int) {
    if (nItems < 0) return LB_ERR;
    const std::size_t want = std::min<std::size_t>(static_cast<std::size_t>(nItems), kMaxLines);
    m_lines.reserve(want);
    return static_cast<int>(want);
}

int CListBox::GetText(int nIndex, std::string& text) const {
    if (nIndex < 0 || nIndex >= GetCount()) return LB_ERR;
    text = m_lines[static_cast<std::size_t>(nIndex)];
    return static_cast<int>(text.size());
}

int CListBox::GetTextLen(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetCount()) return LB_ERR;
    return static_cast<int>(m_lines[static_cast<std::size_t>(nIndex)].size());
}

int CListBox::SetCurSel(int nIndex) {
    if (nIndex < -1 || nIndex >= GetCount()) {
        m_nCurSel = LB_ERR;
        Invalidate(false);
        return LB_ERR;
    }
    m_nCurSel = nIndex;
    if (nIndex >= 0) {
        const int visible = std::max(1, VisibleLineCount());
        if (nIndex < m_nTopIndex) m_nTopIndex = nIndex;
        if (nIndex >= m_nTopIndex + visible) m_nTopIndex = nIndex - visible + 1;
    }
    Invalidate(false);
    return nIndex;
}

int CListBox::SetTopIndex(int nIndex) {
    if (nIndex < 0 || (nIndex >= GetCount() && GetCount() > 0)) return LB_ERR;
    m_nTopIndex = nIndex;
    ClampTop();
    Invalidate(false);
    return 0;
}

int CListBox::GetItemHeight() const {
    return std::max(1, m_font.Metrics().height);
}

int CListBox::VisibleLineCount() const {
    const int border = (m_nStyle & kItemBorder) ? 2 : 0;
    return std::max(0, (GetWindowRect().Height() - border) / GetItemHeight());
}

bool CListBox::HasScrollBar() const {
    return (m_nStyle & kItemVScroll) && GetCount() > VisibleLineCount();
}

void CListBox::ClampTop() {
    const int maxTop = std::max(0, GetCount() - std::max(1, VisibleLineCount()));
    m_nTopIndex = std::clamp(m_nTopIndex, 0, maxTop);
}

void CListBox::OnLButtonDown(int x, int y) {
    if (!IsWindowEnabled()) return;
    const int border = (m_nStyle & kItemBorder) ? 1 : 0;
    const CRect client = GetClientRect();
    if (HasScrollBar() && x >= client.right - border - kScrollBarWidth) {
        const int top = border;
        const int bottom = client.bottom - border;
        const int visible = std::max(1, VisibleLineCount());
        if (y < top + kScrollBarWidth) {
            m_nTopIndex -= 1;
        } else if (y >= bottom - kScrollBarWidth) {
            m_nTopIndex += 1;
        } else {
            // Track: a page towards the tap, measured from the track's middle.
            m_nTopIndex += (y < (top + bottom) / 2) ? -visible : visible;
        }
        ClampTop();
        Invalidate(false);
        return;
    }
    const int row = (y - border) / GetItemHeight();
    if (y < border || row >= VisibleLineCount()) return;
    const int idx = m_nTopIndex + row;
    if (idx >= GetCount()) return;
    const bool bChanged = idx != m_nCurSel;
    m_nCurSel = idx;
    Invalidate(false);
    if (bChanged && (m_nStyle & kItemNotify)) NotifyParent(LBN_SELCHANGE);
}

bool CListBox::OnKeyDown(int nKey) {
    if (GetCount() == 0 || (nKey != VK_UP && nKey != VK_DOWN)) return false;
    int idx = m_nCurSel < 0 ? 0 : m_nCurSel + (nKey == VK_DOWN ? 1 : -1);
    idx = std::clamp(idx, 0, GetCount() - 1);
    if (idx != m_nCurSel) {
        SetCurSel(idx);
        if (m_nStyle & kItemNotify) NotifyParent(LBN_SELCHANGE);
    }
    return true;
}

void CListBox::Draw(CCanvas& dc) {
    const CRect r = GetWindowRect();
    dc.FillSolidRect(r, IsWindowEnabled() ? kWindowColor : kFaceColor);
    const int border = (m_nStyle & kItemBorder) ? 1 : 0;
    if (border) dc.FrameRect(r, CBrush(kTextColor));
    const bool bBar = HasScrollBar();
    const CRect inner(r.left + border, r.top + border,
                      r.right - border - (bBar ? kScrollBarWidth : 0), r.bottom - border);
    dc.SelectFont(m_font);
    const int h = GetItemHeight();
    const int visible = VisibleLineCount();
    dc.SetClipRect(inner);
    for (int row = 0; row < visible; ++row) {
        const int idx = m_nTopIndex + row;
        if (idx >= GetCount()) break;
        const CRect line(inner.left, inner.top + row * h, inner.right, inner.top + (row + 1) * h);
        const bool bSel = idx == m_nCurSel;
        if (bSel) dc.FillSolidRect(line, kHighlightColor);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(bSel ? kHighlightTextColor : kTextColor);
        dc.DrawText(m_lines[static_cast<std::size_t>(idx)],
                    CRect(line.left + 2, line.top, line.right, line.bottom),
                    DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    }
    dc.ResetClip();
    if (!bBar) return;
    // Scroll bar: arrow boxes at both ends, the thumb sized to the visible share.
    const CRect bar(inner.right, inner.top, inner.right + kScrollBarWidth, inner.bottom);
    dc.FillSolidRect(bar, kFaceColor);
    dc.FrameRect(bar, CBrush(kTextColor));
    const CRect up(bar.left, bar.top, bar.right, bar.top + kScrollBarWidth);
    const CRect down(bar.left, bar.bottom - kScrollBarWidth, bar.right, bar.bottom);
    dc.FrameRect(up, CBrush(kTextColor));
    dc.FrameRect(down, CBrush(kTextColor));
    const int cx = bar.left + kScrollBarWidth / 2;
    for (int i = 0; i < 4; ++i) {
        dc.FillSolidRect(CRect(cx - i, up.top + 4 + i, cx + i + 1, up.top + 5 + i), kTextColor);
        dc.FillSolidRect(CRect(cx - i, down.bottom - 5 - i, cx + i + 1, down.bottom - 4 - i),
                         kTextColor);
    }
    const int track = down.top - up.bottom;
    if (track > 4 && GetCount() > 0) {
        const int thumbH = std::max(4, track * visible / GetCount());
        const int maxTop = std::max(1, GetCount() - visible);
        const int thumbTop = up.bottom + (track - thumbH) * m_nTopIndex / maxTop;
        dc.FillSolidRect(CRect(bar.left + 2, thumbTop, bar.right - 2, thumbTop + thumbH),
                         kShadowColor);
    }
}
