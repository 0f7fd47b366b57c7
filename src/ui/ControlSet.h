#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "gfx/Geometry.h"
#include "ui/Control.h"
#include "ui/DialogTemplate.h"

class CCanvas;

// The controls of a form or a dialog: built from a template, found by id,
// hit-tested in the owner's client coordinates, drawn in template order, and
// holding the keyboard focus.
class CControlSet {
public:
    explicit CControlSet(CWnd& owner) : m_owner(owner) {}

    // Creates the template's controls; `origin` is where dialog unit (0, 0)
    // lies in the owner's client area.
    void CreateFromTemplate(const DialogTemplate& tpl, const DialogBaseUnits& base, CPoint origin);
    // Adds a control at a pixel rectangle; returns it.
    CControl* Add(std::unique_ptr<CControl> control, unsigned nId, const CRect& rect,
                  const CFont& font);

    CControl* Find(unsigned nId) const;
    // The control whose pop-up part is up, or nullptr.
    CControl* PoppedUp() const;
    // The topmost visible control at the point (a pop-up first); nullptr
    // when none.
    CControl* HitTest(int x, int y) const;
    const std::vector<std::unique_ptr<CControl>>& Controls() const { return m_controls; }

    // Stylus-down in the owner's client coordinates; false when no control
    // was hit.
    bool OnLButtonDown(int x, int y);
    bool OnChar(unsigned ch);
    bool OnKeyDown(int nKey);

    CControl* GetFocus() const { return m_pFocus; }
    // nullptr clears the focus.
    void SetFocus(CControl* pControl);

    // Click by id; -1 when there is no such control or it takes no clicks.
    int Click(unsigned nId);
    // Text of an edit field by id; -1 when there is no such edit field.
    int SetEditText(unsigned nId, std::string_view text);

    void Draw(CCanvas& dc) const;

private:
    CWnd& m_owner;
    std::vector<std::unique_ptr<CControl>> m_controls;
    CControl* m_pFocus = nullptr;
};
