#include "ui/Dialog.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "gfx/Canvas.h"
#include "ui/FrameWnd.h"
#include "ui/UiLoop.h"

ORV_IMPLEMENT_DYNAMIC(CDialog, CWnd)

CDialog::CDialog() : m_controls(*this), m_font(80, "System") {}

CDialog::CDialog(const DialogTemplate& tpl)
    : m_controls(*this), m_font(tpl.nPointSize * 10, tpl.fontFace) {
    SetWindowText(tpl.caption);
    const DialogBaseUnits base = GetDialogBaseUnits(tpl.fontFace, tpl.nPointSize);
    m_controls.CreateFromTemplate(tpl, base, CPoint(0, 0));
    SetClientSize(DialogUnitsToPixelsX(tpl.cx, base), DialogUnitsToPixelsY(tpl.cy, base));
}

void CDialog::SetClientSize(int cx, int cy) {
    const int w = std::clamp(cx + 2, 40, CFrameWnd::kScreenWidth);
    const int h = std::clamp(cy + kCaptionHeight + 2, kCaptionHeight + 4, CFrameWnd::kScreenHeight);
    const int left = (CFrameWnd::kScreenWidth - w) / 2;
    const int top = (CFrameWnd::kScreenHeight - h) / 2;
    MoveWindow(CRect(left, top, left + w, top + h));
}

CPoint CDialog::GetClientOrigin() const {
    const CRect r = GetWindowRect();
    return CPoint(r.left + 1, r.top + 1 + kCaptionHeight);
}

CRect CDialog::CloseButtonRect() const {
    const int w = GetWindowRect().Width();
    return CRect(w - 1 - kCaptionButtonWidth, 1, w - 1, 1 + kCaptionHeight);
}

void CDialog::BeginModal() {
    m_bEnded = false;
    m_nResult = IDCANCEL;
    m_bDirty = true;
    OnInitDialog();
}

void CDialog::EndDialog(int nResult) {
    m_nResult = nResult;
    m_bEnded = true;
    m_bDirty = true;
}

ModalRequest CDialog::GetHostRequest() const {
    ModalRequest req;
    req.kind = ModalRequest::Kind::Dialog;
    req.caption = GetWindowText();
    return req;
}

void CDialog::ApplyHostAnswer(const ModalAnswer& answer) {
    if (answer.nResult == IDOK) {
        OnOK();
    } else {
        OnCancel();
    }
    if (!m_bEnded) EndDialog(IDCANCEL);
}

int CDialog::DoModal() {
    CUiLoop* loop = CUiLoop::Get();
    if (loop == nullptr) return -1;
    if (loop->IsGuiThread()) return loop->RunModal(*this);
    // From a worker: the GUI thread runs the dialog while this thread waits.
    // The dialog object is touched by one thread at a time, handed over by
    // the mutex.
    std::mutex m;
    std::condition_variable cv;
    bool bDone = false;
    int nResult = -1;
    const int posted = loop->Queue().PostTask([&](bool bDiscarded) {
        const int r = bDiscarded ? -1 : CUiLoop::Get()->RunModal(*this);
        std::lock_guard<std::mutex> lock(m);
        nResult = r;
        bDone = true;
        cv.notify_all();
    });
    if (posted != 0) return -1;
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&] { return bDone; });
    return nResult;
}

void CDialog::Draw(CCanvas& screen) {
    m_bDirty = false;
    const CRect r = GetWindowRect();
    // Shadow, frame, caption bar.
    screen.FillSolidRect(CRect(r.left + 3, r.bottom, r.right + 3, r.bottom + 3), kShadowColor);
    screen.FillSolidRect(CRect(r.right, r.top + 3, r.right + 3, r.bottom), kShadowColor);
    screen.FillSolidRect(r, kFaceColor);
    screen.FrameRect(r, CBrush(kTextColor));
    const CRect caption(r.left + 1, r.top + 1, r.right - 1, r.top + 1 + kCaptionHeight);
    screen.FillSolidRect(caption, kHighlightColor);
    screen.SelectFont(CFont(80, "System"));
    screen.SetBkMode(TRANSPARENT);
    screen.SetTextColor(kHighlightTextColor);
    const CRect close = CloseButtonRect().Offset(r.left, r.top);
    screen.DrawText(GetWindowText(),
                    CRect(caption.left + 4, caption.top, close.left, caption.bottom),
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    screen.FillSolidRect(CRect(close.left + 2, close.top + 2, close.right - 2, close.bottom - 2),
                         kFaceColor);
    screen.SetTextColor(kTextColor);
    screen.DrawText("X", close, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    // Client area with the controls, clipped to it.
    const CPoint org = GetClientOrigin();
    const CPoint oldOrg = screen.SetViewportOrg(org.x, org.y);
    screen.SetClipRect(CRect(0, 0, r.Width() - 2, r.Height() - 2 - kCaptionHeight));
    m_controls.Draw(screen);
    screen.ResetClip();
    screen.SetViewportOrg(oldOrg.x, oldOrg.y);
}

void CDialog::OnLButtonDown(int x, int y) {
    if (CloseButtonRect().PtInRect(x, y)) {
        OnCancel();
        return;
    }
    const CRect r = GetWindowRect();
    const CPoint org = GetClientOrigin();
    m_controls.OnLButtonDown(x + r.left - org.x, y + r.top - org.y);
}

bool CDialog::OnChar(unsigned ch) {
    return m_controls.OnChar(ch);
}

bool CDialog::OnKeyDown(int nKey) {
    if (m_controls.OnKeyDown(nKey)) return true;
    if (nKey == VK_RETURN) {
        OnOK();
        return true;
    }
    if (nKey == VK_ESCAPE) {
        OnCancel();
        return true;
    }
    return false;
}

void CDialog::OnControlNotify(unsigned nId, unsigned nCode) {
    m_bDirty = true;
    if (nCode != BN_CLICKED) return;
    if (nId == static_cast<unsigned>(IDOK)) {
        OnOK();
    } else if (nId == static_cast<unsigned>(IDCANCEL)) {
        OnCancel();
    } else {
        OnCommand(nId);
    }
}
