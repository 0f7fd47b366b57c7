#include "screens/Screen.h"

#include "data/SurveyData.h"
#include "screens/ScreenNavigator.h"
#include "screens/ScreenTable.h"
#include "ui/FrameWnd.h"

ORV_IMPLEMENT_DYNAMIC(CScreen, CFormView)

DialogTemplate CScreen::BlankTemplate(unsigned nTemplateId) {
    DialogTemplate tpl;
    tpl.nId = nTemplateId;
    tpl.fontFace = "System";
    tpl.cx = 160;
    tpl.cy = 160;
    return tpl;
}

CScreen::CScreen(unsigned nTemplateId) : CFormView(BlankTemplate(nTemplateId)) {}

CScreen::CScreen(const DialogTemplate& tpl) : CFormView(tpl) {}

std::unique_lock<std::mutex> CScreen::LockStore() const {
    if (m_context.pData == nullptr) return {};
    return m_context.pData->Lock();
}

void CScreen::OnDraw(CCanvas& dc) {
    const CRect client = GetClientRect();
    CCanvas mem = dc.CreateCompatible(client.Width(), client.Height());
    mem.FillSolidRect(client, GetBackgroundColor());
    if (m_context.pData != nullptr && m_context.pFurniture != nullptr) {
        const CStoreLock lock(*m_context.pData);
        Compose(mem, *m_context.pData, *m_context.pFurniture);
    }
    dc.BitBlt(0, 0, client.Width(), client.Height(), mem, 0, 0, SRCCOPY);
}

void CScreen::OnLButtonDown(int x, int y) {
    if (m_context.pData != nullptr) {
        const CStoreLock lock(*m_context.pData);
        OnTouch(x, y, *m_context.pData);
    }
    RunRequests();
    CFormView::OnLButtonDown(x, y);
}

void CScreen::RequestSwitch(const CRuntimeClass* pClass) {
    m_requests.emplace_back([pClass](IScreenNavigator& nav) { nav.SwitchToView(pClass); });
}

int CScreen::OwnGridCell() const {
    const ScreenRow* row = FindScreenRow(GetRuntimeClass());
    return row != nullptr ? row->nGridCell : ScreenRow::kNoGridCell;
}

void CScreen::RequestScreenGrid(int x, int y) {
    const int ownCell = OwnGridCell();
    m_requests.emplace_back(
        [x, y, ownCell](IScreenNavigator& nav) { nav.HandleScreenGrid(x, y, ownCell); });
}

void CScreen::RunRequests() {
    auto requests = std::move(m_requests);
    m_requests.clear();
    auto* navigator = dynamic_cast<IScreenNavigator*>(GetParentFrame());
    if (navigator == nullptr) return;
    for (auto& request : requests) request(*navigator);
}
