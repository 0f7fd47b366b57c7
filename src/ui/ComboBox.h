#pragma once

#include <string_view>

#include "ui/Control.h"

// A combo box with an edit field. The text is entered from the keyboard when
// the field has the focus (typed characters are appended, Backspace removes
// the last one) or set by the program. Its drop-down list is not used by the
// forms and stays empty.
class CComboBox : public CControl {
    ORV_DECLARE_DYNAMIC(CComboBox)
public:
    static constexpr std::size_t kMaxText = 255;
    static constexpr int kButtonWidth = 13;

    // Longer texts are cut to kMaxText characters.
    void SetWindowText(std::string_view text) override;
    bool HasFocus() const { return m_bFocus; }

    bool WantsFocus() const override { return true; }
    void OnSetFocus() override;
    void OnKillFocus() override;
    bool OnChar(unsigned ch) override;
    bool OnKeyDown(int nKey) override;
    void Draw(CCanvas& dc) override;

private:
    bool m_bFocus = false;
};
