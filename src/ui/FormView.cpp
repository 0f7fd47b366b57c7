#include "ui/FormView.h"

#include "ui/Button.h"

ORV_IMPLEMENT_DYNAMIC(CFormView, CView)

CFormView::CFormView(const DialogTemplate& tpl) : m_template(tpl), m_controls(*this) {
    if (!m_template.items.empty())
        m_controls.CreateFromTemplate(m_template, GetBaseUnits(), CPoint(0, 0));
}

const DialogBaseUnits& CFormView::GetBaseUnits() const {
    if (!m_base) m_base = GetDialogBaseUnits(m_template.fontFace, m_template.nPointSize);
    return *m_base;
}

std::string CFormView::GetDlgItemText(unsigned nId) const {
    const CControl* c = GetDlgItem(nId);
    return c != nullptr ? c->GetWindowText() : std::string();
}

void CFormView::SetDlgItemText(unsigned nId, std::string_view text) {
    if (CControl* c = GetDlgItem(nId)) c->SetWindowText(text);
}

int CFormView::IsDlgButtonChecked(unsigned nId) const {
    const auto* b = dynamic_cast<const CButton*>(GetDlgItem(nId));
    return b != nullptr ? b->GetCheck() : 0;
}

void CFormView::CheckDlgButton(unsigned nId, int nCheck) {
    if (auto* b = dynamic_cast<CButton*>(GetDlgItem(nId))) b->SetCheck(nCheck);
}

void CFormView::UpdateData(bool bSaveAndValidate) {
    DoDataExchange(bSaveAndValidate);
}

void CFormView::DoDataExchange(bool) {}

void CFormView::DDX_Text(bool bSaveAndValidate, unsigned nId, std::string& value) {
    if (bSaveAndValidate) {
        value = GetDlgItemText(nId);
    } else {
        SetDlgItemText(nId, value);
    }
}

bool CFormView::RouteLButtonDownToChild(int x, int y) {
    return m_controls.OnLButtonDown(x, y);
}

bool CFormView::OnChar(unsigned ch) {
    return m_controls.OnChar(ch);
}

bool CFormView::OnKeyDown(int nKey) {
    return m_controls.OnKeyDown(nKey);
}

void CFormView::OnControlNotify(unsigned nId, unsigned nCode) {
    if (nCode == BN_CLICKED) OnCommand(nId);
}

void CFormView::DrawChildren(CCanvas& dc) {
    m_controls.Draw(dc);
}
