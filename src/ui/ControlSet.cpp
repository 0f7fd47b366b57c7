#include "ui/ControlSet.h"

#include "gfx/Canvas.h"
#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/Static.h"

namespace {

std::unique_ptr<CControl> MakeControl(DialogItemKind kind) {
    switch (kind) {
        case DialogItemKind::PushButton:
            return std::make_unique<CButton>(CButton::Kind::PushButton);
        case DialogItemKind::AutoCheckBox:
            return std::make_unique<CButton>(CButton::Kind::AutoCheckBox);
        case DialogItemKind::ListBox:
            return std::make_unique<CListBox>();
        case DialogItemKind::ComboBoxEdit:
            return std::make_unique<CComboBox>();
        case DialogItemKind::Icon:
            return std::make_unique<CStatic>(true);
        case DialogItemKind::Static:
            break;
    }
    return std::make_unique<CStatic>(false);
}

}  // namespace

void CControlSet::CreateFromTemplate(const DialogTemplate& tpl, const DialogBaseUnits& base,
                                     CPoint origin) {
    const CFont font(tpl.nPointSize * 10, tpl.fontFace);
    for (const DialogItem& item : tpl.items) {
        std::unique_ptr<CControl> c = MakeControl(item.kind);
        c->SetStyle(item.nStyle);
        c->SetWindowText(item.text);
        c->ShowWindow((item.nStyle & kItemHidden) == 0);
        c->EnableWindow((item.nStyle & kItemDisabled) == 0);
        const CRect r = MapDialogRect(item.x, item.y, item.cx, item.cy, base);
        Add(std::move(c), item.nId, r.Offset(origin.x, origin.y), font);
    }
}

CControl* CControlSet::Add(std::unique_ptr<CControl> control, unsigned nId, const CRect& rect,
                           const CFont& font) {
    control->SetDlgCtrlID(nId);
    control->SetFont(font);
    control->MoveWindow(rect);
    control->SetParent(&m_owner);
    m_controls.push_back(std::move(control));
    return m_controls.back().get();
}

CControl* CControlSet::Find(unsigned nId) const {
    for (const auto& c : m_controls) {
        if (c->GetDlgCtrlID() == nId) return c.get();
    }
    return nullptr;
}

CControl* CControlSet::PoppedUp() const {
    for (const auto& c : m_controls) {
        if (c->IsWindowVisible() && c->IsPoppedUp()) return c.get();
    }
    return nullptr;
}

CControl* CControlSet::HitTest(int x, int y) const {
    if (CControl* popup = PoppedUp(); popup != nullptr && popup->GetHitRect().PtInRect(x, y)) {
        return popup;
    }
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
        if ((*it)->IsWindowVisible() && (*it)->GetWindowRect().PtInRect(x, y)) return it->get();
    }
    return nullptr;
}

bool CControlSet::OnLButtonDown(int x, int y) {
    if (CControl* popup = PoppedUp(); popup != nullptr && !popup->GetHitRect().PtInRect(x, y)) {
        popup->ClosePopup();
        return true;
    }
    CControl* c = HitTest(x, y);
    if (c == nullptr) return false;
    if (!c->IsWindowEnabled()) return true;
    if (c->WantsFocus()) SetFocus(c);
    const CRect r = c->GetWindowRect();
    c->OnLButtonDown(x - r.left, y - r.top);
    return true;
}

bool CControlSet::OnChar(unsigned ch) {
    return m_pFocus != nullptr && m_pFocus->OnChar(ch);
}

bool CControlSet::OnKeyDown(int nKey) {
    return m_pFocus != nullptr && m_pFocus->OnKeyDown(nKey);
}

void CControlSet::SetFocus(CControl* pControl) {
    if (pControl == m_pFocus) return;
    if (m_pFocus != nullptr) m_pFocus->OnKillFocus();
    m_pFocus = pControl;
    if (m_pFocus != nullptr) m_pFocus->OnSetFocus();
}

int CControlSet::Click(unsigned nId) {
    CControl* c = Find(nId);
    if (c == nullptr) return -1;
    return c->Click();
}

int CControlSet::SetEditText(unsigned nId, std::string_view text) {
    CControl* c = Find(nId);
    if (c == nullptr || !c->IsKindOf(ORV_RUNTIME_CLASS(CComboBox))) return -1;
    c->SetWindowText(text);
    return 0;
}

void CControlSet::Draw(CCanvas& dc) const {
    CControl* popup = PoppedUp();
    for (const auto& c : m_controls) {
        if (c->IsWindowVisible() && c.get() != popup) c->Draw(dc);
    }
    if (popup != nullptr) popup->Draw(dc);
}
