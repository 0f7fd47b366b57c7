#pragma once

#include <cstddef>
#include <string_view>

#include "ui/Control.h"
#include "ui/ListBox.h"

// A combo box with an edit field and a drop-down list.
//
// The edit field behaves as a desktop text field when it has the focus: a
// caret, a selection (Shift with Left, Right, Home or End extends it, Ctrl+A
// selects everything), Backspace and Delete remove the selection or the
// character beside the caret, and typed characters replace the selection.
//
// The arrow drops the list down below the field when it holds lines; a tap
// on a line (or Up/Down and Return) puts that line into the field, selected,
// and closes the list; Escape or a tap elsewhere closes it unchanged.
class CComboBox : public CControl {
    ORV_DECLARE_DYNAMIC(CComboBox)
public:
    static constexpr std::size_t kMaxText = 255;
    static constexpr int kButtonWidth = 13;
    // Lines the dropped list shows before it scrolls.
    static constexpr int kDropLines = 6;

    // Longer texts are cut to kMaxText characters. The caret goes to the
    // end, with nothing selected.
    void SetWindowText(std::string_view text) override;
    bool HasFocus() const { return m_bFocus; }

    // Selects characters [nStart, nEnd) (nEnd -1: to the end) and puts the
    // caret at nEnd.
    void SetSel(int nStart, int nEnd);
    void GetSel(int& nStart, int& nEnd) const;
    int GetCaret() const { return static_cast<int>(m_nCaret); }

    // The drop-down list's lines.
    int AddString(std::string_view text) { return m_list.AddString(text); }
    void ResetContent();
    int GetCount() const { return m_list.GetCount(); }
    int GetLBText(int nIndex, std::string& text) const { return m_list.GetText(nIndex, text); }
    // Opens (when there are lines) or closes the list.
    void ShowDropDown(bool bShow);
    bool GetDroppedState() const { return m_bDropped; }
    // Where the dropped list lies, in the parent's client coordinates.
    CRect GetDroppedControlRect() const;

    bool WantsFocus() const override { return true; }
    bool IsPoppedUp() const override { return m_bDropped; }
    void ClosePopup() override { ShowDropDown(false); }
    CRect GetHitRect() const override;
    void OnSetFocus() override;
    void OnKillFocus() override;
    void OnLButtonDown(int x, int y) override;
    bool OnChar(unsigned ch) override;
    bool OnKeyDown(int nKey) override;
    void Draw(CCanvas& dc) override;

private:
    std::size_t SelStart() const { return m_nAnchor < m_nCaret ? m_nAnchor : m_nCaret; }
    std::size_t SelEnd() const { return m_nAnchor < m_nCaret ? m_nCaret : m_nAnchor; }
    void MoveCaret(std::size_t pos, bool bExtend);
    // Replaces the selection with `text` (as much as fits) and tells the parent.
    void ReplaceSelection(std::string_view text);
    void PickLine(int nIndex);
    void PlaceList();

    bool m_bFocus = false;
    bool m_bDropped = false;
    std::size_t m_nCaret = 0;
    std::size_t m_nAnchor = 0;
    // First character shown: the field scrolls to keep the caret in view.
    std::size_t m_nFirstShown = 0;
    CListBox m_list;
};
