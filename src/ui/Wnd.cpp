#include "ui/Wnd.h"

const CRuntimeClass CWnd::classCWnd = {"CWnd", nullptr, nullptr};

const CRuntimeClass* CWnd::GetRuntimeClass() const {
    return &classCWnd;
}

bool CWnd::IsKindOf(const CRuntimeClass* pClass) const {
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

void CWnd::MoveWindow(const CRect& rect) {
    m_rect = rect;
    Invalidate();
}

void CWnd::ShowWindow(bool bShow) {
    if (m_bVisible == bShow) return;
    m_bVisible = bShow;
    Invalidate();
}

void CWnd::EnableWindow(bool bEnable) {
    if (m_bEnabled == bEnable) return;
    m_bEnabled = bEnable;
    Invalidate();
}

void CWnd::SetWindowText(std::string_view text) {
    if (m_strText == text) return;
    m_strText.assign(text);
    Invalidate();
}

void CWnd::Invalidate(bool) {
    if (m_pParent != nullptr) m_pParent->Invalidate(false);
}

void CWnd::OnLButtonDown(int, int) {}
void CWnd::OnLButtonUp(int, int) {}
bool CWnd::OnChar(unsigned) {
    return false;
}
bool CWnd::OnKeyDown(int) {
    return false;
}
void CWnd::OnControlNotify(unsigned, unsigned) {}
void CWnd::Draw(CCanvas&) {}

void CWnd::NotifyParent(unsigned nCode) {
    if (m_pParent != nullptr) m_pParent->OnControlNotify(m_nId, nCode);
}
