#include "screens/ScreenGlobals.h"

#include "data/SurveyData.h"
#include "screens/ScreenNavigator.h"
#include "ui/FrameWnd.h"
#include "ui/View.h"

CSurveyData* g_pSurveyData = nullptr;
CScreenFurniture* g_pScreenFurniture = nullptr;

std::unique_lock<std::mutex> LockSurveyData() {
    if (g_pSurveyData == nullptr) return {};
    return g_pSurveyData->Lock();
}

IScreenNavigator* NavigatorOf(const CView& view) {
    return dynamic_cast<IScreenNavigator*>(view.GetParentFrame());
}
