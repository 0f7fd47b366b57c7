#include "screens/GeigerView.h"

ORV_IMPLEMENT_DYNCREATE(CGeigerView, CPlaceholderView)
