#pragma once

#include <string_view>

#include "ui/ControlSet.h"
#include "ui/DialogTemplate.h"
#include "ui/Host.h"
#include "ui/Wnd.h"

// A modal dialog drawn as an overlay on the screen: a caption bar with a
// close button, and the client area with its controls. DoModal may be called
// from any thread; off the GUI thread it waits until the GUI thread has shown
// the dialog and it has been dismissed. While a dialog is up, stylus and keys
// go to it alone; posted messages are still handled.
class CDialog : public CWnd {
    ORV_DECLARE_DYNAMIC(CDialog)
public:
    static constexpr int kCaptionHeight = 18;
    static constexpr int kCaptionButtonWidth = 20;

    // A dialog laid out by its template (dialog units of its font).
    explicit CDialog(const DialogTemplate& tpl);

    // IDOK, IDCANCEL, or -1 when no GUI loop runs.
    int DoModal();
    void EndDialog(int nResult);
    bool IsEnded() const { return m_bEnded; }
    int GetResult() const { return m_nResult; }

    virtual void OnInitDialog() {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    // How the dialog is described to a host that answers without showing it.
    virtual ModalRequest GetHostRequest() const;
    virtual void ApplyHostAnswer(const ModalAnswer& answer);

    CControl* GetDlgItem(unsigned nId) const { return m_controls.Find(nId); }
    int ClickControl(unsigned nId) { return m_controls.Click(nId); }
    int SetControlText(unsigned nId, std::string_view text) {
        return m_controls.SetEditText(nId, text);
    }
    CControlSet& Controls() { return m_controls; }

    // Screen position of the client area's origin.
    CPoint GetClientOrigin() const;

    void Invalidate(bool bErase = true) override { (void)bErase, m_bDirty = true; }
    bool NeedsPaint() const { return m_bDirty; }
    // Draws the whole dialog on the screen canvas.
    void Draw(CCanvas& screen) override;

    // In window coordinates (0, 0 = the dialog's top-left corner).
    void OnLButtonDown(int x, int y) override;
    bool OnChar(unsigned ch) override;
    bool OnKeyDown(int nKey) override;
    void OnControlNotify(unsigned nId, unsigned nCode) override;

    // Used by the loop when it starts the dialog.
    void BeginModal();

protected:
    // A dialog whose controls are placed in pixels by the subclass.
    CDialog();
    // Client size in pixels; the dialog is centred on the screen.
    void SetClientSize(int cx, int cy);
    const CFont& GetDialogFont() const { return m_font; }

private:
    CRect CloseButtonRect() const;  // window coordinates

    CControlSet m_controls;
    CFont m_font;
    bool m_bEnded = false;
    int m_nResult = IDCANCEL;
    bool m_bDirty = true;
};
