#include "screens/Multipath.h"

ORV_IMPLEMENT_DYNCREATE(CMultipath, CPlaceholderView)
