#pragma once

#include "screens/PlaceholderView.h"

// The GPS screen. Stands in for the screen until it is built.
class CGPSView : public CPlaceholderView {
    ORV_DECLARE_DYNCREATE(CGPSView)
public:
    CGPSView() : CPlaceholderView("GPS", 0) {}
};
