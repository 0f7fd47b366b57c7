#include "screens/Security.h"

ORV_IMPLEMENT_DYNCREATE(CSecurity, CPlaceholderView)
