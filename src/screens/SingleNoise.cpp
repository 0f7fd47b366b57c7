#include "screens/SingleNoise.h"

ORV_IMPLEMENT_DYNCREATE(CSingleNoise, CPlaceholderView)
