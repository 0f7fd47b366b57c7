#include "screens/GPSView.h"

ORV_IMPLEMENT_DYNCREATE(CGPSView, CPlaceholderView)
