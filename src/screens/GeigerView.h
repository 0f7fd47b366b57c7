#pragma once

#include "screens/PlaceholderView.h"

// The Geiger screen. Stands in for the screen until it is built.
class CGeigerView : public CPlaceholderView {
    ORV_DECLARE_DYNCREATE(CGeigerView)
public:
    CGeigerView() : CPlaceholderView("GEIGER", CPlaceholderView::kBanner) {}
};
