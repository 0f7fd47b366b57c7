#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/Control.h"

// A single-selection list box. Lines are kept in insertion order unless the
// template asks for sorting. With the notify style a selection made by the
// stylus tells the parent LBN_SELCHANGE; selections made by the program do
// not. With the vertical-scroll style a scroll bar appears when the lines do
// not fit; taps on its arrows scroll by a line, taps on its track by a page.
// Indexes follow the platform's convention: -1 (LB_ERR) for "none" or a bad
// index.
class CListBox : public CControl {
    ORV_DECLARE_DYNAMIC(CListBox)
public:
    static constexpr int LB_ERR = -1;
    static constexpr int kScrollBarWidth = 13;
    static constexpr std::size_t kMaxLines = 32767;

    // Index of the new line, or LB_ERR when the list is full.
    int AddString(std::string_view text);
    // Inserts before `nIndex` (-1: at the end).
    int InsertString(int nIndex, std::string_view text);
    // Number of lines left, or LB_ERR for a bad index.
    int DeleteString(int nIndex);
    void ResetContent();
    // Reserves room for lines; returns the number of lines reserved for.
    int InitStorage(int nItems, int nBytes);

    int GetCount() const { return static_cast<int>(m_lines.size()); }
    // Length of the line copied into `text`, or LB_ERR.
    int GetText(int nIndex, std::string& text) const;
    int GetTextLen(int nIndex) const;

    int GetCurSel() const { return m_nCurSel; }
    // Selects a line (-1 clears the selection) and scrolls it into view.
    // Returns LB_ERR for an index out of range (the selection is then
    // cleared, as the platform does).
    int SetCurSel(int nIndex);
    int GetTopIndex() const { return m_nTopIndex; }
    int SetTopIndex(int nIndex);

    int GetItemHeight() const;
    // Lines that fit in the client area.
    int VisibleLineCount() const;
    bool HasScrollBar() const;

    void OnLButtonDown(int x, int y) override;
    bool OnKeyDown(int nKey) override;
    void Draw(CCanvas& dc) override;

private:
    void ClampTop();

    std::vector<std::string> m_lines;
    int m_nCurSel = LB_ERR;
    int m_nTopIndex = 0;
};
