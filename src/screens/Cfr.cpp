#include "screens/Cfr.h"

ORV_IMPLEMENT_DYNCREATE(CCfr, CPlaceholderView)
