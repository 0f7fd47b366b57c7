#include "ui/FrameWnd.h"

#include "ui/Control.h"
#include "ui/UiLoop.h"

ORV_IMPLEMENT_DYNAMIC(CFrameWnd, CWnd)

CFrameWnd::CFrameWnd() {
    MoveWindow(CRect(0, 0, kScreenWidth, kScreenHeight));
}

CFrameWnd::~CFrameWnd() = default;

CView* CFrameWnd::AddView(std::unique_ptr<CView> view) {
    if (!view) return nullptr;
    CView* v = view.get();
    v->SetParent(this);
    v->ShowWindow(false);
    v->MoveWindow(kViewRect);
    m_views.push_back(std::move(view));
    OnViewAdded(*v);
    v->OnInitialUpdate();
    return v;
}

CView* CFrameWnd::CreateView(const CRuntimeClass* pClass) {
    if (pClass == nullptr) return nullptr;
    std::unique_ptr<CWnd> obj = pClass->CreateObject();
    auto* view = dynamic_cast<CView*>(obj.get());
    if (view == nullptr) return nullptr;
    obj.release();
    return AddView(std::unique_ptr<CView>(view));
}

CView* CFrameWnd::FindView(const CRuntimeClass* pClass) const {
    for (const auto& v : m_views) {
        if (v->IsKindOf(pClass)) return v.get();
    }
    return nullptr;
}

void CFrameWnd::SetActiveView(CView* view) {
    if (view == nullptr || view == m_pActiveView) return;
    CView* previous = m_pActiveView;
    m_pActiveView = view;
    view->ShowWindow(true);
    if (previous != nullptr) previous->ShowWindow(false);
    view->Invalidate(true);
    m_bDirty = true;
    if (m_viewChanged) m_viewChanged(view);
}

CView* CFrameWnd::ActivateView(const CRuntimeClass* pClass) {
    if (pClass == nullptr) return m_pActiveView;
    if (m_pActiveView != nullptr && m_pActiveView->IsKindOf(pClass)) return m_pActiveView;
    CView* view = FindView(pClass);
    if (view == nullptr) view = CreateView(pClass);
    if (view == nullptr) return nullptr;
    SetActiveView(view);
    return view;
}

bool CFrameWnd::RouteCommand(unsigned nId) {
    if (m_pActiveView != nullptr && m_pActiveView->HasCommandHandler(nId)) {
        return m_pActiveView->OnCommand(nId);
    }
    if (HasCommandHandler(nId)) return OnCommand(nId);
    if (m_pApp != nullptr && m_pApp->HasCommandHandler(nId)) return m_pApp->OnCommand(nId);
    return false;
}

bool CFrameWnd::IsCommandEnabled(unsigned nId) const {
    return (m_pActiveView != nullptr && m_pActiveView->HasCommandHandler(nId)) ||
           HasCommandHandler(nId) || (m_pApp != nullptr && m_pApp->HasCommandHandler(nId));
}

void CFrameWnd::SetTitle(std::string_view title) {
    m_strTitle.assign(title);
    m_bDirty = true;
}

void CFrameWnd::OnPostedMessage(const PostedMessage&) {}

void CFrameWnd::OnMinimize() {}

void CFrameWnd::OnClose() {
    if (CUiLoop* loop = CUiLoop::Get()) loop->Quit(0);
}

void CFrameWnd::OnStylusDown(int x, int y) {
    if (kViewRect.PtInRect(x, y)) {
        if (m_pActiveView == nullptr) return;
        const int vx = x - kViewRect.left;
        const int vy = y - kViewRect.top;
        if (!m_pActiveView->RouteLButtonDownToChild(vx, vy)) m_pActiveView->OnLButtonDown(vx, vy);
        return;
    }
    if (kCommandBarRect.PtInRect(x, y)) {
        const int hit = m_commandBar.HitTest(x - kCommandBarRect.left, y - kCommandBarRect.top,
                                             kCommandBarRect.Width());
        if (hit == CCommandBar::kHitClose) {
            OnClose();
        } else if (hit >= 0) {
            const unsigned cmd = m_commandBar.GetButtonCommand(hit);
            if (IsCommandEnabled(cmd)) RouteCommand(cmd);
        }
    }
}

void CFrameWnd::DispatchChar(unsigned ch) {
    if (m_pActiveView != nullptr) m_pActiveView->OnChar(ch);
}

void CFrameWnd::DispatchKeyDown(int nKey, bool bCtrl) {
    if (bCtrl) {
        auto it = m_accelerators.find(nKey);
        if (it != m_accelerators.end()) RouteCommand(it->second);
        return;
    }
    if (m_pActiveView != nullptr && m_pActiveView->OnKeyDown(nKey)) return;
    auto it = m_keyCommands.find(nKey);
    if (it != m_keyCommands.end() && IsCommandEnabled(it->second)) RouteCommand(it->second);
}

void CFrameWnd::Invalidate(bool) {
    m_bDirty = true;
}

unsigned CFrameWnd::EnabledMask() const {
    unsigned mask = 0;
    for (int i = 0; i < m_commandBar.GetButtonCount() && i < 32; ++i) {
        if (IsCommandEnabled(m_commandBar.GetButtonCommand(i))) mask |= 1u << i;
    }
    return mask;
}

bool CFrameWnd::NeedsPaint() const {
    return m_bDirty || (m_pActiveView != nullptr && m_pActiveView->NeedsPaint()) ||
           EnabledMask() != m_nDrawnMask;
}

void CFrameWnd::Compose(CCanvas& screen) {
    if (m_pActiveView != nullptr) {
        m_pActiveView->UpdateWindow();
        const CCanvas& s = m_pActiveView->GetSurface();
        screen.BitBlt(kViewRect.left, kViewRect.top, kViewRect.Width(), kViewRect.Height(), s, 0,
                      0);
    } else {
        screen.FillSolidRect(kViewRect, RGB(0, 0, 0));
    }
    m_nDrawnMask = EnabledMask();
    m_commandBar.Draw(screen, kCommandBarRect,
                      [this](unsigned id) { return IsCommandEnabled(id); });
    screen.FillSolidRect(kTitleRect, kHighlightColor);
    screen.SelectFont(CFont(80, "System"));
    screen.SetBkMode(TRANSPARENT);
    screen.SetTextColor(kHighlightTextColor);
    screen.DrawText(
        m_strTitle,
        CRect(kTitleRect.left + 4, kTitleRect.top, kTitleRect.right - 4, kTitleRect.bottom),
        DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    m_bDirty = false;
}
