#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "gfx/Geometry.h"
#include "ui/CmdTarget.h"
#include "ui/RuntimeClass.h"

class CCanvas;

// Key codes passed to OnKeyDown. Letters and digits are their upper-case
// ASCII codes ('A'..'Z', '0'..'9').
inline constexpr int VK_BACK = 0x08;
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_PRIOR = 0x21;  // Page Up
inline constexpr int VK_NEXT = 0x22;   // Page Down
inline constexpr int VK_END = 0x23;
inline constexpr int VK_HOME = 0x24;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;
inline constexpr int VK_DELETE = 0x2E;
// Any other key that has no code of its own here (function keys, Home,
// punctuation...).
inline constexpr int VK_OTHER = 0xFF;

// Dialog results and the ids of the standard buttons.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Control notification codes (sent to the control's parent).
inline constexpr unsigned BN_CLICKED = 0;
inline constexpr unsigned LBN_SELCHANGE = 1;
inline constexpr unsigned CBN_EDITCHANGE = 5;

// Base of every window: views, controls, dialogs and the frame. A window's
// rectangle is in its parent's client coordinates (the screen's for a
// top-level window); its client area starts at (0, 0). All members are used
// on the GUI thread only.
class CWnd : public CCmdTarget {
public:
    static const CRuntimeClass classCWnd;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    // "CSpectrum", "CMain"...: the name of the most derived class.
    const char* GetRuntimeClassName() const { return GetRuntimeClass()->m_lpszClassName; }
    bool IsKindOf(const CRuntimeClass* pClass) const;

    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    ~CWnd() override = default;

    void MoveWindow(const CRect& rect);
    const CRect& GetWindowRect() const { return m_rect; }
    CRect GetClientRect() const { return CRect(0, 0, m_rect.Width(), m_rect.Height()); }

    unsigned GetDlgCtrlID() const { return m_nId; }
    void SetDlgCtrlID(unsigned nId) { m_nId = nId; }

    void ShowWindow(bool bShow);
    bool IsWindowVisible() const { return m_bVisible; }
    void EnableWindow(bool bEnable);
    bool IsWindowEnabled() const { return m_bEnabled; }

    virtual void SetWindowText(std::string_view text);
    const std::string& GetWindowText() const { return m_strText; }

    CWnd* GetParent() const { return m_pParent; }
    void SetParent(CWnd* pParent) { m_pParent = pParent; }

    // Asks for a repaint. Requests coalesce: however many arrive before the
    // next paint, the window is painted once. A child passes the request to
    // its parent (a control repaints with its form).
    virtual void Invalidate(bool bErase = true);

    // Input, in client coordinates.
    virtual void OnLButtonDown(int x, int y);
    virtual void OnLButtonUp(int x, int y);
    // A typed character (8-bit); true when taken.
    virtual bool OnChar(unsigned ch);
    virtual bool OnKeyDown(int nKey);
    // Whether the window takes keyboard focus (edit fields).
    virtual bool WantsFocus() const { return false; }
    virtual void OnSetFocus() {}
    virtual void OnKillFocus() {}

    // A control tells its parent about a click, a selection change...
    virtual void OnControlNotify(unsigned nId, unsigned nCode);

    // Controls draw themselves on their parent's surface, in the parent's
    // coordinates (their window rectangle).
    virtual void Draw(CCanvas& dc);

protected:
    // Sends a notification to the parent, if any.
    void NotifyParent(unsigned nCode);

    std::string m_strText;

private:
    CRect m_rect;
    CWnd* m_pParent = nullptr;
    unsigned m_nId = 0;
    bool m_bVisible = true;
    bool m_bEnabled = true;
};
