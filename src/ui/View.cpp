#include "ui/View.h"

#include <utility>

#include "ui/FrameWnd.h"

ORV_IMPLEMENT_DYNAMIC(CView, CWnd)

void CView::OnDraw(CCanvas&) {}
void CView::OnInitialUpdate() {}
void CView::DrawChildren(CCanvas&) {}
bool CView::RouteLButtonDownToChild(int, int) {
    return false;
}

void CView::Invalidate(bool bErase) {
    if (bErase) m_bErase.store(true, std::memory_order_release);
    m_bInvalid.store(true, std::memory_order_release);
}

bool CView::UpdateWindow(bool bForce) {
    // Cleared before drawing: a request made while OnDraw runs leads to one
    // more paint rather than being lost.
    const bool bInvalid = m_bInvalid.exchange(false, std::memory_order_acq_rel);
    if (!bInvalid && !bForce) return false;
    bool bErase = m_bErase.exchange(false, std::memory_order_acq_rel);
    const CRect client = GetClientRect();
    CBitmap bits = m_surface.TakeBitmap();
    if (bits.Width() != client.Width() || bits.Height() != client.Height()) {
        bits = CBitmap(client.Width(), client.Height());
        bErase = true;
    }
    // A fresh canvas over the kept pixels: each paint starts from the default
    // pen, brush, font and colours.
    m_surface = CCanvas(std::move(bits));
    m_texts.Clear();
    m_surface.SetTextRecorder(&m_texts);
    CCanvas::SetDefaultTextRecorder(&m_texts);
    if (bErase) m_surface.FillSolidRect(client, GetBackgroundColor());
    OnDraw(m_surface);
    m_surface.ResetClip();
    m_surface.SetViewportOrg(0, 0);
    DrawChildren(m_surface);
    CCanvas::SetDefaultTextRecorder(nullptr);
    ++m_nPaintCount;
    return true;
}

CFrameWnd* CView::GetParentFrame() const {
    return dynamic_cast<CFrameWnd*>(GetParent());
}
