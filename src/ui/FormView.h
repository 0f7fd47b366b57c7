#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ui/ControlSet.h"
#include "ui/DialogTemplate.h"
#include "ui/View.h"

// A view built from a dialog template: its controls are placed by converting
// the template's dialog units with the base units of the template's font.
// Click notifications of its buttons are commands of the form: a form
// registers a handler for a button's id (AddCommand) as for any command.
// OnDraw paints under the controls; a form without drawing of its own shows
// its controls on the dialog face colour.
class CFormView : public CView {
    ORV_DECLARE_DYNAMIC(CFormView)
public:
    explicit CFormView(const DialogTemplate& tpl);

    const DialogTemplate& GetTemplate() const { return m_template; }
    // Measured on first use: a form without controls never loads its font,
    // so building an empty screen costs nothing.
    const DialogBaseUnits& GetBaseUnits() const;
    COLORREF GetBackgroundColor() const override { return kFaceColor; }

    CControl* GetDlgItem(unsigned nId) const { return m_controls.Find(nId); }
    CControlSet& Controls() { return m_controls; }

    // The headless driver's `click ID` and `text ID TEXT`: -1 when the form
    // has no such control (or, for text, no such edit field).
    int ClickControl(unsigned nId) { return m_controls.Click(nId); }
    int SetControlText(unsigned nId, std::string_view text) {
        return m_controls.SetEditText(nId, text);
    }

    std::string GetDlgItemText(unsigned nId) const;
    void SetDlgItemText(unsigned nId, std::string_view text);
    // 1 checked, 0 unchecked or no such check box.
    int IsDlgButtonChecked(unsigned nId) const;
    void CheckDlgButton(unsigned nId, int nCheck);

    // Moves the values of the members to the controls (false) or back
    // (true), through DoDataExchange.
    void UpdateData(bool bSaveAndValidate = true);

    // Gives the form the input focus: no control keeps it.
    void SetFocus() { m_controls.SetFocus(nullptr); }

    bool RouteLButtonDownToChild(int x, int y) override;
    bool OnChar(unsigned ch) override;
    bool OnKeyDown(int nKey) override;
    // BN_CLICKED becomes the command of the button's id.
    void OnControlNotify(unsigned nId, unsigned nCode) override;

protected:
    virtual void DoDataExchange(bool bSaveAndValidate);
    // Exchange of an edit field's text with a member.
    void DDX_Text(bool bSaveAndValidate, unsigned nId, std::string& value);
    void DrawChildren(CCanvas& dc) override;

private:
    DialogTemplate m_template;
    mutable std::optional<DialogBaseUnits> m_base;
    CControlSet m_controls;
};
