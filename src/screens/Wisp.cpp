#include "screens/Wisp.h"

ORV_IMPLEMENT_DYNCREATE(CWisp, CPlaceholderView)
