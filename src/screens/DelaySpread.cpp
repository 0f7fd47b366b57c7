#include "screens/DelaySpread.h"

ORV_IMPLEMENT_DYNCREATE(CDelaySpread, CPlaceholderView)
