#pragma once

#include "gfx/Color.h"
#include "gfx/Font.h"
#include "ui/DialogTemplate.h"
#include "ui/Wnd.h"

// Colours of the forms' and dialogs' own look.
inline constexpr COLORREF kFaceColor = RGB(192, 192, 192);
inline constexpr COLORREF kShadowColor = RGB(128, 128, 128);
inline constexpr COLORREF kWindowColor = RGB(255, 255, 255);
inline constexpr COLORREF kTextColor = RGB(0, 0, 0);
inline constexpr COLORREF kGrayTextColor = RGB(128, 128, 128);
inline constexpr COLORREF kHighlightColor = RGB(0, 0, 128);
inline constexpr COLORREF kHighlightTextColor = RGB(255, 255, 255);

// Base of the controls on forms and dialogs: carries the font of the template
// and the template item's style bits.
class CControl : public CWnd {
    ORV_DECLARE_DYNAMIC(CControl)
public:
    void SetFont(const CFont& font) { m_font = font; }
    const CFont& GetFont() const { return m_font; }
    unsigned GetStyle() const { return m_nStyle; }
    void SetStyle(unsigned nStyle) { m_nStyle = nStyle; }

    // What a click on the control does when it is chosen by id rather than
    // by position (the headless driver's `click ID`). Returns 0, or -1 when
    // the control does not take clicks.
    virtual int Click() { return -1; }

    // A control with a part that pops up over its neighbours (an open
    // drop-down list) is hit first and drawn last while it is up; a tap
    // anywhere else closes it.
    virtual bool IsPoppedUp() const { return false; }
    virtual void ClosePopup() {}
    // Where taps reach the control, in the parent's client coordinates.
    virtual CRect GetHitRect() const { return GetWindowRect(); }

protected:
    CFont m_font;
    unsigned m_nStyle = 0;
};
