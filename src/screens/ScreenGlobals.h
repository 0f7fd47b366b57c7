#pragma once

#include <mutex>

class CSurveyData;
class CScreenFurniture;
class CView;
class IScreenNavigator;

// The singletons every screen reaches: set by the main frame while it is
// created (the store before any view exists), cleared when it goes.
extern CSurveyData* g_pSurveyData;
extern CScreenFurniture* g_pScreenFurniture;

// The store lock for a paint or a touch handler; an empty lock when no store
// is set (a screen drawn on its own in a test).
std::unique_lock<std::mutex> LockSurveyData();

// The navigator of the frame that holds `view`, or nullptr.
IScreenNavigator* NavigatorOf(const CView& view);
