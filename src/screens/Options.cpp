#include "screens/Options.h"

ORV_IMPLEMENT_DYNCREATE(COptions, CPlaceholderView)
